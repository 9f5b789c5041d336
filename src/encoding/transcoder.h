// The output transcoder: the internal tour XML (Korean code page, with
// "&#...;" references and "U+XXXX" notations) to the final tour XML in
// UTF-8 with a byte-order mark.
//
// Whatever the internal text holds, what comes out is well-formed UTF-8:
// a reference that names no character (0, a lone surrogate, a value above
// U+10FFFF) becomes U+FFFD, a lead byte without a usable trail byte becomes
// the replacement mark U+25A3 and the byte after it is read afresh, and an
// escape that is not complete is copied as the text it is. A character
// that XML forbids (a C0 control other than tab, line feed and carriage
// return; U+FFFE, U+FFFF), raw or escaped, becomes U+FFFD.
#ifndef TOURWRIGHT_ENCODING_TRANSCODER_H_
#define TOURWRIGHT_ENCODING_TRANSCODER_H_

#include <cstddef>
#include <cstdio>

#include "platform/files.h"

namespace tourwright {

// The display name printed in the transcoder's start line.
constexpr char kTranscoderEncodingName[] = "KSX -> UTF-8";

// Converts the file at `inputPath` into `outputPath`, which only ever sees
// a complete tour XML: the text is written to a scratch file beside it and
// moved into place at the end (see beginOutput). Returns 0 when the tour XML has been written, -1
// when the input cannot be opened or read, or the output cannot be
// written; prints its own lines. A missing input leaves the output alone.
int transcodeTourXml(const char* inputPath, const char* outputPath);

// The same in three steps, for a run that checks that every output can be
// replaced before it replaces any and reads the internal tour XML through
// the file it wrote: beginTourXml creates the scratch file of the output
// (false, with the creation error printed, when it cannot); convertTourXml
// prints the start line and converts `input` into it (-1, the output
// abandoned and the read error printed, when reading failed; `inputPath`
// only names it); finishTourXml moves the text into place (false, with the
// creation error printed, when it cannot).
bool beginTourXml(OutputFile* xml, const char* outputPath);
int convertTourXml(FILE* input, const char* inputPath, OutputFile* xml, const char* outputPath);
bool finishTourXml(OutputFile* xml, const char* outputPath);
// The conversion itself, byte-order mark first, from `input` onto `out`;
// prints nothing. False when reading `input` failed.
bool transcodeTourXmlText(FILE* input, FILE* out);

// True for the characters written as U+FFFD because XML forbids them
// (U+0000 included: "&#0;" names no character).
bool isForbiddenInXml(int codePoint);

// Converts lines of internal text (`length` bytes, a NUL ends its line early)
// to UTF-8 on `out`. Escapes and two-byte codes never straddle two calls.
void transcodeLine(const char* line, size_t length, FILE* out);

// Converts a line handed over in pieces, as readLinePiece hands them out; the
// last piece (`lineEnds`) ends the line. Writes what transcodeLine writes
// for the whole line, wherever it is cut, keeping only a few bytes between
// pieces. One line at a time.
void transcodeLinePiece(const char* piece, size_t length, bool lineEnds, FILE* out);

// The transcoder's reading of the two-byte code at `p` (a byte of 0x80 or
// above), for other writers of internal text (its escapes: escape.h): 2, or
// 1 for a lead byte without a usable trail byte, which stands for the
// replacement mark.
size_t readCodePageCharacter(const unsigned char* p, const unsigned char* end, int* codePoint);

// Converts a short internal text (a caption, a name: up to
// kShortTextLimit bytes are read, a NUL ends it early) into UTF-8 at
// `out`, which has room for 3 * kShortTextLimit + 1 bytes; returns the
// bytes written, a NUL after them. The same conversion as the tour XML's.
constexpr size_t kShortTextLimit = 1024;
size_t transcodeShortText(const char* text, size_t length, char* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_TRANSCODER_H_
