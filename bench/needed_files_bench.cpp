// The files --check looks for: a tour of 12 scenes, each a multi-resolution
// cube of three levels (1024, 2048 and 2560 pixels a face in 512-pixel
// tiles: 270 tiles a scene), every file there, under a site root that
// holds the site's files. One iteration lists and looks for all 3,259
// files (listNeededFiles), warm: the folder is in the page cache after the
// first. Reports wall-clock and CPU time per check.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "script/tour_model.h"
#include "tour/needed_files.h"

namespace tourwright {
namespace bench {
namespace {

const int kLevels[] = {1024, 2048, 2560};
const char kFaces[] = "lfrbud";

void touch(const std::string& path) {
  if (FILE* file = std::fopen(path.c_str(), "w")) std::fclose(file);
}

struct BenchTour {
  std::string folder;
  std::string site;
  std::unique_ptr<Tour> tour{new Tour};
  size_t files = 0;
};

std::string gMadeFolder;

void removeMadeFolder() {
  if (!gMadeFolder.empty()) std::system(("rm -rf '" + gMadeFolder + "'").c_str());
}

const BenchTour& benchTour() {
  static BenchTour* made = [] {
    BenchTour* t = new BenchTour;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tourwright-bench-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) std::exit(1);
    t->site = pattern;
    gMadeFolder = pattern;
    std::atexit(removeMadeFolder);
    for (const char* folder : {"/VR", "/VR/xsl3v", "/VR/xsl3v/include", "/tours"}) {
      mkdir((t->site + folder).c_str(), 0700);
    }
    for (const char* file : {"krpano.js", "include/link-method.xml", "include/button.xml",
                             "include/caption.xml", "include/flyinghotspotVR.xml",
                             "include/vr.xml", "include/modal_window.xml"}) {
      touch(t->site + "/VR/xsl3v/" + file);
    }
    t->folder = t->site + "/tours";
    clearTour(t->tour.get());
    for (int s = 0; s < kMaxScenes; ++s) {
      std::string name = "scene" + std::to_string(s + 1);
      std::snprintf(t->tour->scenes[s].name, sizeof t->tour->scenes[s].name, "%s", name.c_str());
      std::string tiles = t->folder + "/" + name + ".tiles";
      mkdir(tiles.c_str(), 0700);
      touch(tiles + "/preview.jpg");
      touch(tiles + "/mobile_f.jpg");
      std::string xml = "<krpano>\n\t<image type=\"CUBE\" multires=\"true\" tilesize=\"512\">\n";
      for (size_t l = 0; l < 3; ++l) {
        std::string level = "l" + std::to_string(l + 1);
        xml += "\t\t<level tiledimagewidth=\"" + std::to_string(kLevels[l]) +
               "\" tiledimageheight=\"" + std::to_string(kLevels[l]) + "\">\n\t\t\t<cube url=\"" +
               name + ".tiles/%s/" + level + "/%v/" + level + "_%s_%v_%h.jpg\" />\n\t\t</level>\n";
        int across = (kLevels[l] + 511) / 512;
        for (const char* face = kFaces; *face != '\0'; ++face) {
          std::string faceFolder = tiles + "/" + *face;
          mkdir(faceFolder.c_str(), 0700);
          mkdir((faceFolder + "/" + level).c_str(), 0700);
          for (int v = 1; v <= across; ++v) {
            std::string row = faceFolder + "/" + level + "/" + std::to_string(v);
            mkdir(row.c_str(), 0700);
            for (int h = 1; h <= across; ++h) {
              touch(row + "/" + level + "_" + *face + "_" + std::to_string(v) + "_" +
                    std::to_string(h) + ".jpg");
              ++t->files;
            }
          }
        }
      }
      xml += "\t</image>\n</krpano>\n";
      FILE* tile = std::fopen((t->folder + "/" + name + ".xml").c_str(), "w");
      std::fputs(xml.c_str(), tile);
      std::fclose(tile);
    }
    t->tour->sceneCount = kMaxScenes;
    return t;
  }();
  return *made;
}

void BM_CheckNeededFiles(benchmark::State& state) {
  const BenchTour& t = benchTour();
  size_t listed = 0;
  size_t missing = 0;
  for (auto _ : state) {
    NeededFiles files = listNeededFiles(*t.tour, t.folder, t.site);
    listed = files.files.size();
    missing = 0;
    for (const NeededFile& file : files.files) missing += file.exists ? 0 : 1;
    benchmark::DoNotOptimize(files);
  }
  state.counters["files"] = static_cast<double>(listed);
  state.counters["missing"] = static_cast<double>(missing);
}
BENCHMARK(BM_CheckNeededFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace bench
}  // namespace tourwright

BENCHMARK_MAIN();
