// The line reader hands most lines out where they stand in its read-ahead
// block and gathers only those that go on past the block. These cases put
// line ends, CR LF pairs and NUL bytes on and around the block's edges and
// compare every line with a plain split of the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::writeFile;

constexpr size_t kBlock = 1 << 16;  // the reader's read-ahead

// What readLine must give: lines ending at each LF, a final CR LF read as
// LF, a last line without LF kept as it is.
std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t feed = bytes.find('\n', start);
    size_t end = feed == std::string::npos ? bytes.size() : feed + 1;
    std::string line = bytes.substr(start, end - start);
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
      line.erase(line.size() - 2, 1);
    }
    lines.push_back(line);
    start = end;
  }
  return lines;
}

// With `inRuns`, lines are taken as runs of whole lines where the reader
// has them and one by one where it has not, as the transcoder reads.
std::vector<std::string> readAll(const std::string& path, bool inRuns = false) {
  FILE* file = openForReading(path.c_str());
  std::vector<std::string> lines;
  if (file == nullptr) return lines;
  static LineReader reader;
  openLineReader(&reader, file);
  const char* line;
  size_t length;
  for (;;) {
    if (inRuns && readLineRun(&reader, &line, &length)) {
      EXPECT_EQ(line[length - 1], '\n');
      EXPECT_EQ(std::string(line, length).find('\r'), std::string::npos);
      for (const std::string& piece : splitLines(std::string(line, length))) {
        lines.push_back(piece);
      }
      continue;
    }
    if (!readLine(&reader, &line, &length)) break;
    EXPECT_EQ(line[length], '\0');
    lines.emplace_back(line, length);
  }
  closeLineReader(&reader);
  std::fclose(file);
  return lines;
}

// `count` bytes of filler (no line ends) that put the next byte at `offset`
// when they follow `before` bytes.
std::string fillTo(size_t before, size_t offset) { return std::string(offset - before, 'x'); }

// Lines taken in pieces, each line read twice: the second time after going
// back to its start.
std::vector<std::string> readAllInPieces(const std::string& path) {
  FILE* file = openForReading(path.c_str());
  std::vector<std::string> lines;
  if (file == nullptr) return lines;
  static LineReader reader;
  openLineReader(&reader, file);
  const char* piece;
  size_t length;
  bool lineEnds;
  while (readLinePiece(&reader, &piece, &length, &lineEnds)) {
    EXPECT_TRUE(markLineStart(&reader));
    std::string line[2];
    for (std::string& reading : line) {
      for (;;) {
        EXPECT_LE(length, kBlock);
        reading.append(piece, length);
        if (lineEnds || !readLinePiece(&reader, &piece, &length, &lineEnds)) break;
      }
      if (&reading == &line[0]) {
        EXPECT_TRUE(returnToLineStart(&reader));
        EXPECT_TRUE(readLinePiece(&reader, &piece, &length, &lineEnds));
      }
    }
    EXPECT_EQ(line[0], line[1]);
    lines.push_back(line[0]);
  }
  EXPECT_FALSE(reader.failed);
  closeLineReader(&reader);
  std::fclose(file);
  return lines;
}

// Lines taken as LineTexts, each read back window by window after its last
// byte and its first have been asked for, and given with their line feed
// as readLine gives them.
std::vector<std::string> readAllAsText(const std::string& path) {
  FILE* file = openForReading(path.c_str());
  std::vector<std::string> lines;
  if (file == nullptr) return lines;
  static LineReader reader;
  openLineReader(&reader, file);
  LineText text;
  while (readLineText(&reader, &text)) {
    std::string line;
    if (text.length > 0) {
      char last = static_cast<char>(lineByte(&text, text.length - 1));
      char first = static_cast<char>(lineByte(&text, 0));
      for (size_t at = 0; at < text.length;) {
        const char* bytes;
        size_t count = lineWindowAt(&text, at, &bytes);
        line.append(bytes, std::min(count, text.length - at));
        at += count;
      }
      EXPECT_EQ(first, line.front());
      EXPECT_EQ(last, line.back());
    }
    EXPECT_EQ(text.firstNul, std::min(line.find('\0'), line.size()));
    EXPECT_EQ(findLineByte(&text, 0, text.length, '\0'), text.firstNul);
    lines.push_back(line + "\n");
  }
  EXPECT_FALSE(reader.failed);
  closeLineReader(&reader);
  std::fclose(file);
  // A last line without a line feed is given without one.
  std::string bytes = testing_support::readFile(path);
  if (!lines.empty() && !bytes.empty() && bytes.back() != '\n') lines.back().pop_back();
  return lines;
}

