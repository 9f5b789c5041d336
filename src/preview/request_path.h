// What a request to the preview server asks for, decided from the request
// alone: the page, its model, a file built into the program, or a file of
// the tour folder, and which requests are refused before any file is
// touched.
//
// A tour file's path is taken apart at "/" before it is percent-decoded,
// and every decoded component must be a plain file or folder name: no "."
// or "..", no name that begins with a dot, no separator or drive colon
// (so "%2e%2e", "%2f", "%5c" and "C:" never reach the file system), no
// control character or NUL, no character Windows refuses in names, no name
// that ends in a dot or a space (Windows would drop them), no device name
// (CON, NUL, COM1, ... with or without an extension), and valid UTF-8, as
// every path inside the program is. The same rules hold on every platform,
// so a tour previewed on Linux behaves as it will on Windows. Whether the
// file exists, is a regular file and lies inside the folder once links are
// followed is for tour_files.h to say.
#ifndef TOURWRIGHT_PREVIEW_REQUEST_PATH_H_
#define TOURWRIGHT_PREVIEW_REQUEST_PATH_H_

#include <string>

namespace tourwright {

// The reserved prefix of the page's own files; nothing of the tour folder
// is served under it.
constexpr char kReservedPrefix[] = "/_tourwright/";

enum class RequestKind {
  kModel,         // the page's model, built afresh
  kEmbeddedFile,  // a file built into the program ("/" is web/index.html)
  kTourFile,      // a file of the tour folder (a site path in the site view)
  kRefused,       // 403: what no file name can be
  kNoListing,     // 404: a folder's listing, never given
};

struct MappedRequest {
  RequestKind kind;
  // kEmbeddedFile: its path in the source tree ("web/preview.js");
  // kTourFile: the decoded names joined with "/" ("hall.tiles/f/l1/1/a.jpg").
  std::string path;
};

// `target` is the request line's target as sent, query included.
MappedRequest mapRequestTarget(const std::string& target);

// True when `name`, decoded, is a name a request may carry (the rules
// above).
bool isPlainName(const std::string& name);

// True when `host` (the Host header) names this server: "127.0.0.1:<port>",
// "localhost:<port>" or "[::1]:<port>", and the same without ":80" when the
// port is 80 (browsers leave the default port out). Anything else may be a
// page of another site that a DNS name rebound to the loopback address.
bool isOwnHost(const std::string& host, int port);

// What a Range header asks of a file of `size` bytes. Only a single range
// of unit "bytes" (in any case) is served; several ranges, and a header
// that is not a valid byte range, get the whole file, as HTTP says a
// server may. A valid range that starts beyond the file cannot be
// satisfied (416).
struct ByteRange {
  enum Kind { kWhole, kPart, kUnsatisfiable } kind;
  long long first;  // kPart: the first and last byte, inside the file
  long long last;
};
ByteRange byteRangeFor(const std::string& header, long long size);

// The Content-Type for a file, by its extension (any case).
const char* contentTypeFor(const std::string& path);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_REQUEST_PATH_H_
