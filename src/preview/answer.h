// The preview server's answer to one request, decided from its head alone
// (no socket here): the page, its model, a tour file or a refusal, with
// the headers every answer carries. The page may load nothing from
// another origin (Content-Security-Policy) and tells no other site where
// it came from (Referrer-Policy).
#ifndef TOURWRIGHT_PREVIEW_ANSWER_H_
#define TOURWRIGHT_PREVIEW_ANSWER_H_

#include <cstdio>
#include <string>

#include "preview/tour_files.h"

namespace tourwright {

struct RequestHead {
  std::string method;
  std::string target;  // as sent
  std::string host;    // the Host header; "" when there is none
  int hostCount;       // how many Host headers came
  bool hasBody;        // a body follows the head
  bool hasRange;
  std::string range;  // the Range header
  bool hasIfRange;
};

struct AnswerSource {
  const TourFolder* folder;
  std::string (*modelJson)(void* context);
  void* context;
  int port;
  // The site view (preview/site_view.h): with `site`, every file path is a
  // site path, and the tour lies at `tourPath` under it; the tour's page
  // and tour XML come from `writtenTourFile` (with `baseName`), as
  // writeTourFileAside gives them.
  const TourFolder* site = nullptr;
  std::string tourPath = "";
  std::string baseName = "";
  FILE* (*writtenTourFile)(void* context, bool xml, long long* size,
                           std::string* problem) = nullptr;
};

struct Answer {
  // The status line and headers, without Content-Length, Connection and
  // the blank line that ends them.
  std::string head;
  std::string body;
  FILE* file;         // or, when not null, `length` bytes of it from where it stands
  long long length;
  bool closing;       // the connection must end after it
};

Answer answerRequest(const RequestHead& request, const AnswerSource& source);
// The answer to a head that could not be read (400, 431); it ends the
// connection.
Answer refusal(int status);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_ANSWER_H_
