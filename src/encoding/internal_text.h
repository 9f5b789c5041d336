// The program's internal text (Korean code page bytes with "&#...;"
// references and "U+XXXX" notations) read as UTF-8, the way the final tour
// XML shows it: for the preview page, and for the names of the files a
// tour needs as the web server has them.
#ifndef TOURWRIGHT_ENCODING_INTERNAL_TEXT_H_
#define TOURWRIGHT_ENCODING_INTERNAL_TEXT_H_

#include <cstddef>
#include <string>

namespace tourwright {

// Appends the UTF-8 reading of `length` bytes of internal text (a NUL ends
// it early), of any length: a two-byte code through the code page table, an
// escape as its character, a lone lead byte as the replacement mark.
void appendUtf8FromCodePage(const char* text, size_t length, std::string* out);

// The same for a NUL-terminated field of the tour model.
std::string utf8FromField(const char* field);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_INTERNAL_TEXT_H_
