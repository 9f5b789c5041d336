#include "driver/author_tools.h"

#include <cstdio>

#include "driver/preview_mode.h"
#include "driver/run.h"
#include "platform/files.h"
#include "platform/system_files.h"
#include "script/diagnostics.h"
#include "script/normaliser.h"
#include "script/tour_model.h"
#include "tour/tile_xml.h"
#include "tour/tour_graph.h"

namespace tourwright {

namespace {

// One tool runs per process: the model and the checks' tables live in
// static storage, off the stack.
Tour gTour;
ScriptDiagnostics gDiagnostics;

// The normaliser tells of an ANSI script on the console; a tool shows
// nothing of the kind.
int normaliseQuietly(const char* scriptPath, const char* scratchPath, DecodeReport* report) {
  FILE* previous = consoleOut() == stdout ? nullptr : consoleOut();
  FILE* sink = openNullSink();
  if (sink != nullptr) setConsoleOut(sink);
  int encoding = normaliseScriptEncoding(scriptPath, scratchPath, report);
  setConsoleOut(previous);
  if (sink != nullptr) std::fclose(sink);
  return encoding;
}

// Parses the script into gTour with its warnings on `out`; false, after
// the usual line there, when it cannot be found or read through.
bool readScriptAside(const RunPaths& paths, SceneCheck sceneCheck, FILE* out) {
  static std::string shownLst;  // the checks name it until they end
  shownLst = consolePath(paths.lstPath);
  startDiagnostics(&gDiagnostics, shownLst.c_str(), out);
  gDiagnostics.sceneCheck = sceneCheck;
  std::string scratchPath = createTemporaryFile();
  if (scratchPath.empty()) {
    std::fprintf(out, "Scratch File Creation Error: %d\n", kScratchNotCreated);
    return false;
  }
  DecodeReport decodeReport = decodeReportFor(&gDiagnostics);
  int encoding = normaliseQuietly(paths.lstPath.c_str(), scratchPath.c_str(), &decodeReport);
  FILE* script = nullptr;
  if (encoding >= 0) {
    script = openForReading(encoding == kEncodingAnsi ? paths.lstPath.c_str()
                                                      : scratchPath.c_str());
  }
  bool readWhole = false;
  if (script != nullptr) {
    readWhole = parseScriptWithDiagnostics(script, &gTour, encoding, &gDiagnostics);
    std::fclose(script);
  }
  removeFile(scratchPath.c_str());
  if (readWhole) return true;
  if (encoding == kScratchNotCreated) {
    std::fprintf(out, "Scratch File Creation Error: %d\n", encoding);
  } else if (encoding == kScriptUnreadable || script != nullptr) {
    // A script read only in part is no shorter script: as a run, stop.
    std::fprintf(out, "Lst File \"%s\" Read Error!\n", shownLst.c_str());
  } else {
    std::fprintf(out, "Lst File \"%s\" Not Found!\n", shownLst.c_str());
  }
  return false;
}

// What a run finds only when it writes: the tile XML of each named scene.
void checkTileXml(void* context, ScriptDiagnostics* d, const Tour& tour, int scene,
                  long long headerLine) {
  const char* directory = static_cast<const char*>(context);
  const char* name = tour.scenes[scene].name;
  std::string path = tileXmlPath(directory, name);
  const char* problem = nullptr;
  switch (inspectTileXml(path.c_str())) {
    case TileXmlState::kUsable:
      return;
    case TileXmlState::kMissing:
      problem = "is missing";
      break;
    case TileXmlState::kUnreadable:
      problem = "cannot be read";
      break;
    case TileXmlState::kFolder:
      problem = "is a folder";
      break;
    case TileXmlState::kNoImageBlock:
      warn(d, headerLine,
           "tile XML \"%s\" of scene \"%s\" holds no <image block: the scene gets an empty one",
           path.c_str(), name);
      return;
  }
  warn(d, headerLine, "tile XML \"%s\" of scene \"%s\" %s: a run stops there", path.c_str(), name,
       problem);
}

}  // namespace

int runCheck(const std::string& argument) {
  RunPaths paths = derivePaths(argument);
  SceneCheck tiles = {checkTileXml, paths.directory.data()};
  if (!readScriptAside(paths, tiles, stderr)) return kExitFailed;
  return gDiagnostics.warningCount == 0 ? kExitCompleted : kExitFailed;
}

const Tour* readScriptAsChecked(const RunPaths& paths, FILE* out) {
  SceneCheck tiles = {checkTileXml, const_cast<char*>(paths.directory.c_str())};
  return readScriptAside(paths, tiles, out) ? &gTour : nullptr;
}

int runGraph(const std::string& argument) {
  RunPaths paths = derivePaths(argument);
  if (!readScriptAside(paths, SceneCheck{nullptr, nullptr}, stderr)) return kExitFailed;
  writeTourGraph(&gTour, stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "Graph Write Error: standard output\n");
    return kExitFailed;
  }
  return kExitCompleted;
}

int runOtherMode(const CommandLine& commandLine) {
  switch (commandLine.mode) {
    case Mode::kCheck:
      return runCheck(commandLine.script);
    case Mode::kGraph:
      return runGraph(commandLine.script);
    case Mode::kPreview:
      return runPreview(commandLine.script, commandLine.port);
    case Mode::kHelp:
      writeHelp(stdout);
      return kExitCompleted;
    case Mode::kVersion:
      writeVersion(stdout);
      return kExitCompleted;
    case Mode::kRun:
    case Mode::kMisused:
      break;
  }
  std::fprintf(stderr, "tourwright: %s\n", commandLine.problem.c_str());
  writeUsage(stderr);
  return kExitUsage;
}

}  // namespace tourwright
