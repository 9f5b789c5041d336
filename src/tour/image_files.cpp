// The files of an image block: every image element is read, not only the
// one a desktop browser shows, since each is shown on some device.
#include "tour/image_files.h"

#include <cstring>

#include "tour/image_url.h"
#include "tour/xml_tags.h"

namespace tourwright {

namespace {

const char* const kCubeFaces[] = {"l", "f", "r", "b", "u", "d"};
// Elements that name the whole image, or one face of a cube, by a url.
const char* const kImageSources[] = {"cube", "sphere", "cylinder", "flat", "cubestrip",
                                     "fisheye", "stereographic"};
const char* const kFaceSources[] = {"left", "front", "right", "back", "up", "down"};

bool isOneOf(const std::string& name, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (name == names[i]) return true;
  }
  return false;
}

struct Source {
  bool cube;  // %s runs over the six faces
  std::string url;
  std::string multires;  // its own "tilesize,size,size..." list, if any
};

struct RawLevel {
  std::string width, height, tileSize;
  std::vector<Source> sources;
};

struct RawImage {
  std::string multires, tileSize, cubeLabels;
  std::vector<RawLevel> levels;
  std::vector<Source> sources;  // outside the levels, device children included
};

std::vector<RawImage> scanImages(const char* text, const char* end) {
  std::vector<RawImage> images;
  XmlTag tag;
  bool inImage = false, inLevel = false;
  while (nextXmlTag(&text, end, &tag)) {
    if (tag.closing) {
      if (tag.name == "image") inImage = inLevel = false;
      if (tag.name == "level") inLevel = false;
      continue;
    }
    const std::string* value = nullptr;
    if (tag.name == "image") {
      RawImage image;
      if ((value = attributeOf(tag, "multires")) != nullptr) image.multires = *value;
      if ((value = attributeOf(tag, "tilesize")) != nullptr) image.tileSize = *value;
      if ((value = attributeOf(tag, "cubelabels")) != nullptr) image.cubeLabels = *value;
      images.push_back(std::move(image));
      inImage = !tag.selfClosing;
      inLevel = false;
      continue;
    }
    if (!inImage) continue;
    RawImage& image = images.back();
    if (tag.name == "level") {
      RawLevel level;
      if ((value = attributeOf(tag, "tiledimagewidth")) != nullptr) level.width = *value;
      if ((value = attributeOf(tag, "tiledimageheight")) != nullptr) level.height = *value;
      if ((value = attributeOf(tag, "tilesize")) != nullptr) level.tileSize = *value;
      image.levels.push_back(std::move(level));
      inLevel = !tag.selfClosing;
      continue;
    }
    const std::string* url = attributeOf(tag, "url");
    bool whole = isOneOf(tag.name, kImageSources, sizeof kImageSources / sizeof *kImageSources);
    if (url == nullptr ||
        (!whole && !isOneOf(tag.name, kFaceSources, sizeof kFaceSources / sizeof *kFaceSources))) {
      continue;
    }
    Source source = {tag.name == "cube", *url, ""};
    if ((value = attributeOf(tag, "multires")) != nullptr) source.multires = *value;
    (inLevel ? image.levels.back().sources : image.sources).push_back(std::move(source));
  }
  return images;
}

std::vector<std::string> facesOf(const RawImage& image, bool cube) {
  if (!cube) return {""};
  std::vector<std::string> faces;
  std::string labels = image.cubeLabels + "|";
  for (size_t start = 0, bar; (bar = labels.find('|', start)) != std::string::npos;
       start = bar + 1) {
    faces.push_back(labels.substr(start, bar - start));
  }
  if (faces.size() != 6) faces.assign(kCubeFaces, kCubeFaces + 6);
  return faces;
}

struct Level {
  long long width, height, tileSize;
  const std::vector<Source>* sources;  // nullptr: the one source `single`
  const Source* single;
};

void addSets(const RawImage& image, std::vector<Level> levels, std::vector<ImageFileSet>* sets) {
  std::vector<std::string> ignored;
  for (const Level& level : levels) {
    // %l numbers the levels from 1, the smallest first.
    int number = 1;
    for (const Level& other : levels) {
      if (other.width < level.width) ++number;
    }
    auto add = [&](const Source& source) {
      std::string url = source.url;
      for (size_t at; (at = url.find("%SWFPATH%")) != std::string::npos;) {
        url.replace(at, 9, "/VR/xsl3v");
      }
      sets->push_back(ImageFileSet{parseTileUrl(url, number, &ignored), facesOf(image, source.cube),
                                   level.width, level.height, level.tileSize});
    };
    if (level.sources == nullptr) {
      add(*level.single);
    } else {
      for (const Source& source : *level.sources) add(source);
    }
  }
}

// "512,640,1280" (a cube's face sizes) or "512,1024x512,2048x1024".
std::vector<Level> listedLevels(const std::string& list, const Source& source) {
  std::vector<Level> levels;
  std::vector<std::string> items;
  std::string text = list + ",";
  for (size_t start = 0, comma; (comma = text.find(',', start)) != std::string::npos;
       start = comma + 1) {
    items.push_back(text.substr(start, comma - start));
  }
  std::string first = items.empty() ? "" : items[0];
  long long tileSize = pixelsOf(&first);
  if (tileSize < 0) return levels;
  for (size_t i = 1; i < items.size(); ++i) {
    size_t x = items[i].find('x');
    std::string width = items[i].substr(0, x);
    std::string height = x == std::string::npos ? width : items[i].substr(x + 1);
    Level level = {pixelsOf(&width), pixelsOf(&height), tileSize, nullptr, &source};
    if (level.width > 0 && level.height > 0) levels.push_back(level);
  }
  return levels;
}

}  // namespace

long long tilesAcross(long long size, long long tileSize) {
  if (tileSize <= 0 || size <= 0) return 1;
  return (size + tileSize - 1) / tileSize;
}

std::vector<ImageFileSet> imageFileSetsOf(const char* text, size_t length) {
  std::vector<ImageFileSet> sets;
  for (const RawImage& image : scanImages(text, text + length)) {
    std::vector<Level> levels;
    for (const RawLevel& raw : image.levels) {
      long long tileSize = pixelsOf(raw.tileSize.empty() ? &image.tileSize : &raw.tileSize);
      Level level = {pixelsOf(&raw.width), pixelsOf(&raw.height), tileSize, &raw.sources, nullptr};
      // A level the viewer cannot cut into tiles names no file it asks for.
      if (level.width > 0 && level.height > 0 && tileSize > 0) levels.push_back(level);
    }
    addSets(image, levels, &sets);
    for (const Source& source : image.sources) {
      const std::string& list = !source.multires.empty() ? source.multires : image.multires;
      if (list.find(',') != std::string::npos) {
        addSets(image, listedLevels(list, source), &sets);
      } else {
        addSets(image, {Level{0, 0, 0, nullptr, &source}}, &sets);
      }
    }
  }
  return sets;
}

std::string imageFileName(const ImageFileSet& set, const std::string& face, long long row,
                          long long column) {
  std::string name;
  for (const UrlPart& part : set.url) {
    if (part.placeholder == 0) {
      name += part.text;
    } else if (part.placeholder == 's') {
      name += face;
    } else {
      std::string number = std::to_string(part.placeholder == 'v' ? row : column);
      if (number.size() < static_cast<size_t>(part.width)) {
        number.insert(0, static_cast<size_t>(part.width) - number.size(), '0');
      }
      name += number;
    }
  }
  return name;
}

}  // namespace tourwright
