// The files a tour needs on the web server, and whether each is there: the
// one list that --check reports and the preview shows.
//
// The list is made from the tour a run would write, not from a tour XML on
// disk (which may be older): the model, and each scene's image block as the
// run copies it from the scene's tile XML (so a tile XML's own <preview url>,
// which is not copied, is not listed; the tour's "<scene>.tiles/preview.jpg"
// is). Every file the tour XML or the page names is listed once, the first
// time it is named, with the root it lies under:
//
//   the tour folder: the tiles of every image element and level (see
//     tour/image_files.h), each scene's preview strip and thumbnail, the
//     still images' photos, the videos and video tours, the out links'
//     tours, the references' icons and targets, the gallery pictures,
//     videos and explanation pages;
//   the site root (the folder the server serves as "/"): the viewer script
//     the page loads (/VR/xsl3v/krpano.js), the six include files, the style
//     images the tour XML names and the video plugin, where "%SWFPATH%" is
//     the viewer script's folder, /VR/xsl3v.
//
// Absolute URLs (a scheme such as "http:", or "//") are not listed: they
// are not the site's. A query or fragment is no part of a file's name.
// The plain run never looks for these files (a tour may be converted
// before its tiles are made); --check and the preview do.
#ifndef TOURWRIGHT_TOUR_NEEDED_FILES_H_
#define TOURWRIGHT_TOUR_NEEDED_FILES_H_

#include <string>
#include <vector>

#include "script/diagnostics.h"
#include "script/tour_model.h"

namespace tourwright {

enum class NeededKind {
  kTile,
  kPreviewStrip,     // <scene>.tiles/preview.jpg
  kThumbnail,        // <scene>.tiles/mobile_f.jpg
  kPhoto,            // a still image's photo/<name>.jpg
  kVideo,            // an inline video's video/<name>.mp4
  kVideoTour,        // a video button's video/<name>.xml
  kOutLinkTour,      // an out link's target tour
  kIcon,             // a reference's icon
  kReferenceTarget,  // a reference's document or page
  kGalleryPicture,
  kGalleryVideo,
  kExplanation,      // a gallery object's explanation page
  kSiteFile,         // the viewer script, an include, a style image, the video plugin
};

enum class FileRoot { kTourFolder, kSiteRoot };

struct NeededFile {
  NeededKind kind;
  int scene;  // 0-based index of the scene that names it first; -1 for the site's own files
  // Index in the scene's list of its kind (stills, videos, out links,
  // references), the tour-wide object index for the gallery kinds, the
  // index of the file set in the scene's image block for tiles; -1 else.
  int item;
  FileRoot root;
  std::string named;  // as the tour XML or the page names it, UTF-8
  std::string path;   // relative to its root, '/' between names, UTF-8
  bool exists;        // a regular file stands there; false when the root is unknown
};

struct NeededFiles {
  std::string tourFolder;
  std::string siteRoot;  // "" when none is known: the site's files are listed, not looked for
  std::vector<NeededFile> files;
  // Tiles past the limit below, per scene, neither listed nor looked for.
  std::vector<long long> tilesNotListed;
};

// A tour of any image block is listed in bounded memory: tiles past this
// many in the whole tour are counted, not listed.
constexpr long long kMaxListedTiles = 200000;

// The site root: `given` (--site DIR) when it is not empty; else the first
// folder that holds VR/xsl3v/, from the tour folder up to the top of the
// file system; "" when there is none.
std::string findSiteRoot(const std::string& tourFolder, const std::string& given);

// Lists every file the tour needs and looks for each; reads the scenes'
// tile XML files in `tourFolder` (a scene whose tile XML cannot be read
// names no tile). `siteRoot` as findSiteRoot gives it.
NeededFiles listNeededFiles(const Tour& tour, const std::string& tourFolder,
                            const std::string& siteRoot);

// "<folder>/<path>" on disk for a file of the list.
std::string diskPathOf(const NeededFiles& files, const NeededFile& file);

// What a check reports, for ScriptDiagnostics::tourCheck: the missing
// files of `files`, per scene and kind as --check words them. Tiles make
// one line per scene, on the tile XML ("<tile XML>: warning: 3 of 254 tiles
// missing in hall.tiles (l2_f_03_04.jpg, ...)", at most five names); every
// other missing file its own line, at the script line that names it (an
// out link's tour whose script stands beside it "not converted yet"); the
// site's files as findings of the whole script. Without a site root, a
// note (not a finding) says the site's files were not looked for and how
// to name the site. `directory` is the tour folder as the run derives it,
// to name the tile XML files.
void reportNeededFiles(ScriptDiagnostics* d, const Tour& tour, const NeededFiles& files,
                       const std::string& directory);

// The tour check of --check and the preview: lists the files of the tour
// in `*siteRoot`'s context and reports them. Both strings must outlive
// the diagnostics; `siteRoot` is the root found (or "").
struct NeededFilesCheck {
  std::string directory;
  std::string siteRoot;
};
TourCheck neededFilesCheck(const NeededFilesCheck* context);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_NEEDED_FILES_H_
