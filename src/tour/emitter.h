// The row emitter: every line of the tour XML and the viewer page is written
// as one row of a table, so each writer reads like the table it implements.
//
// A row is: a number of tabs (and, on the viewer page, spaces after them),
// the text as a printf format ("%%" writes one percent sign), its arguments,
// and the number of blank lines after it. Rows without arguments are kept
// in static tables and written with emitRows.
#ifndef TOURWRIGHT_TOUR_EMITTER_H_
#define TOURWRIGHT_TOUR_EMITTER_H_

#include <cstddef>
#include <cstdio>

namespace tourwright {

struct Row {
  int tabs;
  const char* text;  // a printf format without arguments
  int blankLinesAfter;
};

#if defined(__GNUC__)
#define TOURWRIGHT_PRINTF(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#else
#define TOURWRIGHT_PRINTF(format_index, first_arg)
#endif

// Tabs, the formatted text, a line feed and `blankLinesAfter` more.
void emitRow(FILE* out, int tabs, int blankLinesAfter, const char* format, ...)
    TOURWRIGHT_PRINTF(4, 5);
// The same with `spaces` blanks after the tabs (the viewer page's indents).
void emitIndentedRow(FILE* out, int tabs, int spaces, int blankLinesAfter,
                     const char* format, ...) TOURWRIGHT_PRINTF(5, 6);
// The start of a line that a later write finishes: tabs and text, no line end.
void emitLineStart(FILE* out, int tabs, const char* format, ...) TOURWRIGHT_PRINTF(3, 4);
// The end of such a line: text, a line feed and `blankLinesAfter` more.
void emitLineEnd(FILE* out, int blankLinesAfter, const char* format, ...)
    TOURWRIGHT_PRINTF(3, 4);

void emitRows(FILE* out, const Row* rows, size_t count);
template <size_t N>
void emitRows(FILE* out, const Row (&rows)[N]) {
  emitRows(out, rows, N);
}

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_EMITTER_H_
