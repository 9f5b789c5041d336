// A signal may come at any instant, so the table is read without locks:
// each slot holds a name copied beforehand, or nullptr, and is swapped
// atomically. A name leaves its slot before it is freed, and on POSIX the
// handler runs on the one thread of the run, so it never sees a freed name.
#include "platform/scratch_cleanup.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace tourwright {

namespace {

// The name as given, and on Windows also in UTF-16, the form the system
// takes (made when noted: the handler converts nothing).
struct NotedName {
  char* name;
#ifdef _WIN32
  wchar_t* wide;
#endif
};

std::atomic<NotedName*> gNoted[kNotedScratchFiles];

void freeNoted(NotedName* noted) {
  std::free(noted->name);
#ifdef _WIN32
  std::free(noted->wide);
#endif
  std::free(noted);
}

}  // namespace

void noteScratchFile(const char* path) {
  NotedName* noted = static_cast<NotedName*>(std::calloc(1, sizeof(NotedName)));
  if (noted == nullptr) return;
  noted->name = static_cast<char*>(std::malloc(std::strlen(path) + 1));
#ifdef _WIN32
  noted->wide = _wcsdup(widePath(path).c_str());
  bool made = noted->name != nullptr && noted->wide != nullptr;
#else
  bool made = noted->name != nullptr;
#endif
  if (made) {
    std::strcpy(noted->name, path);
    for (std::atomic<NotedName*>& slot : gNoted) {
      NotedName* empty = nullptr;
      if (slot.compare_exchange_strong(empty, noted)) return;
    }
  }
  freeNoted(noted);
}

void forgetScratchFile(const char* path) {
  for (std::atomic<NotedName*>& slot : gNoted) {
    NotedName* noted = slot.load();
    if (noted != nullptr && std::strcmp(noted->name, path) == 0 &&
        slot.compare_exchange_strong(noted, nullptr)) {
      freeNoted(noted);
      return;
    }
  }
}

void removeNotedScratchFiles() {
  for (std::atomic<NotedName*>& slot : gNoted) {
    NotedName* noted = slot.load();
    if (noted == nullptr) continue;
#ifdef _WIN32
    DeleteFileW(noted->wide);
#else
    unlink(noted->name);
#endif
  }
}

#ifdef _WIN32

namespace {
std::atomic<int> gHolds{0};    // holds in force
std::atomic<int> gPending{0};  // the signal of an event that came meanwhile

BOOL WINAPI onConsoleEvent(DWORD event) {
  // The status a POSIX shell gives for the signal of the same meaning.
  int signalNumber;
  switch (event) {
    case CTRL_C_EVENT:
      signalNumber = 2;  // SIGINT
      break;
    case CTRL_BREAK_EVENT:
      signalNumber = 21;  // SIGBREAK
      break;
    case CTRL_CLOSE_EVENT:
      signalNumber = 1;  // SIGHUP
      break;
    default:
      return FALSE;
  }
  // Held: the event waits for the release, as a blocked signal does. A
  // closing console ends the process once this returns, so that waits here.
  gPending.store(signalNumber);
  while (gHolds.load() > 0) {
    if (event != CTRL_CLOSE_EVENT) return TRUE;
    Sleep(10);
  }
  if (gPending.exchange(0) == 0) return TRUE;  // taken by the release
  removeNotedScratchFiles();
  ExitProcess(static_cast<UINT>(128 + signalNumber));
}
}  // namespace

void installScratchCleanup() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

void holdCleanupSignals(SignalHold* hold) {
  gHolds.fetch_add(1);
  hold->held = true;
}

void releaseCleanupSignals(SignalHold* hold) {
  if (!hold->held) return;
  hold->held = false;
  if (gHolds.fetch_sub(1) != 1) return;
  int signalNumber = gPending.exchange(0);
  if (signalNumber == 0) return;
  removeNotedScratchFiles();
  ExitProcess(static_cast<UINT>(128 + signalNumber));
}

#else

namespace {
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onCleanupSignal(int signalNumber) {
  removeNotedScratchFiles();
  _exit(128 + signalNumber);
}

sigset_t cleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kCleanupSignals) sigaddset(&set, signalNumber);
  return set;
}
}  // namespace

void installScratchCleanup() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onCleanupSignal;
  action.sa_mask = cleanupSignals();  // one handler at a time
  for (int signalNumber : kCleanupSignals) {
    // A signal ignored when the run began (nohup) stays ignored.
    struct sigaction previous;
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signalNumber, &action, nullptr);
  }
}

void holdCleanupSignals(SignalHold* hold) {
  sigset_t set = cleanupSignals();
  hold->held = pthread_sigmask(SIG_BLOCK, &set, &hold->previous) == 0;
}

void releaseCleanupSignals(SignalHold* hold) {
  if (hold->held) pthread_sigmask(SIG_SETMASK, &hold->previous, nullptr);
  hold->held = false;
}

#endif

}  // namespace tourwright
