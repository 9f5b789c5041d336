// Text for the preview page: JSON string literals of any bytes. The
// internal text read as UTF-8 is encoding/internal_text.h.
#ifndef TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_
#define TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_

#include <cstddef>
#include <string>

#include "encoding/internal_text.h"  // utf8FromField, for the page's texts

namespace tourwright {

// Appends `text` as a JSON string literal: quotes, backslashes and control
// characters escaped, and every byte sequence that is not well-formed
// UTF-8 replaced by U+FFFD, so the literal is valid whatever the bytes.
void appendJsonString(const std::string& text, std::string* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_
