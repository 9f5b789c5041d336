#include "script/normaliser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoding/code_point.h"
#include "encoding/transcoder.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::captureConsole;
using testing_support::fileExists;
using testing_support::listFolder;
using testing_support::readFile;
using testing_support::readStream;
using testing_support::writeFile;

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kFffd = "&#65533;";

struct Normalised {
  int result;
  std::string scratch;  // "<none>" when no scratch copy exists
  std::string console;
};

Normalised normalise(const std::string& bytes) {
  TempDir dir;
  writeFile(dir.file("s.lst"), bytes);
  Normalised n{};
  n.console = captureConsole([&] {
    n.result = normaliseScriptEncoding(dir.file("s.lst").c_str(), dir.file("s.asc").c_str());
  });
  n.scratch = fileExists(dir.file("s.asc")) ? readFile(dir.file("s.asc")) : "<none>";
  return n;
}

std::string ansiLines(const std::string& path) {
  return "Input Text Ecoding: ANSI or UTF-8 without BOM.\nSystem regards " + path +
         " as ANSI encoding.\n";
}

TEST(NormaliserTest, DetectsTheByteOrderMark) {
  struct {
    std::string bytes;
    int result;
    std::string scratch;
  } cases[] = {
      {"", kEncodingAnsi, "<none>"},
      {"A", kEncodingAnsi, "<none>"},
      {"\xEF", kEncodingAnsi, "<none>"},
      {"\xEF\xBB", kEncodingAnsi, "<none>"},
      {"\xEF\xBB" "A", kEncodingAnsi, "<none>"},
      {"\xFE", kEncodingAnsi, "<none>"},
      {"\xFF\xFF", kEncodingAnsi, "<none>"},
      {"\xB0\xA1\r\n", kEncodingAnsi, "<none>"},
      {kUtf8Mark, kEncodingUtf8, ""},
      {kUtf8Mark + "#SCENE\r\n", kEncodingUtf8, "#SCENE\r\n"},
      {"\xFE\xFF", kEncodingUtf16BigEndian, ""},
      {"\xFF\xFE", kEncodingUtf16LittleEndian, ""},
  };
  for (const auto& c : cases) {
    Normalised n = normalise(c.bytes);
    EXPECT_EQ(n.result, c.result) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(n.scratch, c.scratch) << ::testing::PrintToString(c.bytes);
    if (c.result == kEncodingAnsi) {
      EXPECT_NE(n.console.find("Input Text Ecoding: ANSI or UTF-8 without BOM.\n"), std::string::npos);
    } else {
      EXPECT_EQ(n.console, "");
    }
  }
}

TEST(NormaliserTest, AnsiScriptPrintsTwoLinesAndCreatesNothing) {
  TempDir dir;
  writeFile(dir.file("s.lst"), "#SCENE\n");
  int result = 0;
  std::string console = captureConsole([&] {
    result = normaliseScriptEncoding(dir.file("s.lst").c_str(), dir.file("s.asc").c_str());
  });
  EXPECT_EQ(result, kEncodingAnsi);
  EXPECT_EQ(console, ansiLines(dir.file("s.lst")));
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"s.lst"}));
}

TEST(NormaliserTest, FailuresCreateNothing) {
  TempDir dir;
  int result = 0;
  std::string console = captureConsole([&] {
    result = normaliseScriptEncoding(dir.file("missing.lst").c_str(), dir.file("s.asc").c_str());
  });
  EXPECT_EQ(result, kScriptNotFound);
  EXPECT_EQ(normaliseScriptEncoding(dir.path().c_str(), dir.file("s.asc").c_str()), kScriptNotFound);
  EXPECT_EQ(console, "");
  EXPECT_TRUE(listFolder(dir.path()).empty());

  writeFile(dir.file("s.lst"), kUtf8Mark + "x");
  console = captureConsole([&] {
    result = normaliseScriptEncoding(dir.file("s.lst").c_str(), dir.file("no/s.asc").c_str());
  });
  EXPECT_EQ(result, kScratchNotCreated);
  EXPECT_EQ(console, "");
}

struct TextCase {
  const char* name;
  std::string text;  // after the mark
  std::string scratch;
};

