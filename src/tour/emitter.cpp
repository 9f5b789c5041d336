#include "tour/emitter.h"

#include <cstdarg>

namespace tourwright {

namespace {

void writeRepeated(FILE* out, char c, int count) {
  for (int i = 0; i < count; ++i) std::fputc(c, out);
}

constexpr int kNoLineEnd = -1;

// The indent, the formatted text, then a line feed and `blankLinesAfter`
// more; nothing after the text for kNoLineEnd (a later write ends the line).
void writeRow(FILE* out, int tabs, int spaces, int blankLinesAfter, const char* format,
              va_list args) {
  writeRepeated(out, '\t', tabs);
  writeRepeated(out, ' ', spaces);
  std::vfprintf(out, format, args);
  if (blankLinesAfter != kNoLineEnd) writeRepeated(out, '\n', 1 + blankLinesAfter);
}

// Rows of the static tables carry their format without arguments.
void writeTableRow(FILE* out, const Row* row, ...) {
  va_list args;
  va_start(args, row);
  writeRow(out, row->tabs, 0, row->blankLinesAfter, row->text, args);
  va_end(args);
}

}  // namespace

void emitIndentedRow(FILE* out, int tabs, int spaces, int blankLinesAfter,
                     const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeRow(out, tabs, spaces, blankLinesAfter, format, args);
  va_end(args);
}

void emitRow(FILE* out, int tabs, int blankLinesAfter, const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeRow(out, tabs, 0, blankLinesAfter, format, args);
  va_end(args);
}

void emitLineStart(FILE* out, int tabs, const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeRow(out, tabs, 0, kNoLineEnd, format, args);
  va_end(args);
}

void emitLineEnd(FILE* out, int blankLinesAfter, const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeRow(out, 0, 0, blankLinesAfter, format, args);
  va_end(args);
}

void emitRows(FILE* out, const Row* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) writeTableRow(out, &rows[i]);
}

}  // namespace tourwright
