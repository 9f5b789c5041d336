// The scratch files of a run, removed when a signal ends it.
//
// Every scratch file this process creates beside a tour (the .asc copy, the
// .tmp, the .part of an output) is noted here when it is created and
// forgotten when it is removed or moved into place. A run installs the
// handler: SIGINT, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and
// closing the console window) then remove the files noted, only those the
// run created itself, and end the process with 128 + the signal number;
// the outputs stay as they were. A mode with its own handling (a preview
// server) installs none and may call removeNotedScratchFiles from its own
// handler. The handler does only what a signal handler may: the names are
// copied when noted, so it only unlinks and exits.
#ifndef TOURWRIGHT_PLATFORM_SCRATCH_CLEANUP_H_
#define TOURWRIGHT_PLATFORM_SCRATCH_CLEANUP_H_

#ifndef _WIN32
#include <signal.h>
#endif

namespace tourwright {

// At most this many files are noted at once (a run has four at most); a
// file beyond them is not removed by a signal.
constexpr int kNotedScratchFiles = 16;

void noteScratchFile(const char* path);
void forgetScratchFile(const char* path);

// Unlinks every noted file; safe inside a signal handler.
void removeNotedScratchFiles();

// The run's handler, as described above.
void installScratchCleanup();

// Holds the signals back while a scratch file is created and noted, so
// that none ends the run between the two, and from the first output moved
// into place to the end of a run. A signal (a console event on Windows)
// that comes meanwhile takes effect on release; one still held when the
// process ends is dropped. On POSIX the hold is the calling thread's mask;
// on Windows, where the handler runs on a thread of its own, it is the
// process's.
struct SignalHold {
#ifndef _WIN32
  sigset_t previous;  // the thread's mask before
#endif
  bool held = false;
};
void holdCleanupSignals(SignalHold* hold);
void releaseCleanupSignals(SignalHold* hold);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_SCRATCH_CLEANUP_H_
