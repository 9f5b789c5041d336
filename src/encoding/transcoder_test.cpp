#include "encoding/transcoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"
#include "encoding/code_point.h"
#include "encoding/ksx_to_unicode.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::captureConsole;
using testing_support::fileExists;
using testing_support::listFolder;
using testing_support::readFile;
using testing_support::readTextFile;
using testing_support::readStream;
using testing_support::writeFile;

const std::string kMark = "\xE2\x96\xA3";         // U+25A3
const std::string kFffd = "\xEF\xBF\xBD";         // U+FFFD
const std::string kGa = "\xEA\xB0\x80";           // U+AC00
const std::string kGrin = "\xF0\x9F\x98\x80";     // U+1F600
const std::string kBom = "\xEF\xBB\xBF";

std::string transcoded(const std::string& line) {
  FILE* out = std::tmpfile();
  transcodeLine(line.data(), line.size(), out);
  std::string text = readStream(out);
  std::fclose(out);
  return text;
}

struct LineCase {
  const char* name;
  std::string in;
  std::string out;
};

void expectCases(const std::vector<LineCase>& cases) {
  for (const LineCase& c : cases) EXPECT_EQ(transcoded(c.in), c.out) << c.name;
}

TEST(TranscodeLineTest, CopiesControlsAndAsciiThatIsNoEscape) {
  expectCases({
      {"empty", "", ""},
      {"plain markup", "<scene name=\"hall\" title=\"x\">\n", "<scene name=\"hall\" title=\"x\">\n"},
      {"tab and line feed", "\t<a/>\r\n", "\t<a/>\r\n"},
      {"ampersand entity", "&amp;&lt;&", "&amp;&lt;&"},
      {"U without plus", "URL U", "URL U"},
      {"lower-case notation", "u+ac00", "u+ac00"},
      {"NUL ends the line", std::string("ab\0cd\n", 6), "ab"},
  });
}

TEST(TranscodeLineTest, CharactersXmlForbidsBecomeTheReplacementCharacter) {
  expectCases({
      {"raw vertical tab", "a\x0B" "b", "a" + kFffd + "b"},
      {"raw controls amid plain words", "<a title=\"x\x01\x1F\">\n", "<a title=\"x" + kFffd + kFffd + "\">\n"},
      {"carriage return kept", "a\rb", "a\rb"},
      {"escape reference", "&#27;[31m", kFffd + "[31m"},
      {"backspace notation", "U+0008", kFffd},
      {"tab by reference kept", "&#9;", "\t"},
      {"noncharacters", "U+FFFE&#65535;", kFffd + kFffd},
      {"delete kept", "\x7F", "\x7F"},
  });
}

TEST(TranscodeLineTest, NotationsNeedFourHexDigits) {
  expectCases({
      {"upper case", "U+AC00", kGa},
      {"lower case", "U+ac00", kGa},
      {"two-byte form", "U+00b7", "\xC2\xB7"},
      {"one-byte form", "U+007E", "~"},
      {"text after the four digits", "U+AC001;", kGa + "1;"},
      {"U+0000 writes nothing", "aU+0000b", "ab"},
      {"three digits at the end", "U+AC0", "U+AC0"},
      {"cut by the line end", "xU+A\n", "xU+A\n"},
      {"non-hex digit", "U+AC0G", "U+AC0G"},
      {"space inside", "U+ AC0", "U+ AC0"},
      {"sign", "U+-AC0", "U+-AC0"},
      {"notation after a false start", "U+U+0041", "U+A"},
  });
}

TEST(TranscodeLineTest, DecimalReferencesAreReadAsDecimal) {
  expectCases({
      {"with semicolon", "&#44032;", kGa},
      {"without semicolon", "&#44032x", kGa + "x"},
      {"leading zeros not octal", "&#00233;", "\xC3\xA9"},
      {"five digits from the normaliser", "&#03585;", "\xE0\xB8\x81"},
      {"at the line end", "&#65", "A"},
      {"hex reference copied", "&#x41;", "&#x41;"},
      {"space copied", "&# 65;", "&# 65;"},
      {"sign copied", "&#-65;", "&#-65;"},
      {"alone at the end", "a&#", "a&#"},
      {"zero", "&#0;", kFffd},
      {"many zeros", "&#0000000000;", kFffd},
      {"supplementary", "&#128512;", kGrin},
      {"highest", "&#1114111;", "\xF4\x8F\xBF\xBF"},
      {"above the highest", "&#1114112;", kFffd},
      {"huge digit run", "&#99999999999999999999999999999999;z", kFffd + "z"},
      {"huge digit run with zeros", "&#00000000000000000000000000000065;", "A"},
  });
}

