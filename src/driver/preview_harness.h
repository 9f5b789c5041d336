// The preview end-to-end tests' helpers (POSIX only): the program started
// in a folder with its first line of output read, ended with a signal,
// and raw connections to it over loopback. Under Wine the same tests run
// against the Windows executable: TOURWRIGHT_PREVIEW_EXE names the
// program, TOURWRIGHT_PREVIEW_LAUNCHER what runs it.
#ifndef TOURWRIGHT_DRIVER_PREVIEW_HARNESS_H_
#define TOURWRIGHT_DRIVER_PREVIEW_HARNESS_H_

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tourwright {
namespace preview_harness {

struct Preview {
  pid_t pid = -1;
  int out = -1;  // the program's standard output
  std::string line;
};

inline const char* setting(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : fallback;
}

inline bool underWine() { return std::getenv("TOURWRIGHT_PREVIEW_LAUNCHER") != nullptr; }

// Starts the preview in `folder`, its standard error into `errorFile`
// when one is named; waits (a minute at most: Wine starts slowly) for
// its line on standard output.
inline Preview startPreview(const std::string& folder, const std::vector<std::string>& options,
                            const std::string& errorFile = "") {
  std::vector<std::string> words;
  if (const char* launcher = std::getenv("TOURWRIGHT_PREVIEW_LAUNCHER")) words.push_back(launcher);
  words.push_back(setting("TOURWRIGHT_PREVIEW_EXE", TOURWRIGHT_EXE));
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  int pipeEnds[2];
  Preview preview;
  if (pipe(pipeEnds) != 0) return preview;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  if (!errorFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(folder);  // posix_spawn has no working folder of its own
  posix_spawnp(&preview.pid, argv[0], &actions, nullptr, argv.data(), environ);
  std::filesystem::current_path(cwd);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  preview.out = pipeEnds[0];
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char c;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd wait = {preview.out, POLLIN, 0};
    if (poll(&wait, 1, 1000) <= 0) continue;
    if (read(preview.out, &c, 1) != 1 || c == '\n') break;
    if (c != '\r') preview.line += c;
  }
  return preview;
}

// Ends it with the signal given (0: waits for it to end by itself); its
// exit status, -1 when it was still running after `limit` and was killed
// (or had ended before).
inline int endPreview(Preview* preview, int signal,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  if (preview->pid <= 0) return -1;
  if (signal != 0) kill(preview->pid, signal);
  auto deadline = std::chrono::steady_clock::now() + limit;
  int raw = 0;
  do {
    if (waitpid(preview->pid, &raw, WNOHANG) == preview->pid) {
      close(preview->out);
      *preview = Preview();
      return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  kill(preview->pid, SIGKILL);
  waitpid(preview->pid, &raw, 0);
  close(preview->out);
  *preview = Preview();
  return -1;
}

inline int portOf(const std::string& line) {
  size_t colon = line.rfind("127.0.0.1:");
  return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 10);
}

// A connection to `port` on 127.0.0.1 (or ::1); -1 when it fails.
inline int connectTo(int port, bool ipv6 = false) {
  int connection = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (connection < 0) return -1;
  int failed;
  if (ipv6) {
    sockaddr_in6 address = {};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(static_cast<uint16_t>(port));
    address.sin6_addr = in6addr_loopback;
    failed = connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    failed = connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  if (failed == 0) return connection;
  close(connection);
  return -1;
}

// Sends all of `bytes`; false when the connection refused them.
inline bool sendAll(int connection, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t count = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return false;
    sent += static_cast<size_t>(count);
  }
  return true;
}

// A connection to the server that has sent `bytes`.
inline int openConnection(int port, const std::string& bytes) {
  int connection = connectTo(port);
  if (connection >= 0) sendAll(connection, bytes);
  return connection;
}

// What arrives on `connection` until the server closes it or `limit`
// passes; *closed says which.
inline std::string readUntilClosed(int connection, std::chrono::milliseconds limit,
                                   bool* closed = nullptr) {
  std::string got;
  auto deadline = std::chrono::steady_clock::now() + limit;
  if (closed != nullptr) *closed = false;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return got;
    pollfd wait = {connection, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
    char block[4096];
    ssize_t count = recv(connection, block, sizeof block, 0);
    if (count <= 0) {
      if (closed != nullptr) *closed = true;
      return got;
    }
    got.append(block, static_cast<size_t>(count));
  }
}

// The status codes of the answers in `bytes`, in order (every line that
// begins an answer).
inline std::vector<int> statusesIn(const std::string& bytes) {
  std::vector<int> statuses;
  for (size_t at = bytes.find("HTTP/1.1 "); at != std::string::npos;
       at = bytes.find("HTTP/1.1 ", at + 1)) {
    if (at == 0 || bytes[at - 1] == '\n') statuses.push_back(std::atoi(bytes.c_str() + at + 9));
  }
  return statuses;
}

}  // namespace preview_harness
}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_PREVIEW_HARNESS_H_