TEST(LineReaderTest, LinesOnAndAroundTheBlockEdge) {
  const std::string nul(1, '\0');
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"LF as the block's last byte", fillTo(0, kBlock - 1) + "\nnext\n"},
      {"LF as the next block's first byte", fillTo(0, kBlock) + "\nnext\n"},
      {"CR at the block's end, LF after it", fillTo(0, kBlock - 1) + "\r\nnext\r\n"},
      {"CR LF as the block's last two bytes", fillTo(0, kBlock - 2) + "\r\nnext\r\n"},
      {"CR LF on the edge of a long line's second block",
       "a\n" + fillTo(2, 2 * kBlock - 1) + "\r\n\r" + fillTo(0, kBlock) + "\r"},
      {"a line longer than two blocks", "a\n" + std::string(3 * kBlock, 'y') + "\nb\n"},
      {"short lines across the edge", [] {
         std::string s;
         for (int i = 0; s.size() < 3 * kBlock; ++i) s += std::string(i % 97, 'z') + "\n";
         return s;
       }()},
      {"NUL bytes, also right after a line end",
       "a" + nul + "b\n" + nul + "c\n" + fillTo(8, kBlock) + nul + "\n" + nul},
      {"lone CRs and a last line without LF", "a\rb\n\r\r\n\n\rend"},
      {"only line ends", std::string(kBlock + 5, '\n')},
      {"an empty file", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("lines.txt"), c.bytes);
    EXPECT_EQ(readAll(dir.file("lines.txt")), splitLines(c.bytes)) << c.what;
    EXPECT_EQ(readAll(dir.file("lines.txt"), true), splitLines(c.bytes)) << c.what << ", in runs";
    EXPECT_EQ(readAllInPieces(dir.file("lines.txt")), splitLines(c.bytes)) << c.what << ", in pieces";
    EXPECT_EQ(readAllAsText(dir.file("lines.txt")), splitLines(c.bytes)) << c.what << ", as text";
  }
}

// A reader opened again on the same stream after a rewind reads from the
// start, whatever it held before.
TEST(LineReaderTest, OpeningAgainAfterRewindStartsOver) {
  TempDir dir;
  std::string bytes = "first\nsecond\r\n" + std::string(kBlock, 'w') + "\nlast\n";
  writeFile(dir.file("lines.txt"), bytes);
  FILE* file = openForReading(dir.file("lines.txt").c_str());
  ASSERT_NE(file, nullptr);
  static LineReader reader;
  openLineReader(&reader, file);
  const char* line;
  size_t length;
  ASSERT_TRUE(readLine(&reader, &line, &length));
  ASSERT_TRUE(readLine(&reader, &line, &length));
  std::rewind(file);
  openLineReader(&reader, file);
  std::vector<std::string> lines;
  while (readLine(&reader, &line, &length)) lines.emplace_back(line, length);
  closeLineReader(&reader);
  std::fclose(file);
  EXPECT_EQ(lines, splitLines(bytes));
}

// A long line read back after the file was rewritten in place: a line
// end that moved is caught at the line's end, the same text is not.
TEST(LineReaderTest, ALongLineWhoseEndMovedFailsTheRead) {
  const std::string line(kBlock + 5000, 'a');
  struct Case {
    const char* name;
    std::string rewritten;
    bool fails;
  };
  const Case cases[] = {
      {"unchanged", line + "\r\nnext\n", false},
      {"line end moved", std::string(kBlock + 4000, 'b') + "\n" + std::string(2000, 'b') + "\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir.file("s"), line + "\r\nnext\n");
    FILE* stream = openForReading(dir.file("s").c_str());
    ASSERT_NE(stream, nullptr);
    static LineReader reader;
    openLineReader(&reader, stream);
    LineText text;
    ASSERT_TRUE(readLineText(&reader, &text));
    ASSERT_EQ(text.length, line.size());
    writeFile(dir.file("s"), c.rewritten);
    lineByte(&text, text.length - 1);
    EXPECT_EQ(reader.failed, c.fails);
    closeLineReader(&reader);
    std::fclose(stream);
  }
}

}  // namespace
}  // namespace tourwright
