#include "driver/run.h"

#include <cstdio>

#include "driver/author_tools.h"
#include "driver/console.h"
#include "driver/options.h"
#include "platform/files.h"
#include "encoding/transcoder.h"
#include "script/diagnostics.h"
#include "script/listing.h"
#include "script/normaliser.h"
#include "script/tour_model.h"
#include "tour/tile_xml_check.h"
#include "tour/tour_xml.h"
#include "tour/viewer_page.h"

namespace tourwright {

namespace {

const char kUsage[] = "\nUsage: Tourwright <Vantry Scene Script> \n";
const char kBanner[] = "\nVantry Scene Script Converter 3.2 (2017/07/10)";
const char kCredit[] = "Written by the Tourwright developers, for the authors of virtual tours";
const char kWaitingForLock[] = "Another run is converting %s; waiting for it to end.\n";

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

}  // namespace

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
  // would share names. The script itself carries the lock, so none is left
  // behind and a read-only script serves as well; a missing script takes
  // none and is reported below.
  FileLock lock;
  if (tryLockFile(&lock, paths.lstPath.c_str()) == LockResult::kBusy) {
    std::fflush(console);
    std::fprintf(consoleErrors(), kWaitingForLock, shownLst.c_str());
    std::fflush(consoleErrors());
    waitForLock(&lock);
  }
  int status = convertScript(paths, console);
  unlockFile(&lock);
  return status;
}

namespace {

int convertScript(const RunPaths& paths, FILE* console) {
  // Warnings about the script go to standard error, naming the script the
  // author wrote (also when the normalised copy is parsed).
  std::string shownLst = consolePath(paths.lstPath);
  startDiagnostics(&gDiagnostics, shownLst.c_str(), consoleErrors());
  gDiagnostics.baseName = paths.baseName.c_str();
  gDiagnostics.sceneCheck = imageElementCheck(paths.directory.c_str());
  DecodeReport decodeReport = decodeReportFor(&gDiagnostics);
  int encoding =
      normaliseScriptEncoding(paths.lstPath.c_str(), paths.ascPath.c_str(), &decodeReport);
  if (encoding == kScriptNotFound) {
    std::fprintf(console, "Lst File \"%s\" Not Found!\n", shownLst.c_str());
    return kExitFailed;
  }
  if (encoding == kScriptUnreadable) {
    reportReadError(console, paths.lstPath);
    return kExitFailed;
  }
  if (encoding == kScratchNotCreated) {
    std::fprintf(console, "Scratch File Creation Error: %d\n", encoding);
    return kExitFailed;
  }
  std::fprintf(console,
               "Text Encoding of LST file: %d [0:ANSI 1:UTF-8 2:UTF-16(BE) 3:UTF-16(LE)]\n",
               encoding);

  const std::string& parsedPath = encoding == kEncodingAnsi ? paths.lstPath : paths.ascPath;
  FILE* script = openForReading(parsedPath.c_str());
  if (script == nullptr) {
    std::fprintf(console, "Lst File \"%s\" Not Found!\n", consolePath(parsedPath).c_str());
    if (encoding > 0) removeFile(paths.ascPath.c_str());
    return kExitFailed;
  }
  bool readWhole = parseScriptWithDiagnostics(script, &gTour, encoding, &gDiagnostics);
  std::fclose(script);
  if (encoding > 0) removeFile(paths.ascPath.c_str());
  if (!readWhole) {
    reportReadError(console, parsedPath);
    return kExitFailed;
  }

  printSceneListing(&gTour);

  TourXmlResult written = writeTourXml(&gTour, paths.directory.c_str(), paths.baseName.c_str(),
                                       paths.tmpPath.c_str());
  if (written != TourXmlResult::kCompleted) return kExitFailed;

  if (!writeViewerPage(paths.htmPath.c_str(), paths.baseName.c_str())) {
    removeFile(paths.tmpPath.c_str());
    return kExitFailed;
  }

  int transcoded = transcodeTourXml(paths.tmpPath.c_str(), paths.xmlPath.c_str());
  if (transcoded == -1) {
    std::fprintf(console, "\nXml Script Code Conversion Error!\n");
  } else {
    std::fprintf(console, "\n%s has been Created.\n", consolePath(paths.xmlPath).c_str());
  }
  removeFile(paths.tmpPath.c_str());
  return transcoded == -1 ? kExitFailed : kExitCompleted;
}

}  // namespace

}  // namespace tourwright
