#include "preview/answer.h"

#include "preview/embedded_files.h"
#include "preview/request_path.h"
#include "preview/site_view.h"

namespace tourwright {

namespace {

const char* reasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
  }
  return "Internal Server Error";
}

// An answer's head with the headers every answer carries. A file of the
// site view is the site's own (its page runs an inline script, its viewer
// what the site allows): it is framed only by the same origin, and
// otherwise loads what the site's web server would let it load.
Answer startAnswer(int status, const char* type, bool siteFile = false) {
  Answer answer = {"HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n",
                   "", nullptr, 0, false};
  answer.head += "Content-Type: ";
  answer.head += type;
  answer.head +=
      "\r\nX-Content-Type-Options: nosniff\r\n"
      "Referrer-Policy: no-referrer\r\n";
  answer.head += siteFile ? "Content-Security-Policy: frame-ancestors 'self'\r\n"
                          : "Content-Security-Policy: default-src 'self'; object-src 'none'; "
                            "base-uri 'none'; form-action 'none'; frame-ancestors 'none'\r\n";
  return answer;
}

void addHeader(Answer* answer, const char* name, const std::string& value) {
  answer->head += name;
  answer->head += ": ";
  answer->head += value;
  answer->head += "\r\n";
}

Answer textAnswer(int status, const std::string& text, bool closing = false) {
  Answer answer = startAnswer(status, "text/plain; charset=utf-8");
  answer.body = text + "\n";
  answer.closing = closing;
  return answer;
}

// `stream` (`size` bytes, or nullptr: 404) served as the file `names`.
Answer streamAnswer(const RequestHead& request, FILE* stream, long long size,
                    const std::string& names, bool siteFile) {
  if (stream == nullptr) return textAnswer(404, "Not Found");
  ByteRange range = {ByteRange::kWhole, 0, size - 1};
  // An If-Range cannot match: no answer carries a validator.
  if (request.hasRange && !request.hasIfRange) range = byteRangeFor(request.range, size);
  if (range.kind == ByteRange::kUnsatisfiable) {
    std::fclose(stream);
    Answer answer = textAnswer(416, "Range Not Satisfiable");
    addHeader(&answer, "Content-Range", "bytes */" + std::to_string(size));
    return answer;
  }
  if (range.kind == ByteRange::kWhole) range = {ByteRange::kWhole, 0, size - 1};
#ifdef _WIN32
  bool placed = _fseeki64(stream, range.first, SEEK_SET) == 0;
#else
  bool placed = fseeko(stream, static_cast<off_t>(range.first), SEEK_SET) == 0;
#endif
  if (!placed) {
    std::fclose(stream);
    return textAnswer(404, "Not Found");
  }
  Answer answer =
      startAnswer(range.kind == ByteRange::kPart ? 206 : 200, contentTypeFor(names), siteFile);
  addHeader(&answer, "Cache-Control", "no-cache");
  addHeader(&answer, "Accept-Ranges", "bytes");
  if (range.kind == ByteRange::kPart) {
    addHeader(&answer, "Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                            std::to_string(range.last) + "/" + std::to_string(size));
  }
  answer.file = stream;
  answer.length = range.last - range.first + 1;
  return answer;
}

Answer tourFileAnswer(const RequestHead& request, const TourFolder& folder,
                      const std::string& names, bool siteFile = false) {
  long long size = 0;
  FILE* stream = openTourFile(folder, names, &size);
  return streamAnswer(request, stream, size, names, siteFile);
}

// A site path: the tour's page and tour XML as a run would write them,
// every other file from the site root.
Answer siteFileAnswer(const RequestHead& request, const AnswerSource& source,
                      const std::string& names) {
  SitePathKind kind = sitePathKind(names, source.tourPath, source.baseName);
  if (kind == SitePathKind::kSiteFile) return tourFileAnswer(request, *source.site, names, true);
  long long size = 0;
  std::string problem;
  FILE* stream = source.writtenTourFile(source.context, kind == SitePathKind::kTourXml, &size,
                                        &problem);
  if (stream == nullptr) return textAnswer(404, "Not Found: " + problem);
  return streamAnswer(request, stream, size, names, true);
}

Answer embeddedAnswer(const std::string& path) {
  const EmbeddedFile* file = findEmbeddedFile(path);
  if (file == nullptr) return textAnswer(404, "Not Found");
  Answer answer =
      startAnswer(200, path == "web/index.html" ? "text/html; charset=utf-8" : contentTypeFor(path));
  addHeader(&answer, "Cache-Control", "no-cache");
  answer.body.assign(reinterpret_cast<const char*>(file->data), file->size);
  return answer;
}

}  // namespace

Answer answerRequest(const RequestHead& request, const AnswerSource& source) {
  if (request.hostCount > 1) return textAnswer(400, "Bad Request", true);
  if (!isOwnHost(request.host, source.port)) {
    return textAnswer(403, "Forbidden: this server answers only to 127.0.0.1:" +
                               std::to_string(source.port), true);
  }
  if (request.method != "GET" && request.method != "HEAD") {
    Answer answer = textAnswer(405, "Method Not Allowed", true);
    addHeader(&answer, "Allow", "GET, HEAD");
    return answer;
  }
  // A body is never read: it is not a request of its own.
  if (request.hasBody) return textAnswer(400, "Bad Request", true);
  MappedRequest mapped = mapRequestTarget(request.target);
  switch (mapped.kind) {
    case RequestKind::kModel: {
      Answer answer = startAnswer(200, "application/json; charset=utf-8");
      addHeader(&answer, "Cache-Control", "no-store");
      answer.body = source.modelJson(source.context);
      return answer;
    }
    case RequestKind::kEmbeddedFile:
      return embeddedAnswer(mapped.path);
    case RequestKind::kTourFile:
      if (source.site != nullptr) return siteFileAnswer(request, source, mapped.path);
      return tourFileAnswer(request, *source.folder, mapped.path);
    case RequestKind::kNoListing:
      return textAnswer(404, "Not Found");
    case RequestKind::kRefused:
      break;
  }
  return textAnswer(403, "Forbidden");
}

Answer refusal(int status) { return textAnswer(status, reasonPhrase(status), true); }

}  // namespace tourwright
