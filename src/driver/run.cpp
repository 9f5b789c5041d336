#include "driver/run.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "driver/author_tools.h"
#include "driver/console.h"
#include "driver/options.h"
#include "platform/files.h"
#include "platform/file_identity.h"
#include "platform/file_lock.h"
#include "platform/replaced_files.h"
#include "platform/scratch_cleanup.h"
#include "platform/system_files.h"
#include "encoding/transcoder.h"
#include "script/diagnostics.h"
#include "script/listing.h"
#include "script/normaliser.h"
#include "script/tour_model.h"
#include "tour/model_bounds.h"
#include "tour/tile_xml.h"
#include "tour/tile_xml_check.h"
#include "tour/tour_xml.h"
#include "tour/viewer_page.h"

namespace tourwright {

namespace {

const char kUsage[] = "\nUsage: Tourwright <Vantry Scene Script> \n";
const char kBanner[] = "\nVantry Scene Script Converter 3.2 (2017/07/10)";
const char kCredit[] = "Written by the Tourwright developers, for the authors of virtual tours";
const char kWaitingForLock[] = "Another run is converting %s; waiting for it to end.\n";
const char kLeftScratchRemoved[] = "Removed the scratch files of an ended run: %s\n";

std::string withPlatformSeparators(std::string path) {
  for (char& c : path) {
    if (isPathSeparator(c)) c = kPathSeparator;
  }
  return path;
}

// The tour model is large (a few hundred KiB): it lives in static storage
// for the run, never on the stack. So do the diagnostics' tables.
Tour gTour;
ScriptDiagnostics gDiagnostics;

// A script read only in part would give a tour with scenes missing: a
// read error stops the run.
void reportReadError(FILE* console, const std::string& path) {
  std::fprintf(console, "Lst File \"%s\" Read Error!\n", consolePath(path).c_str());
}

// The run from the normaliser to the transcoder, while the tour is locked.
int convertScript(const RunPaths& paths, FILE* console);

// The outputs' scratch files that runs killed outright left in the tour's
// folder (none of them a run's now: the lock is ours, and each run holds
// its own) are removed, and named on one line on standard error.
void removeLeftScratch(const std::string& directory, long long started, FILE* console) {
  std::vector<std::string> removed = removeLeftOutputScratch(directory, started);
  if (removed.empty()) return;
  std::string names;
  for (const std::string& path : removed) names += (names.empty() ? "" : ", ") + consolePath(path);
  std::fflush(console);
  std::fprintf(consoleErrors(), kLeftScratchRemoved, names.c_str());
  std::fflush(consoleErrors());
}

}  // namespace

const std::string* outputOverInput(const RunPaths& paths, const char* input) {
  for (const std::string* output : {&paths.xmlPath, &paths.htmPath}) {
    if (sameFile(output->c_str(), input)) return output;
  }
  return nullptr;
}

void reportOutputOverInput(FILE* stream, const std::string& output, const std::string& input) {
  std::fprintf(stream, "Output File %s Would Overwrite %s!\n", consolePath(output).c_str(),
               consolePath(input).c_str());
}

void reportScriptChanged(FILE* stream, const std::string& lstPath) {
  std::fprintf(stream, "Lst File \"%s\" Changed While It Was Read!\n",
               consolePath(lstPath).c_str());
}

void reportScratchNotCreated(FILE* stream) {
  std::fprintf(stream, "Scratch File Creation Error: %d\n%s\n", kScratchNotCreated,
               lastFileFailure().c_str());
}

RunPaths derivePaths(const std::string& argument) {
  std::string path = argument;
  // "tours/my.tour/" names a folder, whatever dots it holds.
  bool namesFolder = !path.empty() && isPathSeparator(path.back());
  while (path.size() > 1 && isPathSeparator(path.back())) path.pop_back();

  size_t lastSeparator = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (isPathSeparator(path[i])) lastSeparator = i;
  }
  size_t componentStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  size_t lastDot = path.rfind('.');
  std::string lastComponent = path.substr(componentStart);
  // "." and ".." name folders too, which lend the tour their own name.
  bool relative = lastComponent == "." || lastComponent == "..";
  bool hasExtension =
      !namesFolder && !relative && lastDot != std::string::npos && lastDot > componentStart;

