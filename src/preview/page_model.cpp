#include "preview/page_model.h"

namespace tourwright {

// A first model: the tour's name and no scenes yet.
std::string previewModelJson(const PreviewSource& source) {
  (void)source;
  return "{\"tour\":\"\",\"scenes\":[],\"warnings\":[]}";
}

}  // namespace tourwright