TEST(TranscodeLineTest, SurrogateHalvesPairOnlyWhenAdjacent) {
  expectCases({
      {"reference pair", "&#55357;&#56832;", kGrin},
      {"reference pair without semicolons", "&#55357&#56832", kGrin},
      {"notation pair", "U+D83DU+DE00", kGrin},
      {"mixed pair", "&#55357;U+DE00", kGrin},
      {"high alone", "&#55357;", kFffd},
      {"high notation alone", "U+D83D", kFffd},
      {"low alone", "&#56832;", kFffd},
      {"low notation alone", "U+DE00", kFffd},
      {"separated by a space", "U+D83D U+DE00", kFffd + " " + kFffd},
      {"two highs", "&#55357;&#55357;&#56832;", kFffd + kGrin},
      {"low before high", "&#56832;&#55357;", kFffd + kFffd},
      {"high before a plain character", "&#55357;&#65;", kFffd + "A"},
  });
}

// A lead byte without a usable trail stands alone; the byte after it is
// read afresh, so a line end is never eaten.
TEST(TranscodeLineTest, LeadBytesWithoutTrailGiveTheMarkAlone) {
  expectCases({
      {"last byte of the line", "a\xB0", "a" + kMark},
      {"before a line feed", "\xB0\n", kMark + "\n"},
      {"before CR LF", "\xB0\r\n", kMark + "\r\n"},
      {"before a tab", "\xC7\t", kMark + "\t"},
      {"before a space", "\xFF ", kMark + " "},
      {"before NUL", std::string("\x80\0x", 3), kMark},
      {"before a control byte", "\xB0\x1F" "A", kMark + kFffd + "A"},
  });
}

// Every code with a trail of 0x21 or above is one character, whatever the
// mapping gives for it.
TEST(TranscodeLineTest, CodesWithATrailAreLookedUpAsPairs) {
  const unsigned char codes[][2] = {{0xB0, 0x21}, {0xB0, 0xA1}, {0x80, 0xFF}, {0xFF, 0xFF},
                                    {0xA1, 0x55}, {0xA1, 0x26}, {0xEF, 0x66}, {0xC8, 0x7F}};
  for (const auto& code : codes) {
    char expected[kUtf8Max];
    ksxToUtf8(code, expected);
    std::string pair(reinterpret_cast<const char*>(code), 2);
    EXPECT_EQ(transcoded("<" + pair + pair + ">"), "<" + std::string(expected) + expected + ">")
        << std::hex << int(code[0]) << int(code[1]);
  }
}

TEST(TranscodeLineTest, KoreanCodePageTextBecomesUtf8) {
  expectCases({
      {"hangul", "\xB0\xA1", kGa},
      {"caption", "$\xB5\xBF\xB1\xC3 \xB6\xE3", "$\xEB\x8F\x99\xEA\xB6\x81 \xEB\x9C\xB0"},
      {"unmapped pair", "\xEF\x66", kMark},
      {"symbol A1AD reads as tilde", "\xA1\xAD", "~"},
  });
}

TEST(TranscodeLineTest, OutputIsValidUtf8WhateverTheInput) {
  // Bytes drawn mostly from what the escapes and codes are made of.
  const std::string alphabet = std::string("U+&#;0123456789abcdefDdEe \t\n\r\x01") +
                               "\x80\xA1\xB0\xC8\xD8\xDB\xDC\xDF\xFE\xFF\x21\x7F";
  std::mt19937 random(20170710);
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      line += random() % 4 == 0 ? static_cast<char>(random() % 256)
                                : alphabet[random() % alphabet.size()];
    }
    std::string out = transcoded(line);
    ASSERT_TRUE(isValidUtf8(out.data(), out.size())) << ::testing::PrintToString(line);
  }
}

// ---------------------------------------------------------------------------
// Whole files.

struct FileRun {
  int result;
  std::string console;
};

FileRun transcodeFile(const std::string& input, const std::string& output) {
  FileRun run{};
  run.console = captureConsole([&] { run.result = transcodeTourXml(input.c_str(), output.c_str()); });
  return run;
}

