// The preview's one lock serialises the readings of the script: the tour
// model and the checks' tables they fill are the process's single copies.
// What a reading prints goes to a private file in the system's temporary
// folder and is taken back from there, the same bytes on every platform.
#include "driver/preview_mode.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "driver/author_tools.h"
#include "driver/run.h"
#include "encoding/code_point.h"
#include "platform/file_identity.h"
#include "platform/files.h"
#include "platform/system_files.h"
#include "preview/preview_text.h"
#include "preview/request_path.h"
#include "preview/server.h"
#include "preview/site_view.h"
#include "tour/needed_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace tourwright {

namespace {

struct PreviewState {
  std::mutex lock;
  RunPaths paths;
  std::string site;  // --site DIR, or empty
  // The site view: the site root served (`siteRoot` open), the tour at
  // `tourPath` under it; else `siteNeeds` says what it lacks.
  const TourFolder* siteRoot = nullptr;
  std::string tourPath;
  std::string siteNeeds;
  std::string shownLst;
  std::vector<PreviewWarning> warnings;  // of the tour as last read whole
  // The script as last seen unsettled, and since when.
  FileStamp seen;
  std::chrono::steady_clock::time_point seenSince;
};

// A script is read for the page only once it has stood still this long:
// an editor that pauses in the middle of writing it in place would
// otherwise have half a script shown, its scenes dropped.
constexpr std::chrono::milliseconds kSettleTime(500);

Tour gShownTour;  // the tour as last read whole: a failed reading keeps it

// Internal text in UTF-8: as it stands when it is UTF-8 already (a path),
// else read as the page reads the tour's captions.
std::string utf8Text(const std::string& text) {
  if (isValidUtf8(text.data(), text.size())) return text;
  std::string converted;
  appendUtf8FromCodePage(text.data(), text.size(), &converted);
  return converted;
}

// Reads the script with its findings printed into a private scratch file
// (or nowhere, when none can be made), and gives back what was printed.
const Tour* readQuietly(PreviewState* state, std::string* printed) {
  printed->clear();
  FILE* out = createTemporaryStream();
  bool captured = out != nullptr;
  if (!captured) out = openNullSink();
  if (out == nullptr) return nullptr;
  const Tour* tour = readScriptAsChecked(state->paths, state->site, out);
  if (!captured) {
    std::fclose(out);
    return tour;
  }
  FILE* in = readBackScratch(out);
  if (in != nullptr) {
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) printed->append(block, got);
    std::fclose(in);
  }
  return tour;
}

// Whether the script, as `stamp` finds it, was last written at least the
// settle time ago; one written at a time ahead of the clock (another
// machine's share) once it has been seen unchanged that long.
bool settled(PreviewState* state, const FileStamp& stamp) {
  if (stamp.size < 0) return true;  // nothing there: the reading says so
  long long settleUnits = kSettleTime.count() * kFileClockPerSecond / 1000;
  long long age = fileClockNow() - stamp.modified;
  if (age >= settleUnits) return true;
  auto now = std::chrono::steady_clock::now();
  if (!sameStamp(stamp, state->seen)) {
    state->seen = stamp;
    state->seenSince = now;
    return false;
  }
  return now - state->seenSince >= kSettleTime;
}

// Reads the script again once it has settled, and keeps the tour and the
// findings when it was the same file, of the same size and time, from
// before the reading to after it; false, with the last good ones kept,
// while it is being written.
bool readWhenSettled(PreviewState* state) {
  const char* path = state->paths.lstPath.c_str();
  FileStamp before = stampOfPath(path);
  if (!settled(state, before)) return false;
  std::string printed;
  const Tour* tour = readQuietly(state, &printed);
  if (!sameStamp(stampOfPath(path), before)) return false;
  if (tour != nullptr) gShownTour = *tour;
  state->warnings = previewWarnings(printed, state->shownLst);
  return true;
}

