// Built on Boost.Asio's event loop, with Boost.Beast reading request heads
// (both header-only). A connection is a small record whose steps run as
// completion handlers on the server's one thread: wait for a request, read
// its head under a deadline, answer it (a text, the model, or a file in
// pieces), then wait again or close. The raw request target is mapped,
// never a decoded path (which would have turned "%2f" into "/").
#include "preview/server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>

#include "preview/answer.h"

namespace tourwright {

// The server's limits. A browser keeps up to six connections to a server
// and sends each request head in one piece; anything slower, larger or
// more numerous is a client to be cut off, not waited for.
constexpr std::chrono::seconds kIdleTimeout{5};     // for a request's first byte
constexpr std::chrono::seconds kHeadTimeout{5};     // from it to the head's end
constexpr std::chrono::seconds kWriteTimeout{10};   // for each piece of an answer
constexpr std::chrono::milliseconds kLingerTime{500};  // reading what follows a refusal
constexpr size_t kMaxHeadBytes = 16 * 1024;         // request line and headers
constexpr size_t kMaxConnections = 256;             // then the longest idle one goes
constexpr size_t kFilePiece = 32 * 1024;            // read and sent at a time
constexpr size_t kMaxLingerBytes = 256 * 1024;
constexpr int kListenBacklog = 1024;  // connections the system holds until accepted

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Connection;

struct PreviewServer {
  PreviewSettings settings;
  int port = 0;
  std::atomic<bool> stopRequested{false};
  // Declared before the loop: the connections its pending handlers hold
  // leave this set when the loop is destroyed.
  std::set<Connection*> connections;
  asio::io_context loop{1};
  std::vector<tcp::acceptor> listeners;
};

struct Connection {
  PreviewServer* server;
  beast::tcp_stream stream;
  beast::flat_buffer input{kMaxHeadBytes};  // the head and what follows it
  std::optional<http::request_parser<http::empty_body>> parser;
  // Waiting for a request (or lingering after a refusal) since `since`:
  // such a connection may be closed to make room for another.
  bool idle = false;
  Clock::time_point since;
  bool keepAlive = false;
  Answer answer = {"", "", nullptr, 0, false};  // a file's `length` bytes go in pieces
  std::unique_ptr<char[]> piece;  // kFilePiece bytes, once a file is sent
  size_t lingered = 0;