TEST(NormaliserTest, DecodesUtf8) {
  const TextCase cases[] = {
      {"ASCII with CR LF", "a\r\nb\n", "a\r\nb\n"},
      {"Hangul", "\xEA\xB0\x80", "\xB0\xA1"},
      {"outside the code page", "\xE0\xB8\x81", "&#03585;"},
      {"four-byte sequence", "\xF0\x9F\x98\x80!", "&#128512;!"},
      {"highest code point", "\xF4\x8F\xBF\xBF", "&#1114111;"},
      {"above the highest", "\xF4\x90\x80\x80", kFffd},
      {"F7 lead", "\xF7\xBF\xBF\xBF", kFffd},
      {"stray continuation bytes", "\x80\x85", "&#00128;&#00133;"},
      {"lead F8", "\xF8" "A", kFffd + "A"},
      {"lead FF", "\xFF\xFF" "A", kFffd + kFffd + "A"},
      {"two-byte lead before ASCII", "\xC3" "A", kFffd + "A"},
      {"three-byte lead cut by ASCII", "\xE0\xB8" "A", kFffd + "A"},
      {"four-byte lead cut by a line end", "\xF0\x9F\x98\n", kFffd + "\n"},
      {"lead before a lead", "\xC3\xEA\xB0\x80", kFffd + "\xB0\xA1"},
      {"cut by the end of the file", "A\xEA\xB0", "A"},
      {"lead alone at the end", "A\xF0", "A"},
      {"encoded high surrogate", "\xED\xA0\xBD" "A", kFffd + "A"},
      {"encoded low surrogate", "\xED\xB8\x80", kFffd},
      {"NUL writes nothing", std::string("A\0B", 3), "AB"},
      // An overlong form is no character: one U+FFFD for the whole sequence.
      {"overlong NUL", "A\xC0\x80" "B", "A" + kFffd + "B"},
      {"overlong line feed", "A\xC0\x8A" "B", "A" + kFffd + "B"},
      {"overlong dollar", "\xC0\xA4", kFffd},
      {"overlong C1 BF", "\xC1\xBF", kFffd},
      {"overlong U+07FF", "\xE0\x9F\xBF", kFffd},
      {"overlong line feed in three bytes", "\xE0\x80\x8A", kFffd},
      {"overlong U+FFFF", "\xF0\x8F\xBF\xBF", kFffd},
      {"smallest of two bytes", "\xC2\x80", "&#00128;"},
      {"smallest of three bytes", "\xE0\xA0\x80", "&#02048;"},
      {"smallest of four bytes", "\xF0\x90\x80\x80", "&#65536;"},
      {"mark inside the text", "A\xEF\xBB\xBF", "A&#65279;"},
  };
  for (const TextCase& c : cases) {
    Normalised n = normalise(kUtf8Mark + c.text);
    EXPECT_EQ(n.result, kEncodingUtf8) << c.name;
    EXPECT_EQ(n.scratch, c.scratch) << c.name;
  }
}

