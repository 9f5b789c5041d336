#include "tour/emitter.h"

#include <cstdarg>

namespace tourwright {

namespace {

void writeRepeated(FILE* out, char c, int count) {
  for (int i = 0; i < count; ++i) std::fputc(c, out);
}

void writeFormatted(FILE* out, const char* format, va_list args) {
  std::vfprintf(out, format, args);
}

// Rows of the static tables carry their format without arguments.
void writeFormattedNoArgs(FILE* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeFormatted(out, format, args);
  va_end(args);
}

}  // namespace

void emitIndentedRow(FILE* out, int tabs, int spaces, int blankLinesAfter,
                     const char* format, ...) {
  writeRepeated(out, '\t', tabs);
  writeRepeated(out, ' ', spaces);
  va_list args;
  va_start(args, format);
  writeFormatted(out, format, args);
  va_end(args);
  writeRepeated(out, '\n', 1 + blankLinesAfter);
}

void emitRow(FILE* out, int tabs, int blankLinesAfter, const char* format, ...) {
  writeRepeated(out, '\t', tabs);
  va_list args;
  va_start(args, format);
  writeFormatted(out, format, args);
  va_end(args);
  writeRepeated(out, '\n', 1 + blankLinesAfter);
}

void emitLineStart(FILE* out, int tabs, const char* format, ...) {
  writeRepeated(out, '\t', tabs);
  va_list args;
  va_start(args, format);
  writeFormatted(out, format, args);
  va_end(args);
}

void emitLineEnd(FILE* out, int blankLinesAfter, const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeFormatted(out, format, args);
  va_end(args);
  writeRepeated(out, '\n', 1 + blankLinesAfter);
}

void emitRows(FILE* out, const Row* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    writeRepeated(out, '\t', rows[i].tabs);
    writeFormattedNoArgs(out, rows[i].text);
    writeRepeated(out, '\n', 1 + rows[i].blankLinesAfter);
  }
}

}  // namespace tourwright
