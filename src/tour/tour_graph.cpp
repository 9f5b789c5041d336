#include "tour/tour_graph.h"

#include <cstring>

#include "encoding/transcoder.h"
#include "script/scene_names.h"
#include "tour/emitter.h"
#include "tour/model_bounds.h"

namespace tourwright {

namespace {

constexpr int kMaxLinks = kMaxScenes * kMaxItemsPerList;

// A quoted DOT label under construction. Model fields hold at most 512
// bytes, so a label of three of them fits many times over; a piece that
// would not fit is left out whole, never cut inside an escape.
struct Label {
  char text[1 << 14];
  size_t used;
};

void startLabel(Label* label) {
  label->used = 0;
  label->text[0] = '\0';
}

void appendBytes(Label* label, const char* bytes, size_t length) {
  if (length >= sizeof label->text - label->used) return;
  std::memcpy(label->text + label->used, bytes, length);
  label->used += length;
  label->text[label->used] = '\0';
}

void appendAscii(Label* label, const char* text) { appendBytes(label, text, std::strlen(text)); }

// A model text as the tour XML shows it (UTF-8, references turned into
// their characters), escaped for a quoted DOT string.
void appendText(Label* label, const char* text, size_t capacity) {
  static char utf8[3 * kShortTextLimit + 1];
  size_t length = transcodeShortText(text, capacity, utf8);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      const char pair[2] = {'\\', utf8[i]};
      appendBytes(label, pair, 2);
    } else if (c < 0x20 || c == 0x7F) {
      appendAscii(label, "\xEF\xBF\xBD");
    } else {
      appendBytes(label, utf8 + i, 1);
    }
  }
}

template <size_t N>
void appendField(Label* label, const char (&field)[N]) {
  appendText(label, field, N);
}

// Out link targets, video names and cross link targets are fields of
// kText128 bytes.
struct OtherTour {
  bool video;  // a video tour: "video/<name>.xml"
  const char* name;
};

struct Graph {
  const Tour* tour;
  int start;  // the first scene with a scene element, -1 when none has one
  bool sceneReached[kMaxScenes];
  bool galleryReached[kMaxScenes][kMaxItemsPerList];
  const char* broken[kMaxLinks];
  int brokenCount;
  OtherTour tours[2 * kMaxLinks];
  int tourCount;
};

bool named(const Scene& scene) { return scene.name[0] != '\0'; }

int crossLinkCount(const Scene& scene) {
  return named(scene) ? boundedCount(scene.crossLinkCount, kMaxItemsPerList) : 0;
}

// Marks a target reached; true when it was not before.
bool reach(Graph* graph, const SceneTarget& target) {
  bool* reached = target.kind == SceneTarget::kScene
                      ? &graph->sceneReached[target.scene]
                      : &graph->galleryReached[target.scene][target.gallery];
  if (target.kind == SceneTarget::kNothing || *reached) return false;
  *reached = true;
  return true;
}

// From the first scene through cross links and gallery entrances; a
// gallery scene's buttons lead back to its scene by name.
void findReached(Graph* graph) {
  const Tour& tour = *graph->tour;
  if (graph->start < 0) return;
  graph->sceneReached[graph->start] = true;
  for (bool grew = true; grew;) {
    grew = false;
    for (int s = 0; s < sceneCountOf(tour); ++s) {
      const Scene& scene = tour.scenes[s];
      if (!named(scene)) continue;
      int galleries = boundedCount(scene.galleryCount, kMaxItemsPerList);
      if (graph->sceneReached[s]) {
        for (int i = 0; i < crossLinkCount(scene); ++i) {
          grew |= reach(graph, findSceneTarget(tour, scene.crossLinks[i].target));
        }
        for (int g = 0; g < galleries; ++g) {
          grew |= reach(graph, SceneTarget{SceneTarget::kGallery, s, g});
        }
      }
      for (int g = 0; g < galleries; ++g) {
        if (graph->galleryReached[s][g]) grew |= reach(graph, findSceneTarget(tour, scene.name));
      }
    }
  }
}

