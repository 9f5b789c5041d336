#include "preview/embedded_files.h"

namespace tourwright {

const EmbeddedFile* findEmbeddedFile(const std::string& path) {
  for (const EmbeddedFile* file = kEmbeddedFiles; file->path != nullptr; ++file) {
    if (path == file->path) return file;
  }
  return nullptr;
}

}  // namespace tourwright
