#include "driver/author_tools.h"

#include <cstdio>

#include "driver/preview_mode.h"
#include "driver/run.h"
#include "platform/files.h"
#include "platform/file_identity.h"
#include "platform/scratch_cleanup.h"
#include "platform/system_files.h"
#include "script/diagnostics.h"
#include "script/normaliser.h"
#include "script/tour_model.h"
#include "tour/tile_xml.h"
#include "tour/needed_files.h"
#include "tour/tile_xml_check.h"
#include "tour/tour_graph.h"

namespace tourwright {

namespace {

// One tool runs per process: the model and the checks' tables live in
// static storage, off the stack.
Tour gTour;
ScriptDiagnostics gDiagnostics;

// The normaliser tells of an ANSI script on the console; a tool shows
// nothing of the kind. A script with a byte-order mark is copied into a
// private temporary file, made only then and read through its descriptor.
int openQuietly(const char* scriptPath, DecodeReport* report, FILE** parsed, FileStamp* opened) {
  FILE* previous = consoleOut() == stdout ? nullptr : consoleOut();
  FILE* sink = openNullSink();
  if (sink != nullptr) setConsoleOut(sink);
  int encoding = openScriptForParsing(scriptPath, nullptr, report, parsed, opened);
  setConsoleOut(previous);
  if (sink != nullptr) std::fclose(sink);
  return encoding;
}

// Parses the script into gTour with its warnings on `out`; false, after
// the usual line there, when it cannot be found or read through.
bool readScriptAside(const RunPaths& paths, SceneCheck sceneCheck, TourCheck tourCheck,
                     FILE* out) {
  static std::string shownLst;  // the checks name it until they end
  shownLst = consolePath(paths.lstPath);
  startDiagnostics(&gDiagnostics, shownLst.c_str(), out);
  gDiagnostics.sceneCheck = sceneCheck;
  gDiagnostics.tourCheck = tourCheck;
  DecodeReport decodeReport = decodeReportFor(&gDiagnostics);
  FILE* script = nullptr;
  FileStamp opened;
  int encoding = openQuietly(paths.lstPath.c_str(), &decodeReport, &script, &opened);
  bool readWhole = false;
  bool changed = encoding == kScriptChanged;
  if (script != nullptr) {
    readWhole = parseScriptWithDiagnostics(script, &gTour, encoding, &gDiagnostics);
    if (encoding == kEncodingAnsi && !sameStamp(stampOf(script), opened)) changed = true;
    std::fclose(script);
  }
  if (readWhole && !changed) return true;
  if (changed) {
    reportScriptChanged(out, paths.lstPath);
  } else if (encoding == kScratchNotCreated) {
    reportScratchNotCreated(out);
  } else if (encoding == kScriptUnreadable || script != nullptr) {
    // A script read only in part is no shorter script: as a run, stop.
    std::fprintf(out, "Lst File \"%s\" Read Error!\n", shownLst.c_str());
  } else {
    std::fprintf(out, "Lst File \"%s\" Not Found!\n", shownLst.c_str());
  }
  return false;
}

// What a run finds only when it writes: the tile XML of each named scene.
void checkTileXml(const void* context, ScriptDiagnostics* d, const Tour& tour, int scene,
                  long long headerLine) {
  const RunPaths& paths = *static_cast<const RunPaths*>(context);
  const char* name = tour.scenes[scene].name;
  std::string path = tileXmlPath(paths.directory.c_str(), name);
  if (const std::string* output = outputOverInput(paths, path.c_str())) {
    warn(d, headerLine, "tile XML \"%s\" of scene \"%s\" is the output \"%s\": a run stops there",
         path.c_str(), name, output->c_str());
    return;
  }
  TileXmlState state = inspectTileXml(path.c_str());
  if (warnOfMissingImageElement(d, headerLine, path.c_str(), name, state)) return;
  const char* problem = nullptr;
  switch (state) {
    case TileXmlState::kMissing:
      problem = "is missing";
      break;
    case TileXmlState::kUnreadable:
      problem = "cannot be read";
      break;
    case TileXmlState::kFolder:
      problem = "is a folder";
      break;
    default:
      return;
  }
  warn(d, headerLine, "tile XML \"%s\" of scene \"%s\" %s: a run stops there", path.c_str(), name,
       problem);
}

// The files the tour needs, looked for under the tour folder and the site
// root (`site`, or the one found above the tour folder).
TourCheck filesCheck(const RunPaths& paths, const std::string& site) {
  static NeededFilesCheck check;
  check.directory = paths.directory;
  check.siteRoot = findSiteRoot(paths.directory, site);
  return neededFilesCheck(&check);
}

}  // namespace

int runCheck(const std::string& argument, const std::string& site) {
  RunPaths paths = derivePaths(argument);
  // An output over the script is a run's first finding, before any.
  const std::string* overScript = outputOverInput(paths, paths.lstPath.c_str());
  if (overScript != nullptr) reportOutputOverInput(stderr, *overScript, paths.lstPath);
  SceneCheck tiles = {checkTileXml, &paths};
  if (!readScriptAside(paths, tiles, filesCheck(paths, site), stderr)) return kExitFailed;
  return gDiagnostics.warningCount == 0 && overScript == nullptr ? kExitCompleted : kExitFailed;
}

const Tour* readScriptAsChecked(const RunPaths& paths, const std::string& site, FILE* out) {
  SceneCheck tiles = {checkTileXml, &paths};
  return readScriptAside(paths, tiles, filesCheck(paths, site), out) ? &gTour : nullptr;
}

int runGraph(const std::string& argument) {
  RunPaths paths = derivePaths(argument);
  if (!readScriptAside(paths, SceneCheck{nullptr, nullptr}, TourCheck{nullptr, nullptr}, stderr)) {
    return kExitFailed;
  }
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
      installScratchCleanup();  // its temporary copy, for a moment named
      return runCheck(commandLine.script, commandLine.site);
    case Mode::kGraph:
      installScratchCleanup();
      return runGraph(commandLine.script);
    case Mode::kPreview:
      return runPreview(commandLine.script, commandLine.port, commandLine.site);
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
