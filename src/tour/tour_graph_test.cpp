#include "tour/tour_graph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "encoding/code_point.h"
#include "test_support.h"
#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

struct Rendered {
  bool ok = false;
  std::set<std::string> nodes;
  std::set<std::string> edges;  // "s1->s2"
};

// The text between `open` and `close` after each `marker` of the SVG.
std::set<std::string> titlesAfter(const std::string& svg, const std::string& marker) {
  std::set<std::string> titles;
  for (size_t at = svg.find(marker); at != std::string::npos; at = svg.find(marker, at + 1)) {
    size_t start = svg.find("<title>", at) + 7;
    std::string title = svg.substr(start, svg.find("</title>", start) - start);
    size_t arrow = title.find("&#45;&gt;");
    if (arrow != std::string::npos) title.replace(arrow, 9, "->");
    titles.insert(title);
  }
  return titles;
}

// Renders the graph with Graphviz's dot.
Rendered render(const std::string& dotText) {
  Rendered rendered;
  TempDir dir;
  writeFile(dir.file("g.dot"), dotText);
  std::string command = "dot -Tsvg \"" + dir.file("g.dot") + "\" -o \"" + dir.file("g.svg") + "\"";
  rendered.ok = std::system(command.c_str()) == 0;
  std::string svg = rendered.ok ? readFile(dir.file("g.svg")) : std::string();
  rendered.nodes = titlesAfter(svg, "class=\"node\"");
  rendered.edges = titlesAfter(svg, "class=\"edge\"");
  return rendered;
}

#define REQUIRE_DOT()                                                 \
  if (std::system("dot -V > /dev/null 2>&1") != 0) {                  \
    GTEST_SKIP() << "Graphviz dot is not installed (tools/setup.sh)"; \
  }

TEST(TourGraphTest, RendersScenesGalleriesToursAndBrokenTargets) {
  REQUIRE_DOT();
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall", "Hall");
  addCrossLink(hall, "COURT", 0, 0, "arrow", 360, "to the court");  // letter case ignored
  addCrossLink(hall, "Gallery-1-1", 0, 0, "arrow", 360, "");
  addCrossLink(hall, "garden", 0, 0, "arrow", 360, "mistyped");
  addCrossLink(hall, "garden", 0, 0, "arrow", 360, "again");
  addOutLink(hall, "../west/west.xml", 0, 0, "door", 360, "west");
  addVideo(hall, "clip", 0, 0, 1, "played in place: no tour");
  addVideo(hall, "drone", 0, 0, 2, "drone tour");
  addGallery(*tour, hall, "vases", 0, 0, "vases");
  addObject(*tour, hall, "v1", 1, 1.0f, "$", "v1");
  Scene& court = addScene(*tour, "court", "Court");
  addCrossLink(court, "hall-copy", 0, 0, "arrow", 360, "to the repeat");
  addScene(*tour, "hall", "repeated name");
  addScene(*tour, "attic", "nothing leads here");
  std::string text = written([&](FILE* out) { writeTourGraph(tour.get(), out); });

  Rendered rendered = render(text);
  ASSERT_TRUE(rendered.ok) << text;
  EXPECT_EQ(rendered.nodes,
            (std::set<std::string>{"s1", "s2", "s3", "s4", "g1_1", "t1", "t2", "x1"}));
  EXPECT_EQ(rendered.edges, (std::set<std::string>{"s1->s2", "s1->g1_1", "s1->x1", "s1->t1",
                                                   "s1->t2", "s2->s3"}));
  EXPECT_NE(text.find("s1 [label=\"hall\\nHall\", peripheries=2"), std::string::npos);
  EXPECT_NE(text.find("g1_1 [label=\"Gallery-1-1\\nvases\\n1 object\""), std::string::npos);
  EXPECT_NE(text.find("t2 [label=\"video/drone.xml\""), std::string::npos);
  EXPECT_NE(text.find("x1 [label=\"garden\", color=red"), std::string::npos);
  // Only the scene nothing links to is unreachable.
  EXPECT_NE(text.find("s4 [label=\"attic\\nnothing leads here\", style=\"rounded,dashed\""),
            std::string::npos);
  EXPECT_EQ(text.find("s3 [label=\"hall\\nrepeated name\", style"), std::string::npos);
  EXPECT_NE(text.find("Grey, dashed: unreachable"), std::string::npos);
}

TEST(TourGraphTest, AnyCaptionGivesUtf8ThatDotAccepts) {
  REQUIRE_DOT();
  const char* const captions[] = {
      "\"", "\\", "ends in \\", "\\\"", "a\\nb \\N \\G",           // DOT's own escapes
      "\x01\x02\t\r\x1b\x7f", "&#10;&#13;&#0;&#34;&#92;",          // control characters, references
      "U+0022U+005CU+000A", "\x80", "\xff\xff\xa1", "\xb0\xa1\xc8", // invalid and Korean bytes
      "&#55357;&#56832; &#1114112; &#65534;", "{ } [ ] ; -> <b>&amp;</b>",
  };
  auto tour = emptyTour();
  Scene& scene = addScene(*tour, "\"name\\", "title \\");
  for (const char* caption : captions) addCrossLink(scene, caption, 0, 0, "a", 360, caption);
  std::string text = written([&](FILE* out) { writeTourGraph(tour.get(), out); });
  EXPECT_TRUE(isValidUtf8(text.data(), text.size())) << text;
  EXPECT_NE(text.find(R"(s1 [label="\"name\\\ntitle \\")"), std::string::npos) << text;
  EXPECT_NE(text.find("\xea\xb0\x80\xe2\x96\xa3"), std::string::npos);  // 가, a lone lead byte
  Rendered rendered = render(text);
  EXPECT_TRUE(rendered.ok) << text;
  EXPECT_EQ(rendered.edges.size(), sizeof captions / sizeof captions[0]) << text;
}

}  // namespace
}  // namespace tourwright
