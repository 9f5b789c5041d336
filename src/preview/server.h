// The preview server: HTTP on the loopback address only, answering the
// page (built into the program), its model (built afresh for each
// request) and the files of the tour folder, each request on a thread of
// a pool so that a slow or vanished client holds up no other.
//
// What is served where is request_path.h's to decide; whether a file may
// be read, tour_files.h's. Every request whose Host header is not this
// server's own address is refused (a page of another site may reach the
// loopback address through a DNS name rebound to it), and so is every
// method but GET and HEAD. A single byte range of a tour file is served
// (videos seek with them); one that the file cannot satisfy gets 416.
#ifndef TOURWRIGHT_PREVIEW_SERVER_H_
#define TOURWRIGHT_PREVIEW_SERVER_H_

#include <string>

#include "preview/tour_files.h"

namespace tourwright {

struct PreviewSettings {
  TourFolder folder;
  // The page's model as JSON; called on the server's threads, one call at
  // a time or several at once, so it keeps its own lock.
  std::string (*modelJson)(void* context);
  void* context;
};

struct PreviewServer;

enum class ListenResult { kListening, kPortInUse, kFailed };

PreviewServer* createPreviewServer(const PreviewSettings& settings);
// Binds 127.0.0.1:`port` (0: a free port the system picks) and sets
// *boundPort; connections wait there until servePreview.
ListenResult listenForPreview(PreviewServer* server, int port, int* boundPort);
// Answers requests until stopPreview; false when serving failed.
bool servePreview(PreviewServer* server);
// Ends servePreview; safe from any thread, also before it has begun.
void stopPreview(PreviewServer* server);
void destroyPreviewServer(PreviewServer* server);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_SERVER_H_
