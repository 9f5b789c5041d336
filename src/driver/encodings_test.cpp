// The example tour end to end in every script encoding: the Korean code
// page as stored, UTF-8 and UTF-16 of both byte orders with their marks,
// each with LF and with CR LF line ends, all give the same tour XML and
// viewer page, and leave no scratch file behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "encoding/code_point.h"
#include "test_support.h"

// The test scripts are made with the C library's converter.
#if __has_include(<iconv.h>)
#include <iconv.h>

namespace tourwright {
namespace {

using testing_support::ProgramRun;
using testing_support::TempDir;
using testing_support::listFolder;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::sourceDir;
using testing_support::writeFile;

const char* const kTourFiles[] = {"palace.lst", "hall.xml", "court.xml"};

std::string exampleFile(const char* name) {
  return readFile(sourceDir() + "/examples/palace/" + name);
}

// The C library's converter, for making the test scripts only.
std::string convert(const std::string& text, const char* from, const char* to) {
  iconv_t converter = iconv_open(to, from);
  EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << from << " to " << to;
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* at = &out[0];
  size_t outLeft = out.size();
  EXPECT_NE(iconv(converter, &in, &inLeft, &at, &outLeft), static_cast<size_t>(-1));
  iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

struct Variant {
  std::string name;
  int code;  // the encoding the run reports
  std::string script;
};

std::vector<Variant> scriptVariants(const std::string& stored = exampleFile("palace.lst")) {
  std::vector<Variant> variants;
  for (bool crLf : {false, true}) {
    std::string ksx = crLf ? withCrLf(stored) : stored;
    std::string ends = crLf ? " CR LF" : " LF";
    variants.push_back({"ANSI" + ends, 0, ksx});
    variants.push_back({"UTF-8" + ends, 1, "\xEF\xBB\xBF" + convert(ksx, "CP949", "UTF-8")});
    variants.push_back({"UTF-16 BE" + ends, 2, "\xFE\xFF" + convert(ksx, "CP949", "UTF-16BE")});
    variants.push_back({"UTF-16 LE" + ends, 3, "\xFF\xFE" + convert(ksx, "CP949", "UTF-16LE")});
  }
  return variants;
}

TEST(EncodingsEndToEndTest, EveryScriptEncodingGivesTheSameTour) {
  std::string referenceXml, referenceHtm;
  for (const Variant& variant : scriptVariants()) {
    TempDir dir;
    for (const char* name : kTourFiles) writeFile(dir.file(name), exampleFile(name));
    writeFile(dir.file("palace.lst"), variant.script);

    ProgramRun run = runProgram({dir.file("palace.lst")});
    EXPECT_EQ(run.status, 0) << variant.name << "\n" << run.out;
    EXPECT_NE(run.out.find("Text Encoding of LST file: " + std::to_string(variant.code) + " "),
              std::string::npos)
        << variant.name;
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"court.xml", "hall.xml", "palace.htm",
                                                                "palace.lst", "palace.xml"}))
        << variant.name;

    std::string xml = readFile(dir.file("palace.xml"));
    std::string htm = readFile(dir.file("palace.htm"));
    if (referenceXml.empty()) {
      referenceXml = xml;
      referenceHtm = htm;
      ASSERT_FALSE(xml.empty());
      EXPECT_EQ(xml.compare(0, 3, "\xEF\xBB\xBF"), 0);
      EXPECT_TRUE(isValidUtf8(xml.data(), xml.size()));
      // A caption of a cross link and the Hanja of the second scene's, in UTF-8.
      EXPECT_NE(xml.find("\xEB\x8F\x99\xEA\xB6\x81 \xEB\x9C\xB0\xEB\xA1\x9C \xEA\xB0\x80\xEA\xB8\xB0"),
                std::string::npos);
      std::string lint = "xmllint --noout " + dir.file("palace.xml") + " 2>&1";
      EXPECT_EQ(std::system(lint.c_str()), 0) << lint;
    } else {
      EXPECT_TRUE(xml == referenceXml) << variant.name << " gives a different tour XML";
      EXPECT_TRUE(htm == referenceHtm) << variant.name << " gives a different viewer page";
    }
  }
}

