// The files built into the program: the preview page (web/) and the
// viewer's scripts and styles (third_party/), so that the preview needs
// neither the source tree nor the network. The build generates the table
// (cmake/embed_files.cmake).
#ifndef TOURWRIGHT_PREVIEW_EMBEDDED_FILES_H_
#define TOURWRIGHT_PREVIEW_EMBEDDED_FILES_H_

#include <cstddef>
#include <string>

namespace tourwright {

struct EmbeddedFile {
  const char* path;  // relative to the source tree: "web/index.html"; nullptr ends the table
  const unsigned char* data;
  size_t size;
};

// Every embedded file, then a row whose path is nullptr.
extern const EmbeddedFile kEmbeddedFiles[];

// The file at `path` ("web/preview.js"), or nullptr.
const EmbeddedFile* findEmbeddedFile(const std::string& path);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_EMBEDDED_FILES_H_
