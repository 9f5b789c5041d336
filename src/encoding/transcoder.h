// The output transcoder: the internal tour XML (Korean code page, with
// "&#...;" references and "U+XXXX" notations) to the final tour XML in
// UTF-8 with a byte-order mark.
#ifndef TOURWRIGHT_ENCODING_TRANSCODER_H_
#define TOURWRIGHT_ENCODING_TRANSCODER_H_

#include <cstddef>
#include <cstdio>

namespace tourwright {

// Returns 0 when the tour XML has been written, -1 when the input cannot be
// opened or the output cannot be created. Prints its own lines.
int transcodeTourXml(const char* inputPath, const char* outputPath);

// Converts one line of internal text (`length` bytes, a NUL ends it early)
// to UTF-8 on `out`.
void transcodeLine(const char* line, size_t length, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_TRANSCODER_H_