// Characters the code page cannot hold travel as references from a UTF-8
// script to the tour XML, supplementary ones included.
TEST(EncodingsEndToEndTest, CharactersOutsideTheCodePageSurvive) {
  TempDir dir;
  for (const char* name : kTourFiles) writeFile(dir.file(name), exampleFile(name));
  std::string script = convert(exampleFile("palace.lst"), "CP949", "UTF-8");
  const std::string court = "\xEB\x8F\x99\xEA\xB6\x81 \xEB\x9C\xB0\xEB\xA1\x9C";  // the first link
  size_t at = script.find(court);
  ASSERT_NE(at, std::string::npos);
  const std::string foreign = "\xE0\xB8\x81\xF0\x9F\x98\x80\xEB\x98\xA0";  // U+0E01 U+1F600 U+B620
  script.insert(at, foreign);
  writeFile(dir.file("palace.lst"), "\xEF\xBB\xBF" + script);
  ProgramRun run = runProgram({dir.file("palace.lst")});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("&#03585;&#128512;&#46624;"), std::string::npos) << run.out;
  std::string xml = readFile(dir.file("palace.xml"));
  EXPECT_NE(xml.find(foreign + court), std::string::npos);
}

// A tour named in Korean in a Korean folder, with a Korean scene: the file
// system's UTF-8 names reach the tour XML and the page in UTF-8, in every
// script encoding. A base name in code page bytes behaves as it always did:
// the tour XML shows it in UTF-8, the page holds its bytes.
TEST(EncodingsEndToEndTest, KoreanFileNames) {
  const std::string tour = "\xEA\xB6\x81\xEA\xB6\x90";    // the tour's name, in UTF-8
  const std::string tourInCodePage = "\xB1\xC3\xB1\xC8";
  const std::string scene = "\xEB\x8F\x99\xEA\xB6\x81";   // the second scene's
  std::string script = exampleFile("palace.lst");
  for (size_t at; (at = script.find("court")) != std::string::npos;) {
    script.replace(at, 5, "\xB5\xBF\xB1\xC3");
  }
  std::string referenceXml;
  for (const Variant& variant : scriptVariants(script)) {
    TempDir dir;
    std::string folder = dir.file(tour);
    ASSERT_TRUE(testing_support::makeFolder(folder));
    writeFile(folder + "/hall.xml", exampleFile("hall.xml"));
    writeFile(folder + "/" + scene + ".xml", exampleFile("court.xml"));
    writeFile(folder + "/" + tour + ".lst", variant.script);
    ProgramRun run = runProgram({tour + "/" + tour + ".lst"}, dir.path());
    EXPECT_EQ(run.status, 0) << variant.name << "\n" << run.out;

    std::string xml = readFile(folder + "/" + tour + ".xml");
    std::string htm = readFile(folder + "/" + tour + ".htm");
    for (const std::string& text :
         {"<xmlscript name=\"" + tour + ".xml\"/>", "<window title=\"" + tour + "\"/>",
          "homepano=%CURRENTXML%/../" + tour + ".xml&amp;homescene=" + scene,
          "<scene name=\"" + scene + "\""}) {
      EXPECT_NE(xml.find(text), std::string::npos) << variant.name << ": " << text;
    }
    EXPECT_NE(htm.find("Scene: " + tour + "</title>"), std::string::npos) << variant.name;
    EXPECT_NE(htm.find("xml: \"" + tour + ".xml\","), std::string::npos) << variant.name;
    if (referenceXml.empty()) referenceXml = xml;
    EXPECT_TRUE(xml == referenceXml) << variant.name << " gives a different tour XML";

    if (variant.code == 0) {
      writeFile(folder + "/" + tourInCodePage + ".lst", variant.script);
      run = runProgram({folder + "/" + tourInCodePage + ".lst"});
      EXPECT_EQ(run.status, 0) << run.out;
      EXPECT_TRUE(readFile(folder + "/" + tourInCodePage + ".xml") == xml);
      EXPECT_NE(readFile(folder + "/" + tourInCodePage + ".htm").find("xml: \"" + tourInCodePage),
                std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tourwright

#endif  // __has_include(<iconv.h>)
