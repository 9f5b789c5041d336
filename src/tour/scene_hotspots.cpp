// The hotspots of one panorama scene, one table of rows per kind of item.
//
// Points that look like slips but are what the viewer's include files and
// the existing tours rely on: the looktohotspot argument of links joins the
// numbers with underscores while the hotspot's own name uses hyphens; link
// items end without a blank line, all other items with one; the hover line
// of links and references has no space before "/>", the others have one.
#include "tour/scene_hotspots.h"

#include <cstring>

#include "tour/emitter.h"
#include "tour/model_bounds.h"

namespace tourwright {

namespace {

// A look direction of 360 means "none": the onclick line then ends right
// after the load call and its space.
void finishLinkOnclick(FILE* out, int lookat) {
  if (lookat != kNoLookat) {
    emitLineEnd(out, 0, "lookat(%d, 0);\"", lookat);
  } else {
    emitLineEnd(out, 0, "\"");
  }
}

void writeCrossLink(FILE* out, int s, int n, const CrossLink& link) {
  emitRow(out, 2, 0, "<hotspot name=\"CrossLink-%d-%d\" style=\"%s\"", s, n, link.style);
  emitRow(out, 3, 0, "ath=\"%d\"", link.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", link.atv);
  emitLineStart(out, 3, "onclick=\"looktohotspot(CrossLink_%d_%d); loadscene(%s); ", s, n,
                link.target);
  finishLinkOnclick(out, link.lookat);
  emitRow(out, 3, 0, "onhover=\"showtext('%s', hoverstyle);\"/>", link.caption);
}

void writeOutLink(FILE* out, int s, int n, const OutLink& link) {
  emitRow(out, 2, 0, "<hotspot name=\"OutLink-%d-%d\" style=\"%s\"", s, n, link.style);
  emitRow(out, 3, 0, "ath=\"%d\"", link.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", link.atv);
  emitLineStart(out, 3,
                "onclick=\"looktohotspot(OutLink_%d_%d); loadpano(%s, null, MERGE, BLEND(0.5)); ",
                s, n, link.target);
  finishLinkOnclick(out, link.lookat);
  emitRow(out, 3, 0, "onhover=\"showtext('%s', hoverstyle);\"/>", link.caption);
}

// 0 gives "false"; any other value, not only 1, gives "true".
const char* distortedText(int distorted) { return distorted == 0 ? "false" : "true"; }

void writeStillImage(FILE* out, int s, int n, const StillImage& still) {
  emitRow(out, 2, 0, "<hotspot name=\"StillImage-%d-%d\" style=\"flyoutimage\"", s, n);
  emitRow(out, 3, 0, "url=\"photo/%s.jpg\"", still.photo);
  emitRow(out, 3, 0, "zorder=\"2\"");
  emitRow(out, 3, 0, "distorted=\"%s\"", distortedText(still.distorted));
  emitRow(out, 3, 0, "ath=\"%d\"", still.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", still.atv);
  emitRow(out, 3, 0, "scale=\"%g\"", static_cast<double>(still.scale));
  emitRow(out, 3, 0, "rx=\"%d\"", still.rx);
  emitRow(out, 3, 0, "ry=\"%d\"", still.ry);
  emitRow(out, 3, 0, "rz=\"%d\"", still.rz);
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", still.caption);
}

const Row kVideoPlayerFixedRows[] = {
    {3, "pausedonstart=\"true\"", 0},
    {3, "volume=\"1.0\"", 0},
    {3, "buffertime=\"0.1\"", 0},
    {3, "updateeveryframe=\"false\"", 0},
    {3, "onclick=\"togglepause();\"", 0},
};

// Kind 1: a player placed in the scene, tilted by atv and turned by ath.
void writeVideoPlayer(FILE* out, int s, int n, const VideoLink& video) {
  emitRow(out, 2, 0, "<hotspot name=\"Video-%d-%d\"", s, n);
  emitRow(out, 3, 0, "url=\"%%SWFPATH%%/plugins/videoplayer.swf\"");
  emitRow(out, 3, 0, "alturl=\"%%SWFPATH%%/plugins/videoplayer.js\"");
  emitRow(out, 3, 0, "videourl=\"%%CURRENTXML%%/video/%s.mp4\"", video.video);
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "ath=\"%d\"", video.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", video.atv);
  emitRow(out, 3, 0, "scale=\"0.5\"");
  emitRow(out, 3, 0, "distorted=\"true\"");
  emitRow(out, 3, 0, "rx=\"%d\"", video.atv);
  emitRow(out, 3, 0, "ry=\"%d\"", videoTurn(video.ath));
  emitRow(out, 3, 0, "rz=\"0\"");
  emitRows(out, kVideoPlayerFixedRows);
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", video.caption);
}

// Every other kind: a button that opens the video tour and tells it the way
// home (this tour's XML and the scene's plain name). Kind 2 shows the small
// image, kind 3 the wide one, any other kind no image line at all.
void writeVideoButton(FILE* out, int s, int n, const VideoLink& video, const char* baseName,
                      const char* sceneName) {
  emitRow(out, 2, 0, "<hotspot name=\"Video-%d-%d\"", s, n);
  emitRow(out, 3, 0, "type=\"image\"");
  if (video.kind == 2) emitRow(out, 3, 0, "url=\"/VR/style/video60.png\"");
  if (video.kind == 3) emitRow(out, 3, 0, "url=\"/VR/style/video360x60.png\"");
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "ath=\"%d\"", video.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", video.atv);
  emitRow(out, 3, 0, "scale=\"1\"");
  emitRow(out, 3, 0,
          "onclick=\"setcaption('%s');loadpano( %%CURRENTXML%%/video/%s.xml, "
          "homepano=%%CURRENTXML%%/../%s.xml&amp;homescene=%s, MERGE, BLEND(0.5));\"",
          video.caption, video.video, baseName, sceneName);
  emitRow(out, 3, 0, "ondown=\"draghotspot();\"");
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", video.caption);
}

void writeGalleryEntrance(FILE* out, int s, int g, const Gallery& gallery) {
  emitRow(out, 2, 0, "<hotspot name=\"GalleryEntrance-%d-%d\" style=\"flyoutimage\"", s, g);
  emitRow(out, 3, 0, "type=\"image\"");
  emitRow(out, 3, 0, "url=\"/VR/style/gallery60.png\"");
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "ath=\"%d\"", gallery.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", gallery.atv);
  emitRow(out, 3, 0,
          "onclick=\"looktohotspot(GalleryEntrance-%d-%d); loadscene( Gallery-%d-%d );\"", s, g,
          s, g);
  emitRow(out, 3, 0, "ondown=\"draghotspot();\"");
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", gallery.caption);
}

void writeReferenceOnclick(FILE* out, const Reference& reference) {
  switch (chooseReferenceAction(reference)) {
    case ReferenceAction::kOpenUrl:
      emitRow(out, 3, 0, "onclick=\"if(webvr.isenabled,,openurl(%s););\"", reference.target);
      break;
    case ReferenceAction::kReferenceViewer:
      emitRow(out, 3, 0,
              "onclick=\"if(webvr.isenabled,,forma_pct(0.8,0.9, "
              "%s?width=100%%&amp;height=600&amp;url=%s, %s););\"",
              kReferenceViewerUrl, reference.target, reference.caption);
      break;
    case ReferenceAction::kPopUp:
      emitRow(out, 3, 0, "onclick=\"if(webvr.isenabled,,forma_pct(0.8,0.9, %s, %s););\"",
              reference.target, reference.caption);
      break;
  }
}

void writeReference(FILE* out, int s, int n, const Reference& reference) {
  emitRow(out, 2, 0, "<hotspot name=\"Reference-%d-%d\"", s, n);
  emitRow(out, 3, 0, "type=\"image\"");
  emitRow(out, 3, 0, "url=\"%s\"", reference.icon);
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "ath=\"%d\"", reference.ath);
  emitRow(out, 3, 0, "atv=\"%d\"", reference.atv);
  emitRow(out, 3, 0, "scale=\"%g\"", static_cast<double>(reference.scale));
  writeReferenceOnclick(out, reference);
  emitRow(out, 3, 0, "ondown=\"draghotspot();\"");
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\"/>", reference.caption);
}

// The group comment lines; each group ends with one empty line.
void beginGroup(FILE* out, const char* comment) { emitRow(out, 2, 1, "%s", comment); }
void endGroup(FILE* out) { emitRow(out, 0, 0, "%s", ""); }

}  // namespace

int videoTurn(int ath) {
  int r = ath % 90;  // truncating: r has the sign of ath
  return r > 45 ? 90 - r : -r;
}

ReferenceAction chooseReferenceAction(const Reference& reference) {
  char capitals[kText256];
  size_t i = 0;
  for (; i + 1 < sizeof capitals && reference.target[i] != '\0'; ++i) {
    char c = reference.target[i];
    capitals[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  capitals[i] = '\0';
  if (std::strstr(capitals, ".KML") != nullptr) return ReferenceAction::kOpenUrl;
  if (std::strstr(reference.icon, "network") != nullptr) return ReferenceAction::kReferenceViewer;
  return ReferenceAction::kPopUp;
}

void writeSceneHotspots(const Tour* tour, int sceneIndex, const char* baseName, FILE* out) {
  const Scene& scene = tour->scenes[sceneIndex];
  const int s = sceneIndex + 1;

  beginGroup(out, "<!-- Hotspots for Cross Link -->");
  for (int i = 0; i < boundedCount(scene.crossLinkCount, kMaxItemsPerList); ++i) {
    writeCrossLink(out, s, i + 1, scene.crossLinks[i]);
  }
  endGroup(out);

  beginGroup(out, "<!-- Hotspots for Out Link -->");
  for (int i = 0; i < boundedCount(scene.outLinkCount, kMaxItemsPerList); ++i) {
    writeOutLink(out, s, i + 1, scene.outLinks[i]);
  }
  endGroup(out);

  beginGroup(out, "<!-- Hotspots for Still Images -->");
  for (int i = 0; i < boundedCount(scene.stillCount, kMaxItemsPerList); ++i) {
    writeStillImage(out, s, i + 1, scene.stills[i]);
  }
  endGroup(out);

  beginGroup(out, "<!-- Hotspots for Video Links -->");
  for (int i = 0; i < boundedCount(scene.videoCount, kMaxItemsPerList); ++i) {
    const VideoLink& video = scene.videos[i];
    if (video.kind == 1) {
      writeVideoPlayer(out, s, i + 1, video);
    } else {
      writeVideoButton(out, s, i + 1, video, baseName, scene.name);
    }
  }
  endGroup(out);

  beginGroup(out, "<!-- Hotspots for Galleries -->");
  for (int i = 0; i < boundedCount(scene.galleryCount, kMaxItemsPerList); ++i) {
    writeGalleryEntrance(out, s, i + 1, scene.galleries[i]);
  }
  endGroup(out);

  beginGroup(out, "<!-- Hotspots for External References -->");
  for (int i = 0; i < boundedCount(scene.referenceCount, kMaxItemsPerList); ++i) {
    writeReference(out, s, i + 1, scene.references[i]);
  }
  endGroup(out);
}

}  // namespace tourwright
