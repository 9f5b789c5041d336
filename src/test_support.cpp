// The test helpers. Folders, directory listings and running the executable
// differ between POSIX and Windows; each has its own side below, and
// everything above the platform line is shared.
#include "test_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <direct.h>
#include <process.h>
#include <windows.h>
#else
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tourwright {
namespace testing_support {

std::string TempDir::file(const std::string& name) const {
  return path_ + kPathSeparator + name;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string nativePath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = kPathSeparator;
  }
  return path;
}

bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string readStream(FILE* stream) {
  std::string text;
  std::fflush(stream);
  std::rewind(stream);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, n);
  return text;
}

FILE* beginConsoleCapture() {
  FILE* stream = std::tmpfile();
  setConsoleOut(stream);
  return stream;
}

std::string endConsoleCapture(FILE* stream) {
  setConsoleOut(nullptr);
  std::string text = readStream(stream);
  std::fclose(stream);
  return text;
}

BackgroundRun::~BackgroundRun() { wait(); }

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& cwd) {
  BackgroundRun run(arguments, cwd);
  return run.wait();
}

#ifdef _WIN32

namespace {

void removeTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(child);
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

// One argument as the C runtime's command-line parser reads it back:
// quoted, with the backslashes before a quote (and at the end) doubled.
std::string quoteArgument(const std::string& text) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// The executable lies beside the test program, wherever the build folder
// has been moved to.
std::string programPath() {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string folder(self, length);
  size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
  std::string exe = TOURWRIGHT_EXE;
  size_t nameStart = exe.find_last_of("\\/");
  return folder + "\\" + (nameStart == std::string::npos ? exe : exe.substr(nameStart + 1));
}

HANDLE createInheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string readTextFile(const std::string& path) {
  std::string bytes = readFile(path);
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return text;
}

namespace {
std::string temporaryFolder() {
  char base[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof base, base);
  return length > 0 && length < sizeof base ? std::string(base, length) : ".\\";
}
}  // namespace

TempDir::TempDir() : TempDir(temporaryFolder()) {}

TempDir::TempDir(const std::string& base) {
  std::string folder = base;
  if (!folder.empty() && !isPathSeparator(folder.back())) folder += '\\';
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = folder + "tourwright-test-" + std::to_string(_getpid()) + "-" +
                            std::to_string(++counter) + "-" + std::to_string(GetTickCount());
    if (_mkdir(candidate.c_str()) == 0) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (!path_.empty()) removeTree(path_);
}

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool makeFolder(const std::string& path) { return _mkdir(path.c_str()) == 0; }

bool folderPermissionsBind() { return false; }
void setFolderWritable(const std::string&, bool) {}

bool canLinkToFullDevice() { return false; }
bool linkToFullDevice(const std::string&) { return false; }
bool canLinkToUnreadableFile() { return false; }
bool linkToUnreadableFile(const std::string&) { return false; }
bool limitFileSize(long long) { return false; }

BackgroundRun::BackgroundRun(const std::vector<std::string>& arguments, const std::string& cwd) {
  std::string exe = programPath();
  std::string commandLine = quoteArgument(exe);
  for (const std::string& argument : arguments) commandLine += " " + quoteArgument(argument);

  HANDLE out = createInheritable(capture_.file("out"), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = createInheritable(capture_.file("err"), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = createInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process;
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  const char* folder = cwd.empty() || cwd == "." ? nullptr : cwd.c_str();
  if (CreateProcessA(exe.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    running_ = process.hProcess;
  }
  for (HANDLE handle : {out, err, in}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
}

ProgramRun BackgroundRun::wait() {
  if (running_ != nullptr) {
    WaitForSingleObject(running_, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(running_, &code)) result_.status = static_cast<int>(code);
    CloseHandle(running_);
    running_ = nullptr;
    result_.out = readTextFile(capture_.file("out"));
    result_.err = readTextFile(capture_.file("err"));
  }
  return result_;
}

std::string BackgroundRun::errSoFar() const { return readTextFile(capture_.file("err")); }

// A path from the build (such as /work/tourwright) is made absolute with
// the current drive, so that it still names the source tree from a program
// started in another folder or on another drive.
std::string sourceDir() {
  static const std::string folder = [] {
    char full[MAX_PATH];
    return _fullpath(full, TOURWRIGHT_SOURCE_DIR, sizeof full) ? std::string(full)
                                                               : std::string(TOURWRIGHT_SOURCE_DIR);
  }();
  return folder;
}

#else  // POSIX

namespace {

void removeTree(const std::string& path) {
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string child = path + "/" + name;
      struct stat info;
      if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        chmod(child.c_str(), 0700);
        removeTree(child);
      } else {
        unlink(child.c_str());
      }
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::string temporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  return base && *base ? base : "/tmp";
}

}  // namespace

std::string readTextFile(const std::string& path) { return readFile(path); }

TempDir::TempDir() : TempDir(temporaryFolder()) {}

TempDir::TempDir(const std::string& base) {
  std::string pattern = base + "/tourwright-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
}

TempDir::~TempDir() {
  if (!path_.empty()) {
    chmod(path_.c_str(), 0700);
    removeTree(path_);
  }
}

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool makeFolder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }

bool folderPermissionsBind() { return geteuid() != 0; }
void setFolderWritable(const std::string& path, bool writable) {
  chmod(path.c_str(), writable ? 0700 : 0555);
}

bool canLinkToFullDevice() { return fileExists("/dev/full"); }
bool linkToFullDevice(const std::string& path) {
  return symlink("/dev/full", path.c_str()) == 0;
}

bool canLinkToUnreadableFile() {
  FILE* memory = std::fopen("/proc/self/mem", "rb");
  if (memory == nullptr) return false;
  char byte;
  bool fails = std::fread(&byte, 1, 1, memory) == 0 && std::ferror(memory) != 0;
  std::fclose(memory);
  return fails;
}
bool linkToUnreadableFile(const std::string& path) {
  return symlink("/proc/self/mem", path.c_str()) == 0;
}

bool limitFileSize(long long bytes) {
  static rlimit original;
  static bool saved = getrlimit(RLIMIT_FSIZE, &original) == 0;
  if (!saved) return false;
  std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
  rlimit limit = original;
  if (bytes >= 0) limit.rlim_cur = static_cast<rlim_t>(bytes);
  return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

BackgroundRun::BackgroundRun(const std::vector<std::string>& arguments, const std::string& cwd) {
  std::string command = "cd " + shellQuote(cwd) + " && " + shellQuote(TOURWRIGHT_EXE);
  for (const std::string& argument : arguments) command += " " + shellQuote(argument);
  command += " >" + shellQuote(capture_.file("out")) + " 2>" + shellQuote(capture_.file("err")) +
             " </dev/null";
  running_ = popen(command.c_str(), "r");
}

ProgramRun BackgroundRun::wait() {
  if (running_ != nullptr) {
    int raw = pclose(static_cast<FILE*>(running_));
    running_ = nullptr;
    result_.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result_.out = readFile(capture_.file("out"));
    result_.err = readFile(capture_.file("err"));
  }
  return result_;
}

std::string BackgroundRun::errSoFar() const { return readFile(capture_.file("err")); }

std::string sourceDir() { return TOURWRIGHT_SOURCE_DIR; }

#endif

}  // namespace testing_support
}  // namespace tourwright
