// The preview's live reload while an editor writes the script in place: a
// script that has not stood still is not read, the page keeps the tour as
// last read whole and is told that the script is being saved. POSIX only.
#ifndef _WIN32

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::writeFile;

const char kTile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t</image>\n</krpano>\n";

struct Preview {
  pid_t pid = -1;
  int port = 0;
};

// Starts the preview of t.lst in `dir`; its port from the line it prints
// once it listens (a minute at most).
Preview startPreview(const TempDir& dir) {
  Preview preview;
  int ends[2];
  if (pipe(ends) != 0) return preview;
  preview.pid = fork();
  if (preview.pid == 0) {
    dup2(ends[1], 1);
    close(ends[0]);
    close(ends[1]);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    execl(TOURWRIGHT_EXE, TOURWRIGHT_EXE, "--preview", "t.lst", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[1]);
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char c;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd wait = {ends[0], POLLIN, 0};
    if (poll(&wait, 1, 1000) <= 0) continue;
    if (read(ends[0], &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  close(ends[0]);
  size_t colon = line.rfind("127.0.0.1:");
  if (colon != std::string::npos) preview.port = std::atoi(line.c_str() + colon + 10);
  return preview;
}

// The page's model as a request gets it; empty when none came.
std::string model(const Preview& preview) {
  int connection = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(preview.port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    std::string request = "GET /_tourwright/tour.json HTTP/1.1\r\nHost: 127.0.0.1:" +
                          std::to_string(preview.port) + "\r\nConnection: close\r\n\r\n";
    send(connection, request.data(), request.size(), MSG_NOSIGNAL);
    char block[4096];
    for (ssize_t got; (got = recv(connection, block, sizeof block, 0)) > 0;) answer.append(block, got);
  }
  close(connection);
  size_t body = answer.find("\r\n\r\n");
  return body == std::string::npos ? std::string() : answer.substr(body + 4);
}

int count(const std::string& text, const std::string& part) {
  int found = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

// The script written with its modification time `seconds` from now.
void writeScript(const TempDir& dir, const std::string& text, int seconds) {
  writeFile(dir.file("t.lst"), text);
  struct timespec times[2];
  clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec += seconds;
  times[1] = times[0];
  utimensat(AT_FDCWD, dir.file("t.lst").c_str(), times, 0);
}

TEST(PreviewReloadTest, AScriptBeingWrittenKeepsTheLastWholeTour) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("court.xml"), kTile);
  writeFile(dir.file("gate.xml"), kTile);
  const std::string twoScenes = "#SCENE\nhall 0 0 $Hall\n#SCENE\ncourt 0 0 $Court\n";
  writeScript(dir, twoScenes, -10);
  Preview preview = startPreview(dir);
  ASSERT_GT(preview.port, 0);

  const struct {
    const char* what;
    std::string script;
    int secondsFromNow;  // the script's modification time
    bool saving;
    int scenes;
  } steps[] = {
      {"the script as saved long ago", twoScenes, -10, false, 2},
      // Half written, paused: written at a time ahead of the clock, so it
      // has stood still for no time at all however slow this machine is.
      {"half a script, just written", "#SCENE\nhall 0 0 $Hall\n", 60, true, 2},
      {"the whole script, saved", twoScenes + "#SCENE\ngate 0 0 $Gate\n", -10, false, 3},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    writeScript(dir, step.script, step.secondsFromNow);
    std::string json = model(preview);
    ASSERT_FALSE(json.empty());
    EXPECT_EQ(count(json, "\"saving\":true"), step.saving ? 1 : 0) << json.substr(0, 200);
    EXPECT_EQ(count(json, "\"number\":"), step.scenes);
  }
  kill(preview.pid, SIGTERM);
  int status = 0;
  waitpid(preview.pid, &status, 0);
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
