#include "driver/options.h"

#include <cstring>

#ifndef TOURWRIGHT_VERSION
#error "the build defines TOURWRIGHT_VERSION (the project's version in CMakeLists.txt)"
#endif

namespace tourwright {

namespace {

struct ModeOption {
  const char* name;
  Mode mode;
};

const ModeOption kOptions[] = {
    {"--check", Mode::kCheck}, {"--graph", Mode::kGraph},     {"--preview", Mode::kPreview},
    {"--help", Mode::kHelp},   {"-h", Mode::kHelp},           {"--version", Mode::kVersion},
};

bool isOption(const char* argument) {
  return std::strncmp(argument, "--", 2) == 0 || std::strcmp(argument, "-h") == 0;
}

CommandLine misused(std::string problem) { return CommandLine{Mode::kMisused, "", problem, "", ""}; }

#if defined(__clang__)
#define TW_COMPILER "clang " __clang_version__
#elif defined(__GNUC__)
#define TW_COMPILER "GCC " __VERSION__
#elif defined(_MSC_VER)
#define TW_COMPILER "MSVC"
#else
#define TW_COMPILER "an unknown compiler"
#endif

#if defined(__x86_64__) || defined(_M_X64)
#define TW_MACHINE "x86-64"
#elif defined(__i386__) || defined(_M_IX86)
#define TW_MACHINE "x86 (32-bit)"
#elif defined(__aarch64__) || defined(_M_ARM64)
#define TW_MACHINE "ARM64"
#else
#define TW_MACHINE "an unknown machine"
#endif

#if defined(_WIN32)
#define TW_SYSTEM "Windows"
#elif defined(__linux__)
#define TW_SYSTEM "Linux"
#elif defined(__APPLE__)
#define TW_SYSTEM "macOS"
#else
#define TW_SYSTEM "an unknown system"
#endif

const char kUsageForms[] =
    "Usage: tourwright SCRIPT\n"
    "       tourwright --check [--site DIR] SCRIPT\n"
    "       tourwright --graph SCRIPT\n"
    "       tourwright --preview [--port N] [--site DIR] SCRIPT\n"
    "       tourwright --help\n"
    "       tourwright --version\n";

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  Mode mode = Mode::kRun;
  const char* modeName = nullptr;
  const char* port = nullptr;
  const char* site = nullptr;
  int i = 1;
  for (; i < argc && isOption(argv[i]); ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--") == 0) {
      ++i;
      break;
    }
    if (std::strcmp(argument, "--port") == 0) {
      // Its value is checked by the preview, which names a bad one.
      if (port != nullptr) return misused("--port is given twice");
      if (i + 1 >= argc) return misused("--port needs a port number");
      port = argv[++i];
      continue;
    }
    if (std::strcmp(argument, "--site") == 0) {
      if (site != nullptr) return misused("--site is given twice");
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return misused("--site needs a folder");
      site = argv[++i];
      continue;
    }
    const ModeOption* found = nullptr;
    for (const ModeOption& option : kOptions) {
      if (std::strcmp(argument, option.name) == 0) found = &option;
    }
    if (found == nullptr) return misused(std::string("unknown option \"") + argument + "\"");
    if (found->mode == Mode::kHelp || found->mode == Mode::kVersion) {
      return CommandLine{found->mode, "", "", "", ""};
    }
    if (modeName != nullptr && std::strcmp(modeName, argument) != 0) {
      return misused(std::string(modeName) + " and " + argument + " cannot be combined");
    }
    mode = found->mode;
    modeName = found->name;
  }
  if (port != nullptr && mode != Mode::kPreview) return misused("--port goes with --preview");
  if (site != nullptr && mode != Mode::kCheck && mode != Mode::kPreview) {
    return misused("--site goes with --check or --preview");
  }
  CommandLine line = {mode, "", "", port != nullptr ? port : "", site != nullptr ? site : ""};
  for (int first = i; i < argc; ++i) {
    if (i > first) line.script += ' ';
    line.script += argv[i];
  }
  if (mode != Mode::kRun && line.script.empty()) {
    return misused(std::string(modeName) + " needs a scene script");
  }
  return line;
}

void writeHelp(FILE* out) {
  std::fputs(
      "tourwright " TOURWRIGHT_VERSION
      ": converts a scene script (.lst) into a tour XML for the krpano\n"
      "panorama viewer and a viewer page that embeds it.\n\n",
      out);
  std::fputs(kUsageForms, out);
  std::fputs(
      "\n"
      "SCRIPT names the scene script (tours/palace.lst: whatever the extension,\n"
      "<name>.lst is read) or its project folder (tours/palace reads\n"
      "tours/palace/palace.lst). Arguments are joined with single spaces.\n"
      "\n"
      "Options, before the script (\"--\" ends them):\n"
      "  --check     read and check the script and each scene's tile XML, and look\n"
      "              for every file the tour needs (tiles, preview strips,\n"
      "              thumbnails, photos, icons, gallery files, linked tours; the\n"
      "              site's viewer script, include files, style images and video\n"
      "              plugin); write nothing; warnings on standard error\n"
      "  --graph     print the tour as a Graphviz digraph on standard output,\n"
      "              for dot(1); write nothing else\n"
      "  --preview   serve the tour to a browser at http://127.0.0.1:PORT/ until\n"
      "              Ctrl-C: the panoramas, the hotspots and the warnings, shown\n"
      "              afresh when the script or a tile XML changes; write nothing\n"
      "  --port N    with --preview: listen on port N (default: a free port)\n"      "  --site DIR  with --check or --preview: the web site's root folder, which\n"
      "              holds VR/xsl3v/ (default: the first folder above the tour\n"
      "              that holds it; without one the site's files are not looked for);\n"
      "              --preview serves it too, to open the tour in the site's viewer\n"
      "  -h, --help  print this help\n"
      "  --version   print the version and how the program was built\n"
      "\n"
      "Files: a run reads <name>.lst and each scene's tile XML <scene>.xml beside\n"
      "it, and writes the tour XML <name>.xml (UTF-8 with a byte-order mark) and\n"
      "the viewer page <name>.htm there; warnings about the script go to\n"
      "standard error.\n"
      "\n"
      "Exit status: 0 the run completed, --check found nothing, or the preview\n"
      "was ended; 1 the run failed, --check found something, the script cannot\n"
      "be read, or the preview cannot listen on its port; 2 the command line\n"
      "was misused.\n",
      out);
}

void writeVersion(FILE* out) {
  std::fputs("tourwright " TOURWRIGHT_VERSION "\n", out);
  std::fputs("built with " TW_COMPILER " for " TW_MACHINE " " TW_SYSTEM "\n", out);
}

void writeUsage(FILE* out) { std::fputs(kUsageForms, out); }

}  // namespace tourwright
