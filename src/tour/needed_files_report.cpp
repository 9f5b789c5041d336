// The missing files of a tour as --check words them: tiles counted per
// scene, every other file on its own line at the script line that names it.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "script/diagnostics_parts.h"
#include "tour/model_bounds.h"
#include "tour/needed_files.h"
#include "tour/tile_xml.h"

namespace tourwright {

namespace {

const char* kindWord(NeededKind kind) {
  switch (kind) {
    case NeededKind::kTile: return "tile";
    case NeededKind::kPreviewStrip: return "preview strip";
    case NeededKind::kThumbnail: return "thumbnail";
    case NeededKind::kPhoto: return "photo";
    case NeededKind::kVideo: return "video";
    case NeededKind::kVideoTour: return "video tour";
    case NeededKind::kOutLinkTour: return "out link tour";
    case NeededKind::kIcon: return "icon";
    case NeededKind::kReferenceTarget: return "reference target";
    case NeededKind::kGalleryPicture: return "gallery picture";
    case NeededKind::kGalleryVideo: return "gallery video";
    case NeededKind::kExplanation: return "explanation page";
    case NeededKind::kSiteFile: break;
  }
  return "site file";
}

// The script line that names a file.
long long lineOf(const ScriptDiagnostics& d, const NeededFile& file) {
  if (file.scene < 0 || file.scene >= kMaxScenes) return 0;
  const SceneOrigin& origin = d.scenes[file.scene];
  bool itemKnown = file.item >= 0 && file.item < kMaxItemsPerList;
  switch (file.kind) {
    case NeededKind::kPhoto: return itemKnown ? origin.items[kStillList][file.item].line : 0;
    case NeededKind::kVideo:
    case NeededKind::kVideoTour: return itemKnown ? origin.items[kVideoList][file.item].line : 0;
    case NeededKind::kOutLinkTour:
      return itemKnown ? origin.items[kOutLinkList][file.item].line : 0;
    case NeededKind::kIcon:
    case NeededKind::kReferenceTarget:
      return itemKnown ? origin.items[kReferenceList][file.item].line : 0;
    case NeededKind::kGalleryPicture:
    case NeededKind::kGalleryVideo:
    case NeededKind::kExplanation:
      return file.item >= 0 && file.item < kMaxGalleryObjects ? d.objects[file.item].line : 0;
    default: return origin.headerLine;
  }
}

// One line for the tiles of scene `s`: how many of how many are missing,
// in which folder, and the first five by their names in it.
void reportTiles(ScriptDiagnostics* d, const Tour& tour, const NeededFiles& files, int s,
                 const std::string& directory) {
  long long total = 0;
  std::vector<const std::string*> missing;
  std::string folder;  // the folder all the scene's tiles share
  bool first = true;
  for (const NeededFile& file : files.files) {
    if (file.kind != NeededKind::kTile || file.scene != s) continue;
    ++total;
    std::string own = file.path.substr(0, file.path.rfind('/') + 1);
    if (first) folder = own;
    while (!first && own.compare(0, folder.size(), folder) != 0) {
      folder.erase(folder.size() > 1 ? folder.rfind('/', folder.size() - 2) + 1 : 0);
    }
    first = false;
    if (!file.exists) missing.push_back(&file.path);
  }
  long long notListed = static_cast<size_t>(s) < files.tilesNotListed.size()
                            ? files.tilesNotListed[static_cast<size_t>(s)] : 0;
  if (missing.empty() && notListed == 0) return;
  std::string tileXml = consolePath(tileXmlPath(directory.c_str(), tour.scenes[s].name));
  if (!missing.empty()) {
    std::string names;
    for (size_t i = 0; i < missing.size() && i < 5; ++i) {
      names += (i > 0 ? ", " : "") + missing[i]->substr(folder.size());
    }
    if (missing.size() > 5) names += " and " + std::to_string(missing.size() - 5) + " more";
    std::string where = folder.empty() ? "the tour folder" : folder.substr(0, folder.size() - 1);
    warnInFile(d, tileXml.c_str(), "%lld of %lld tiles missing in %s (%s)",
               static_cast<long long>(missing.size()), total, where.c_str(), names.c_str());
  }
  if (notListed > 0) {
    warnInFile(d, tileXml.c_str(),
               "%lld more tiles, past the tour's first %lld, were not looked for", notListed,
               kMaxListedTiles);
  }
}

// "../west/west.lst" beside a missing "../west/west.xml".
bool scriptBeside(const NeededFiles& files, const NeededFile& file, std::string* script) {
  size_t dot = file.path.rfind('.');
  if (dot == std::string::npos || file.path.find('/', dot) != std::string::npos) return false;
  NeededFile lst = file;
  lst.path = file.path.substr(0, dot) + ".lst";
  *script = lst.path;
  return isRegularFile(diskPathOf(files, lst).c_str());
}

void reportFile(ScriptDiagnostics* d, const NeededFiles& files, const NeededFile& file) {
  long long line = lineOf(*d, file);
  if (file.root == FileRoot::kSiteRoot) {
    warn(d, 0, "site file \"/%s\" is missing under the site root %s", file.path.c_str(),
         consolePath(files.siteRoot).c_str());
    return;
  }
  std::string script;
  if (file.kind == NeededKind::kOutLinkTour && scriptBeside(files, file, &script)) {
    warn(d, line, "%s \"%s\" is missing: not converted yet (%s is there)", kindWord(file.kind),
         file.path.c_str(), script.c_str());
    return;
  }
  warn(d, line, "%s \"%s\" is missing", kindWord(file.kind), file.path.c_str());
}

void checkNeededFiles(const void* context, ScriptDiagnostics* d, const Tour& tour) {
  const NeededFilesCheck& check = *static_cast<const NeededFilesCheck*>(context);
  std::string siteRoot = check.siteRoot;
  if (!siteRoot.empty() && !isDirectory(siteRoot.c_str())) {
    warn(d, 0, "the site root %s is not a folder: the site's files were not looked for",
         consolePath(siteRoot).c_str());
    siteRoot.clear();
  }
  reportNeededFiles(d, tour, listNeededFiles(tour, check.directory, siteRoot), check.directory);
  if (check.siteRoot.empty()) {
    noteOnScript(d, "the site's files (the viewer script, its include files, the style images "
                    "and the video plugin) were not looked for: no folder above the tour holds "
                    "VR/xsl3v/; name the site's root folder with --site DIR");
  }
}

}  // namespace

void reportNeededFiles(ScriptDiagnostics* d, const Tour& tour, const NeededFiles& files,
                       const std::string& directory) {
  struct Finding {
    long long line;
    const NeededFile* file;  // nullptr: the scene's tiles, after its header line's findings
  };
  int scenes = boundedCount(tour.sceneCount, kMaxScenes);
  for (int s = 0; s < scenes; ++s) {
    std::vector<Finding> findings;
    for (const NeededFile& file : files.files) {
      if (file.scene == s && !file.exists && file.kind != NeededKind::kTile) {
        findings.push_back({lineOf(*d, file), &file});
      }
    }
    // In line order, the tiles line after the scene's own line.
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    long long header = d->scenes[s].headerLine;
    size_t i = 0;
    for (; i < findings.size() && findings[i].line <= header; ++i) {
      reportFile(d, files, *findings[i].file);
    }
    if (tour.scenes[s].name[0] != '\0') reportTiles(d, tour, files, s, directory);
    for (; i < findings.size(); ++i) reportFile(d, files, *findings[i].file);
  }
  if (files.siteRoot.empty()) return;
  for (const NeededFile& file : files.files) {
    if (file.scene < 0 && !file.exists) reportFile(d, files, file);
  }
}

TourCheck neededFilesCheck(const NeededFilesCheck* context) {
  return TourCheck{checkNeededFiles, context};
}

}  // namespace tourwright