  Connection(PreviewServer* owner, tcp::socket socket)
      : server(owner), stream(std::move(socket)) {
    server->connections.insert(this);
  }
  ~Connection() {
    if (answer.file != nullptr) std::fclose(answer.file);
    server->connections.erase(this);
  }
};

using ConnectionPtr = std::shared_ptr<Connection>;

namespace {

void waitForRequest(const ConnectionPtr& c);

// Reads and drops what the client still sends after a refusal, for a
// moment, so that the answer reaches it before the connection closes
// (closing with unread bytes would reset it and could lose the answer).
void linger(const ConnectionPtr& c) {
  if (!c->piece) c->piece.reset(new char[kFilePiece]);
  c->stream.async_read_some(asio::buffer(c->piece.get(), kFilePiece),
                            [c](beast::error_code error, size_t count) {
                              c->lingered += count;
                              if (!error && c->lingered < kMaxLingerBytes) linger(c);
                            });
}

void closeGently(const ConnectionPtr& c) {
  beast::error_code ignored;
  c->stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
  c->idle = true;
  c->since = Clock::time_point();  // the first to go when room is needed
  c->stream.expires_after(kLingerTime);
  c->input.clear();
  linger(c);
}

void answered(const ConnectionPtr& c) {
  if (c->answer.file != nullptr) std::fclose(c->answer.file);
  c->answer = Answer{"", "", nullptr, 0, false};
  if (c->keepAlive && !c->server->stopRequested) return waitForRequest(c);
  closeGently(c);
}

void sendPiece(const ConnectionPtr& c) {
  if (c->answer.length == 0) return answered(c);
  size_t count = static_cast<size_t>(std::min<long long>(c->answer.length, kFilePiece));
  if (!c->piece) c->piece.reset(new char[kFilePiece]);
  size_t got = std::fread(c->piece.get(), 1, count, c->answer.file);
  // A file cut short while it is sent ends the connection: the length
  // promised can no longer be kept.
  if (got == 0) return;
  c->answer.length -= static_cast<long long>(got);
  c->stream.expires_after(kWriteTimeout);
  asio::async_write(c->stream, asio::buffer(c->piece.get(), got),
                    [c](beast::error_code error, size_t) {
                      if (!error) sendPiece(c);
                    });
}

void sendAnswer(const ConnectionPtr& c, Answer answer, bool headOnly, unsigned version) {
  c->answer = std::move(answer);
  Answer& a = c->answer;
  if (a.closing) c->keepAlive = false;
  long long length = a.file != nullptr ? a.length : static_cast<long long>(a.body.size());
  a.head += "Content-Length: " + std::to_string(length) + "\r\n";
  if (!c->keepAlive) {
    a.head += "Connection: close\r\n";
  } else if (version < 11) {
    a.head += "Connection: keep-alive\r\n";
  }
  a.head += "\r\n";
  if (headOnly) {
    a.body.clear();
    a.length = 0;
  }
  std::vector<asio::const_buffer> out = {asio::buffer(a.head)};
  if (!a.body.empty()) out.push_back(asio::buffer(a.body));
  c->stream.expires_after(kWriteTimeout);
  asio::async_write(c->stream, out, [c](beast::error_code error, size_t) {
    if (error) return;
    if (c->answer.file != nullptr) return sendPiece(c);
    answered(c);
  });
}

void onHead(const ConnectionPtr& c, beast::error_code error) {
  c->idle = false;
  c->keepAlive = false;
  if (error == http::error::header_limit || error == http::error::buffer_overflow) {
    return sendAnswer(c, refusal(431), false, 11);
  }
  if (error == http::error::end_of_stream || error == http::error::partial_message) return;
  if (error && &error.category() == &http::make_error_code(http::error::bad_target).category()) {
    return sendAnswer(c, refusal(400), false, 11);
  }
  if (error) return;  // timed out, reset, or closed to make room
  const http::request<http::empty_body>& req = c->parser->get();
  auto range = req.find(http::field::range);
  RequestHead head = {std::string(req.method_string()),
                      std::string(req.target()),
                      std::string(req[http::field::host]),
                      static_cast<int>(req.count(http::field::host)),
                      !c->parser->is_done(),
                      range != req.end(),
                      range != req.end() ? std::string(range->value()) : std::string(),
                      req.find(http::field::if_range) != req.end()};
  c->keepAlive = req.keep_alive();
  const PreviewSettings& settings = c->server->settings;
  AnswerSource source = {&settings.folder, settings.modelJson, settings.context, c->server->port};
  if (settings.hasSite) {
    source.site = &settings.site;
    source.tourPath = settings.tourPath;
    source.baseName = settings.baseName;
    source.writtenTourFile = settings.writtenTourFile;
  }
  sendAnswer(c, answerRequest(head, source), req.method() == http::verb::head, req.version());
}

void readHead(const ConnectionPtr& c) {
  c->stream.expires_after(kHeadTimeout);
  http::async_read_header(c->stream, c->input, *c->parser,
                          [c](beast::error_code error, size_t) { onHead(c, error); });
}

void waitForRequest(const ConnectionPtr& c) {
  c->parser.emplace();
  c->parser->header_limit(kMaxHeadBytes);
  c->idle = true;
  c->since = Clock::now();
  // A request already read ahead (pipelined) is taken at once.
  if (c->input.size() > 0) return readHead(c);
  c->stream.expires_after(kIdleTimeout);
  c->stream.async_read_some(c->input.prepare(std::min<size_t>(4096, kMaxHeadBytes)),
                            [c](beast::error_code error, size_t count) {
                              if (error) return;
                              c->input.commit(count);
                              readHead(c);
                            });
}

// Closes the connection that has waited longest without a request; false
// when every connection is busy answering.
bool closeLongestIdle(PreviewServer* server) {
  Connection* oldest = nullptr;
  for (Connection* c : server->connections) {
    if (c->idle && (oldest == nullptr || c->since < oldest->since)) oldest = c;
  }
  if (oldest == nullptr) return false;
  oldest->idle = false;
  oldest->stream.close();  // its pending step ends with an error, and so does it
  return true;
}

void acceptNext(PreviewServer* server, tcp::acceptor* listener) {
  listener->async_accept([server, listener](beast::error_code error, tcp::socket socket) {
    if (error == asio::error::operation_aborted || !listener->is_open()) return;
    if (error) {
      // Out of descriptors, most likely: make room, and try again shortly.
      closeLongestIdle(server);
      auto pause = std::make_shared<asio::steady_timer>(server->loop, std::chrono::milliseconds(50));
      pause->async_wait([server, listener, pause](beast::error_code) { acceptNext(server, listener); });
      return;
    }
    if (server->connections.size() < kMaxConnections || closeLongestIdle(server)) {
      beast::error_code ignored;
      socket.set_option(tcp::no_delay(true), ignored);
      waitForRequest(std::make_shared<Connection>(server, std::move(socket)));
    }
    acceptNext(server, listener);
  });
}

// Binds a listener to `address`:`port`, exclusively: never two servers
// on one port.
beast::error_code bindListener(PreviewServer* server, const asio::ip::address& address, int port) {
  tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  tcp::acceptor listener(server->loop);
  beast::error_code error;
  listener.open(endpoint.protocol(), error);
  if (error) return error;
#ifdef _WIN32
  using Exclusive = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
  listener.set_option(Exclusive(true), error);
#else
  // Only lets a port in TIME_WAIT be taken again; POSIX never shares one.
  listener.set_option(tcp::acceptor::reuse_address(true), error);
#endif
  if (address.is_v6()) listener.set_option(asio::ip::v6_only(true), error);
  listener.bind(endpoint, error);
  if (!error) listener.listen(kListenBacklog, error);
  if (!error) server->listeners.push_back(std::move(listener));
  return error;
}

bool inUse(const beast::error_code& error) {
  // Windows refuses a port that another socket holds exclusively as access denied.
#ifdef _WIN32
  return error == asio::error::address_in_use || error == asio::error::access_denied;
#else
  return error == asio::error::address_in_use;
#endif
}

// No IPv6 on this system: nothing else can listen on ::1 either.
bool noIpv6(const beast::error_code& error) {
#ifdef _WIN32
  const int kNotAvailable = WSAEADDRNOTAVAIL;
#else
  const int kNotAvailable = EADDRNOTAVAIL;
#endif
  return error == asio::error::address_family_not_supported ||
         (error.category() == asio::error::get_system_category() && error.value() == kNotAvailable);
}

ListenOutcome failure(const char* address, int port, const beast::error_code& error) {
  ListenResult result = inUse(error) ? ListenResult::kPortInUse
                        : error == asio::error::access_denied ? ListenResult::kPermissionDenied
                                                              : ListenResult::kFailed;
  return {result, port, address, error.message()};
}

}  // namespace

PreviewServer* createPreviewServer(const PreviewSettings& settings) {
  PreviewServer* server = new PreviewServer;
  server->settings = settings;
  return server;
}

ListenOutcome listenForPreview(PreviewServer* server, int port) {
  // A free port of 127.0.0.1 may be taken on ::1: a few tries.
  for (int tries = 0; tries < 16; ++tries) {
    server->listeners.clear();
    beast::error_code error = bindListener(server, asio::ip::address_v4::loopback(), port);
    if (error) return failure("127.0.0.1", port, error);
    int bound = server->listeners[0].local_endpoint(error).port();
    if (error) return failure("127.0.0.1", port, error);
    error = bindListener(server, asio::ip::address_v6::loopback(), bound);
    if (error && !noIpv6(error)) {
      if (port == 0 && inUse(error)) continue;
      server->listeners.clear();
      return failure("::1", port, error);
    }
    server->port = bound;
    for (tcp::acceptor& listener : server->listeners) acceptNext(server, &listener);
    return {ListenResult::kListening, bound, "", ""};
  }
  server->listeners.clear();
  return {ListenResult::kFailed, port, "::1", "no free port on both addresses"};
}

bool servePreview(PreviewServer* server) {
  server->loop.run();
  return server->stopRequested;
}

void stopPreview(PreviewServer* server) {
  server->stopRequested = true;
  // Stopping the loop is safe from any thread; a loop stopped before it
  // runs returns at once.
  server->loop.stop();
}

void destroyPreviewServer(PreviewServer* server) { delete server; }

}  // namespace tourwright
