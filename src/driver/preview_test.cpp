// The preview end to end: tourwright --preview on a copy of the example
// tour, asked over HTTP for the page, its model, its files and a tour
// file, then for every kind of request it refuses, and stopped with a
// signal. The Windows executable is tested the same way under Wine
// (preview_harness.h); TOURWRIGHT_PREVIEW_SIGNAL=INT is the signal that
// ends it there.
#include <gtest/gtest.h>

#include "driver/preview_mode.h"

#include <cstdio>

#include "driver/author_tools.h"
#include "driver/run.h"
#include "platform/files.h"
#include "test_support.h"

namespace tourwright {
namespace {

TEST(PreviewWarningsTest, TakesEachWarningWithItsLineInUtf8) {
  std::string spaced;
  for (int i = 0; i < 700; ++i) spaced += "x ";  // longer than one conversion
  const struct {
    std::string printed;
    long long line;
    std::string text;  // "": no warning
  } cases[] = {
      {"t/a.lst:12: warning: caption \xB1\xC3 cut\n", 12, "t/a.lst:12: warning: caption \xEA\xB6\x81 cut"},
      {"t/a.lst: warning: no scenes\r\n", 0, "t/a.lst: warning: no scenes"},
      {"t/a.lst: 2 warnings\n", 0, ""},
      {"Lst File \"t/a.lst\" Not Found!\n", 0, "Lst File \"t/a.lst\" Not Found!"},
      {"t/a.lst:3: warning: " + spaced + "\xB1\xC3\n", 3, "t/a.lst:3: warning: " + spaced + "\xEA\xB6\x81"},
      // A path in UTF-8 stays as it is.
      {"t/a.lst:4: warning: tile XML \"\xEA\xB6\x81.xml\" is missing\n", 4,
       "t/a.lst:4: warning: tile XML \"\xEA\xB6\x81.xml\" is missing"},
      // The tiles of a scene, on its tile XML; the note of a check without a site.
      {"t/hall.xml: warning: 1 of 24 tiles missing in hall.tiles (f_1_1.jpg)\n", 0,
       "t/hall.xml: warning: 1 of 24 tiles missing in hall.tiles (f_1_1.jpg)"},
      {"t/a.lst: note: the site's files were not looked for\n", 0, ""},
  };
  for (const auto& c : cases) {
    std::vector<PreviewWarning> warnings = previewWarnings(c.printed, "t/a.lst");
    ASSERT_EQ(warnings.size(), c.text.empty() ? 0u : 1u) << c.printed;
    if (c.text.empty()) continue;
    EXPECT_EQ(warnings[0].line, c.line) << c.printed;
    EXPECT_EQ(warnings[0].text, c.text);
  }
}

// The page's warnings hold what --check finds of the files the tour needs,
// from the same list: here a tile of a level the page does not draw.
TEST(PreviewWarningsTest, NameTheMissingFilesAsTheCheckDoes) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir.file("t.lst"), "#SCENE\nhall 0 0 $Hall\n");
  testing_support::writeFile(
      dir.file("hall.xml"),
      "<krpano>\n<image multires=\"true\" tilesize=\"512\">\n"
      "<level tiledimagewidth=\"512\" tiledimageheight=\"512\"><cube url=\"hall.tiles/%s.jpg\"/>"
      "</level>\n</image>\n</krpano>\n");
  testing_support::makeFolder(dir.file("hall.tiles"));
  for (const char* file : {"l", "f", "r", "b", "d", "preview", "mobile_f"}) {
    testing_support::writeFile(dir.file("hall.tiles/") + file + ".jpg", "");
  }
  RunPaths paths = derivePaths(dir.file("t.lst"));
  FILE* printed = std::tmpfile();
  ASSERT_NE(readScriptAsChecked(paths, "", printed), nullptr);
  std::vector<PreviewWarning> warnings =
      previewWarnings(testing_support::readStream(printed), consolePath(paths.lstPath));
  std::fclose(printed);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].line, 0);
  EXPECT_EQ(warnings[0].text, consolePath(dir.file("hall.xml")) +
                                  ": warning: 1 of 6 tiles missing in hall.tiles (u.jpg)");
}

}  // namespace
}  // namespace tourwright

#ifndef _WIN32

#include <filesystem>
#include <map>

#include "driver/preview_harness.h"
#include "httplib.h"
#include "test_support.h"

namespace tourwright {
namespace {

namespace fs = std::filesystem;
using namespace preview_harness;
using testing_support::readFile;
using testing_support::sourceDir;
using testing_support::TempDir;

// Every file of the folder with its size, time and bytes.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string state = std::to_string(entry.last_write_time().time_since_epoch().count());
    if (entry.is_regular_file()) state += " " + readFile(entry.path().string());
    files[fs::relative(entry.path(), folder).string()] = state;
  }
  return files;
}

