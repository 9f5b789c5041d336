// Locks held between processes: one on a file, and the lock of a tour,
// which keeps a second run of the tour waiting for the first.
#ifndef TOURWRIGHT_PLATFORM_FILE_LOCK_H_
#define TOURWRIGHT_PLATFORM_FILE_LOCK_H_


namespace tourwright {

// An exclusive lock on a file, held between processes (and between two
// locks of one process) until unlockFile or the end of the process. It is
// advisory: it keeps out only those that ask for it, and reading the file
// stays free.
struct FileLock {
  long long handle = -1;  // the open file (or the mutex) that holds it
  bool mutex = false;     // Windows: `handle` is a mutex, owned when held
  bool held = false;
};
enum class LockResult {
  kHeld,  // the lock is ours
  kBusy,  // another holds it; waitForLock waits for it
  kNone,  // nothing held: no regular file there, or locks unsupported
};
LockResult tryLockFile(FileLock* lock, const char* path);
// The lock of one tour, which a save by renaming a new script over the old
// one does not replace: on POSIX a lock on the tour's folder (so runs of
// two tours in one folder take turns too), on Windows a named mutex keyed
// by the script's full path. kNone when the folder cannot be opened.
LockResult tryLockTour(FileLock* lock, const char* directory, const char* scriptPath);
void waitForLock(FileLock* lock);
void unlockFile(FileLock* lock);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_FILE_LOCK_H_