TEST(TranscodeTourXmlTest, WritesTheMarkAndTheConvertedLines) {
  TempDir dir;
  struct {
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      {"empty", "", kBom},
      {"CR LF becomes the platform line end", "<a>\r\n</a>\r\n", kBom + "<a>\n</a>\n"},
      {"last line without line feed ending in a lead byte", "<a>\n\xB0", kBom + "<a>\n" + kMark},
      {"lead byte at a line end", "x\xB0\ny\n", kBom + "x" + kMark + "\ny\n"},
      {"references", "<t v=\"&#128512;U+0041\"/>\n", kBom + "<t v=\"" + kGrin + "A\"/>\n"},
      {"a NUL ends only its own line", std::string("a\0b\nc\n", 6), kBom + "ac\n"},
      {"a lead byte before a NUL", std::string("x\xB0\0y\nz\n", 7), kBom + "x" + kMark + "z\n"},
      {"escapes end at the line end", "U+AC\n00\n&#\n44032;\n&#55357;\n&#56832;\n",
       kBom + "U+AC\n00\n&#\n44032;\n" + kFffd + "\n" + kFffd + "\n"},
      {"LF and CR LF lines mixed", "a\nb\r\nc\ne\rf\r\n", kBom + "a\nb\nc\ne\rf\n"},
  };
  for (const auto& c : cases) {
    writeFile(dir.file("t.tmp"), c.in);
    FileRun run = transcodeFile(dir.file("t.tmp"), dir.file("t.xml"));
    EXPECT_EQ(run.result, 0) << c.name;
    EXPECT_EQ(readTextFile(dir.file("t.xml")), c.out) << c.name;
    EXPECT_EQ(run.console, "Creating " + dir.file("t.xml") + " .... Encoding: KSX -> UTF-8\n");
  }
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"t.tmp", "t.xml"}));
}

// Long lines are never cut, so nothing that straddles a piece boundary of
// the reader or the staging buffer is split.
TEST(TranscodeTourXmlTest, LinesOfAnyLengthStayWhole) {
  TempDir dir;
  std::string in, out;
  for (size_t width : {19998u, 19999u, 32767u, 65535u, 65536u}) {
    std::string filler(width, 'a');
    in += filler + "\xB0\x21" + filler + "&#44032;" + filler + "U+AC00" + filler + "\xB0\n";
    char pair[kUtf8Max];
    const unsigned char code[2] = {0xB0, 0x21};
    ksxToUtf8(code, pair);
    out += filler + pair + filler + kGa + filler + kGa + filler + kMark + "\n";
  }
  in += std::string(200000, 'z') + "\n";
  out += std::string(200000, 'z') + "\n";
  writeFile(dir.file("t.tmp"), in);
  EXPECT_EQ(transcodeFile(dir.file("t.tmp"), dir.file("t.xml")).result, 0);
  std::string written = readTextFile(dir.file("t.xml"));
  EXPECT_TRUE(written == kBom + out) << "sizes " << written.size() << " " << out.size() + 3;
}

// Lines are converted many at a time where the reader has them whole: a
// file of odd short lines over several read-ahead blocks must come out as
// its lines converted one by one.
TEST(TranscodeTourXmlTest, ManyLinesComeOutAsEachLineAlone) {
  const std::string alphabet = std::string("U+&#;0123456789abcdefDdEe \t\r\x01") +
                               "\x80\xA1\xB0\xC8\xD8\xDB\xDC\xDF\xFE\xFF\x21\x7F";
  std::mt19937 random(20261209);
  std::string in, out = kBom;
  while (in.size() < 5 * 65536) {
    std::string line;
    int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) {
      line += random() % 8 == 0 ? static_cast<char>(random() % 256)
                                : alphabet[random() % alphabet.size()];
    }
    for (char& c : line) {
      if (c == '\n') c = 'n';
    }
    in += line + "\n";
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF reads as LF
    out += transcoded(line + "\n");
  }
  TempDir dir;
  writeFile(dir.file("t.tmp"), in);
  // The expected text goes through the same text-mode write and read as the
  // tour XML, so a CR before a line end means the same on every platform.
  FILE* expected = createScratchFile(dir.file("expected").c_str(), FileMode::kText);
  std::fwrite(out.data(), 1, out.size(), expected);
  std::fclose(expected);
  EXPECT_EQ(transcodeFile(dir.file("t.tmp"), dir.file("t.xml")).result, 0);
  std::string written = readTextFile(dir.file("t.xml"));
  EXPECT_TRUE(written == readTextFile(dir.file("expected")))
      << "sizes " << written.size() << " " << out.size();
}

// A line cut anywhere into pieces comes out as the whole line does: a lead
// byte, an escape of any digit count, a surrogate pair and a NUL span cuts.
TEST(TranscodeLinePieceTest, CutsAnywhereGiveTheWholeLine) {
  const std::string lines[] = {
      "a\xB0\x21z\xB0\n", "\xB0", "&#55357;&#56832;.", "U+D83DU+DE00", "U+D83D&#56832", "&#55357U+DE00\n",
      "&#0000000000000000055357&#00000000000056832;z", "&#1114112999999;&#", "U+D83", "&", "U+D83Dx&#55357",
      std::string("ab\0cd&#12;\n", 11), std::string("&#5\0", 4), "&#55357;\xB0\x21U+0000U+FFFE\x01"};
  for (const std::string& line : lines) {
    const std::string whole = transcoded(line);
    for (size_t step = 1; step <= line.size(); ++step) {
      for (size_t first = 0; first <= line.size(); ++first) {
        FILE* out = std::tmpfile();
        size_t at = first;
        transcodeLinePiece(line.data(), at, false, out);
        for (; at + step < line.size(); at += step) transcodeLinePiece(line.data() + at, step, false, out);
        transcodeLinePiece(line.data() + at, line.size() - at, true, out);
        EXPECT_EQ(readStream(out), whole) << line << " cut at " << first << " then every " << step;
        std::fclose(out);
      }
    }
  }
}

