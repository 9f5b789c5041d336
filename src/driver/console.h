// The console on a UTF-8 terminal or a Windows console.
//
// Console text is internal text: captions in the Korean code page, with
// "&#...;" references and "U+XXXX" notations. When standard output is a
// terminal whose locale speaks UTF-8 (the usual Linux desktop), that text is
// shown through the same conversion as the tour XML, so the author can read
// the captions; so is standard error, with the warnings about the script,
// when it is such a terminal. When standard output is a Windows console,
// each line is written through the console's wide-character interface,
// converted to UTF-16 with the same tables, whatever code page the console
// is set to. A stream that is a file or a pipe keeps its bytes exactly as
// written.
#ifndef TOURWRIGHT_DRIVER_CONSOLE_H_
#define TOURWRIGHT_DRIVER_CONSOLE_H_

#include <cstdio>

namespace tourwright {

// Puts the converting stream in place of standard output for consoleOut()
// when standard output is a UTF-8 terminal or a Windows console, and in
// place of standard error for consoleErrors() when standard error is a
// UTF-8 terminal. Does nothing when another
// stream already stands in for the console, and nothing on a second call.
// The streams are flushed and closed at exit.
void setUpConsole();

// Where warnings go: standard error, or its converting stream.
FILE* consoleErrors();

// A stream whose text reaches `sink` converted to UTF-8, a line at a time;
// a line that is already valid UTF-8 (a path the user typed) passes as it
// is. Closing it writes what is still pending; `sink` stays open. Returns
// nullptr where the platform has no such streams.
FILE* openUtf8ConsoleStream(FILE* sink);

}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_CONSOLE_H_
