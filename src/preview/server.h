// The preview server: HTTP/1.1 on the loopback addresses only (127.0.0.1
// and ::1), answering the page (built into the program), its model (built
// afresh for each request) and the files of the tour folder (or, in the
// site view, of the site root). One thread serves every connection from
// one event loop, so a slow or vanished client holds up no other; what any
// client may cost (time, bytes, connections) is bounded by the limits at
// the top of server.cpp.
//
// What is served where is request_path.h's to decide; whether a file may
// be read, tour_files.h's. Every request whose Host header is not this
// server's own address is refused (a page of another site may reach the
// loopback address through a DNS name rebound to it), and so is every
// method but GET and HEAD and every request that carries a body; a refused
// request ends its connection, so nothing it sent is read as a request.
// Pipelined requests are answered in order. A single byte range of a tour
// file is served (videos seek with them).
#ifndef TOURWRIGHT_PREVIEW_SERVER_H_
#define TOURWRIGHT_PREVIEW_SERVER_H_

#include <string>

#include "preview/tour_files.h"

namespace tourwright {

struct PreviewSettings {
  TourFolder folder;
  // The page's model as JSON. Called on the server's one thread, between
  // the answers to other clients: it must not wait on anything slow.
  std::string (*modelJson)(void* context);
  void* context;
  // The site view (preview/site_view.h), with `hasSite`: every file path
  // is then a site path, of `site` (the site root), the tour at `tourPath`
  // under it. `writtenTourFile` is called as `modelJson` is.
  bool hasSite = false;
  TourFolder site = TourFolder();
  std::string tourPath = "";
  std::string baseName = "";
  FILE* (*writtenTourFile)(void* context, bool xml, long long* size,
                           std::string* problem) = nullptr;
};

struct PreviewServer;

enum class ListenResult { kListening, kPortInUse, kPermissionDenied, kFailed };

struct ListenOutcome {
  ListenResult result;
  int port;             // the port bound; else the one asked for
  const char* address;  // where it failed: "127.0.0.1" or "::1"
  std::string reason;   // the system's words for a failure
};

PreviewServer* createPreviewServer(const PreviewSettings& settings);
// Binds 127.0.0.1:`port` and [::1]:`port` (0: a free port the system
// picks; ::1 is left out where the system has no IPv6); connections wait
// there until servePreview. No name is looked up.
ListenOutcome listenForPreview(PreviewServer* server, int port);
// Answers requests until stopPreview; false when serving failed.
bool servePreview(PreviewServer* server);
// Ends servePreview at once, whatever the clients are doing; safe from any
// thread, also before it has begun.
void stopPreview(PreviewServer* server);
void destroyPreviewServer(PreviewServer* server);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_SERVER_H_