// Lines longer than the read-ahead block come in pieces; with escapes, codes
// and CR LF pairs thick on the ground, some straddle every block edge.
TEST(TranscodeTourXmlTest, LongLinesInPiecesComeOutAsEachLineAlone) {
  const std::string tokens[] = {"\xB0\x21", "\xB0", "&#55357;", "&#56832", "U+D83D", "U+DE00",
                                "&#0000000044032;", "\r\n", "x", "U+", "&#", "y"};
  std::mt19937 random(16);
  std::string in;
  for (int line = 0; line < 12; ++line) {
    std::string text;
    size_t length = 65536 + random() % 140000;
    while (text.size() < length) text += tokens[random() % 12];
    if (line % 4 == 1) text[random() % text.size()] = '\0';
    in += text + (line < 11 ? "\n" : "");  // the last line has no line feed
  }
  std::string expected = kBom;
  for (size_t start = 0, feed; start < in.size(); start = feed + 1) {
    feed = std::min(in.find('\n', start), in.size());
    std::string line = in.substr(start, feed + 1 - start);
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.erase(line.size() - 2, 1);
    expected += transcoded(line);
  }
  TempDir dir;
  writeFile(dir.file("t.tmp"), in);
  EXPECT_EQ(transcodeFile(dir.file("t.tmp"), dir.file("t.xml")).result, 0);
  EXPECT_TRUE(readTextFile(dir.file("t.xml")) == expected);  // CR LF on Windows
}

TEST(TranscodeTourXmlTest, MissingInputLeavesAnExistingXmlAlone) {
  TempDir dir;
  writeFile(dir.file("t.xml"), "the tour of yesterday");
  for (const std::string& input : {dir.file("missing.tmp"), dir.path()}) {
    FileRun run = transcodeFile(input, dir.file("t.xml"));
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.console, "\nInput File " + input + " Not Found!\n");
    EXPECT_EQ(readFile(dir.file("t.xml")), "the tour of yesterday");
  }
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"t.xml"}));
}

TEST(TranscodeTourXmlTest, ReplacesAnExistingXmlWhole) {
  TempDir dir;
  writeFile(dir.file("t.xml"), std::string(5000, 'o'));
  writeFile(dir.file("t.tmp"), "<new/>\n");
  EXPECT_EQ(transcodeFile(dir.file("t.tmp"), dir.file("t.xml")).result, 0);
  EXPECT_EQ(readTextFile(dir.file("t.xml")), kBom + "<new/>\n");
}

TEST(TranscodeTourXmlTest, OutputThatCannotBeCreatedIsReported) {
  TempDir dir;
  writeFile(dir.file("t.tmp"), "<a/>\n");
  std::string output = dir.file("no-such-folder/t.xml");
  FileRun run = transcodeFile(dir.file("t.tmp"), output);
  EXPECT_EQ(run.result, -1);
  EXPECT_EQ(run.console, "\nOutput File " + output + " Creation Error!\n");
}

TEST(TranscodeTourXmlTest, FailedMoveIntoPlaceLeavesNoTemporaryFile) {
  TempDir dir;
  writeFile(dir.file("t.tmp"), "<a/>\n");
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("t.xml")));
  writeFile(dir.file("t.xml/keep"), "");
  FileRun run = transcodeFile(dir.file("t.tmp"), dir.file("t.xml"));
  EXPECT_EQ(run.result, -1);
  EXPECT_EQ(run.console, "\nOutput File " + dir.file("t.xml") + " Creation Error!\n");
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"t.tmp", "t.xml"}));
  EXPECT_TRUE(fileExists(dir.file("t.xml/keep")));
}

#ifndef _WIN32
TEST(TranscodeTourXmlTest, DeviceOutputIsWrittenInPlace) {
  TempDir dir;
  writeFile(dir.file("t.tmp"), "<a/>\n");
  EXPECT_EQ(transcodeFile(dir.file("t.tmp"), "/dev/null").result, 0);
  EXPECT_FALSE(fileExists("/dev/null.part"));
  EXPECT_TRUE(isSpecialFile("/dev/null"));
}
#endif

}  // namespace
}  // namespace tourwright