// Percent-encodes the bytes of a URL path but its unreserved ones and "/".
std::string urlPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::strchr("-._~/", c) != nullptr) {
      url.push_back(static_cast<char>(c));
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

// The site view as the page offers it: the tour's page in the site's
// viewer while the viewer script stands under the root.
void siteViewOf(const PreviewState& state, PreviewSource* source) {
  source->siteNeeds = state.siteNeeds;
  if (state.siteRoot == nullptr) return;
  std::string prefix = tourUrlPrefix(state.tourPath);
  source->filesUrl = urlPath(prefix);
  long long size = 0;
  FILE* viewer = openTourFile(*state.siteRoot, kViewerScriptPath, &size);
  if (viewer == nullptr) return;
  std::fclose(viewer);
  std::string page = state.paths.baseName + ".htm";
  if (isPlainName(page)) {
    source->siteViewUrl = urlPath(prefix + page);
  } else {
    source->siteNeeds = "The site view needs a tour name a URL can carry.";
  }
}

// The model of the tour as last read whole.
std::string modelJson(void* context) {
  PreviewState* state = static_cast<PreviewState*>(context);
  std::lock_guard<std::mutex> hold(state->lock);
  bool saving = !readWhenSettled(state);
  PreviewSource source = {&gShownTour, state->paths.directory, state->paths.baseName,
                          state->shownLst, state->warnings};
  source.saving = saving;
  siteViewOf(*state, &source);
  return previewModelJson(source);
}

// The tour's page or tour XML as a run would write them now, for the site view.
FILE* writtenTourFile(void* context, bool xml, long long* size, std::string* problem) {
  PreviewState* state = static_cast<PreviewState*>(context);
  std::lock_guard<std::mutex> hold(state->lock);
  readWhenSettled(state);
  return writeTourFileAside(gShownTour, state->paths.directory, state->paths.baseName, xml, size,
                            problem);
}

// Where the site view stands: the root found (or given) opened, and the
// tour folder's place under it. False, with what the site view needs in
// `state->siteNeeds`, when there is none.
bool openSiteView(PreviewState* state, const TourFolder& tourFolder, TourFolder* root) {
  std::string found = findSiteRoot(state->paths.directory, state->site);
  if (found.empty()) {
    state->siteNeeds =
        "The site view needs a site root: --site DIR, or a folder above the tour that holds "
        "VR/xsl3v/.";
    return false;
  }
  std::string shown = utf8Text(consolePath(found));
  if (!openTourFolder(root, found)) {
    state->siteNeeds = "The site view needs a site root that can be opened, not \"" + shown + "\".";
    return false;
  }
  if (!tourPathUnder(root->resolved, tourFolder.resolved, &state->tourPath)) {
    closeTourFolder(root);
    state->siteNeeds = "The site view needs the tour folder under the site root \"" + shown +
                       "\", at a path a URL can carry.";
    return false;
  }
  state->siteNeeds = "The site view needs the viewer script " + std::string(kViewerScriptPath) +
                     " under the site root \"" + shown + "\".";
  return true;
}

bool parsePort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *port = std::stoi(text);
  return *port >= 1 && *port <= 65535;
}

#ifdef _WIN32
HANDLE gStopEvent = nullptr;
HANDLE gDoneEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
  SetEvent(gStopEvent);
  // Closing the console ends the process when this returns: let the
  // server stop first.
  WaitForSingleObject(gDoneEvent, 5000);
  return TRUE;
}
#endif

// Serves until the user ends it; false when serving failed.
bool serveUntilEnded(PreviewServer* server) {
  bool served = false;
#ifdef _WIN32
  gStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gDoneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  std::thread serving([&] {
    served = servePreview(server);
    SetEvent(gStopEvent);
  });
  WaitForSingleObject(gStopEvent, INFINITE);
  stopPreview(server);
  serving.join();
  SetEvent(gDoneEvent);
#else
  // The signals are taken by sigwait here, never by a handler; every
  // thread the server starts inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread serving([&] {
    served = servePreview(server);
    kill(getpid(), SIGTERM);  // wakes the wait below when serving failed
  });
  int signal = 0;
  sigwait(&signals, &signal);
  stopPreview(server);
  serving.join();
