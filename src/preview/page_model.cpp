// The page's model as JSON, written in one pass over the tour model.
//
// Every text goes through appendJsonString, so whatever bytes a script or
// a tile XML holds, the JSON is valid and in UTF-8: model fields are Korean
// code page text and are read as the tour XML shows them; file names and
// tile URLs are UTF-8 already, or read as the code page when they are not.
#include "preview/page_model.h"

#include <cstdio>

#include "platform/files.h"
#include "tour/image_block.h"
#include "tour/image_url.h"
#include "preview/preview_text.h"
#include "preview/written_scene.h"
#include "script/scene_names.h"
#include "tour/scene_hotspots.h"

namespace tourwright {

namespace {

struct Json {
  std::string text;
  bool first = true;  // no comma before the next member or element

  void separate() {
    if (!first) text.push_back(',');
    first = false;
  }
  void key(const char* name) {
    separate();
    appendJsonString(name, &text);
    text.push_back(':');
    first = true;  // the value follows without a comma
  }
  void open(char bracket) {
    text.push_back(bracket);
    first = true;
  }
  void close(char bracket) {
    text.push_back(bracket);
    first = false;
  }
  void string(const char* name, const std::string& value) {
    key(name);
    appendJsonString(value, &text);
    first = false;
  }
  void field(const char* name, const char* modelText) { string(name, utf8FromField(modelText)); }
  void number(const char* name, long long value) {
    key(name);
    text += std::to_string(value);
    first = false;
  }
  void boolean(const char* name, bool value) {
    key(name);
    text += value ? "true" : "false";
    first = false;
  }
  void element(const std::string& value) {
    separate();
    appendJsonString(value, &text);
  }
};

std::string utf8Name(const std::string& bytes) {
  return readingOf(bytes.data(), bytes.size()).utf8(bytes);
}

const char* formName(ImageForm form) {
  switch (form) {
    case ImageForm::kCube: return "cube";
    case ImageForm::kMultiresCube: return "multires";
    case ImageForm::kSphere: return "sphere";
    case ImageForm::kNone: break;
  }
  return "none";
}

void writeUrl(Json* json, const char* name, const UrlTemplate& url) {
  json->key(name);
  json->open('[');
  for (const UrlPart& part : url) {
    if (part.placeholder == 0) {
      json->element(part.text);
    } else {
      json->separate();
      json->open('{');
      json->string("p", std::string(1, part.placeholder));
      json->number("w", part.width);
      json->close('}');
    }
  }
  json->close(']');
}

void writeAttributes(Json* json, const char* name, const std::vector<XmlAttribute>& attributes) {
  json->key(name);
  json->open('{');
  for (const XmlAttribute& attribute : attributes) json->string(attribute.name.c_str(), attribute.value);
  json->close('}');
}

// The image as the tour XML gives it: the copied image block and the
// preview strip the scene element names, read as the viewer reads them.
void writeImage(Json* json, const Scene& scene, const WrittenScene* written,
                const std::string& problem) {
  std::string name = utf8FromField(scene.name);
  json->key("image");
  json->open('{');
  json->string("tileXml", name + ".xml");
  if (written == nullptr) {
    json->string("form", "none");
    json->key("notices");
    json->open('[');
    json->element("the tile XML " + name + ".xml cannot be read" +
                  (problem.empty() ? "" : " (" + problem + ")"));
    json->close(']');
    json->close('}');
    return;
  }
  ImageDescription d = describeImageBlock(written->text.data(), written->text.size());
  if (written->cut) d.notices.push_back("the scene element is longer than 64 MiB: only its start was read");
  json->string("form", formName(d.form));
  json->number("elements", d.elementCount);
  json->number("element", d.chosenElement);
  json->string("condition", d.condition);
  json->number("tileSize", d.tileSize);
  // The preview strip the tour XML names. One outside the tour folder
  // ("/VR/p.jpg", "//host/p.jpg", "http://...") is left to its notice: the
  // page fetches nothing from another origin.
  const std::string& preview = written->preview;
  bool outside = preview.compare(0, 1, "/") == 0 || preview.find("://") != std::string::npos;
  json->string("preview", outside ? "" : preview);
  json->key("levels");
  json->open('[');
  for (const TileLevel& level : d.levels) {
    json->separate();
    json->open('{');
    json->number("width", level.width);
    json->number("height", level.height);
    writeUrl(json, "url", level.url);
    json->close('}');
  }
  json->close(']');
  json->key("notices");
  json->open('[');
  for (const std::string& notice : d.notices) {
    // The block read is the tour XML's copy, which may hold less than the file.
    json->element(notice != "the tile XML has no <image> element"
                      ? notice
                      : "the tour XML's copy of the image block of " + name +
                            ".xml holds no <image> element (a line holding both <image and "
                            "</image> is not copied)");
  }
  json->close(']');
  json->close('}');
}

// The warning of --check about a broken cross link, with its line when the
// warnings hold it.
std::string brokenLinkWarning(const PreviewSource& source, const char* target) {
  std::string text = "cross link target \"" + utf8FromField(target) + "\" names no scene of the tour";
  for (const PreviewWarning& warning : source.warnings) {
    if (warning.text.find(text) != std::string::npos) return warning.text;
  }
  return text;
}

const WrittenHotspot* findWritten(const WrittenScene* written, const std::string& name) {
  if (written == nullptr) return nullptr;
  std::string key = name;
  lowerAscii(&key);
  for (const WrittenHotspot& hotspot : written->hotspots) {
    std::string held = hotspot.name;
    lowerAscii(&held);
    if (held == key) return &hotspot;
  }
  return nullptr;
}

// The hotspot's name as written, and what the written element says of how
// it is drawn ("xml": its attributes, merged as the viewer merges elements
// of one name; "elements": how many there are).
void writeDrawing(Json* json, const std::string& name, const WrittenHotspot* hotspot) {
  json->string("name", name);
  if (hotspot == nullptr) return;
  json->number("elements", hotspot->elements);
  writeAttributes(json, "xml", hotspot->attributes);
}

void startHotspot(Json* json, const WrittenScene* written, const char* kind, const char* group,
                  int s, int n, int ath, int atv, const char* caption) {
  std::string name = std::string(group) + "-" + std::to_string(s) + "-" + std::to_string(n);
  json->separate();
  json->open('{');
  json->string("id", name);
  json->string("kind", kind);
  json->number("ath", ath);
  json->number("atv", atv);
  json->field("caption", caption);
  writeDrawing(json, name, findWritten(written, name));
}

void writeCrossLink(Json* json, const PreviewSource& source, const CrossLink& link) {
  SceneTarget target = findSceneTarget(*source.tour, link.target);
  json->field("target", link.target);
  json->number("lookat", link.lookat);
  if (target.kind == SceneTarget::kScene) json->number("scene", target.scene + 1);  // the scene's number
  if (target.kind == SceneTarget::kGallery) {
    json->string("gallery", std::to_string(target.scene + 1) + "-" + std::to_string(target.gallery + 1));
  }
  json->boolean("broken", target.kind == SceneTarget::kNothing);
  if (target.kind == SceneTarget::kNothing) json->string("warning", brokenLinkWarning(source, link.target));
}

void writeGalleryObjects(Json* json, const Tour& tour, const Gallery& gallery) {
  json->key("objects");
  json->open('[');
  int last = gallery.firstObject + gallery.objectCount;
  for (int i = gallery.firstObject; i < last && i < tour.galleryObjectCount; ++i) {
    if (i < 0) continue;
    const GalleryObject& object = tour.galleryObjects[i];
    const char* kind = object.kind == 1 ? "image" : object.kind == 2 ? "video" : "other";
    std::string file = std::string(object.file) + (object.kind == 2 ? ".mp4" : ".jpg");
    json->separate();
    json->open('{');
    json->string("kind", kind);
    json->string("file", utf8FromField(gallery.folder) + "/" + utf8FromField(file.c_str()));
    json->field("caption", object.caption);
    json->field("explanation", object.explanation[0] == '$' ? "" : object.explanation);
    json->close('}');
  }
  json->close(']');
}

void writeHotspots(Json* json, const PreviewSource& source, int s, const WrittenScene* w) {
  const Tour& tour = *source.tour;
  const Scene& scene = tour.scenes[s];
  int S = s + 1;
  json->key("hotspots");
  json->open('[');
  for (int i = 0; i < scene.crossLinkCount; ++i) {
    const CrossLink& link = scene.crossLinks[i];
    startHotspot(json, w, "cross", "CrossLink", S, i + 1, link.ath, link.atv, link.caption);
    writeCrossLink(json, source, link);
    json->close('}');
  }
  for (int i = 0; i < scene.outLinkCount; ++i) {
    const OutLink& link = scene.outLinks[i];
    startHotspot(json, w, "out", "OutLink", S, i + 1, link.ath, link.atv, link.caption);
    json->field("opens", link.target);
    json->close('}');
  }
  for (int i = 0; i < scene.stillCount; ++i) {
    const StillImage& still = scene.stills[i];
    startHotspot(json, w, "still", "StillImage", S, i + 1, still.ath, still.atv, still.caption);
    json->string("opens", "photo/" + utf8FromField(still.photo) + ".jpg");
    json->close('}');
  }
  for (int i = 0; i < scene.videoCount; ++i) {
    const VideoLink& video = scene.videos[i];
    startHotspot(json, w, "video", "Video", S, i + 1, video.ath, video.atv, video.caption);
    json->string("opens", "video/" + utf8FromField(video.video) + (video.kind == 1 ? ".mp4" : ".xml"));
    json->boolean("inline", video.kind == 1);
    json->close('}');
  }
  for (int i = 0; i < scene.galleryCount; ++i) {
    const Gallery& gallery = scene.galleries[i];
    startHotspot(json, w, "gallery", "GalleryEntrance", S, i + 1, gallery.ath, gallery.atv,
                 gallery.caption);
    json->string("gallery", std::to_string(S) + "-" + std::to_string(i + 1));
    writeGalleryObjects(json, tour, gallery);
    json->close('}');
  }
  for (int i = 0; i < scene.referenceCount; ++i) {
    const Reference& reference = scene.references[i];
    startHotspot(json, w, "reference", "Reference", S, i + 1, reference.ath, reference.atv,
                 reference.caption);
    ReferenceAction action = chooseReferenceAction(reference);
    json->field("opens", reference.target);
    json->string("how", action == ReferenceAction::kOpenUrl           ? "url"
                        : action == ReferenceAction::kReferenceViewer ? "reference viewer"
                                                                      : "window");
    json->close('}');
  }
  json->close(']');
}

// The gallery scenes as written: every hotspot, merged as the viewer
// merges those of one name.
void writeGalleryScenes(Json* json, const PreviewSource& source) {
  json->key("galleries");
  json->open('[');
  if (source.tour != nullptr) {
    for (const WrittenScene& scene : writeGalleryScenesAside(*source.tour)) {
      json->separate();
      json->open('{');
      json->string("name", scene.name);
      json->string("title", scene.title);
      json->string("thumb", scene.thumb);
      json->key("hotspots");
      json->open('[');
      for (const WrittenHotspot& hotspot : scene.hotspots) {
        json->separate();
        json->open('{');
        writeDrawing(json, hotspot.name, &hotspot);
        json->close('}');
      }
      json->close(']');
      json->close('}');
    }
  }
  json->close(']');
}

}  // namespace

std::string previewModelJson(const PreviewSource& source) {
  Json json;
  json.open('{');
  json.string("tour", utf8Name(source.baseName));
  json.string("script", utf8Name(source.scriptShown));
  json.boolean("saving", source.saving);
  json.string("files", source.filesUrl);
  json.key("siteView");
  json.open('{');
  if (!source.siteViewUrl.empty()) {
    json.string("url", source.siteViewUrl);
  } else {
    json.string("needs", source.siteNeeds);
  }
  json.close('}');
  json.key("scenes");
  json.open('[');
  int scenes = source.tour == nullptr ? 0 : sceneCountOf(*source.tour);
  for (int s = 0; s < scenes; ++s) {
    const Scene& scene = source.tour->scenes[s];
    if (scene.name[0] == '\0') continue;  // no scene element: the warnings say so
    bool repeated = countNamed(*source.tour, scene.name, s, false) > 0;
    json.separate();
    json.open('{');
    json.number("number", s + 1);
    json.field("name", scene.name);
    json.string("element", utf8FromField(scene.name) + (repeated ? "-copy" : ""));
    json.field("title", scene.title);
    json.number("hlookat", scene.hlookat);
    json.number("vlookat", scene.vlookat);
    // loadscene() takes a name that begins with a digit for a scene number.
    bool loadable = !(scene.name[0] >= '0' && scene.name[0] <= '9');
    json.boolean("loadable", loadable);
    if (!loadable) {
      json.string("unloadable", "the viewer reads a scene name that begins with a digit as a "
                                "scene number, so it never loads this scene");
    }
    WrittenScene written;
    std::string problem;
    bool ok = writeSceneAside(*source.tour, s, source.directory, source.baseName, &written,
                              &problem);
    if (ok) {
      json.string("thumb", written.thumb);
      writeAttributes(&json, "view", written.view);
    }
    writeImage(&json, scene, ok ? &written : nullptr, problem);
    writeHotspots(&json, source, s, ok ? &written : nullptr);
    json.close('}');
  }
  json.close(']');
  writeGalleryScenes(&json, source);
  json.key("warnings");
  json.open('[');
  for (const PreviewWarning& warning : source.warnings) {
    json.separate();
    json.open('{');
    json.number("line", warning.line);
    json.string("text", warning.text);
    json.close('}');
  }
  json.close(']');
  json.close('}');
  return json.text;
}

}  // namespace tourwright