int brokenNode(Graph* graph, const char* target) {
  for (int i = 0; i < graph->brokenCount; ++i) {
    if (std::strcmp(graph->broken[i], target) == 0) return i + 1;
  }
  graph->broken[graph->brokenCount++] = target;
  return graph->brokenCount;
}

int tourNode(Graph* graph, bool video, const char* name) {
  for (int i = 0; i < graph->tourCount; ++i) {
    const OtherTour& other = graph->tours[i];
    if (other.video == video && std::strcmp(other.name, name) == 0) return i + 1;
  }
  graph->tours[graph->tourCount++] = OtherTour{video, name};
  return graph->tourCount;
}

void writeSceneNodes(const Graph& graph, FILE* out, Label* label) {
  const Tour& tour = *graph.tour;
  for (int s = 0; s < sceneCountOf(tour); ++s) {
    const Scene& scene = tour.scenes[s];
    startLabel(label);
    if (named(scene)) {
      appendField(label, scene.name);
      if (scene.title[0] != '\0') appendAscii(label, "\\n");
      appendField(label, scene.title);
    } else {
      char text[64];
      std::snprintf(text, sizeof text, "scene %d\\n(no header line: no scene element)", s + 1);
      appendAscii(label, text);
    }
    bool reached = graph.sceneReached[s];
    emitRow(out, 1, 0, "s%d [label=\"%s\"%s%s];", s + 1, label->text,
            s == graph.start ? ", peripheries=2, style=\"rounded,bold\"" : "",
            reached ? "" : ", style=\"rounded,dashed\", color=grey50, fontcolor=grey50");
    for (int g = 0; g < boundedCount(scene.galleryCount, kMaxItemsPerList); ++g) {
      const Gallery& gallery = scene.galleries[g];
      int objects = gallery.objectCount > 0 ? gallery.objectCount : 0;
      char text[64];
      std::snprintf(text, sizeof text, "Gallery-%d-%d\\n", s + 1, g + 1);
      startLabel(label);
      appendAscii(label, text);
      appendField(label, gallery.caption);
      std::snprintf(text, sizeof text, "\\n%d object%s", objects, objects == 1 ? "" : "s");
      appendAscii(label, text);
      emitRow(out, 1, 0, "g%d_%d [label=\"%s\", shape=folder%s];", s + 1, g + 1, label->text,
              graph.galleryReached[s][g] ? "" : ", style=dashed, color=grey50, fontcolor=grey50");
    }
  }
}

void writeTargetNode(FILE* out, const SceneTarget& target) {
  if (target.kind == SceneTarget::kScene) std::fprintf(out, "s%d", target.scene + 1);
  if (target.kind == SceneTarget::kGallery) {
    std::fprintf(out, "g%d_%d", target.scene + 1, target.gallery + 1);
  }
}

