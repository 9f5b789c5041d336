// The preview server under clients that try to hold it: many slow and
// idle connections, floods of header bytes, and a signal while clients
// trickle and downloads stall. Counts and times are bounded so that the
// whole file runs in seconds, over loopback only.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "driver/preview_harness.h"
#include "test_support.h"

namespace tourwright {
namespace {

namespace fs = std::filesystem;
using namespace preview_harness;
using testing_support::readFile;
using testing_support::sourceDir;
using testing_support::TempDir;

// A copy of the example tour, previewed.
struct ServedTour {
  TempDir root;
  std::string tour;
  Preview preview;
  int port = 0;
  ServedTour() {
    tour = root.file("palace");
    fs::copy(sourceDir() + "/examples/palace", tour, fs::copy_options::recursive);
    preview = startPreview(tour, {"--preview", "palace.lst"});
    port = portOf(preview.line);
  }
  ~ServedTour() { endPreview(&preview, SIGKILL); }
  std::string request(const std::string& path) const {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nConnection: close\r\n\r\n";
  }
};

// Lets this process hold `count` more descriptors, as far as the hard
// limit allows; the count it can hold.
size_t roomForDescriptors(size_t count) {
  rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  rlim_t wanted = static_cast<rlim_t>(count + 64);
  if (limit.rlim_cur < wanted) {
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > wanted ? wanted : limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  return limit.rlim_cur > 64 ? static_cast<size_t>(limit.rlim_cur - 64) : 0;
}

TEST(PreviewEndToEnd, SlowAndIdleClientsHoldUpNoOne) {
  const size_t kSlow = 100;
  const size_t kIdle = 1000;
  size_t room = roomForDescriptors(kSlow + kIdle);
  ASSERT_GE(room, kSlow + 100) << "too few descriptors for the test";
  ServedTour served;
  ASSERT_GT(served.port, 0) << served.preview.line;
  std::vector<int> slow;
  std::vector<int> idle;
  for (size_t i = 0; i < kSlow; ++i) slow.push_back(openConnection(served.port, "GET / HTTP/1.1\r\n"));
  for (size_t i = 0; i < kIdle && slow.size() + idle.size() < room; ++i) {
    idle.push_back(connectTo(served.port));
  }
  const std::string hall = readFile(served.tour + "/hall.xml");
  // Every second the slow ones send a byte of a header, and one normal
  // request is asked and must be answered at once; after the head's
  // deadline the slow ones have been cut off.
  const auto limit = std::chrono::seconds(underWine() ? 10 : 2);
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 7; ++round) {
    for (int connection : slow) send(connection, "X", 1, MSG_NOSIGNAL);
    int normal = openConnection(served.port, served.request("/hall.xml"));
    bool closed = false;
    std::string answer = readUntilClosed(normal, limit, &closed);
    close(normal);
    EXPECT_TRUE(closed) << "round " << round;
    EXPECT_EQ(answer.substr(answer.size() - std::min(answer.size(), hall.size())), hall)
        << "round " << round;
    std::this_thread::sleep_until(start + std::chrono::seconds(round + 1));
  }
  size_t cutOff = 0;
  for (int connection : slow) {
    bool closed = false;
    readUntilClosed(connection, std::chrono::milliseconds(10), &closed);
    cutOff += closed ? 1 : 0;
    close(connection);
  }
  EXPECT_EQ(cutOff, slow.size());
  for (int connection : idle) close(connection);
}

TEST(PreviewEndToEnd, FloodsOfHeaderBytesAreCutOffAndCostNoMemory) {
  ServedTour served;
  ASSERT_GT(served.port, 0) << served.preview.line;
  // Eight connections, each trying to send 8 MiB of one header.
  const std::string piece(64 * 1024, 'x');
  std::vector<std::thread> floods;
  std::vector<std::string> answers(8);
  for (std::string& answer : answers) {
    floods.emplace_back([&served, &piece, &answer] {
      int connection = openConnection(served.port, "GET / HTTP/1.1\r\nX-Flood: ");
      for (int i = 0; i < 128 && sendAll(connection, piece); ++i) {
      }
      answer = readUntilClosed(connection, std::chrono::seconds(underWine() ? 20 : 5));
      close(connection);
    });
  }
  for (std::thread& flood : floods) flood.join();
  for (const std::string& answer : answers) {
    // The answer may be lost to the reset of a connection still sending.
    if (!answer.empty()) {
      EXPECT_EQ(statusesIn(answer), std::vector<int>{431});
    }
  }
  int normal = openConnection(served.port, served.request("/hall.xml"));
  EXPECT_EQ(statusesIn(readUntilClosed(normal, std::chrono::seconds(10))), std::vector<int>{200});
  close(normal);
  if (underWine()) return;  // the process is Wine's
  std::ifstream status("/proc/" + std::to_string(served.preview.pid) + "/status");
  long long peakKib = -1;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) peakKib = std::atoll(line.c_str() + 6);
  }
  EXPECT_GT(peakKib, 0);
  EXPECT_LT(peakKib, 32 * 1024);
}

TEST(PreviewEndToEnd, EndsOnASignalWhateverItsClientsDo) {
  std::vector<int> signals = {SIGINT, SIGTERM};
  if (underWine()) signals = {SIGINT};  // Wine takes SIGTERM for a kill
  for (int signal : signals) {
    ServedTour served;
    ASSERT_GT(served.port, 0) << served.preview.line;
    {  // a large file, asked for and never read
      std::ofstream large(served.tour + "/large.mp4", std::ios::binary);
      large.seekp(64 * 1024 * 1024 - 1);
      large.put('\0');
    }
    int stalled = openConnection(served.port, served.request("/large.mp4"));
    int trickling = openConnection(served.port, "GET / HTTP/1.1\r\nHo");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    send(trickling, "s", 1, MSG_NOSIGNAL);
    EXPECT_EQ(endPreview(&served.preview, signal, std::chrono::seconds(underWine() ? 10 : 2)), 0)
        << "signal " << signal;
    close(stalled);
    close(trickling);
  }
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
