// The tile XML read as the viewer reads it, for the preview page, through
// the tag scanner of tour/xml_tags.h. Only the structure the viewer gives a
// scene's image matters: <image> holding <cube>, <sphere> or <level>s that
// hold a <cube>; a <preview> anywhere. Device-specific children (<mobile>,
// <tablet>) are what a desktop browser does not get, and are skipped.
#include "preview/image_block.h"

#include <algorithm>
#include <cstring>

#include "preview/image_url.h"
#include "tour/xml_tags.h"

namespace tourwright {

namespace {

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
  XmlTag tag;
  const char* cursor = text;
  bool inImage = false, inLevel = false;
  std::string skipping;  // a device-specific child being skipped
  while (nextXmlTag(&cursor, end, &tag)) {
    if (!skipping.empty()) {
      if (tag.closing && tag.name == skipping) skipping.clear();
      continue;
    }
    if (tag.closing) {
      if (tag.name == "image") inImage = inLevel = false;
      if (tag.name == "level") inLevel = false;
      continue;
    }
    const std::string* url = xmlAttribute(tag, "url");
    if (tag.name == "preview" && url != nullptr && !scan->hasPreview) {
      scan->hasPreview = true;
      scan->previewUrl = *url;
      continue;
    }
    if (tag.name == "image") {
      RawImage image = {};
      const std::string* value = nullptr;
      if ((value = xmlAttribute(tag, "if")) != nullptr) image.condition = *value;
      if ((value = xmlAttribute(tag, "type")) != nullptr) image.type = *value;
      if ((value = xmlAttribute(tag, "multires")) != nullptr) image.multires = *value;
      if ((value = xmlAttribute(tag, "tilesize")) != nullptr) image.tileSize = *value;
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
      if (const std::string* w = xmlAttribute(tag, "tiledimagewidth")) level.width = *w;
      if (const std::string* h = xmlAttribute(tag, "tiledimageheight")) level.height = *h;
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
  lowerAscii(&type);
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
