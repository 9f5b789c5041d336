// Text for the preview page: the program's internal text (Korean code page
// bytes with "&#...;" references and "U+XXXX" notations) read as UTF-8, the
// way the tour XML shows it, and JSON string literals of any bytes.
#ifndef TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_
#define TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_

#include <cstddef>
#include <string>

namespace tourwright {

// Appends the UTF-8 reading of `length` bytes of internal text (a NUL ends
// it early), of any length: a two-byte code through the code page table, an
// escape as its character, a lone lead byte as the replacement mark.
void appendUtf8FromCodePage(const char* text, size_t length, std::string* out);

// The same for a NUL-terminated field of the tour model.
std::string utf8FromField(const char* field);

// Appends `text` as a JSON string literal: quotes, backslashes and control
// characters escaped, and every byte sequence that is not well-formed
// UTF-8 replaced by U+FFFD, so the literal is valid whatever the bytes.
void appendJsonString(const std::string& text, std::string* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_PREVIEW_TEXT_H_
