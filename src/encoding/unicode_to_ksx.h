// Unicode to Korean code page: one code point to internal text.
//
// ASCII stays one byte, a KS X 1001 character becomes its two-byte code, a
// compatibility ideograph U+F900..U+FA0B is first replaced by its unified
// twin, and everything else becomes the decimal reference "&#%05d;".
#ifndef TOURWRIGHT_ENCODING_UNICODE_TO_KSX_H_
#define TOURWRIGHT_ENCODING_UNICODE_TO_KSX_H_

#include <string>

namespace tourwright {

// Returns NUL-terminated text in a static buffer, valid until the next call:
// empty for 0, one byte below 0x80, a two-byte code, or a reference (at
// least five digits, more for code points above 99999). A negative value or
// one above U+10FFFF gives the reference of U+FFFD.
const char* unicodeToKsx(int codePoint);

// A file name as internal text. File names are the file system's text: a
// name that is valid UTF-8 has each non-ASCII character converted as above;
// any other name (a name already in the code page) comes back as it is,
// less a last lead byte without its trail byte (fileNameEndsInLoneLead),
// which the output would pair with the text after the name.
std::string fileNameToKsx(const char* name);

// True when `name` is not valid UTF-8 and, read as code page text, ends in
// a lead byte (0x80 or above) without a trail byte.
bool fileNameEndsInLoneLead(const char* name);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_UNICODE_TO_KSX_H_
