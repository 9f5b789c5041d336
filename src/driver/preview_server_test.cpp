// The preview server's answers over raw connections: what a refused
// request leaves behind, pipelined requests, ranges, the headers every
// answer carries, both loopback addresses, and port 80.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/preview_harness.h"
#include "httplib.h"
#include "test_support.h"

namespace tourwright {
namespace {

namespace fs = std::filesystem;
using namespace preview_harness;
using testing_support::readFile;
using testing_support::sourceDir;
using testing_support::TempDir;

const std::chrono::milliseconds kAnswerLimit = std::chrono::seconds(underWine() ? 20 : 5);

// A copy of the example tour, previewed (on `options`' port, if any).
struct ServedTour {
  TempDir root;
  std::string tour;
  Preview preview;
  int port = 0;
  explicit ServedTour(const std::vector<std::string>& options = {}) {
    tour = root.file("palace");
    fs::copy(sourceDir() + "/examples/palace", tour, fs::copy_options::recursive);
    std::vector<std::string> words = {"--preview"};
    words.insert(words.end(), options.begin(), options.end());
    words.push_back("palace.lst");
    preview = startPreview(tour, words);
    port = portOf(preview.line);
  }
  ~ServedTour() { endPreview(&preview, SIGKILL); }
  std::string host() const { return "Host: 127.0.0.1:" + std::to_string(port) + "\r\n"; }
};

// What the server answers to `bytes` sent on one connection, and whether
// it then closed it.
std::string exchange(int port, const std::string& bytes, bool* closed, bool ipv6 = false) {
  int connection = connectTo(port, ipv6);
  if (connection < 0) return "";
  sendAll(connection, bytes);
  std::string answer = readUntilClosed(connection, kAnswerLimit, closed);
  close(connection);
  return answer;
}

TEST(PreviewEndToEnd, RefusedRequestsEndTheirConnectionUnread) {
  ServedTour served;
  ASSERT_GT(served.port, 0) << served.preview.line;
  const std::string own = served.host();
  // A request for the tour, hidden where a refused request's body lies.
  const std::string hidden = "GET /hall.xml HTTP/1.1\r\n" + own + "\r\n";
  const std::string length = "Content-Length: " + std::to_string(hidden.size()) + "\r\n";
  const std::string chunk = "Transfer-Encoding: chunked\r\n\r\n" + std::to_string(hidden.size()) +
                            "\r\n" + hidden + "\r\n0\r\n\r\n";
  const struct {
    std::string bytes;
    int status;
  } cases[] = {
      {"GET /hall.xml HTTP/1.1\r\nHost: evil.example\r\n" + length + "\r\n" + hidden, 403},
      {"POST /hall.xml HTTP/1.1\r\n" + own + length + "\r\n" + hidden, 405},
      {"GET /hall.xml HTTP/1.1\r\n" + own + length + "\r\n" + hidden, 400},
      {"GET /hall.xml HTTP/1.1\r\n" + own + chunk, 400},
      {"GET /hall.xml HTTP/1.1\r\n" + own + own + "\r\n" + hidden, 400},
      {"GET /hall.xml HTTP/1.0\r\n\r\n" + hidden, 403},
      {"HELLO\r\n\r\n" + hidden, 400},
      {"GET /hall.xml HTTP/1.1\r\n" + own + "X: " + std::string(20000, 'x') + "\r\n\r\n" + hidden,
       431},
  };
  for (const auto& c : cases) {
    bool closed = false;
    std::string answer = exchange(served.port, c.bytes, &closed);
    EXPECT_EQ(statusesIn(answer), std::vector<int>{c.status}) << c.bytes.substr(0, 60);
    EXPECT_TRUE(closed) << c.bytes.substr(0, 60);
    EXPECT_NE(answer.find("Connection: close\r\n"), std::string::npos) << c.bytes.substr(0, 60);
  }
}

TEST(PreviewEndToEnd, AnswersPipelinedRequestsInOrder) {
  ServedTour served;
  ASSERT_GT(served.port, 0) << served.preview.line;
  const std::string own = served.host();
  std::string hall = readFile(served.tour + "/hall.xml");
  bool closed = false;
  std::string answer =
      exchange(served.port,
               "GET /hall.xml HTTP/1.1\r\n" + own + "\r\n" + "HEAD /court.xml HTTP/1.1\r\n" + own +
                   "\r\n" + "GET /nosuch.jpg HTTP/1.1\r\n" + own + "\r\n" +
                   "GET /hall.xml HTTP/1.1\r\n" + own + "Range: bytes=0-4\r\n" +
                   "Connection: close\r\n\r\n",
               &closed);
  EXPECT_EQ(statusesIn(answer), (std::vector<int>{200, 200, 404, 206}));
  EXPECT_TRUE(closed);
  size_t body = answer.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(answer.substr(body + 4, hall.size()), hall);
  EXPECT_EQ(answer.substr(answer.size() - 5), hall.substr(0, 5));
}

TEST(PreviewEndToEnd, ServesOneValidRangeAndSaysWhereTheAnswerMayLoad) {
  ServedTour served;
  ASSERT_GT(served.port, 0) << served.preview.line;
  std::string hall = readFile(served.tour + "/hall.xml");
  std::string size = std::to_string(hall.size());
  httplib::Client client("127.0.0.1", served.port);
  client.set_read_timeout(10, 0);
  const struct {
    const char* method;
    const char* path;
    httplib::Headers headers;
    int status;
    std::string body;  // empty: not checked
    std::string contentRange;
  } cases[] = {
      {"GET", "/hall.xml", {{"Range", "bytes=1-3"}}, 206, hall.substr(1, 3), "bytes 1-3/" + size},
      {"GET", "/hall.xml", {{"Range", "BYTES=0-1"}}, 206, hall.substr(0, 2), "bytes 0-1/" + size},
      {"GET", "/hall.xml", {{"Range", "bytes=-2"}}, 206, hall.substr(hall.size() - 2), ""},
      {"GET", "/hall.xml", {{"Range", "items=0-1"}}, 200, hall, ""},
      {"GET", "/hall.xml", {{"Range", "bytes=abc"}}, 200, hall, ""},
      {"GET", "/hall.xml", {{"Range", "bytes=0-1,3-4"}}, 200, hall, ""},
      {"GET", "/hall.xml", {{"Range", "bytes=1-3"}, {"If-Range", "\"x\""}}, 200, hall, ""},
      {"GET", "/hall.xml", {{"Range", "bytes=" + size + "-"}}, 416, "", "bytes */" + size},
      {"GET", "/", {}, 200, "", ""},
      {"GET", "/_tourwright/tour.json", {}, 200, "", ""},
      {"GET", "/nosuch.jpg", {}, 404, "", ""},
      {"GET", "/../x", {}, 403, "", ""},
      {"DELETE", "/hall.xml", {}, 405, "", ""},
  };
  for (const auto& c : cases) {
    httplib::Request request;
    request.method = c.method;
    request.path = c.path;
    request.headers = c.headers;
    auto result = client.send(request);
    ASSERT_TRUE(result) << c.path;
    std::string label = c.path + (c.headers.empty() ? "" : " " + c.headers.begin()->second);
    EXPECT_EQ(result->status, c.status) << label;
    if (!c.body.empty()) {
      EXPECT_EQ(result->body, c.body) << label;
    }
    if (!c.contentRange.empty()) {
      EXPECT_EQ(result->get_header_value("Content-Range"), c.contentRange) << label;
    }
    EXPECT_EQ(result->get_header_value("Referrer-Policy"), "no-referrer") << label;
    EXPECT_EQ(result->get_header_value("Content-Security-Policy").rfind("default-src 'self';", 0), 0u)
        << label;
    EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff") << label;
  }
}

bool ipv6Loopback() {
  int probe = socket(AF_INET6, SOCK_STREAM, 0);
  if (probe < 0) return false;
  sockaddr_in6 address = {};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  bool bound = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return bound;
}

// A listening socket of this process on a free port of 127.0.0.1 or ::1;
// sets *port.
int listenOn(bool ipv6, int* port) {
  int listener = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  sockaddr_storage storage = {};
  socklen_t size;
  if (ipv6) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
    address->sin6_family = AF_INET6;
    address->sin6_addr = in6addr_loopback;
    size = sizeof *address;
  } else {
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof *address;
  }
  bind(listener, reinterpret_cast<sockaddr*>(&storage), size);
  listen(listener, 1);
  getsockname(listener, reinterpret_cast<sockaddr*>(&storage), &size);
  *port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return listener;
}

TEST(PreviewEndToEnd, ListensOnBothLoopbackAddressesOrNotAtAll) {
  if (!ipv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
  {
    ServedTour served;
    ASSERT_GT(served.port, 0) << served.preview.line;
    for (const char* name : {"localhost", "[::1]"}) {
      bool closed = false;
      std::string answer = exchange(served.port,
                                    "GET /hall.xml HTTP/1.1\r\nHost: " + std::string(name) + ":" +
                                        std::to_string(served.port) + "\r\nConnection: close\r\n\r\n",
                                    &closed, true);
      EXPECT_EQ(statusesIn(answer), std::vector<int>{200}) << name;
    }
  }
  // Another program on either address: the preview does not start.
  for (bool ipv6 : {false, true}) {
    int port = 0;
    int taken = listenOn(ipv6, &port);
    TempDir root;
    std::string tour = root.file("palace");
    fs::copy(sourceDir() + "/examples/palace", tour, fs::copy_options::recursive);
    std::string errors = root.file("errors.txt");
    Preview second = startPreview(tour, {"--preview", "--port", std::to_string(port), "palace.lst"},
                                  errors);
    EXPECT_EQ(second.line, "");
    EXPECT_EQ(endPreview(&second, 0), 1);
    std::string address = ipv6 ? "::1" : "127.0.0.1";
    EXPECT_NE(readFile(errors).find("Preview Error: port " + std::to_string(port) + " on " +
                                    address + " is in use"),
              std::string::npos)
        << readFile(errors);
    close(taken);
  }
}

TEST(PreviewEndToEnd, OnPort80TakesTheHostWithoutAPort) {
  ServedTour served({"--port", "80"});
  if (served.port != 80) GTEST_SKIP() << "port 80 cannot be had here";
  for (const char* host : {"127.0.0.1", "localhost", "127.0.0.1:80"}) {
    bool closed = false;
    std::string answer = exchange(
        80, "GET /hall.xml HTTP/1.1\r\nHost: " + std::string(host) + "\r\nConnection: close\r\n\r\n",
        &closed);
    EXPECT_EQ(statusesIn(answer), std::vector<int>{200}) << host;
  }
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
