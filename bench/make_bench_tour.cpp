// Writes the maximal tour that bench/whole_run.sh converts: a scene script
// in the Korean code page with 12 scenes, 30 items in every list of every
// scene (cross links, out links, still images, videos, galleries,
// references), 100 gallery objects, and one tile XML per scene whose image
// block holds about the given number of MiB in lines of ordinary length,
// in two image elements (one per device class) as tiling tools write them.
//
//   make_bench_tour <folder> [image MiB per tile XML, default 4]
//
// Writes <folder>/maxtour.lst and <folder>/scene01.xml .. scene12.xml and
// prints their paths, one a line (the inputs that the cat floor reads).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_text.h"

namespace tourwright {
namespace bench {
namespace {

constexpr int kScenes = 12;
constexpr int kItems = 30;
constexpr int kGalleryObjects = 100;

std::string caption(Random* random) {
  for (;;) {
    std::string text;
    appendCaption(&text, 12 + static_cast<int>(randomBelow(random, 24)), 24, random);
    if (text.size() <= 120) return text;
  }
}

bool writeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string sceneName(int scene) {
  char name[16];
  std::snprintf(name, sizeof name, "scene%02d", scene);
  return name;
}

std::string makeScript() {
  Random random;
  std::string s = "// Benchmark tour: every list at its capacity\n";
  char line[256];
  int objects = 0;
  for (int scene = 1; scene <= kScenes; ++scene) {
    s += "#SCENE\n";
    std::snprintf(line, sizeof line, "%s %d %d $", sceneName(scene).c_str(),
                  static_cast<int>(randomBelow(&random, 360)), -10);
    s += line + caption(&random) + " U+AC00\n";
    s += "#CROSSLINK\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "%s %d %d arrow %d $",
                    sceneName(1 + (scene + i) % kScenes).c_str(), i * 11, -5, i * 7);
      s += line + caption(&random) + "\n";
    }
    s += "#OUTLINK\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "../wing%02d/wing%02d.xml %d 0 door 90 $", i, i, i * 12);
      s += line + caption(&random) + "\n";
    }
    s += "#STILL\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "photo%02d_%02d %d 10 0.5 1 0 %d 0 $", scene, i, i * 12,
                    i);
      s += line + caption(&random) + "\n";
    }
    s += "#VIDEO\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "video%02d_%02d %d 0 %d $", scene, i, i * 12, 1 + i % 2);
      s += line + caption(&random) + "\n";
    }
    s += "#GALLERY\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "*gallery%02d_%02d %d 0 $", scene, i, i * 12);
      s += line + caption(&random) + "\n";
      // The tour's 100 objects go to the first galleries, four each (a
      // few without an explanation page).
      for (int k = 0; k < 4 && objects < kGalleryObjects; ++k, ++objects) {
        if (objects % 5 == 4) {
          std::snprintf(line, sizeof line, "object%03d %d 0.8 $", objects + 1, 1 + k % 2);
        } else {
          std::snprintf(line, sizeof line, "object%03d %d 0.8 texts/object%03d.htm $",
                        objects + 1, 1 + k % 2, objects + 1);
        }
        s += line + caption(&random) + "\n";
      }
    }
    s += "#REFERENCE\n";
    for (int i = 1; i <= kItems; ++i) {
      std::snprintf(line, sizeof line, "texts/ref%02d_%02d.htm %d 5 icons/book.png 1.5 $", scene,
                    i, i * 12);
      s += line + caption(&random) + "\n";
    }
  }
  return s;
}

// A tile XML as the tiling tool writes it: a preview, then an image block of
// cube levels, one short line per tile row.
std::string makeTileXml(int scene, size_t imageBytes) {
  std::string name = sceneName(scene);
  std::string s = "<krpano>\n";
  s += "\t<preview url=\"" + name + ".tiles/preview.jpg\" />\n";
  s += "\t<image type=\"CUBE\" multires=\"true\" tilesize=\"512\" if=\"!webvr.isenabled\">\n";
  size_t start = s.size();
  char line[256];
  for (int level = 1; s.size() - start < imageBytes; ++level) {
    int size = 512 * level;
    std::snprintf(line, sizeof line,
                  "\t\t<level tiledimagewidth=\"%d\" tiledimageheight=\"%d\">\n", size, size);
    s += line;
    for (int row = 0; row < 8 && s.size() - start < imageBytes; ++row) {
      std::snprintf(line, sizeof line,
                    "\t\t\t<cube url=\"%s.tiles/%%s/l%d/%d/l%d_%%s_%d_%%h.jpg\" />\n",
                    name.c_str(), level, row, level, row);
      s += line;
    }
    s += "\t\t</level>\n";
  }
  s += "\t</image>\n";
  s += "\t<image type=\"CUBE\" if=\"webvr.isenabled\">\n";
  s += "\t\t<cube url=\"" + name + ".tiles/mobile_%s.jpg\" />\n";
  s += "\t</image>\n";
  s += "</krpano>\n";
  return s;
}

}  // namespace
}  // namespace bench
}  // namespace tourwright

int main(int argc, char** argv) {
  using namespace tourwright::bench;
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_bench_tour <folder> [image MiB per tile XML]\n");
    return 2;
  }
  std::string folder = argv[1];
  double mebibytes = argc == 3 ? std::atof(argv[2]) : 4.0;
  if (!(mebibytes >= 0 && mebibytes <= 1024)) {
    std::fprintf(stderr, "make_bench_tour: image size must be 0..1024 MiB\n");
    return 2;
  }
  std::string script = folder + "/maxtour.lst";
  if (!writeFile(script, makeScript())) {
    std::fprintf(stderr, "make_bench_tour: cannot write %s\n", script.c_str());
    return 1;
  }
  std::printf("%s\n", script.c_str());
  for (int scene = 1; scene <= kScenes; ++scene) {
    std::string path = folder + "/" + sceneName(scene) + ".xml";
    if (!writeFile(path, makeTileXml(scene, static_cast<size_t>(mebibytes * (1 << 20))))) {
      std::fprintf(stderr, "make_bench_tour: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