std::string utf16(const std::vector<int>& units, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (int unit : units) {
    char high = static_cast<char>(unit >> 8);
    char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST(NormaliserTest, DecodesUtf16InBothByteOrders) {
  const struct {
    const char* name;
    std::vector<int> units;
    std::string tail;  // a last odd byte
    std::string scratch;
  } cases[] = {
      {"ASCII with CR LF", {'a', '\r', '\n', 'b'}, "", "a\r\nb"},
      {"Hangul", {0xAC00, 0xD79D}, "", "\xB0\xA1\xC8\xFE"},
      {"outside the code page", {0x0E01}, "", "&#03585;"},
      {"surrogate pair", {0xD83D, 0xDE00, 'x'}, "", "&#128512;x"},
      {"high before ASCII", {0xD83D, 'A'}, "", kFffd + "A"},
      {"high before high", {0xD83D, 0xD83D, 0xDE00}, "", kFffd + "&#128512;"},
      {"low alone", {0xDE00, 'A'}, "", kFffd + "A"},
      {"high as the last unit", {'A', 0xD83D}, "", "A" + kFffd},
      {"high before an odd byte", {0xD83D}, "\x3D", kFffd},
      {"high before half a low", {0xD83D}, "\xDC", kFffd},  // never a unit from past the end
      {"odd byte dropped", {'A'}, "B", "A"},
      {"NUL writes nothing", {'A', 0, 'B'}, "", "AB"},
      {"mark inside the text", {0xFEFF}, "", "&#65279;"},
  };
  for (bool bigEndian : {true, false}) {
    for (const auto& c : cases) {
      Normalised n = normalise(utf16(c.units, bigEndian) + c.tail);
      EXPECT_EQ(n.result, bigEndian ? kEncodingUtf16BigEndian : kEncodingUtf16LittleEndian) << c.name;
      EXPECT_EQ(n.scratch, c.scratch) << c.name << (bigEndian ? " BE" : " LE");
    }
  }
}

// The script is read in blocks of 64 KiB; characters that straddle a block
// boundary are carried over whole.
TEST(NormaliserTest, CharactersStraddlingBlocksStayWhole) {
  const size_t block = 1 << 16;
  for (size_t shift = 0; shift < 4; ++shift) {
    std::string filler(block - kUtf8Mark.size() - 1 - shift, 'a');
    Normalised n = normalise(kUtf8Mark + filler + "\xF0\x9F\x98\x80\xEA\xB0\x80z");
    EXPECT_EQ(n.scratch, filler + "&#128512;\xB0\xA1z") << shift;
  }
  // A four-byte lead as the last byte of a block, and of the whole input.
  const std::string lastBlock(block - kUtf8Mark.size() - 1, 'a');
  const struct {
    std::string bytes;
    std::string scratch;
  } fourBytes[] = {{"\xF0\x9F\x98\x80", "&#128512;"}, {"\xF4\x8F\xBF\xBF", "&#1114111;"}};
  for (const auto& c : fourBytes) {
    EXPECT_EQ(normalise(kUtf8Mark + lastBlock + c.bytes).scratch, lastBlock + c.scratch);
    for (size_t cut = 1; cut < 4; ++cut) {
      std::string filler(block - kUtf8Mark.size() - cut, 'a');
      EXPECT_EQ(normalise(kUtf8Mark + filler + c.bytes.substr(0, cut)).scratch, filler) << cut;
      EXPECT_EQ(normalise(kUtf8Mark + "a" + c.bytes.substr(0, cut)).scratch, "a") << cut;
    }
  }
  for (const char* mark : {"\xFE\xFF", "\xFF\xFE"}) {
    EXPECT_EQ(normalise(std::string(mark) + "\xDE").scratch, "") << "a lone odd byte";
  }
  for (bool bigEndian : {true, false}) {
    for (size_t count : {block / 2 - 2, block / 2 - 1}) {
      std::vector<int> units(count, 'a');
      units.insert(units.end(), {0xD83D, 0xDE00, 'z'});
      Normalised n = normalise(utf16(units, bigEndian));
      EXPECT_EQ(n.scratch, std::string(count, 'a') + "&#128512;z") << count;
    }
  }
}

// Whatever the script holds, the scratch copy holds no NUL and no lead byte
// without its trail, and the tour XML made from it is valid UTF-8.
TEST(NormaliserTest, JunkGivesTextThatReadsBack) {
  const std::string marks[] = {kUtf8Mark, "\xFE\xFF", "\xFF\xFE"};
  std::mt19937 random(44032);
  for (int round = 0; round < 300; ++round) {
    std::string bytes = marks[round % 3];
    int length = static_cast<int>(random() % 64);
    for (int i = 0; i < length; ++i) {
      int pick = static_cast<int>(random() % 8);
      if (pick == 0) bytes += '\0';
      else if (pick == 1) bytes += static_cast<char>(0xD8 + random() % 8);
      else if (pick == 2) bytes += static_cast<char>(0x80 + random() % 64);
      else bytes += static_cast<char>(random() % 256);
    }
    Normalised n = normalise(bytes);
    ASSERT_GE(n.result, kEncodingUtf8);
    const std::string& text = n.scratch;
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      ASSERT_NE(c, 0) << ::testing::PrintToString(bytes);
      if (c >= 0x80) {
        ASSERT_LT(i + 1, text.size()) << ::testing::PrintToString(bytes);
        ASSERT_GE(static_cast<unsigned char>(text[i + 1]), 0xA1) << ::testing::PrintToString(bytes);
        ++i;
      }
    }
    FILE* out = std::tmpfile();
    transcodeLine(text.data(), text.size(), out);
    std::string utf8 = readStream(out);
    std::fclose(out);
    ASSERT_TRUE(isValidUtf8(utf8.data(), utf8.size())) << ::testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace tourwright