  RunPaths paths;
  if (hasExtension) {
    paths.baseName = path.substr(componentStart, lastDot - componentStart);
    paths.directory = lastSeparator == std::string::npos ? std::string(".")
                                                         : path.substr(0, lastSeparator);
  } else {
    paths.baseName = lastComponent;
    paths.directory = path;
    if (relative) {
      std::string name = resolvedFolderName(path.c_str());
      if (!name.empty()) paths.baseName = name;
    }
  }
  paths.directory = withPlatformSeparators(paths.directory);
  paths.lstPath = joinPath(paths.directory, paths.baseName, ".lst");
  paths.ascPath = joinPath(paths.directory, paths.baseName, ".asc");
  paths.tmpPath = joinPath(paths.directory, paths.baseName, ".tmp");
  paths.htmPath = joinPath(paths.directory, paths.baseName, ".htm");
  paths.xmlPath = joinPath(paths.directory, paths.baseName, ".xml");
  return paths;
}

int runTourwright(int argc, const char* const* argv) {
  long long started = fileClockNow();
  CommandLine commandLine = parseCommandLine(argc, argv);
  if (commandLine.mode != Mode::kRun) return runOtherMode(commandLine);

  setUpConsole();
  FILE* console = consoleOut();
  const std::string& argument = commandLine.script;
  if (argument.empty()) {
    std::fputs(kUsage, console);
    return kExitUsage;
  }

  std::fprintf(console, "%s\n%s\n\n", kBanner, kCredit);
  RunPaths paths = derivePaths(argument);
  std::string shownLst = consolePath(paths.lstPath);
  std::fprintf(console, "List file: %s\n", shownLst.c_str());
  std::fprintf(console, "XML  file: %s\n", consolePath(paths.xmlPath).c_str());
  std::fprintf(console, "HTML File: %s\n\n", consolePath(paths.htmPath).c_str());

  // One run at a time per tour: the scratch files and outputs of two runs
  // would share names. The tour's folder carries the lock, which an editor
  // that saves by renaming a new script over the old one does not replace,
  // and no lock file is left behind; a missing folder takes none and the
  // script is reported missing below.
  installScratchCleanup();
  FileLock lock;
  if (tryLockTour(&lock, paths.directory.c_str(), paths.lstPath.c_str()) == LockResult::kBusy) {
    std::fflush(console);
    std::fprintf(consoleErrors(), kWaitingForLock, shownLst.c_str());
    std::fflush(consoleErrors());
    waitForLock(&lock);
  }
  removeLeftScratch(paths.directory, started, console);
  int status = convertScript(paths, console);
  unlockFile(&lock);
  return status;
}