#endif
  return served;
}

}  // namespace

std::vector<PreviewWarning> previewWarnings(const std::string& printed,
                                            const std::string& shownScript) {
  std::vector<PreviewWarning> warnings;
  const std::string prefix = shownScript + ":";
  size_t start = 0;
  while (start < printed.size()) {
    size_t end = printed.find('\n', start);
    if (end == std::string::npos) end = printed.size();
    std::string line = printed.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    long long number = 0;
    if (line.compare(0, prefix.size(), prefix) == 0) {
      size_t at = prefix.size();
      size_t digits = line.find_first_not_of("0123456789", at);
      if (digits != std::string::npos && digits > at &&
          line.compare(digits, 11, ": warning: ") == 0) {
        number = std::stoll(line.substr(at, digits - at));
      } else if (line.compare(at, 10, " warning: ") != 0) {
        continue;  // the count of the warnings
      }
    }
    std::string shownPrefix = line.compare(0, prefix.size(), prefix) == 0 ? prefix : "";
    warnings.push_back(
        {number, utf8Text(shownPrefix) + utf8Text(line.substr(shownPrefix.size()))});
  }
  return warnings;
}

int runPreview(const std::string& argument, const std::string& portText,
               const std::string& site) {
  int port = 0;
  if (!portText.empty() && !parsePort(portText, &port)) {
    std::fprintf(stderr, "tourwright: --port needs a number from 1 to 65535, not \"%s\"\n",
                 portText.c_str());
    return kExitFailed;
  }
  static PreviewState state;
  state.paths = derivePaths(argument);
  state.site = site;
  state.shownLst = consolePath(state.paths.lstPath);
  // The findings of the first reading, as --check prints them.
  const Tour* tour = readScriptAsChecked(state.paths, state.site, stderr);
  if (tour == nullptr) return kExitFailed;
  gShownTour = *tour;

  PreviewSettings settings;
  if (!openTourFolder(&settings.folder, state.paths.directory)) {
    std::fprintf(stderr, "Preview Error: the tour folder \"%s\" cannot be opened\n",
                 consolePath(state.paths.directory).c_str());
    return kExitFailed;
  }
  settings.modelJson = modelJson;
  settings.context = &state;
  if (openSiteView(&state, settings.folder, &settings.site)) {
    settings.hasSite = true;
    settings.tourPath = state.tourPath;
    settings.baseName = state.paths.baseName;
    settings.writtenTourFile = writtenTourFile;
  }
  PreviewServer* server = createPreviewServer(settings);
  if (settings.hasSite) state.siteRoot = &settings.site;  // open until the end
  ListenOutcome listening = listenForPreview(server, port);
  bool served = false;
  if (listening.result == ListenResult::kListening) {
    std::printf("Preview of %s: http://127.0.0.1:%d/ (Ctrl-C ends it)\n", state.shownLst.c_str(),
                listening.port);
    std::fflush(stdout);
    served = serveUntilEnded(server);
    if (!served) std::fprintf(stderr, "Preview Error: serving on port %d failed\n", listening.port);
  } else if (listening.result == ListenResult::kPortInUse) {
    std::fprintf(stderr, "Preview Error: port %d on %s is in use\n", port, listening.address);
  } else if (listening.result == ListenResult::kPermissionDenied) {
    std::fprintf(stderr, "Preview Error: cannot listen on %s port %d: %s\n", listening.address, port,
                 listening.reason.c_str());
  } else if (port != 0) {
    std::fprintf(stderr, "Preview Error: cannot listen on 127.0.0.1 port %d\n", port);
  } else {
    std::fprintf(stderr, "Preview Error: cannot listen on 127.0.0.1\n");
  }
  destroyPreviewServer(server);
  return served ? kExitCompleted : kExitFailed;
}

}  // namespace tourwright