TEST(PreviewEndToEnd, ServesTheTourAndRefusesWhatLiesOutsideIt) {
  TempDir root;
  std::string tour = root.file("palace");
  fs::copy(sourceDir() + "/examples/palace", tour, fs::copy_options::recursive);
  fs::remove(tour + "/palace.xml");  // a run's outputs, if the example was converted
  fs::remove(tour + "/palace.htm");
  fs::create_directory(tour + "/\xEA\xB6\x81");  // Korean names, percent-encoded in URLs
  testing_support::writeFile(tour + "/\xEA\xB6\x81/\xEB\x8F\x99.jpg", "tile");
  auto before = snapshot(tour);

  Preview preview = startPreview(tour, {"--preview", "palace.lst"});
  int port = portOf(preview.line);
  ASSERT_GT(port, 0) << preview.line;
  std::string address = ": http://127.0.0.1:" + std::to_string(port) + "/ (Ctrl-C ends it)";
  EXPECT_TRUE(preview.line == "Preview of ./palace.lst" + address ||
              preview.line == "Preview of .\\palace.lst" + address)
      << preview.line;

  // Clients that stall halfway through a request, and one that asks and
  // vanishes, hold up no one.
  std::vector<int> stalled;
  for (int i = 0; i < 10; ++i) stalled.push_back(openConnection(port, "GET / HTTP/1.1\r\nHo"));
  close(openConnection(port, "GET /hall.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));

  httplib::Client client("127.0.0.1", port);
  client.set_url_encode(false);
  client.set_read_timeout(10, 0);
  const struct {
    const char* method;
    const char* path;
    int status;
    const char* contentType;  // nullptr: not checked
    std::string body;         // empty: not checked
  } cases[] = {
      {"GET", "/", 200, "text/html; charset=utf-8", readFile(sourceDir() + "/web/index.html")},
      {"GET", "/_tourwright/preview.js", 200, "text/javascript; charset=utf-8",
       readFile(sourceDir() + "/web/preview.js")},
      {"GET", "/_tourwright/tour.json", 200, "application/json; charset=utf-8", ""},
      {"GET", "/hall.xml", 200, "application/xml", readFile(tour + "/hall.xml")},
      {"HEAD", "/hall.xml", 200, "application/xml", ""},
      {"GET", "/%EA%B6%81/%EB%8F%99.jpg", 200, "image/jpeg", "tile"},
      {"GET", "/_tourwright/nosuch.js", 404, nullptr, ""},
      {"GET", "/nosuch.jpg", 404, nullptr, ""},
      {"GET", "/../palace/palace.lst", 403, nullptr, ""},
      {"GET", "/%2e%2e/palace/palace.lst", 403, nullptr, ""},
      {"GET", "/..%2fpalace%2fpalace.lst", 403, nullptr, ""},
      {"GET", "/..%5cpalace%5cpalace.lst", 403, nullptr, ""},
      {"GET", "//etc/passwd", 403, nullptr, ""},
      {"GET", "/hall.xml%00.jpg", 403, nullptr, ""},
      {"GET", "/C:/Windows/win.ini", 403, nullptr, ""},
      {"GET", "/NUL", 403, nullptr, ""},
      {"POST", "/", 405, nullptr, ""},
      {"PUT", "/hall.xml", 405, nullptr, ""},
      {"DELETE", "/hall.xml", 405, nullptr, ""},
  };
  for (const auto& c : cases) {
    httplib::Request request;
    request.method = c.method;
    request.path = c.path;
    auto result = client.send(request);
    ASSERT_TRUE(result) << c.method << " " << c.path;
    EXPECT_EQ(result->status, c.status) << c.method << " " << c.path;
    if (c.contentType) {
      EXPECT_EQ(result->get_header_value("Content-Type"), c.contentType) << c.path;
    }
    if (!c.body.empty()) {
      EXPECT_EQ(result->body, c.body) << c.path;
    }
  }
  auto model = client.Get("/_tourwright/tour.json");
  ASSERT_TRUE(model);
  EXPECT_EQ(model->get_header_value("Cache-Control"), "no-store");
  EXPECT_EQ(model->body.substr(0, 1), "{");

  // Ranges, for videos.
  const std::string xml = readFile(tour + "/hall.xml");
  const struct {
    std::string range;
    int status;
    std::string body;
  } ranges[] = {
      {"bytes=2-5", 206, xml.substr(2, 4)},
      {"bytes=2-" + std::to_string(xml.size()), 206, xml.substr(2)},  // one past the end
      {"bytes=99999-", 416, ""},
  };
  for (const auto& c : ranges) {
    auto range = client.Get("/hall.xml", {{"Range", c.range}});
    if (!range) {
      ADD_FAILURE() << c.range << ": no answer";  // the preview still to be ended below
      continue;
    }
    EXPECT_EQ(range->status, c.status) << c.range;
    if (c.status == 206) {
      EXPECT_EQ(range->body, c.body) << c.range;
    }
  }

  // A page elsewhere, through a DNS name rebound to the loopback address.
  for (const char* host : {"evil.example", "evil.example:80", "127.0.0.1:1"}) {
    auto rebound = client.Get("/hall.xml", {{"Host", host}});
    ASSERT_TRUE(rebound);
    EXPECT_EQ(rebound->status, 403) << host;
  }
  auto byName = client.Get("/hall.xml", {{"Host", "localhost:" + std::to_string(port)}});
  ASSERT_TRUE(byName);
  EXPECT_EQ(byName->status, 200);

  for (int connection : stalled) close(connection);

  // The port taken: a second preview says so and ends.
  Preview second = startPreview(tour, {"--preview", "--port", std::to_string(port), "palace.lst"});
  EXPECT_EQ(second.line, "");
  EXPECT_EQ(endPreview(&second, 0), 1);  // signal 0: it ends by itself

  bool interrupt = std::string(setting("TOURWRIGHT_PREVIEW_SIGNAL", "TERM")) == "INT";
  EXPECT_EQ(endPreview(&preview, interrupt ? SIGINT : SIGTERM), 0);
  EXPECT_EQ(snapshot(tour), before);
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
