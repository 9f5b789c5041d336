// The list of the files a tour needs: the site's files the page and the
// prologue name, then in the order the tour XML names them: per scene its
// preview strip, thumbnail and tiles, then its hotspots' files; the
// galleries' files.
#include "tour/needed_files.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <unordered_set>

#include "encoding/internal_text.h"
#include "platform/file_identity.h"
#include "platform/files.h"
#include "tour/image_files.h"
#include "tour/image_tags.h"
#include "tour/image_url.h"
#include "tour/model_bounds.h"
#include "tour/tile_xml.h"

namespace tourwright {

namespace {

// The viewer script the page loads, and its folder, the tour XML's
// %SWFPATH%.
const char kViewerScript[] = "/VR/xsl3v/krpano.js";
const char* const kIncludes[] = {
    "%SWFPATH%/include/link-method.xml",    "%SWFPATH%/include/button.xml",
    "%SWFPATH%/include/caption.xml",        "%SWFPATH%/include/flyinghotspotVR.xml",
    "%SWFPATH%/include/vr.xml",             "%SWFPATH%/include/modal_window.xml",
};
// The HTML5 viewer loads the player's alturl; the Flash one is not served.
const char kVideoPlugin[] = "%SWFPATH%/plugins/videoplayer.js";

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Where a URL of the tour leads: a path under the tour folder or the site
// root; false for what is no file of the site (an absolute URL, nothing).
bool resolveNamed(std::string url, FileRoot* root, std::string* path) {
  for (char& c : url) {
    if (c == '\\') c = '/';  // as browsers take it
  }
  size_t colon = url.find(':');
  if (colon != std::string::npos && colon > 0 && url.find_first_of("/?#") > colon) {
    bool scheme = std::isalpha(static_cast<unsigned char>(url[0])) != 0;
    for (size_t i = 1; i < colon && scheme; ++i) {
      char c = url[i];
      scheme = std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    }
    if (scheme) return false;  // http:, https:, mailto:, javascript:, a drive letter
  }
  if (startsWith(url, "//")) return false;
  static const char* const kTourFolder[] = {"%CURRENTXML%", "%FIRSTXML%", "%HTMLPATH%"};
  for (const char* variable : kTourFolder) {
    if (startsWith(url, variable)) {
      size_t n = std::char_traits<char>::length(variable);
      url.erase(0, url.size() > n && url[n] == '/' ? n + 1 : n);
    }
  }
  if (startsWith(url, "%SWFPATH%")) url.replace(0, 9, "/VR/xsl3v");
  url = url.substr(0, url.find_first_of("?#"));
  *root = url[0] == '/' ? FileRoot::kSiteRoot : FileRoot::kTourFolder;
  size_t start = url.find_first_not_of('/');
  if (start == std::string::npos) return false;
  *path = url.substr(start);
  return true;
}

struct Lister {
  NeededFiles* out;
  std::unordered_set<std::string> seen;  // root and path of every file listed
  long long tilesListed;
};

void add(Lister* lister, NeededKind kind, int scene, int item, const std::string& named) {
  NeededFile file = {kind, kind == NeededKind::kSiteFile ? -1 : scene, item,
                     FileRoot::kTourFolder, named, std::string(), false};
  if (!resolveNamed(named, &file.root, &file.path)) return;
  std::string key = (file.root == FileRoot::kSiteRoot ? "/" : "") + file.path;
  if (!lister->seen.insert(key).second) return;
  bool rootKnown = file.root == FileRoot::kTourFolder || !lister->out->siteRoot.empty();
  file.exists = rootKnown && isRegularFile(diskPathOf(*lister->out, file).c_str());
  lister->out->files.push_back(std::move(file));
}

// The scene's image block as the run copies it into the tour XML
// (tour/tile_xml.h), in UTF-8: the lines from one that holds "<image" up to
// one that holds "</image>". The closing rows the copy adds between
// elements name no file.
std::string copiedImageBlock(const std::string& tileXml) {
  std::string text;
  if (FILE* tile = openForReading(tileXml.c_str())) {
    char block[1 << 15];
    for (size_t got; (got = std::fread(block, 1, sizeof block, tile)) > 0;) text.append(block, got);
    std::fclose(tile);
  }
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string copied;
  bool copying = false;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    ImageTags tags = findImageTags(text.data() + start, end - start);
    if (tags.opens) copying = true;
    if (tags.closes) copying = false;
    if (copying) copied.append(text, start, end - start);
    start = end;
  }
  // Read as the run decides for the whole file: UTF-8, or code page text.
  return readingOf(text.data(), text.size()).utf8(copied);
}

void addTiles(Lister* lister, int s, const std::string& tileXml) {
  std::string block = copiedImageBlock(tileXml);
  std::vector<ImageFileSet> sets = imageFileSetsOf(block.data(), block.size());
  for (size_t i = 0; i < sets.size(); ++i) {
    const ImageFileSet& set = sets[i];
    long long rows = tilesAcross(set.height, set.tileSize);
    long long columns = tilesAcross(set.width, set.tileSize);
    for (const std::string& face : set.faces) {
      for (long long row = 1; row <= rows; ++row) {
        if (lister->tilesListed + columns > kMaxListedTiles) {
          lister->out->tilesNotListed[s] += columns * (rows - row + 1);
          continue;
        }
        lister->tilesListed += columns;
        for (long long column = 1; column <= columns; ++column) {
          add(lister, NeededKind::kTile, s, static_cast<int>(i),
              imageFileName(set, face, row, column));
        }
      }
    }
  }
}

void addSceneFiles(Lister* lister, const Tour& tour, int s, const std::string& directory) {
  const Scene& scene = tour.scenes[s];
  std::string name = utf8FromField(scene.name);
  add(lister, NeededKind::kPreviewStrip, s, -1, name + ".tiles/preview.jpg");
  add(lister, NeededKind::kThumbnail, s, -1, name + ".tiles/mobile_f.jpg");
  addTiles(lister, s, tileXmlPath(directory.c_str(), scene.name));
  for (int i = 0; i < boundedCount(scene.outLinkCount, kMaxItemsPerList); ++i) {
    add(lister, NeededKind::kOutLinkTour, s, i, utf8FromField(scene.outLinks[i].target));
  }
  for (int i = 0; i < boundedCount(scene.stillCount, kMaxItemsPerList); ++i) {
    add(lister, NeededKind::kPhoto, s, i, "photo/" + utf8FromField(scene.stills[i].photo) + ".jpg");
  }
  for (int i = 0; i < boundedCount(scene.videoCount, kMaxItemsPerList); ++i) {
    const VideoLink& video = scene.videos[i];
    std::string file = "%CURRENTXML%/video/" + utf8FromField(video.video);
    if (video.kind == 1) {
      add(lister, NeededKind::kVideo, s, i, file + ".mp4");
      add(lister, NeededKind::kSiteFile, s, i, kVideoPlugin);
    } else {
      add(lister, NeededKind::kVideoTour, s, i, file + ".xml");
      if (video.kind == 2) add(lister, NeededKind::kSiteFile, s, i, "/VR/style/video60.png");
      if (video.kind == 3) add(lister, NeededKind::kSiteFile, s, i, "/VR/style/video360x60.png");
    }
  }
  if (scene.galleryCount > 0) add(lister, NeededKind::kSiteFile, s, -1, "/VR/style/gallery60.png");
  for (int i = 0; i < boundedCount(scene.referenceCount, kMaxItemsPerList); ++i) {
    const Reference& reference = scene.references[i];
    add(lister, NeededKind::kIcon, s, i, utf8FromField(reference.icon));
    add(lister, NeededKind::kReferenceTarget, s, i, utf8FromField(reference.target));
  }
}

// The gallery scenes, written for every scene, named or not.
void addGalleryFiles(Lister* lister, const Tour& tour, int s) {
  const Scene& scene = tour.scenes[s];
  int objectsInTour = boundedCount(tour.galleryObjectCount, kMaxGalleryObjects);
  for (int g = 0; g < boundedCount(scene.galleryCount, kMaxItemsPerList); ++g) {
    const Gallery& gallery = scene.galleries[g];
    add(lister, NeededKind::kSiteFile, s, -1, "/VR/style/gallery.png");
    add(lister, NeededKind::kSiteFile, s, -1, "/VR/style/back.png");
    std::string folder = utf8FromField(gallery.folder) + "/";
    for (int position = 0; position < gallery.objectCount; ++position) {
      long long index = static_cast<long long>(gallery.firstObject) + position;
      if (index < 0 || index >= objectsInTour) break;
      const GalleryObject& object = tour.galleryObjects[index];
      int i = static_cast<int>(index);
      if (object.kind == 1) {
        add(lister, NeededKind::kGalleryPicture, s, i, folder + utf8FromField(object.file) + ".jpg");
      } else if (object.kind == 2) {
        add(lister, NeededKind::kGalleryVideo, s, i, folder + utf8FromField(object.file) + ".mp4");
        add(lister, NeededKind::kSiteFile, s, i, kVideoPlugin);
      }
      if (object.explanation[0] != '$') {
        add(lister, NeededKind::kSiteFile, s, i, "/VR/style/text60.png");
        if (object.explanation[0] != '\0') {
          add(lister, NeededKind::kExplanation, s, i, utf8FromField(object.explanation));
        }
      }
    }
  }
}

}  // namespace

