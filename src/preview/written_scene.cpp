// The scene elements written aside into a temporary stream by the tour
// writers themselves, then read back: no second description of what a run
// writes, so the page cannot drift from it.
#include "preview/written_scene.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/system_files.h"
#include "preview/preview_text.h"
#include "tour/gallery_scenes.h"
#include "tour/scene_element.h"

namespace tourwright {

namespace {

// What is written aside is read back up to this much; a scene holding more
// (a tile XML of megabytes of levels) is cut, and the page says so.
constexpr size_t kReadBackLimit = size_t{64} << 20;

// Runs `write` on a temporary stream with the console silenced (a writer
// reports a missing tile XML there) and gives back what it wrote, read as
// the final tour XML holds it.
template <typename Write>
bool writeAside(Write write, std::string* utf8, bool* cut, std::string* problem) {
  FILE* out = createTemporaryStream();
  if (out == nullptr) {
    *problem = lastFileFailure();
    return false;
  }
  FILE* previous = consoleOut() == stdout ? nullptr : consoleOut();
  FILE* sink = openNullSink();
  if (sink != nullptr) setConsoleOut(sink);
  bool written = write(out);
  setConsoleOut(previous);
  if (sink != nullptr) std::fclose(sink);
  FILE* in = readBackScratch(out);
  if (in == nullptr) {
    *problem = "the scene could not be written aside";
    return false;
  }
  std::string internal;
  char block[1 << 14];
  *cut = false;
  for (size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) {
    if (internal.size() + got > kReadBackLimit) {
      *cut = true;
      break;
    }
    internal.append(block, got);
  }
  std::fclose(in);
  utf8->clear();
  appendUtf8FromCodePage(internal.data(), internal.size(), utf8);
  return written;
}

bool sameName(const std::string& a, const std::string& b) {
  std::string x = a, y = b;
  lowerAscii(&x);
  lowerAscii(&y);
  return x == y;
}

void mergeAttributes(const std::vector<XmlAttribute>& from, std::vector<XmlAttribute>* into) {
  for (const XmlAttribute& attribute : from) {
    bool found = false;
    for (XmlAttribute& held : *into) {
      if (held.name == attribute.name) {
        held.value = attribute.value;
        found = true;
      }
    }
    if (!found) into->push_back(attribute);
  }
}

void addHotspot(const XmlTag& tag, WrittenScene* scene) {
  const std::string* name = attributeOf(tag, "name");
  std::string key = name != nullptr ? *name : std::string();
  for (WrittenHotspot& held : scene->hotspots) {
    if (sameName(held.name, key)) {
      ++held.elements;
      std::vector<XmlAttribute> later = tag.attributes;
      for (XmlAttribute& attribute : later) {
        if (attribute.name == "name") attribute.value = held.name;  // the hotspot keeps its name
      }
      mergeAttributes(later, &held.attributes);
      return;
    }
  }
  scene->hotspots.push_back({key, 1, tag.attributes});
}

}  // namespace

const std::string* writtenValue(const std::vector<XmlAttribute>& attributes, const char* name) {
  for (const XmlAttribute& attribute : attributes) {
    if (attribute.name == name) return &attribute.value;
  }
  return nullptr;
}

std::vector<WrittenScene> readWrittenScenes(const std::string& text) {
  std::vector<WrittenScene> scenes;
  const char* cursor = text.data();
  const char* end = cursor + text.size();
  const char* start = cursor;
  XmlTag tag;
  while (nextXmlTag(&cursor, end, &tag)) {
    if (tag.name == "scene" && !tag.closing) {
      if (!scenes.empty()) scenes.back().text.assign(start, cursor);
      start = cursor;
      scenes.push_back({});
      WrittenScene& scene = scenes.back();
      if (const std::string* v = attributeOf(tag, "name")) scene.name = *v;
      if (const std::string* v = attributeOf(tag, "title")) scene.title = *v;
      if (const std::string* v = attributeOf(tag, "thumburl")) scene.thumb = *v;
      continue;
    }
    if (scenes.empty() || tag.closing) continue;
    WrittenScene& scene = scenes.back();
    if (tag.name == "view") mergeAttributes(tag.attributes, &scene.view);
    const std::string* url = attributeOf(tag, "url");
    // The scene's own preview element comes first, before the copied block.
    if (tag.name == "preview" && url != nullptr && scene.preview.empty()) scene.preview = *url;
    if (tag.name == "hotspot") addHotspot(tag, &scene);
  }
  if (!scenes.empty()) scenes.back().text.assign(start, end);
  return scenes;
}

bool writeSceneAside(const Tour& tour, int sceneIndex, const std::string& directory,
                     const std::string& baseName, WrittenScene* scene, std::string* problem) {
  std::string text;
  bool cut = false;
  bool written = writeAside(
      [&](FILE* out) {
        return writeSceneElement(&tour, sceneIndex, directory.c_str(), baseName.c_str(), out) ==
               SceneResult::kWritten;
      },
      &text, &cut, problem);
  if (!written) return false;
  std::vector<WrittenScene> scenes = readWrittenScenes(text);
  if (scenes.empty()) {
    *problem = "the scene element could not be read back";
    return false;
  }
  *scene = std::move(scenes.front());
  scene->text = std::move(text);
  scene->cut = cut;
  return true;
}

std::vector<WrittenScene> writeGalleryScenesAside(const Tour& tour) {
  std::string text, problem;
  bool cut = false;
  writeAside(
      [&](FILE* out) {
        writeGalleryScenes(&tour, out);
        return true;
      },
      &text, &cut, &problem);
  return readWrittenScenes(text);
}

}  // namespace tourwright
