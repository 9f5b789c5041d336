// Internal text to UTF-16, for the Windows console's wide-character output.
//
// Internal text is the Korean code page with "&#...;" references and
// "U+XXXX" notations, as the listing and the tour model hold it. Each
// character comes out as the tour XML shows it (the same tables, the same
// replacements), only as UTF-16 units instead of UTF-8 bytes.
#ifndef TOURWRIGHT_ENCODING_UTF16_TEXT_H_
#define TOURWRIGHT_ENCODING_UTF16_TEXT_H_

#include <cstddef>

namespace tourwright {

// Converts `length` bytes of internal text into `out`, which has room for
// `length` units (no character takes more units than bytes). A NUL ends the
// text of its line, its line feed included, as in the tour XML. Returns the
// number of units written.
size_t internalTextToUtf16(const char* text, size_t length, char16_t* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_UTF16_TEXT_H_
