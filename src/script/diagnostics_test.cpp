#include "script/diagnostics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/diagnostics_test_helpers.h"
#include "test_support.h"

namespace tourwright {
namespace {

using namespace diagnostics_test;  // NOLINT: the helpers of these tests

TEST(DiagnosticsTest, SkippedLines) {
  expectFindings({
      {"no $", kHall + lines({"#CROSSLINK", "hall 10 0 arrow 0", "*gallery 1 2", "#SCENE",
                              "court 0 0 Court"}),
       {"4: warning: cross link line has no \"$\" caption: skipped",
        "5: warning: gallery entrance line has no \"$\" caption: skipped",
        "7: warning: scene header line has no \"$\" title: skipped"}},
      {"entrance without $ in a gallery section",
       kHall + lines({"#GALLERY", "*a 1 2", "x 1 1 $x", "*b 1 2 $B", "y 1 1 $y", "*c 1 2",
                      "z 1 1 $z"}),
       {"4: warning: gallery entrance line has no \"$\" caption: skipped, and the object lines "
        "after it are ignored",
        "8: warning: gallery entrance line has no \"$\" caption: skipped; the object lines after "
        "it join the gallery of line 6"}},
      {"outside sections",
       lines({"hall 0 0 $stray", "x 1 2 $stray", "#SCENE", "hall 0 0 $Hall", "#SCE", "a 1 2 $x",
              "b 1 2 $y", "#LINKS", "c 1 2 $z"}),
       {"1: warning: record lines before the first section line are ignored",
        "6: warning: record lines in the unknown section #SCE (line 5) are ignored",
        "9: warning: record lines in the unknown section #LINKS (line 8) are ignored"}},
      {"object line without entrance",
       kHall + lines({"#GALLERY", "bowl 1 1 $Bowl", "cup 1 1 $Cup"}),
       {"4: warning: gallery object line ignored: no gallery entrance line comes before it in its "
        "#GALLERY section",
        "5: warning: gallery object line ignored: no gallery entrance line comes before it in its "
        "#GALLERY section"}},
      {"second header, short line, NUL byte, blank and comment lines",
       kHall + lines({"court 0 0 $Court", "ab", "   ", "//", "#STILL",
                      std::string("lamp 1 2 0.5 0 0 0 0 $L\0amp", 27)}),
       {"3: warning: line ignored: the #SCENE section already has its header line (line 2)",
        "4: warning: line too short to be read (under 4 bytes): skipped",
        "8: warning: NUL byte in the line: the text after it is ignored"}},
      {"no scene", lines({"// nothing yet"}),
       {" warning: the script has no #SCENE section: the tour has no scenes"}},
  });
}

TEST(DiagnosticsTest, FieldsLeftOut) {
  expectFindings({
      {"scene headers", lines({"#SCENE", "hall $Hall", "#SCENE", "court 90 $Court"}),
       {"2: warning: scene header line has 1 of 3 fields; hlookat and vlookat are 0",
        "4: warning: scene header line has 2 of 3 fields; hlookat and vlookat are 0"}},
      {"items",
       kHall + lines({"#CROSSLINK", "hall 10 $x", "hall 10 0 arrow $no look direction: normal",
                      "#STILL", "lamp 1 2 $x", "#VIDEO", "v 1 2 $x", "#REFERENCE",
                      "t.htm 1 2 $x", "#GALLERY", "*g $G", "bowl 1 $x",
                      "cup 1 0.5 $no explanation"}),
       {"4: warning: cross link line has 2 of 5 fields; atv is 0, style is empty, lookat is 360",
        "7: warning: still image line has 3 of 8 fields; scale, distorted, rx, ry and rz are 0",
        "9: warning: video line has 3 of 4 fields; kind is 0",
        "11: warning: reference line has 3 of 5 fields; icon is taken from the caption, scale is 0",
        "13: warning: gallery entrance line has 1 of 3 fields; ath and atv are 0",
        "14: warning: gallery object line has 2 of 4 fields; scale is 0, explanation is empty "
        "(its \"Explanation-0\" button is written with no text)"}},
  });
}

TEST(DiagnosticsTest, CapacitiesAndReplacedSections) {
  std::string thirteenScenes;
  for (int i = 1; i <= 13; ++i) thirteenScenes += "#SCENE\ns" + std::to_string(i) + " 0 0 $S\n";
  std::string galleries;
  for (int i = 1; i <= 31; ++i) galleries += "*g" + std::to_string(i) + " 1 2 $G\no 1 1 $O\n";
  expectFindings({
      {"31 cross links", kHall + "#CROSSLINK\n" + repeated("hall 1 2 arrow $H", 32),
       {"34: warning: cross link line ignored: the scene already has 30 cross links",
        "35: warning: cross link line ignored: the scene already has 30 cross links"}},
      {"13 scenes", thirteenScenes + lines({"#CROSSLINK", "nowhere 1 2 arrow $X"}),
       {"25: warning: #SCENE line ignored with every line after it: a tour holds at most 12 "
        "scenes"}},
      {"31 galleries", kHall + "#GALLERY\n" + galleries,
       {"64: warning: gallery entrance line ignored with the object lines after it: the scene "
        "already has 30 galleries"}},
      {"101 gallery objects", kHall + "#GALLERY\n*g 1 2 $G\n" + repeated("o 1 1 $O", 101),
       {"105: warning: gallery object line ignored: the tour already has 100 gallery objects"}},
      {"a gallery after the tour's 100 objects",
       kHall + "#GALLERY\n*g 1 2 $G\n" + repeated("o 1 1 $O", 100) + "*late 1 2 $L\no 1 1 $O\n",
       {"106: warning: gallery object line ignored: the tour already has 100 gallery objects",
        "105: warning: gallery \"late\" is empty: its object lines (1) came after the tour's 100 "
        "gallery objects were taken"}},
      {"second section of a kind",
       lines({"#STILL", "lamp 1 2 0.5 0 0 0 0 $L"}) + kHall +
           lines({"#STILL", "vase 1 2 0.5 0 0 0 0 $V", "#GALLERY", "*g 1 2 $G", "o 1 1 $O",
                  "#GALLERY", "*h 1 2 $H", "o 1 1 $O", "#STILL"}),
       {"5: warning: second #STILL section in scene 1: its records replace those of the section "
        "at line 1",
        "13: warning: second #STILL section in scene 1: its records replace those of the section "
        "at line 5"}},
  });
}

TEST(DiagnosticsTest, TextCutToItsField) {
  std::string longWord(300, 'w');
  std::string longText(200, 'c');
  expectFindings({
      {"cut",
       lines({"#SCENE", "hall 0 0 $" + longText, "#STILL",
              longWord + " 1 2 0.5 0 0 0 0 $" + longText, "#REFERENCE",
              "t.htm 1 2 " + longWord + " 1 $R", "#GALLERY", "*g 1 2 $G",
              "o 1 1 " + std::string(600, 'e') + " $O"}),
       {"2: warning: title cut to its capacity of 127 bytes",
        "4: warning: photo cut to its capacity of 127 bytes",
        "4: warning: caption cut to its capacity of 127 bytes",
        "6: warning: icon cut to its capacity of 255 bytes",
        "9: warning: explanation cut to its capacity of 511 bytes"}},
  });
}

TEST(DiagnosticsTest, TourFindings) {
  expectFindings({
      {"scene without header", lines({"#SCENE", "#CROSSLINK", "#SCENE", "court 0 0 $Court"}),
       {"1: warning: scene 1 has no header line: it is listed but gets no scene element"}},
      {"links, galleries, values",
       kHall + lines({"#CROSSLINK", "garden 1 2 arrow $G", "HALL 1 2 arrow $case is fine",
                      "gallery-1-1 1 2 arrow $a gallery scene", "Gallery-1-3 1 2 arrow $no such",
                      "#STILL", "a 1 2 0.5 2 0 0 0 $S", "b 1 2 0.5 1 0 0 0 $S", "#VIDEO",
                      "v 1 2 0 $V", "w 1 2 3 $V", "#GALLERY", "*empty 1 2 $E", "* 1 2 $no folder",
                      "o 3 1 $O"}),
       {"4: warning: cross link target \"garden\" names no scene of the tour",
        "7: warning: cross link target \"Gallery-1-3\" names no scene of the tour",
        "9: warning: still image distorted is 2, not 0 or 1; it is written as true",
        "12: warning: video kind 0 is not 1, 2 or 3; it is written as a button without an image",
        "15: warning: gallery \"empty\" is empty: no object line follows its entrance line",
        "16: warning: gallery entrance has no folder name",
        "17: warning: gallery object kind 3 is not 1 (image) or 2 (video); the object is not "
        "shown"}},
      {"repeated names",
       kHall + lines({"#SCENE", "hall 0 0 $Again", "#SCENE", "Court 0 0 $C", "#SCENE",
                      "court 0 0 $c", "#SCENE", "hall 0 0 $Third", "#CROSSLINK",
                      "hall-copy 1 2 arrow $the element of a repeat"}),
       {"4: warning: scene name \"hall\" repeats scene 1's (line 2); its element is named "
        "\"hall-copy\"",
        "8: warning: scene name \"court\" differs from scene 3's \"Court\" (line 6) only in letter "
        "case; the viewer takes them for one name",
        "10: warning: scene name \"hall\" repeats scene 1's (line 2); its element is named "
        "\"hall-copy\" like scene 2's, so the viewer cannot tell them apart"}},
      {"markup in captions",
       lines({"#SCENE", "hall 0 0 $Hall's \"main\" & more", "#CROSSLINK",
              "hall 1 2 a $it's", "hall 1 2 a $a <b>", "hall 1 2 a $fish &amp; chips &#x41;",
              "hall 1 2 a $&nbsp;", "hall 1 2 a $x &#00039; y", "hall 1 2 a $x U+0027 y",
              "hall 1 2 a $x &#38;apos; y", "hall 1 2 a $x &#00034; y"}),
       {"2: warning: title holds a \" that ends its XML attribute early",
        "2: warning: title holds an & that begins no character or entity reference",
        "4: warning: caption holds a ' that ends its showtext('...') text early",
        "5: warning: caption holds a < that XML does not allow in an attribute",
        "7: warning: caption holds an & that begins no character or entity reference",
        "8: warning: caption holds a ' that ends its showtext('...') text early",
        "9: warning: caption holds a ' that ends its showtext('...') text early",
        "10: warning: caption holds a ' that ends its showtext('...') text early",
        "11: warning: caption holds a \" that ends its XML attribute early"}},
      {"characters that XML does not allow",
       lines({"#SCENE", "hall 0 0 $a\x0B b", "#CROSSLINK", "hall 1 2 a $&#27;[0m",
              "hall 1 2 a $U+0008 U+FFFF", "hall 1 2 a $&#x1B; &#0;", "hall 1 2 a $tab\tkept"}),
       {"2: warning: title holds U+000B, a character that XML does not allow: it is written as "
        "U+FFFD",
        "4: warning: caption holds U+001B, a character that XML does not allow: it is written as "
        "U+FFFD",
        "5: warning: caption holds U+0008, a character that XML does not allow: it is written as "
        "U+FFFD",
        "6: warning: caption holds a reference to U+001B, a character that XML does not allow",
        "6: warning: caption holds U+0000, a character that XML does not allow: it is written as "
        "U+FFFD"}},
      {"characters that XML does not allow in words",
       kHall + lines({"#GALLERY", "*g 1 2 $G", "f\x01.jpg 1 1 text&#2;.htm $caption"}),
       {"5: warning: file holds U+0001, a character that XML does not allow: it is written as "
        "U+FFFD",
        "5: warning: explanation holds U+0002, a character that XML does not allow: it is written "
        "as U+FFFD"}},
  });
}

TEST(DiagnosticsTest, NamesTheViewerCannotHold) {
  const std::string digit = "begins with a digit: the viewer reads it as scene number ";
  const std::string stop = "which ends a name in the viewer's actions (loadscene(";
  expectFindings({
      {"digits first", lines({"#SCENE", "5OHO2eH6lSV5spqm 0 0 $T", "#CROSSLINK",
                              "5OHO2eH6lSV5spqm 1 2 a $C", "#SCENE", "007 0 0 $T", "#SCENE",
                              "&#00053;x 0 0 $T", "#SCENE", "x5 0 0 $T"}),
       {"2: warning: scene name \"5OHO2eH6lSV5spqm\" " + digit +
            "5, not as a name, and cannot load the scene; put a letter in front (as "
            "\"s5OHO2eH6lSV5spqm\")",
        "4: warning: cross link target \"5OHO2eH6lSV5spqm\" " + digit +
            "5, not as a name; put a letter in front of the target and of the scene's name",
        "6: warning: scene name \"007\" " + digit +
            "7, not as a name, and cannot load the scene; put a letter in front (as \"s007\")",
        "8: warning: scene name \"&#00053;x\" " + digit +
            "5, not as a name, and cannot load the scene; put a letter in front (as "
            "\"s&#00053;x\")"}},
      {"characters that end a name",
       lines({"#SCENE", "a,b 0 0 $T", "#SCENE", "it's 0 0 $T", "#SCENE", "x&#00040;y 0 0 $T",
              "#SCENE", "\xb0\xa1\xb0\xa1 0 0 $two-byte codes are never one"}),
       {"2: warning: scene name \"a,b\" holds \",\", " + stop +
            "a,b) is written without quotes): links cannot load the scene; leave it out",
        "4: warning: scene name \"it's\" holds \"'\", " + stop +
            "it's) is written without quotes): links cannot load the scene; leave it out",
        "6: warning: scene name \"x&#00040;y\" holds \"(\", " + stop +
            "x&#00040;y) is written without quotes): links cannot load the scene; leave it out"}},
  });
}

// The base name is written into the tour XML as it stands. Windows file
// names cannot hold '"', so there the name holds only the '&'.
TEST(DiagnosticsTest, BaseNameWithMarkup) {
#ifdef _WIN32
  const std::string baseName = "Tom & Jerry";
  const std::string quoteWarning;
#else
  const std::string baseName = "Tom & \"Jerry\"";
  const std::string quoteWarning = "a \" that ends its XML attribute early\n";
#endif
  TempDir dir;
  writeFile(dir.file(baseName + ".lst"), kHall);
  writeFile(dir.file("hall.xml"), readFile(sourceDir() + "/examples/palace/hall.xml"));
  const std::string path = std::string(".") + kPathSeparator + baseName + ".lst";
  const std::string name = path + ": warning: base name \"" + baseName + "\" holds ";
  const std::string count = quoteWarning.empty() ? ": 1 warning\n" : ": 2 warnings\n";
  EXPECT_EQ(runProgram({baseName + ".lst"}, dir.path()).err,
            (quoteWarning.empty() ? "" : name + quoteWarning) + name +
                "an & that begins no character or entity reference\n" + path + count);
}

// A lone lead byte at the end of a field is dropped (the tour XML would
// pair it with the quote after the field); words go into attributes as
// captions do. A run and --check say so alike.
TEST(DiagnosticsTest, LoneLeadBytesAndMarkupInWords) {
  TempDir dir;
  writeFile(dir.file("t.lst"), lines({"#SCENE", "hall 0 0 $Main\xB0", "#CROSSLINK",
                                      "hall\xB0 1 2 arrow $x", "ha<ll 1 2 arrow $y", "#STILL",
                                      "va\"se 1 2 0.5 0 0 0 0 $S", "#GALLERY", "*g&h 1 2 $G",
                                      "o&amp;p 1 1 $O"}));
  writeFile(dir.file("hall.xml"), readFile(sourceDir() + "/examples/palace/hall.xml"));
  const std::string dropped =
      " ends in a lead byte (0x80 or above) without its trail byte: the byte was dropped";
  const std::string expected =
      warnings({"2: warning: title" + dropped, "4: warning: target" + dropped,
                "5: warning: target holds a < that XML does not allow in an attribute",
                "7: warning: photo holds a \" that ends its XML attribute early",
                "9: warning: folder holds an & that begins no character or entity reference",
                "5: warning: cross link target \"ha<ll\" names no scene of the tour"});
  EXPECT_EQ(scriptFindings(runProgram({"--check", "t.lst"}, dir.path()).err), expected);
  EXPECT_EQ(runProgram({"t.lst"}, dir.path()).err, expected);
  std::string xml = readFile(dir.file("t.xml"));
  EXPECT_NE(xml.find("title=\"Main\" onstart"), std::string::npos);
  EXPECT_NE(xml.find("loadscene(hall);"), std::string::npos);
}

#ifndef _WIN32
// A Latin-1 base name: its last byte reads as a lead byte without a trail
// byte, and is left out of the tour XML.
TEST(DiagnosticsTest, BaseNameEndingInALoneLeadByte) {
  TempDir dir;
  writeFile(dir.file("caf\xE9.lst"), kHall);
  writeFile(dir.file("hall.xml"), readFile(sourceDir() + "/examples/palace/hall.xml"));
  const std::string path = std::string(".") + kPathSeparator + "caf\xE9.lst";
  EXPECT_EQ(runProgram({"caf\xE9.lst"}, dir.path()).err,
            path + ": warning: base name \"caf\xE9\" ends in a lead byte (0x80 or above) without "
                   "its trail byte: the byte is dropped from the tour XML, which therefore cannot "
                   "name the tour's files as they are on disk\n" + path + ": 1 warning\n");
  EXPECT_NE(readFile(dir.file("caf\xE9.xml")).find("<xmlscript name=\"caf.xml\"/>"),
            std::string::npos);
}
#endif

std::string utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

TEST(DiagnosticsTest, LineNumbersAreTheScriptsInEveryEncoding) {
  const std::string script = kHall + lines({"#CROSSLINK", "garden 1 2 arrow $G"});
  const std::string finding = "4: warning: cross link target \"garden\" names no scene of the tour";
  for (const std::string& bytes :
       {script, withCrLf(script), "\xEF\xBB\xBF" + withCrLf(script), utf16(script, true),
        utf16(withCrLf(script), false)}) {
    EXPECT_EQ(runScript(bytes).err, warnings({finding})) << bytes;
  }
}

TEST(DiagnosticsTest, CharactersThatCouldNotBeDecoded) {
  const std::string mark = "\xEF\xBB\xBF";
  expectFindings({
      {"UTF-8",
       mark + kHall + "#CROSSLINK\nhall 1 2 a $x\xFF y \xC3( \x80\nhall 1 2 a $ok\xE4\xB8",
       {"4: warning: 3 invalid UTF-8 sequences replaced",
        "5: warning: the file ends inside a UTF-8 sequence: its bytes are dropped"}},
      {"overlong UTF-8", mark + kHall + "#CROSSLINK\nhall 1 2 a $x\xC0\x8Ay\xE0\x80\x8A\n",
       {"4: warning: 2 invalid UTF-8 sequences replaced"}},
      {"UTF-16",
       utf16(kHall + "#STILL\nx 1 2 1 0 0 0 0 $", false) +
           std::string("\x00\xD8" "A\x00" "B", 5),  // a lone surrogate, then an odd byte
       {"4: warning: 1 unpaired UTF-16 surrogate replaced",
        "4: warning: the file ends with an odd byte: it is dropped"}},
      {"UTF-8 without a mark", kHall + "#CROSSLINK\nhall 1 2 a $\xEA\xB0\x80\n",
       {" warning: the script reads as UTF-8 but has no byte-order mark, so it is taken as ANSI "
        "(Korean code page); save it as UTF-8 with a byte-order mark"}},
      {"NUL in UTF-8 and UTF-16, as in ANSI",
       mark + kHall + std::string("#CROSSLINK\nhall 1 2 a $x\0y\0z\n", 25),
       {"4: warning: NUL character in the line: dropped, the text after it is kept"}},
      {"NUL in UTF-16", utf16(kHall + std::string("#STILL\0\n", 8), false),
       {"3: warning: NUL character in the line: dropped, the text after it is kept"}},
      {"code page Hangul that is also valid UTF-8", kHall + "#CROSSLINK\nhall 1 2 a $\xC8\xB2\n", {}},
  });
}

// Code page codes that the tour XML can only show as the replacement mark.
TEST(DiagnosticsTest, CodesWithoutACharacter) {
  const std::string remedy =
      " place; save the script as UTF-8 with a byte-order mark, which keeps every character";
  const std::string one = " has no character in the code page tables: the tour shows U+25A3 in its";
  const std::string many =
      " have no character in the code page tables: the tour shows U+25A3 in their";
  expectFindings({
      {"an extra Hangul of the Windows code page", "#SCENE\nhall 0 0 $\x8C\x63\xB9\xE6\n",
       {"2: warning: code 8C 63" + one + remedy}},
      {"a lead byte before a space", kHall + "#CROSSLINK\nhall 1 2 a $x\xB0 y\n",
       {"4: warning: code B0 (no trail byte)" + one + remedy}},
      {"many on one line",
       kHall + "#STILL\nv\xC9\xA1 1 2 1 0 0 0 0 $\x8C\x63\x8C\x64\xB0\xA1\x8C\x65\x8C\x66\xB0\n",
       {"4: warning: codes C9 A1, 8C 63, 8C 64, 8C 65 and 1 more" + many + remedy,
        "4: warning: caption ends in a lead byte (0x80 or above) without its trail byte: the byte "
        "was dropped"}},
      {"a caption word taken as a field is named once",
       kHall + "#GALLERY\n*g 1 2 $G\no 1 1 $\x8C\x63\n", {"5: warning: code 8C 63" + one + remedy}},
      {"codes the tables hold", kHall + "#CROSSLINK\nhall 1 2 a $\xB0\xA1\xA2\xC3\xCA\xA1\n", {}},
      {"a code cut off with its caption",
       kHall + "#CROSSLINK\nhall 1 2 a $" + std::string(126, 'x') + "\x8C\x63\n",
       {"4: warning: caption cut to its capacity of 127 bytes"}},
      {"lines that reach no output", kHall + "// \x8C\x63\n#CROSSLINK\nhall 1 2 a \x8C\x63\n",
       {"5: warning: cross link line has no \"$\" caption: skipped"}},
      {"UTF-8 keeps every character",
       "\xEF\xBB\xBF" + kHall + "#CROSSLINK\nhall 1 2 a $\xEB\x98\xA0\n", {}},
  });
}

// Lines longer than the reader's 64 KiB block are read back from the file
// window by window: what is learnt across the windows is what the whole
// line gives.
TEST(DiagnosticsTest, LinesPastTheReadAhead) {
  const std::string link = kHall + "#CROSSLINK\nhall 1 2 a $";
  const std::string cut = "4: warning: caption cut to its capacity of 127 bytes";
  auto times = [](const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i) all += text;
    return all;
  };
  expectFindings({
      {"UTF-8 without a mark", link + times("\xEA\xB0\x80", 50000) + "\n",
       {cut, " warning: the script reads as UTF-8 but has no byte-order mark, so it is taken as "
             "ANSI (Korean code page); save it as UTF-8 with a byte-order mark"}},
      {"code page Hangul that is also valid UTF-8", link + times("\xC8\xB2", 70000) + "\n",
       {cut}},
      {"a NUL byte far into the line",
       kHall + "#CROSSLINK\nhall 1 2 a" + std::string(100000, ' ') + std::string("$L\0amp\n", 7),
       {"4: warning: NUL byte in the line: the text after it is ignored"}},
  });
}

}  // namespace
}  // namespace tourwright