std::string findSiteRoot(const std::string& tourFolder, const std::string& given) {
  if (!given.empty()) return given;
  std::string folder = resolvedFolderPath(tourFolder.c_str());
  while (!folder.empty()) {
    bool root = isPathSeparator(folder.back());  // "/" or "C:\"
    std::string viewer = folder + (root ? "" : std::string(1, kPathSeparator)) + "VR" +
                         kPathSeparator + "xsl3v";
    if (isDirectory(viewer.c_str())) return folder;
    size_t separator = folder.find_last_of("/\\");
    if (root || separator == std::string::npos) break;
    // The parent keeps its separator when it is the root.
    bool parentIsRoot = folder.find_first_of("/\\") == separator;
    folder.erase(parentIsRoot ? separator + 1 : separator);
  }
  return std::string();
}

std::string diskPathOf(const NeededFiles& files, const NeededFile& file) {
  const std::string& folder = file.root == FileRoot::kSiteRoot ? files.siteRoot : files.tourFolder;
  std::string path = file.path;
  for (char& c : path) {
    if (c == '/') c = kPathSeparator;
  }
  bool separated = !folder.empty() && isPathSeparator(folder.back());
  return folder + (separated ? "" : std::string(1, kPathSeparator)) + path;
}

NeededFiles listNeededFiles(const Tour& tour, const std::string& tourFolder,
                            const std::string& siteRoot) {
  NeededFiles files;
  files.tourFolder = tourFolder;
  files.siteRoot = siteRoot;
  int scenes = boundedCount(tour.sceneCount, kMaxScenes);
  files.tilesNotListed.assign(static_cast<size_t>(scenes), 0);
  Lister lister = {&files, {}, 0};
  add(&lister, NeededKind::kSiteFile, -1, -1, kViewerScript);
  for (const char* include : kIncludes) add(&lister, NeededKind::kSiteFile, -1, -1, include);
  for (int s = 0; s < scenes; ++s) {
    if (tour.scenes[s].name[0] != '\0') addSceneFiles(&lister, tour, s, tourFolder);
  }
  for (int s = 0; s < scenes; ++s) addGalleryFiles(&lister, tour, s);
  return files;
}

}  // namespace tourwright
