// The output transcoder: the internal tour XML (Korean code page, with
// "&#...;" references and "U+XXXX" notations) to the final tour XML in
// UTF-8 with a byte-order mark.
//
// Whatever the internal text holds, what comes out is well-formed UTF-8:
// a reference that names no character (0, a lone surrogate, a value above
// U+10FFFF) becomes U+FFFD, a lead byte without a usable trail byte becomes
// the replacement mark U+25A3 and the byte after it is read afresh, and an
// escape that is not complete is copied as the text it is.
#ifndef TOURWRIGHT_ENCODING_TRANSCODER_H_
#define TOURWRIGHT_ENCODING_TRANSCODER_H_

#include <cstddef>
#include <cstdio>

namespace tourwright {

// The display name printed in the transcoder's start line.
constexpr char kTranscoderEncodingName[] = "KSX -> UTF-8";

// Converts the file at `inputPath` into `outputPath`, which only ever sees
// a complete tour XML: the text is written to a scratch file beside it and
// moved into place at the end (see beginOutput). Returns 0 when the tour XML has been written, -1
// when the input cannot be opened or read, or the output cannot be
// written; prints its own lines. A missing input leaves the output alone.
int transcodeTourXml(const char* inputPath, const char* outputPath);

// Converts lines of internal text (`length` bytes, a NUL ends its line early)
// to UTF-8 on `out`. Escapes and two-byte codes never straddle two calls.
void transcodeLine(const char* line, size_t length, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_TRANSCODER_H_
