#include "driver/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::readFile;
using testing_support::readStream;
using testing_support::runProgram;
using testing_support::sourceDir;

#if defined(__GLIBC__)

// Writes arrive in any pieces; a line is converted only once it is whole,
// so a two-byte code or an escape cut between two writes is still one
// character.
TEST(ConsoleStreamTest, ConvertsWholeLinesHoweverTheyAreWritten) {
  const std::string text =
      "Scene 1: \xB0\xA1 &#128512; U+AC00\n"
      "List file: /home/\xEA\xB0\x80/tour.lst\n"
      "last words \xB5\xBF\xB1\xC3";
  const std::string expected =
      "Scene 1: \xEA\xB0\x80 \xF0\x9F\x98\x80 \xEA\xB0\x80\n"
      "List file: /home/\xEA\xB0\x80/tour.lst\n"
      "last words \xEB\x8F\x99\xEA\xB6\x81";
  for (size_t piece : {1u, 2u, 3u, 7u, 1000u}) {
    FILE* sink = std::tmpfile();
    FILE* console = openUtf8ConsoleStream(sink);
    ASSERT_NE(console, nullptr);
    for (size_t at = 0; at < text.size(); at += piece) {
      std::fwrite(text.data() + at, 1, std::min(piece, text.size() - at), console);
      std::fflush(console);
    }
    std::fclose(console);
    EXPECT_EQ(readStream(sink), expected) << piece;
    std::fclose(sink);
  }
}

// The whole program on a pseudo-terminal: the captions of the listing are
// shown in UTF-8 under a UTF-8 locale, and left as they are otherwise.
TEST(ConsoleStreamTest, TerminalShowsCaptionsInUtf8OnlyUnderAUtf8Locale) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  TempDir dir;
  for (const char* name : {"palace.lst", "hall.xml", "court.xml"}) {
    testing_support::writeFile(dir.file(name), readFile(sourceDir() + "/examples/palace/" + name));
  }
  const std::string caption = "\xB1\xD9\xC1\xA4\xC0\xFC";  // the first scene's caption
  const std::string captionUtf8 = "\xEA\xB7\xBC\xEC\xA0\x95\xEC\xA0\x84";
  auto onTerminal = [&](const char* locale) {
    std::string command = std::string("LC_ALL=") + locale + " script -qec '" + TOURWRIGHT_EXE +
                          " " + dir.file("palace.lst") + "' /dev/null >" + dir.file("out") +
                          " 2>&1 </dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readFile(dir.file("out"));
  };
  std::string utf8 = onTerminal("C.UTF-8");
  EXPECT_NE(utf8.find(captionUtf8), std::string::npos);
  EXPECT_EQ(utf8.find(caption), std::string::npos);
  std::string plain = onTerminal("C");
  EXPECT_NE(plain.find(caption), std::string::npos);

  std::string toFile = runProgram({dir.file("palace.lst")}).out;
  EXPECT_NE(toFile.find(caption), std::string::npos);
  EXPECT_EQ(toFile.find(captionUtf8), std::string::npos);
}

// Warnings on standard error name the script's words in UTF-8 too; standard
// output goes to a file here, so only standard error is the terminal.
TEST(ConsoleStreamTest, TerminalShowsWarningsInUtf8) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  TempDir dir;
  testing_support::writeFile(dir.file("t.lst"), "#SCENE\nhall 0 0 $H\n#CROSSLINK\n\xB0\xA1 1 2 a $c\n");
  testing_support::writeFile(dir.file("hall.xml"), "");
  std::string command = std::string("LC_ALL=C.UTF-8 script -qec '") + TOURWRIGHT_EXE + " " +
                        dir.file("t.lst") + " >/dev/null' /dev/null >" + dir.file("out") +
                        " 2>&1 </dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(readFile(dir.file("out")).find("target \"\xEA\xB0\x80\" names no scene"),
            std::string::npos);
}

#endif

}  // namespace
}  // namespace tourwright
