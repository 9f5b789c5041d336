#include "platform/file_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cwchar>

#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tourwright {

#ifdef _WIN32
namespace {
// One byte far past the end of any script: Windows locks keep others from
// reading what they cover, and the script must stay readable.
OVERLAPPED lockedByte() {
  OVERLAPPED where = {};
  where.OffsetHigh = 0x40000000;
  return where;
}
}  // namespace

LockResult tryLockFile(FileLock* lock, const char* path) {
  HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LockResult::kNone;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return LockResult::kNone;
  }
  lock->handle = reinterpret_cast<intptr_t>(file);
  OVERLAPPED where = lockedByte();
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
    return LockResult::kHeld;
  }
  if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) {
    return LockResult::kBusy;
  }
  unlockFile(lock);
  return LockResult::kNone;
}

void waitForLock(FileLock* lock) {
  HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(lock->handle));
  if (lock->mutex) {
    WaitForSingleObject(handle, INFINITE);  // abandoned by a run that died: ours too
    lock->held = true;
    return;
  }
  OVERLAPPED where = lockedByte();
  LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where);
}

void unlockFile(FileLock* lock) {
  HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(lock->handle));
  if (lock->handle != -1 && lock->mutex && lock->held) ReleaseMutex(handle);
  if (lock->handle != -1) CloseHandle(handle);
  lock->handle = -1;
  lock->mutex = false;
  lock->held = false;
}

LockResult tryLockTour(FileLock* lock, const char*, const char* scriptPath) {
  // Named by a hash of the full path, case folded as the file system folds
  // it: a mutex name has no room for every path.
  wchar_t* full = _wfullpath(nullptr, widePath(scriptPath).c_str(), 0);
  if (full == nullptr) return LockResult::kNone;
  CharLowerW(full);
  unsigned long long hash = 0xCBF29CE484222325ull;
  for (const wchar_t* c = full; *c != L'\0'; ++c) hash = (hash ^ static_cast<unsigned>(*c)) * 0x100000001B3ull;
  std::free(full);
  wchar_t name[64];
  _snwprintf(name, 64, L"tourwright-tour-%016llx", hash);
  name[63] = L'\0';
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (mutex == nullptr) return LockResult::kNone;
  lock->handle = reinterpret_cast<intptr_t>(mutex);
  lock->mutex = true;
  DWORD waited = WaitForSingleObject(mutex, 0);
  lock->held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  return lock->held ? LockResult::kHeld : LockResult::kBusy;
}

#else
void unlockFile(FileLock* lock) {
  if (lock->handle >= 0) close(static_cast<int>(lock->handle));
  lock->handle = -1;
}

namespace {
// Takes the lock of the open file `fd` (kNone when it was not opened).
LockResult tryLockDescriptor(FileLock* lock, int fd) {
  if (fd < 0) return LockResult::kNone;
  lock->handle = fd;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return LockResult::kHeld;
  if (errno == EWOULDBLOCK) return LockResult::kBusy;
  unlockFile(lock);
  return LockResult::kNone;
}
}  // namespace

LockResult tryLockFile(FileLock* lock, const char* path) {
  return tryLockDescriptor(lock, openRegular(path));
}

LockResult tryLockTour(FileLock* lock, const char* directory, const char*) {
  // The folder stays when an editor renames a new script over the old one.
  return tryLockDescriptor(lock, open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

void waitForLock(FileLock* lock) {
  while (flock(static_cast<int>(lock->handle), LOCK_EX) != 0 && errno == EINTR) {
  }
}

#endif

}  // namespace tourwright