void writeEdges(Graph* graph, FILE* out, Label* label) {
  const Tour& tour = *graph->tour;
  for (int s = 0; s < sceneCountOf(tour); ++s) {
    const Scene& scene = tour.scenes[s];
    for (int i = 0; i < crossLinkCount(scene); ++i) {
      const CrossLink& link = scene.crossLinks[i];
      startLabel(label);
      appendField(label, link.caption);
      SceneTarget target = findSceneTarget(tour, link.target);
      if (target.kind == SceneTarget::kNothing) {
        emitRow(out, 1, 0, "s%d -> x%d [label=\"%s\", color=red, fontcolor=red, style=dashed];",
                s + 1, brokenNode(graph, link.target), label->text);
        continue;
      }
      emitLineStart(out, 1, "s%d -> ", s + 1);
      writeTargetNode(out, target);
      emitLineEnd(out, 0, " [label=\"%s\"];", label->text);
    }
    for (int g = 0; g < boundedCount(scene.galleryCount, kMaxItemsPerList); ++g) {
      emitRow(out, 1, 0, "s%d -> g%d_%d [style=bold, color=blue];", s + 1, s + 1, g + 1);
    }
    if (!named(scene)) continue;  // no scene element: no hotspots
    for (int i = 0; i < boundedCount(scene.outLinkCount, kMaxItemsPerList); ++i) {
      const OutLink& link = scene.outLinks[i];
      startLabel(label);
      appendField(label, link.caption);
      emitRow(out, 1, 0, "s%d -> t%d [label=\"%s\", color=darkgreen];", s + 1,
              tourNode(graph, false, link.target), label->text);
    }
    for (int i = 0; i < boundedCount(scene.videoCount, kMaxItemsPerList); ++i) {
      const VideoLink& video = scene.videos[i];
      if (video.kind == 1) continue;  // played in the scene, not a tour
      startLabel(label);
      appendField(label, video.caption);
      emitRow(out, 1, 0, "s%d -> t%d [label=\"%s\", color=darkgreen];", s + 1,
              tourNode(graph, true, video.video), label->text);
    }
  }
}

void writeOtherNodes(const Graph& graph, FILE* out, Label* label) {
  for (int i = 0; i < graph.tourCount; ++i) {
    startLabel(label);
    if (graph.tours[i].video) appendAscii(label, "video/");
    appendText(label, graph.tours[i].name, kText128);
    if (graph.tours[i].video) appendAscii(label, ".xml");
    emitRow(out, 1, 0, "t%d [label=\"%s\", shape=note];", i + 1, label->text);
  }
  for (int i = 0; i < graph.brokenCount; ++i) {
    startLabel(label);
    appendText(label, graph.broken[i], kText128);
    emitRow(out, 1, 0, "x%d [label=\"%s\", color=red, fontcolor=red, style=dashed];", i + 1,
            label->text);
  }
}

void writeLegend(const Graph& graph, FILE* out) {
  bool unreached = false;
  const Tour& tour = *graph.tour;
  for (int s = 0; s < sceneCountOf(tour); ++s) {
    if (!graph.sceneReached[s]) unreached = true;
    for (int g = 0; g < boundedCount(tour.scenes[s].galleryCount, kMaxItemsPerList); ++g) {
      if (!graph.galleryReached[s][g]) unreached = true;
    }
  }
  emitLineStart(out, 1, "label=\"");
  if (graph.start >= 0) std::fputs("Double border: the first scene, where the tour starts\\l", out);
  if (unreached) {
    std::fputs("Grey, dashed: unreachable from the first scene through cross links and "
               "galleries\\l", out);
  }
  if (graph.brokenCount > 0) {
    std::fputs("Red, dashed: a cross link target that names no scene of the tour\\l", out);
  }
  emitLineEnd(out, 0, "\";");
}

}  // namespace

void writeTourGraph(const Tour* tour, FILE* out) {
  // One graph at a time: the tables live in static storage, off the stack.
  static Graph graph;
  static Label label;
  std::memset(&graph, 0, sizeof graph);
  graph.tour = tour;
  graph.start = -1;
  for (int s = 0; s < sceneCountOf(*tour) && graph.start < 0; ++s) {
    if (named(tour->scenes[s])) graph.start = s;
  }
  findReached(&graph);

  emitRow(out, 0, 0, "digraph tour {");
  emitRow(out, 1, 0, "graph [rankdir=LR, labelloc=b, labeljust=l, fontname=\"sans-serif\"];");
  emitRow(out, 1, 0, "node [shape=box, style=rounded, fontname=\"sans-serif\"];");
  emitRow(out, 1, 0, "edge [fontname=\"sans-serif\", fontsize=10];");
  writeSceneNodes(graph, out, &label);
  writeEdges(&graph, out, &label);
  writeOtherNodes(graph, out, &label);
  writeLegend(graph, out);
  emitRow(out, 0, 0, "}");
}

}  // namespace tourwright
