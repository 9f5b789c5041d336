#include "preview/request_path.h"

#include <gtest/gtest.h>

namespace tourwright {
namespace {

struct TargetCase {
  const char* target;
  RequestKind kind;
  const char* path;
};

TEST(RequestPathTest, MapsTargetsAndRefusesWhatNoFileNameCanBe) {
  const TargetCase cases[] = {
      {"/", RequestKind::kEmbeddedFile, "web/index.html"},
      {"/?scene=hall", RequestKind::kEmbeddedFile, "web/index.html"},
      {"/_tourwright/tour.json", RequestKind::kModel, ""},
      {"/_tourwright/tour.json?t=17", RequestKind::kModel, ""},
      {"/_tourwright/preview.js", RequestKind::kEmbeddedFile, "web/preview.js"},
      {"/_tourwright/third_party/viewer/viewer.min.js", RequestKind::kEmbeddedFile,
       "third_party/viewer/viewer.min.js"},
      {"/hall.tiles/f/l1/1/l1_f_1_2.jpg", RequestKind::kTourFile, "hall.tiles/f/l1/1/l1_f_1_2.jpg"},
      {"/photo/a%20b.JPG", RequestKind::kTourFile, "photo/a b.JPG"},
      // Korean names arrive percent-encoded in UTF-8.
      {"/%EA%B6%81/%EB%8F%99.jpg", RequestKind::kTourFile, "\xEA\xB6\x81/\xEB\x8F\x99.jpg"},
      {"/com10.jpg", RequestKind::kTourFile, "com10.jpg"},
      {"/console.jpg", RequestKind::kTourFile, "console.jpg"},
      {"/photo/", RequestKind::kNoListing, ""},
      {"/_tourwright/", RequestKind::kNoListing, ""},
      // Out of the folder, or not a plain name.
      {"/../etc/passwd", RequestKind::kRefused, ""},
      {"/photo/../../x.jpg", RequestKind::kRefused, ""},
      {"/%2e%2e/x.jpg", RequestKind::kRefused, ""},
      {"/%2E%2e/x.jpg", RequestKind::kRefused, ""},
      {"/photo/%2e/x.jpg", RequestKind::kRefused, ""},
      {"/..%2fx.jpg", RequestKind::kRefused, ""},
      {"/photo%2f..%2f..%2fx.jpg", RequestKind::kRefused, ""},
      {"/..%5cx.jpg", RequestKind::kRefused, ""},
      {"/photo\\..\\x.jpg", RequestKind::kRefused, ""},
      {"//etc/passwd", RequestKind::kRefused, ""},
      {"/photo//x.jpg", RequestKind::kRefused, ""},
      {"/etc/passwd%00.jpg", RequestKind::kRefused, ""},
      {"/x.jpg%0a", RequestKind::kRefused, ""},
      {"/a%7f.jpg", RequestKind::kRefused, ""},
      {"/C:/Windows/win.ini", RequestKind::kRefused, ""},
      {"/C%3a%5cWindows%5cwin.ini", RequestKind::kRefused, ""},
      {"/hall.xml::$DATA", RequestKind::kRefused, ""},
      {"/CON", RequestKind::kRefused, ""},
      {"/photo/nul.jpg", RequestKind::kRefused, ""},
      {"/Aux .txt", RequestKind::kRefused, ""},
      {"/lpt1", RequestKind::kRefused, ""},
      {"/com0.jpg", RequestKind::kRefused, ""},
      {"/LPT0", RequestKind::kRefused, ""},
      {"/COM%C2%B9.jpg", RequestKind::kRefused, ""},
      {"/conout$", RequestKind::kRefused, ""},
      {"/hall.xml.", RequestKind::kRefused, ""},
      {"/hall.xml%20", RequestKind::kRefused, ""},
      {"/.git/config", RequestKind::kRefused, ""},
      {"/a%zz.jpg", RequestKind::kRefused, ""},
      {"/a%2.jpg", RequestKind::kRefused, ""},
      {"/a%", RequestKind::kRefused, ""},
      {"/%B1%C3.jpg", RequestKind::kRefused, ""},  // not UTF-8
      {"/a*.jpg", RequestKind::kRefused, ""},
      {"/_tourwright/../palace.lst", RequestKind::kRefused, ""},
      {"*", RequestKind::kRefused, ""},
      {"http://127.0.0.1:8080/hall.xml", RequestKind::kRefused, ""},
      {"", RequestKind::kRefused, ""},
  };
  for (const TargetCase& c : cases) {
    MappedRequest mapped = mapRequestTarget(c.target);
    EXPECT_EQ(mapped.kind, c.kind) << c.target;
    EXPECT_EQ(mapped.path, c.path) << c.target;
  }
}

TEST(RequestPathTest, AnswersOnlyToItsOwnAddress) {
  const struct {
    const char* host;
    int port;
    bool own;
  } cases[] = {
      {"127.0.0.1:8080", 8080, true},  {"localhost:8080", 8080, true},
      {"LocalHost:8080", 8080, true},  {"[::1]:8080", 8080, true},
      {"127.0.0.1", 8080, false},      {"127.0.0.1:80", 8080, false},
      {"localhost:80800", 8080, false}, {"evil.example:8080", 8080, false},
      {"127.0.0.1.evil.example:8080", 8080, false}, {"", 8080, false},
      {"[::1]", 8080, false},          {"::1:8080", 8080, false},
      // Browsers leave the default port out.
      {"127.0.0.1", 80, true},         {"localhost", 80, true},
      {"[::1]", 80, true},             {"127.0.0.1:80", 80, true},
      {"evil.example", 80, false},     {"127.0.0.1:", 80, false},
  };
  for (const auto& c : cases) EXPECT_EQ(isOwnHost(c.host, c.port), c.own) << c.host << " " << c.port;
}

TEST(RequestPathTest, ServesOneValidByteRangeAndIgnoresTheRest) {
  const ByteRange::Kind whole = ByteRange::kWhole;
  const ByteRange::Kind part = ByteRange::kPart;
  const ByteRange::Kind none = ByteRange::kUnsatisfiable;
  const struct {
    const char* header;
    long long size;
    ByteRange::Kind kind;
    long long first, last;
  } cases[] = {
      {"bytes=2-5", 10, part, 2, 5},       {"bytes=2-", 10, part, 2, 9},
      {"bytes=2-99", 10, part, 2, 9},      {"bytes=-3", 10, part, 7, 9},
      {"bytes=-30", 10, part, 0, 9},       {"BYTES=0-1", 10, part, 0, 1},  // units ignore case
      {"bytes=9-9", 10, part, 9, 9},       {"bytes=2-10", 10, part, 2, 9},  // ends at the size
      // Beyond the file: 416.
      {"bytes=10-", 10, none, 0, 0},       {"bytes=10-20", 10, none, 0, 0},
      {"bytes=-0", 10, none, 0, 0},        {"bytes=0-", 0, none, 0, 0},
      {"bytes=-5", 0, none, 0, 0},
      // Not a valid byte range, an unknown unit, or several: the whole file.
      {"items=0-1", 10, whole, 0, 0},      {"bytes=abc", 10, whole, 0, 0},
      {"bytes=", 10, whole, 0, 0},         {"bytes=-", 10, whole, 0, 0},
      {"bytes=5-2", 10, whole, 0, 0},      {"bytes=1-2x", 10, whole, 0, 0},
      {"bytes= 1-2", 10, whole, 0, 0},     {"bytes=1-2,4-5", 10, whole, 0, 0},
      {"bytes=0-,-1", 10, whole, 0, 0},    {"bytes", 10, whole, 0, 0},
      {"bytes=99999999999999999999-", 10, whole, 0, 0},
      {"bytes=0-99999999999999999999", 10, whole, 0, 0},
  };
  for (const auto& c : cases) {
    ByteRange range = byteRangeFor(c.header, c.size);
    EXPECT_EQ(range.kind, c.kind) << c.header;
    if (c.kind != part) continue;
    EXPECT_EQ(range.first, c.first) << c.header;
    EXPECT_EQ(range.last, c.last) << c.header;
  }
}

TEST(RequestPathTest, NamesContentTypesByExtension) {
  const struct {
    const char* path;
    const char* type;
  } cases[] = {
      {"a/b.JPG", "image/jpeg"},  {"b.jpeg", "image/jpeg"}, {"v.mp4", "video/mp4"},
      {"v.webm", "video/webm"},   {"p.svg", "image/svg+xml"}, {"t.json", "application/json; charset=utf-8"},
      {"m.kml", "application/vnd.google-earth.kml+xml"},      {"palace.lst", "application/octet-stream"},
      {"a.dir/noextension", "application/octet-stream"},
  };
  for (const auto& c : cases) EXPECT_STREQ(contentTypeFor(c.path), c.type) << c.path;
}

}  // namespace
}  // namespace tourwright
