// Built on the single-header HTTP library in third_party/cpp-httplib. All
// requests go through one handler ahead of the library's own routing, so
// that its file handlers and regular-expression routes never see a
// request, and so that the raw request target is mapped, not the
// library's decoded path (which would have turned "%2f" into "/").
#include "preview/server.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "preview/embedded_files.h"
#include "preview/request_path.h"

// Sixteen connections at once must not wait in the kernel's queue.
#define CPPHTTPLIB_LISTEN_BACKLOG 64
#include "httplib.h"

namespace tourwright {

// A browser keeps up to six connections to a server open, and the page
// polls its model; a connection holds its thread while it is kept open (2 s
// after its last request) and a slow client until it times out (5 s):
// enough threads for a few tabs and a good many slow clients.
constexpr size_t kServerThreads = 64;
constexpr size_t kReadPiece = 64 * 1024;

struct PreviewServer {
  PreviewSettings settings;
  httplib::Server http;
  int port = 0;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> finished{false};
};

namespace {

void answerText(httplib::Response& res, int status, const std::string& text) {
  res.status = status;
  res.set_content(text + "\n", "text/plain; charset=utf-8");
}

// Keeps one satisfiable byte range, clamped to the file, or none (a
// request for several ranges gets the whole file, as HTTP allows); false
// when the one range asked for lies beyond the file.
bool settleRange(httplib::Request& req, long long size) {
  if (req.ranges.size() != 1) {
    req.ranges.clear();
    return true;
  }
  long long first = req.ranges[0].first;
  long long last = req.ranges[0].second;
  if (first < 0) {  // the last `last` bytes
    if (last <= 0) return false;
    first = last >= size ? 0 : size - last;
    last = size - 1;
  } else if (last < 0 || last >= size) {
    last = size - 1;
  }
  if (first >= size || first > last) return false;
  req.ranges[0] = httplib::Range(static_cast<ssize_t>(first), static_cast<ssize_t>(last));
  return true;
}

void serveTourFile(PreviewServer* server, httplib::Request& req, httplib::Response& res,
                   const std::string& names) {
  long long size = 0;
  FILE* stream = openTourFile(server->settings.folder, names, &size);
  if (stream == nullptr) return answerText(res, 404, "Not Found");
  res.set_header("Cache-Control", "no-cache");
  res.set_header("Accept-Ranges", "bytes");
  const char* type = contentTypeFor(names);
  if (!settleRange(req, size)) {
    std::fclose(stream);
    req.ranges.clear();
    res.set_header("Content-Range", "bytes */" + std::to_string(size));
    return answerText(res, 416, "Range Not Satisfiable");
  }
  if (size == 0) {
    std::fclose(stream);
    req.ranges.clear();
    res.set_content("", type);
    return;
  }
  res.set_content_provider(
      static_cast<size_t>(size), type,
      [stream](size_t offset, size_t length, httplib::DataSink& sink) {
        char piece[kReadPiece];
        size_t count = length < sizeof piece ? length : sizeof piece;
#ifdef _WIN32
        bool placed = _fseeki64(stream, static_cast<long long>(offset), SEEK_SET) == 0;
#else
        bool placed = fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
        size_t got = placed ? std::fread(piece, 1, count, stream) : 0;
        // A file cut short while it is sent ends the connection.
        return got > 0 && sink.write(piece, got);
      },
      [stream](bool) { std::fclose(stream); });
}

void serveEmbedded(httplib::Response& res, const std::string& path) {
  const EmbeddedFile* file = findEmbeddedFile(path);
  if (file == nullptr) return answerText(res, 404, "Not Found");
  const char* type = path == "web/index.html" ? "text/html; charset=utf-8" : contentTypeFor(path);
  res.set_header("Cache-Control", "no-cache");
  res.set_content(reinterpret_cast<const char*>(file->data), file->size, type);
}

void answer(PreviewServer* server, httplib::Request& req, httplib::Response& res) {
  res.set_header("X-Content-Type-Options", "nosniff");
  if (!isOwnHost(req.get_header_value("Host"), server->port)) {
    req.ranges.clear();
    return answerText(res, 403, "Forbidden: this server answers only to 127.0.0.1:" +
                                    std::to_string(server->port));
  }
  if (req.method != "GET" && req.method != "HEAD") {
    req.ranges.clear();
    res.set_header("Allow", "GET, HEAD");
    // The body, if any, is never read: the connection ends with the answer.
    res.set_header("Connection", "close");
    return answerText(res, 405, "Method Not Allowed");
  }
  MappedRequest mapped = mapRequestTarget(req.target);
  if (mapped.kind != RequestKind::kTourFile) req.ranges.clear();
  switch (mapped.kind) {
    case RequestKind::kModel:
      res.set_header("Cache-Control", "no-store");
      res.set_content(server->settings.modelJson(server->settings.context),
                      "application/json; charset=utf-8");
      return;
    case RequestKind::kEmbeddedFile:
      return serveEmbedded(res, mapped.path);
    case RequestKind::kTourFile:
      return serveTourFile(server, req, res, mapped.path);
    case RequestKind::kNoListing:
      return answerText(res, 404, "Not Found");
    case RequestKind::kRefused:
      break;
  }
  answerText(res, 403, "Forbidden");
}

// Never two servers on one port: the library's default would let a second
// process share it (SO_REUSEPORT) instead of reporting it in use.
void exclusiveAddress(socket_t sock) {
  int yes = 1;
#ifdef _WIN32
  setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<char*>(&yes), sizeof yes);
#else
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

bool addressInUse() {
#ifdef _WIN32
  int error = WSAGetLastError();
  return error == WSAEADDRINUSE || error == WSAEACCES;
#else
  return errno == EADDRINUSE || errno == EACCES;
#endif
}

}  // namespace

PreviewServer* createPreviewServer(const PreviewSettings& settings) {
  PreviewServer* server = new PreviewServer;
  server->settings = settings;
  httplib::Server& http = server->http;
  http.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
  http.set_socket_options(exclusiveAddress);
  // Headers and body go out in separate writes: without this, each answer
  // on a kept-alive connection waits for the client's delayed ACK.
  http.set_tcp_nodelay(true);
  http.set_keep_alive_max_count(100);
  http.set_keep_alive_timeout(2);
  http.set_read_timeout(5, 0);
  http.set_write_timeout(5, 0);
  http.set_payload_max_length(64 * 1024);
  http.set_pre_routing_handler([server](const httplib::Request& req, httplib::Response& res) {
    // The request is the library's own, not a constant: the ranges it
    // will apply are settled here.
    answer(server, const_cast<httplib::Request&>(req), res);
    return httplib::Server::HandlerResponse::Handled;
  });
  return server;
}

ListenResult listenForPreview(PreviewServer* server, int port, int* boundPort) {
  if (port == 0) {
    port = server->http.bind_to_any_port("127.0.0.1");
    if (port < 0) return ListenResult::kFailed;
  } else if (!server->http.bind_to_port("127.0.0.1", port)) {
    return addressInUse() ? ListenResult::kPortInUse : ListenResult::kFailed;
  }
  server->port = port;
  *boundPort = port;
  return ListenResult::kListening;
}

bool servePreview(PreviewServer* server) {
  bool served = server->stopRequested || server->http.listen_after_bind();
  server->finished = true;
  return served || server->stopRequested;
}

void stopPreview(PreviewServer* server) {
  server->stopRequested = true;
  // The library stops only a server that runs, once: wait for it to start
  // when servePreview is on its way.
  while (!server->finished && !server->http.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!server->finished) server->http.stop();
}

void destroyPreviewServer(PreviewServer* server) { delete server; }

}  // namespace tourwright