namespace {

// Nothing is written where it would replace an input: the script, or the
// tile XML of a scene (a tour named like one of its scenes). Without a
// tour, the script alone is looked at, and the outputs' files are found
// (each once for the run: the lock keeps other runs from replacing them);
// with one, the tile XML files.
struct Outputs {
  FileId xml;
  FileId htm;
};

bool outputsSpareInputs(const RunPaths& paths, const Tour* tour, Outputs* outputs, FILE* console) {
  if (tour == nullptr) {
    outputs->xml = fileIdOf(paths.xmlPath.c_str());
    outputs->htm = fileIdOf(paths.htmPath.c_str());
  }
  int scenes = tour == nullptr ? 0 : boundedCount(tour->sceneCount, kMaxScenes);
  for (int i = tour == nullptr ? -1 : 0; i < scenes; ++i) {
    if (i >= 0 && tour->scenes[i].name[0] == '\0') continue;  // no tile XML read
    std::string input =
        i < 0 ? paths.lstPath : tileXmlPath(paths.directory.c_str(), tour->scenes[i].name);
    FileId inputId = fileIdOf(input.c_str());
    const std::string* output = sameFileId(outputs->xml, inputId)   ? &paths.xmlPath
                                : sameFileId(outputs->htm, inputId) ? &paths.htmPath
                                                                    : nullptr;
    if (output != nullptr) {
      reportOutputOverInput(console, *output, input);
      return false;
    }
  }
  return true;
}

// The page is prepared before the tour XML and put in place after it, so
// that a run that fails on either replaces neither; the console tells the
// stages in their usual order. A signal before the tour XML is moved into
// place ends the run with both outputs as they were; from that move on,
// the run puts the page in place too and ends as it would have: the
// signals are held from there to the end of the process, which drops them.
int writeOutputs(const RunPaths& paths, FILE* tmpText, FILE* console) {
  OutputFile page;
  if (!prepareViewerPage(&page, paths.htmPath.c_str(), paths.baseName.c_str())) return kExitFailed;
  std::fprintf(console, "%s has been Created.\n", consolePath(paths.htmPath).c_str());
  OutputFile xml;
  bool converted = beginTourXml(&xml, paths.xmlPath.c_str()) &&
                   convertTourXml(tmpText, paths.tmpPath.c_str(), &xml, paths.xmlPath.c_str()) == 0;
  // Written out first (a failure shows when it is finished), so that the
  // hold covers little more than the two moves.
  if (converted) std::fflush(xml.stream);
  pauseForTest("outputs");  // both outputs complete, neither in place
  SignalHold toTheEnd;
  if (converted) holdCleanupSignals(&toTheEnd);
  if (!converted || !finishTourXml(&xml, paths.xmlPath.c_str())) {
    releaseCleanupSignals(&toTheEnd);
    abandonOutput(&page);
    std::fprintf(console, "\nXml Script Code Conversion Error!\n");
    std::fprintf(console, "Html File %s Left As It Was.\n", consolePath(paths.htmPath).c_str());
    return kExitFailed;
  }
  pauseForTest("placed");
  if (!finishViewerPage(&page, paths.htmPath.c_str())) return kExitFailed;
  std::fprintf(console, "\n%s has been Created.\n", consolePath(paths.xmlPath).c_str());
  return kExitCompleted;
}

int convertScript(const RunPaths& paths, FILE* console) {
  // Warnings about the script go to standard error, naming the script the
  // author wrote (also when the normalised copy is parsed).
  std::string shownLst = consolePath(paths.lstPath);
  startFreshDiagnostics(&gDiagnostics, shownLst.c_str(), consoleErrors());  // one run a process
  gDiagnostics.baseName = paths.baseName.c_str();
  gDiagnostics.sceneCheck = imageElementCheck(paths.directory.c_str());
  Outputs outputs;
  if (!outputsSpareInputs(paths, nullptr, &outputs, console)) return kExitFailed;
  DecodeReport decodeReport = decodeReportFor(&gDiagnostics);
  // The script is read through one open file: never opened again by name.
  FILE* script = nullptr;
  FileStamp opened;
  int encoding = openScriptForParsing(paths.lstPath.c_str(), paths.ascPath.c_str(),
                                      &decodeReport, &script, &opened);
  if (encoding == kScriptNotFound) {
    std::fprintf(console, "Lst File \"%s\" Not Found!\n", shownLst.c_str());
    return kExitFailed;
  }
  if (encoding == kScriptUnreadable) {
    reportReadError(console, paths.lstPath);
    return kExitFailed;
  }
  if (encoding == kScriptChanged) {
    reportScriptChanged(console, paths.lstPath);
    return kExitFailed;
  }
  if (encoding == kScratchNotCreated) {
    reportScratchNotCreated(console);
    return kExitFailed;
  }
  std::fprintf(console,
               "Text Encoding of LST file: %d [0:ANSI 1:UTF-8 2:UTF-16(BE) 3:UTF-16(LE)]\n",
               encoding);

  bool readWhole = parseScriptWithDiagnostics(script, &gTour, encoding, &gDiagnostics);
  int readError = errno;
  pauseForTest("parsed");
  bool changed = encoding == kEncodingAnsi && !sameStamp(stampOf(script), opened);
  std::fclose(script);
  if (encoding > 0) removeFile(paths.ascPath.c_str());
  if (changed) {
    reportScriptChanged(console, paths.lstPath);
    return kExitFailed;
  }
  if (!readWhole) {
    // The author's script is named; the copy that failed, on a line below.
    reportReadError(console, paths.lstPath);
    if (encoding > 0) {
      noteFileFailure(paths.ascPath, readError);
      std::fprintf(console, "%s\n", lastFileFailure().c_str());
    }
    return kExitFailed;
  }

  printSceneListing(&gTour);
  if (!outputsSpareInputs(paths, &gTour, &outputs, console)) return kExitFailed;

  FILE* tmpText = nullptr;
  TourXmlResult written = writeTourXml(&gTour, paths.directory.c_str(), paths.baseName.c_str(),
                                       paths.tmpPath.c_str(), &tmpText);
  if (written == TourXmlResult::kCannotCreate) {
    std::fprintf(console, "%s\n", lastFileFailure().c_str());  // the scratch file, and why
  }
  // A missing tile XML leaves the .tmp to look at: no longer the run's to remove.
  if (written == TourXmlResult::kStopped) forgetScratchFile(paths.tmpPath.c_str());
  if (written != TourXmlResult::kCompleted) return kExitFailed;
  int status = writeOutputs(paths, tmpText, console);
  std::fclose(tmpText);
  removeFile(paths.tmpPath.c_str());
  return status;
}

}  // namespace

}  // namespace tourwright
