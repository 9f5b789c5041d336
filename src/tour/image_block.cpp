// The tile XML read as the viewer reads it, for the preview page.
//
// A small tag scanner, not a full XML parser: it finds start and end tags
// with their attributes (quoted or not), skips comments, processing
// instructions and CDATA, and decodes the five named entities and numeric
// references in attribute values. Every step moves forward, so any bytes,
// however broken, end in one pass. Only the structure the viewer gives a
// scene's image matters: <image> holding <cube>, <sphere> or <level>s that
// hold a <cube>; a <preview> anywhere. Device-specific children (<mobile>,
// <tablet>) are what a desktop browser does not get, and are skipped.
#include "tour/image_block.h"

#include <algorithm>
#include <cstring>

#include "encoding/code_point.h"
#include "tour/image_url.h"

namespace tourwright {

namespace {

struct Attribute {
  std::string name;   // lower case
  std::string value;  // raw bytes, entities decoded
};

struct Tag {
  std::string name;  // lower case
  bool closing;
  bool selfClosing;
  std::vector<Attribute> attributes;
};

bool isNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == ':' || c == '.' || c == '-' || c >= 0x80;
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Moves past `terminator`, or to the end when it never comes.
const char* skipPast(const char* p, const char* end, const char* terminator) {
  size_t n = std::strlen(terminator);
  for (; p + n <= end; ++p) {
    if (std::memcmp(p, terminator, n) == 0) return p + n;
  }
  return end;
}

void appendDecoded(const char* p, const char* end, std::string* out) {
  static const struct { const char* name; char c; } kNamed[] = {
      {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  while (p < end) {
    if (*p != '&') {
      out->push_back(*p++);
      continue;
    }
    bool done = false;
    for (const auto& entity : kNamed) {
      size_t n = std::strlen(entity.name);
      if (static_cast<size_t>(end - p - 1) >= n && std::memcmp(p + 1, entity.name, n) == 0) {
        out->push_back(entity.c);
        p += 1 + n;
        done = true;
        break;
      }
    }
    if (!done && end - p > 2 && p[1] == '#') {
      bool hex = p[2] == 'x' || p[2] == 'X';
      const char* q = p + (hex ? 3 : 2);
      long value = 0;
      int digits = 0;
      for (; q < end && digits < 8; ++q, ++digits) {
        char c = lower(*q);
        int d = (c >= '0' && c <= '9') ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) break;
        value = value * (hex ? 16 : 10) + d;
      }
      if (digits > 0 && q < end && *q == ';') {
        char utf8[8];
        codePointToUtf8(value > 0x10FFFF ? -1 : static_cast<int>(value), utf8);
        out->append(utf8);
        p = q + 1;
        done = true;
      }
    }
    if (!done) out->push_back(*p++);
  }
}

// Reads the next start or end tag from *cursor; false at the end.
bool nextTag(const char** cursor, const char* end, Tag* tag) {
  const char* p = *cursor;
  for (;;) {
    p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
    if (p == nullptr) {
      *cursor = end;
      return false;
    }
    size_t left = static_cast<size_t>(end - p);
    if (left >= 4 && std::memcmp(p, "<!--", 4) == 0) {
      p = skipPast(p + 4, end, "-->");
    } else if (left >= 9 && std::memcmp(p, "<![CDATA[", 9) == 0) {
      p = skipPast(p + 9, end, "]]>");
    } else if (left >= 2 && p[1] == '?') {
      p = skipPast(p + 2, end, "?>");
    } else if (left >= 2 && p[1] == '!') {
      p = skipPast(p + 2, end, ">");
    } else {
      break;
    }
  }
  ++p;
  tag->name.clear();
  tag->attributes.clear();
  tag->closing = p < end && *p == '/';
  tag->selfClosing = false;
  if (tag->closing) ++p;
  while (p < end && isNameByte(static_cast<unsigned char>(*p))) tag->name.push_back(lower(*p++));
  while (p < end && *p != '>' && *p != '<') {
    if (isSpace(static_cast<unsigned char>(*p))) {
      ++p;
    } else if (*p == '/') {
      tag->selfClosing = true;
      ++p;
    } else {
      Attribute attribute;
      while (p < end && *p != '=' && *p != '>' && *p != '<' && *p != '/' &&
             !isSpace(static_cast<unsigned char>(*p))) {
        attribute.name.push_back(lower(*p++));
      }
      while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
      if (p < end && *p == '=') {
        ++p;
        while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        if (p < end && (*p == '"' || *p == '\'')) {
          char quote = *p++;
          start = p;
          while (p < end && *p != quote) ++p;
          appendDecoded(start, p, &attribute.value);
          if (p < end) ++p;
        } else {
          while (p < end && *p != '>' && !isSpace(static_cast<unsigned char>(*p))) ++p;
          appendDecoded(start, p, &attribute.value);
        }
      }
      if (attribute.name.empty() && p < end && *p != '>' && *p != '<') ++p;  // a stray byte
      tag->attributes.push_back(std::move(attribute));
    }
  }
  if (p < end && *p == '>') ++p;
  *cursor = p;
  return true;
}

const std::string* attributeOf(const Tag& tag, const char* name) {
  for (const Attribute& attribute : tag.attributes) {
    if (attribute.name == name) return &attribute.value;
  }
  return nullptr;
}

// A whole number of pixels: 1 to 999999999 digits' worth, else -1.
long long pixels(const std::string* text) {
  if (text == nullptr || text->empty() || text->size() > 9) return -1;
  long long value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value > 0 ? value : -1;
}

struct RawLevel {
  std::string width, height, url;
  bool hasUrl;
};

struct RawImage {
  std::string condition, type, multires, tileSize;
  std::string cubeUrl, sphereUrl;
  bool hasCube, hasSphere;
  std::vector<RawLevel> levels;
  std::vector<std::string> unsupported;  // child elements the page cannot show
};

bool isUnsupportedChild(const std::string& name) {
  static const char* const kNames[] = {"cylinder", "flat",  "cubestrip", "fisheye", "stereographic",
                                       "left",     "front", "right",     "back",    "up",
                                       "down",     "video"};
  for (const char* known : kNames) {
    if (name == known) return true;
  }
  return false;
}

struct Scan {
  std::vector<RawImage> images;
  std::string previewUrl;
  bool hasPreview;
};

void scanTileXml(const char* text, const char* end, Scan* scan) {
  Tag tag;
  const char* cursor = text;
  bool inImage = false, inLevel = false;
  std::string skipping;  // a device-specific child being skipped
  while (nextTag(&cursor, end, &tag)) {
    if (!skipping.empty()) {
      if (tag.closing && tag.name == skipping) skipping.clear();
      continue;
    }
    if (tag.closing) {
      if (tag.name == "image") inImage = inLevel = false;
      if (tag.name == "level") inLevel = false;
      continue;
    }
    const std::string* url = attributeOf(tag, "url");
    if (tag.name == "preview" && url != nullptr && !scan->hasPreview) {
      scan->hasPreview = true;
      scan->previewUrl = *url;
      continue;
    }
    if (tag.name == "image") {
      RawImage image = {};
      const std::string* value = nullptr;
      if ((value = attributeOf(tag, "if")) != nullptr) image.condition = *value;
      if ((value = attributeOf(tag, "type")) != nullptr) image.type = *value;
      if ((value = attributeOf(tag, "multires")) != nullptr) image.multires = *value;
      if ((value = attributeOf(tag, "tilesize")) != nullptr) image.tileSize = *value;
      scan->images.push_back(std::move(image));
      inImage = !tag.selfClosing;
      inLevel = false;
      continue;
    }
    if (!inImage) continue;
    RawImage& image = scan->images.back();
    if (tag.name == "mobile" || tag.name == "tablet") {
      if (!tag.selfClosing) skipping = tag.name;
    } else if (tag.name == "level") {
      RawLevel level = {};
      if (const std::string* w = attributeOf(tag, "tiledimagewidth")) level.width = *w;
      if (const std::string* h = attributeOf(tag, "tiledimageheight")) level.height = *h;
      image.levels.push_back(std::move(level));
      inLevel = !tag.selfClosing;
    } else if (tag.name == "cube" && url != nullptr) {
      if (inLevel && !image.levels.back().hasUrl) {
        image.levels.back().url = *url;
        image.levels.back().hasUrl = true;
      } else if (!inLevel && !image.hasCube) {
        image.cubeUrl = *url;
        image.hasCube = true;
      }
    } else if (tag.name == "sphere" && url != nullptr && !image.hasSphere) {
      image.sphereUrl = *url;
      image.hasSphere = true;
    } else if (isUnsupportedChild(tag.name) &&
               std::find(image.unsupported.begin(), image.unsupported.end(), tag.name) ==
                   image.unsupported.end()) {
      image.unsupported.push_back(tag.name);
    }
  }
}

void addNotice(ImageDescription* description, const std::string& text) {
  if (std::find(description->notices.begin(), description->notices.end(), text) ==
      description->notices.end()) {
    description->notices.push_back(text);
  }
}

void describeMultires(const RawImage& image, const TextReading& reading,
                      ImageDescription* description) {
  if (image.levels.empty()) {
    addNotice(description, image.multires == "true"
                               ? "a multi-resolution image without <level> elements cannot be shown"
                               : "the multires=\"" + reading.utf8(image.multires) +
                                     "\" list form is not shown by the preview");
    return;
  }
  description->tileSize = pixels(&image.tileSize);
  if (description->tileSize < 0) {
    addNotice(description, "a multi-resolution image without a usable tilesize (\"" +
                               reading.utf8(image.tileSize) + "\") cannot be shown");
    return;
  }
  std::vector<TileLevel> levels;
  std::vector<std::string> urls;
  for (size_t i = 0; i < image.levels.size(); ++i) {
    const RawLevel& raw = image.levels[i];
    std::string which = "level " + std::to_string(i + 1);
    TileLevel level = {pixels(&raw.width), pixels(&raw.height), {}};
    if (level.width < 0 || level.height < 0) {
      addNotice(description, which + " has no usable tiledimagewidth and tiledimageheight");
    } else if (!raw.hasUrl) {
      addNotice(description, which + " has no <cube url>");
    } else {
      levels.push_back(level);
      urls.push_back(reading.utf8(raw.url));
    }
  }
  // %l numbers the levels from 1, the smallest first.
  for (size_t i = 0; i < levels.size(); ++i) {
    int number = 1;
    for (const TileLevel& other : levels) {
      if (other.width < levels[i].width) ++number;
    }
    levels[i].url = parseTileUrl(urls[i], number, &description->notices);
    if (!templateHas(levels[i].url, 's')) {
      addNotice(description, "level " + std::to_string(i + 1) + " has a cube url without %s");
    } else {
      description->levels.push_back(levels[i]);
    }
  }
  if (!description->levels.empty()) description->form = ImageForm::kMultiresCube;
}

void describeChosen(const RawImage& image, const TextReading& reading,
                    ImageDescription* description) {
  std::string type = image.type;
  std::transform(type.begin(), type.end(), type.begin(), lower);
  for (const std::string& name : image.unsupported) {
    addNotice(description, "<" + name + "> images are not shown by the preview");
  }
  bool multires = !image.levels.empty() || (!image.multires.empty() && image.multires != "false");
  if (multires && type == "sphere") {
    addNotice(description, "multi-resolution spheres are not shown by the preview");
  } else if (multires) {
    describeMultires(image, reading, description);
  } else if (image.hasCube) {
    TileLevel level = {0, 0, parseTileUrl(reading.utf8(image.cubeUrl), 1, &description->notices)};
    if (templateHas(level.url, 's')) {
      description->levels.push_back(level);
      description->form = ImageForm::kCube;
    } else {
      addNotice(description, "a <cube url> without %s (the face letter) cannot be shown");
    }
  } else if (image.hasSphere) {
    TileLevel level = {0, 0, parseTileUrl(reading.utf8(image.sphereUrl), 1, &description->notices)};
    description->levels.push_back(level);
    description->form = ImageForm::kSphere;
  } else if (image.unsupported.empty()) {
    addNotice(description, "the image element holds no <cube>, <sphere> or <level> with a url");
  }
}

}  // namespace

ImageDescription describeImageBlock(const char* text, size_t length) {
  ImageDescription description = {ImageForm::kNone, 0, 0, {}, 0, {}, {}, {}};
  const char* end = text + length;
  if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;
  TextReading reading = readingOf(text, static_cast<size_t>(end - text));
  Scan scan = {};
  scanTileXml(text, end, &scan);
  if (scan.hasPreview) {
    UrlTemplate preview = parseTileUrl(reading.utf8(scan.previewUrl), 1, &description.notices);
    for (const UrlPart& part : preview) description.previewUrl += part.text;
  }
  description.elementCount = static_cast<int>(scan.images.size());
  if (scan.images.empty()) {
    addNotice(&description, "the tile XML has no <image> element");
    return description;
  }
  DesktopChoice choice = chooseForDesktop(scan.images.size(), [&](size_t i) {
    return scan.images[i].condition;
  });
  description.chosenElement = static_cast<int>(choice.index + 1);
  const RawImage& chosen = scan.images[choice.index];
  description.condition = reading.utf8(chosen.condition);
  if (!choice.understood) {
    addNotice(&description, "no image element's if=\"...\" is known to hold on a desktop "
                            "browser: the preview shows element " +
                                std::to_string(choice.index + 1));
  }
  describeChosen(chosen, reading, &description);
  return description;
}

}  // namespace tourwright
