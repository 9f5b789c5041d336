// The site view end to end: a tour under a site root (with a stand-in
// viewer script of the tests' own) served as the site's web server would
// serve it, the tour's page and tour XML as a run writes them, and the
// site root and tour folder left as they were.
#ifndef _WIN32
#include <gtest/gtest.h>

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
using testing_support::runProgram;
using testing_support::sourceDir;
using testing_support::TempDir;
using testing_support::writeFile;

const char kStandInViewer[] = "// stand-in viewer for the tests\nwindow.embedpano = function () {};\n";
const char kLinkedTile[] = "court.tiles/b/l1/2/l1_b_2_2.jpg";

// Every entry under `folder` (links not followed) with its time and bytes.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string state = std::to_string(entry.last_write_time().time_since_epoch().count());
    if (entry.is_symlink()) {
      state += " -> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      state += " " + readFile(entry.path().string());
    }
    files[fs::relative(entry.path(), folder).string()] = state;
  }
  return files;
}

// A copy of the example tour without a run's outputs.
void copyExample(const std::string& to) {
  fs::create_directories(fs::path(to).parent_path());
  fs::copy(sourceDir() + "/examples/palace", to, fs::copy_options::recursive);
  fs::remove(to + "/palace.xml");
  fs::remove(to + "/palace.htm");
}

std::string get(int port, const std::string& path, int* status, const std::string& method = "GET") {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(10, 0);
  httplib::Request request;
  request.method = method;
  request.path = path;
  auto result = client.send(request);
  *status = result ? result->status : -1;
  return result ? result->body : "";
}

TEST(PreviewSiteView, ServesTheSiteAndTheTourAsARunWritesIt) {
  TempDir root;
  // What a normal run writes, for comparison.
  std::string run = root.file("run/palace");
  copyExample(run);
  ASSERT_EQ(runProgram({"palace.lst"}, run).status, 0);
  // The site: the viewer, a style image, the tour with one tile set linked
  // from elsewhere under the root, and links that lead out of it.
  std::string site = root.file("site");
  std::string tour = site + "/tours/palace";
  copyExample(tour);
  writeFile(root.file("secret.jpg"), "secret");
  fs::create_directories(site + "/VR/xsl3v");
  fs::create_directories(site + "/VR/style");
  writeFile(site + "/VR/xsl3v/krpano.js", kStandInViewer);
  writeFile(site + "/VR/style/x.png", "png");
  fs::create_directories(site + "/tiles");
  fs::rename(tour + "/court.tiles", site + "/tiles/court.tiles");
  fs::create_directory_symlink("../../tiles/court.tiles", tour + "/court.tiles");
  fs::create_symlink("../../../secret.jpg", tour + "/out.jpg");
  fs::create_symlink(root.file("secret.jpg"), tour + "/absolute.jpg");
  auto before = snapshot(root.file("."));

  Preview preview = startPreview(tour, {"--preview", "palace.lst"});
  int port = portOf(preview.line);
  ASSERT_GT(port, 0) << preview.line;
  int status = 0;
  std::string model = get(port, "/_tourwright/tour.json", &status);
  EXPECT_NE(model.find("\"files\":\"/tours/palace/\""), std::string::npos) << model.substr(0, 300);
  EXPECT_NE(model.find("\"siteView\":{\"url\":\"/tours/palace/palace.htm\"}"), std::string::npos)
      << model.substr(0, 300);
  EXPECT_NE(get(port, "/", &status).find("Open in the site's viewer"), std::string::npos);

  const struct {
    std::string method;
    std::string path;
    int status;
    std::string body;  // empty: not checked
  } cases[] = {
      {"GET", "/VR/xsl3v/krpano.js", 200, kStandInViewer},
      {"GET", "/VR/style/x.png", 200, "png"},
      {"GET", "/tours/palace/palace.xml", 200, readFile(run + "/palace.xml")},
      {"GET", "/tours/palace/palace.htm", 200, readFile(run + "/palace.htm")},
      {"GET", "/tours/palace/hall.xml", 200, readFile(tour + "/hall.xml")},
      {"GET", std::string("/tours/palace/") + kLinkedTile, 200,
       readFile(site + "/tiles/" + kLinkedTile)},
      {"GET", "/tours/palace/out.jpg", 404, ""},
      {"GET", "/tours/palace/absolute.jpg", 404, ""},
      {"GET", "/tours/palace/%2e%2e/%2e%2e/%2e%2e/secret.jpg", 403, ""},
      {"GET", "/hall.xml", 404, ""},  // the tour's files lie at its site path
      {"POST", "/VR/xsl3v/krpano.js", 405, ""},
  };
  for (const auto& c : cases) {
    std::string body = get(port, c.path, &status, c.method);
    EXPECT_EQ(status, c.status) << c.method << " " << c.path;
    if (!c.body.empty()) {
      EXPECT_TRUE(body == c.body) << c.path;
    }
  }
  // Another site's page, through a DNS name rebound to the loopback address.
  int connection = connectTo(port);
  ASSERT_GE(connection, 0);
  sendAll(connection, "GET /VR/xsl3v/krpano.js HTTP/1.1\r\nHost: evil.example\r\n\r\n");
  bool closed = false;
  std::string answer = readUntilClosed(connection, std::chrono::seconds(10), &closed);
  close(connection);
  EXPECT_EQ(statusesIn(answer), std::vector<int>{403});

  EXPECT_EQ(endPreview(&preview, SIGTERM), 0);
  EXPECT_EQ(snapshot(root.file(".")), before);
}

// Without a site root, or without the viewer script under it, the page is
// told what the site view needs, and the tour folder is served at "/".
TEST(PreviewSiteView, SaysWhatTheSiteViewNeeds) {
  TempDir root;
  std::string tour = root.file("tours/palace");
  copyExample(tour);
  fs::create_directories(root.file("bare"));
  const struct {
    std::vector<std::string> options;
    std::string needs;
  } cases[] = {
      {{}, "needs a site root: --site DIR"},
      {{"--site", root.file("bare")}, "needs the tour folder under the site root"},
      {{"--site", root.file(".")}, "needs the viewer script VR/xsl3v/krpano.js"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = {"--preview"};
    words.insert(words.end(), c.options.begin(), c.options.end());
    words.push_back("palace.lst");
    Preview preview = startPreview(tour, words);
    int port = portOf(preview.line);
    ASSERT_GT(port, 0) << preview.line;
    int status = 0;
    std::string model = get(port, "/_tourwright/tour.json", &status);
    EXPECT_NE(model.find(c.needs), std::string::npos) << model.substr(0, 400);
    EXPECT_NE(model.find("\"siteView\":{\"needs\""), std::string::npos) << model.substr(0, 400);
    endPreview(&preview, SIGKILL);
  }
}

}  // namespace
}  // namespace tourwright
#endif  // _WIN32
