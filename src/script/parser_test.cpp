#include "script/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "script/parser_test_helpers.h"
#include "script/script_test_data.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::kExampleScript;
using testing_support::parseScriptBytes;
using namespace parser_test;  // NOLINT: the helpers of these tests
using namespace std::string_literals;

std::string repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// `text` with every "\n" turned into "\r\n".
std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

void expectExampleModel(const Tour& tour) {
  ASSERT_EQ(tour.sceneCount, 2);
  ASSERT_EQ(tour.galleryObjectCount, 2);
  const Scene& hall = tour.scenes[0];
  EXPECT_STREQ(hall.name, "hall");
  EXPECT_STREQ(hall.title, "Main hall");
  EXPECT_EQ(hall.hlookat, 90);
  EXPECT_EQ(hall.vlookat, 0);
  ASSERT_EQ(hall.crossLinkCount, 2);
  const CrossLink& first = hall.crossLinks[0];
  EXPECT_STREQ(first.target, "court");
  EXPECT_EQ(first.ath, 120);
  EXPECT_EQ(first.atv, -5);
  EXPECT_STREQ(first.style, "arrow");
  EXPECT_EQ(first.lookat, 180);
  EXPECT_STREQ(first.caption, "To the courtyard");
  EXPECT_EQ(hall.crossLinks[1].ath, 200);
  EXPECT_EQ(hall.crossLinks[1].lookat, 360);
  EXPECT_STREQ(hall.crossLinks[1].caption, "Courtyard, west side");
  ASSERT_EQ(hall.stillCount, 1);
  const StillImage& vase = hall.stills[0];
  EXPECT_STREQ(vase.photo, "vase01");
  EXPECT_EQ(vase.ath, 45);
  EXPECT_EQ(vase.atv, 10);
  EXPECT_EQ(vase.scale, 0.5f);
  EXPECT_EQ(vase.distorted, 1);
  EXPECT_EQ(vase.rx + vase.ry + vase.rz, 0);
  EXPECT_STREQ(vase.caption, "Celadon vase");
  ASSERT_EQ(hall.galleryCount, 1);
  const Gallery& ceramics = hall.galleries[0];
  EXPECT_STREQ(ceramics.folder, "ceramics");
  EXPECT_STREQ(ceramics.caption, "Ceramics");
  EXPECT_EQ(ceramics.ath, 200);
  EXPECT_EQ(ceramics.atv, 0);
  EXPECT_EQ(ceramics.firstObject, 0);
  EXPECT_EQ(ceramics.objectCount, 2);
  EXPECT_EQ(hall.outLinkCount + hall.videoCount + hall.referenceCount, 0);
  const GalleryObject& bowl = tour.galleryObjects[0];
  EXPECT_STREQ(bowl.file, "bowl01");
  EXPECT_EQ(bowl.kind, 1);
  EXPECT_EQ(bowl.scale, 0.8f);
  EXPECT_STREQ(bowl.explanation, "$Bowl");
  EXPECT_STREQ(bowl.caption, "Bowl");
  const GalleryObject& cup = tour.galleryObjects[1];
  EXPECT_STREQ(cup.file, "cup02");
  EXPECT_EQ(cup.kind, 2);
  EXPECT_EQ(cup.scale, 0.6f);
  EXPECT_STREQ(cup.explanation, "texts/cup02.htm");
  EXPECT_STREQ(cup.caption, "Cup film");

  const Scene& court = tour.scenes[1];
  EXPECT_STREQ(court.name, "court");
  EXPECT_STREQ(court.title, "Courtyard");
  ASSERT_EQ(court.outLinkCount, 1);
  EXPECT_STREQ(court.outLinks[0].target, "../west/west.xml");
  EXPECT_EQ(court.outLinks[0].ath, 270);
  EXPECT_STREQ(court.outLinks[0].style, "door");
  EXPECT_EQ(court.outLinks[0].lookat, 90);
  EXPECT_STREQ(court.outLinks[0].caption, "West wing");
  ASSERT_EQ(court.referenceCount, 1);
  const Reference& map = court.references[0];
  EXPECT_STREQ(map.target, "texts/site.kml");
  EXPECT_EQ(map.ath, 10);
  EXPECT_EQ(map.atv, -20);
  EXPECT_STREQ(map.icon, "icons/map.png");
  EXPECT_EQ(map.scale, 1.5f);
  EXPECT_STREQ(map.caption, "Site map");
  EXPECT_EQ(court.crossLinkCount + court.stillCount + court.videoCount + court.galleryCount, 0);
}

TEST(ParserTest, ReadsTheExampleScript) { expectExampleModel(*parseScriptBytes(kExampleScript)); }

TEST(ParserTest, ReadsTheExampleScriptWithCrLfLineEnds) {
  expectExampleModel(*parseScriptBytes(withCrLf(kExampleScript)));
}

TEST(ParserTest, TellsSectionKeywordsByTheirFirstFiveCharacters) {
  struct Case {
    const char* line;
    SectionKind kind;
  };
  const Case cases[] = {
      {"#scene\n", SectionKind::kScene},         {"#Scenes\n", SectionKind::kScene},
      {"#SCENERY\n", SectionKind::kScene},       {"#SCEN\n", SectionKind::kScene},
      {"#SCE\n", SectionKind::kOther},           {"  \t#STILL\n", SectionKind::kStill},
      {"#crossLINKS\n", SectionKind::kCrossLink}, {"#outl\n", SectionKind::kOutLink},
      {"#VIDEO clips $x\n", SectionKind::kVideo}, {"#vid\n", SectionKind::kOther},
      {"#GALL\n", SectionKind::kGallery},        {"#refer\n", SectionKind::kReference},
      {"#XYZZY\n", SectionKind::kOther},         {"#     \n", SectionKind::kOther},
  };
  for (const Case& c : cases) {
    auto tour = std::make_unique<Tour>();
    ScriptParse parse;
    startScriptParse(&parse, tour.get());
    LineReport report = parseLine(&parse, c.line);
    EXPECT_EQ(report.outcome, LineOutcome::kSectionOpened) << c.line;
    EXPECT_EQ(report.section, c.kind) << c.line;
  }
}

TEST(ParserTest, ReportsWhatBecameOfEachLine) {
  struct Step {
    std::string line;
    LineOutcome outcome;
  };
  const Step steps[] = {
      {"// East wing\n", LineOutcome::kComment},
      {"hall 1 2 $Too early\n", LineOutcome::kOutsideSection},
      {"a $\n", LineOutcome::kTooShort},
      {"#SCENE\n", LineOutcome::kSectionOpened},
      {"hall 90 0 no dollar\n", LineOutcome::kNoDollar},
      {"   \t  \n", LineOutcome::kNoDollar},
      {"hall 90 0 $Hall // not a comment\n", LineOutcome::kSceneHeader},
      {"again 1 1 $Again\n", LineOutcome::kExtraSceneRecord},
      {"//no blank after the slashes $x\n", LineOutcome::kComment},
      {"#XYZZY\n", LineOutcome::kSectionOpened},
      {"lost 1 2 $Lost\n", LineOutcome::kOutsideSection},
      {"#GALLERY\n", LineOutcome::kSectionOpened},
      {"orphan 1 1 $Orphan\n", LineOutcome::kNoCurrentGallery},
      {"*nodollar 1 2\n", LineOutcome::kNoDollar},
      {"*room 1 2 $Room\n", LineOutcome::kGalleryAdded},
      {"obj 1 1 $Obj\n", LineOutcome::kObjectAdded},
      {"#CROSSLINK\n", LineOutcome::kSectionOpened},
      {"court 1 2 arrow $Court\n", LineOutcome::kRecordAdded},
  };
  auto tour = std::make_unique<Tour>();
  ScriptParse parse;
  startScriptParse(&parse, tour.get());
  for (const Step& step : steps) {
    LineReport report = parseLine(&parse, step.line);
    EXPECT_EQ(report.outcome, step.outcome) << step.line;
  }
  LineReport link = parseLine(&parse, "court 1 2 arrow $C");
  EXPECT_EQ(link.fieldsFilled, 4);
  EXPECT_EQ(link.fieldsInFormat, 5);
  finishScriptParse(&parse);
  EXPECT_EQ(tour->sceneCount, 1);
  EXPECT_EQ(tour->scenes[0].crossLinkCount, 2);
  EXPECT_STREQ(tour->scenes[0].title, "Hall // not a comment");
}

TEST(ParserTest, FillsRecordsAsTheirLinesGiveThem) {
  runModelCases({
      {"caption keeps its blanks", "#SCENE\nhall 0 0 $  Main hall \n",
       [](const Tour& t) { EXPECT_STREQ(t.scenes[0].title, "  Main hall "); }},
      {"header without angles", "#SCENE\nlobby $Lobby\n",
       [](const Tour& t) {
         EXPECT_STREQ(t.scenes[0].name, "lobby");
         EXPECT_EQ(t.scenes[0].hlookat, 0);
       }},
      {"header with one angle sets both to 0", "#SCENE\nlobby 90 $Lobby\n",
       [](const Tour& t) { EXPECT_EQ(t.scenes[0].hlookat, 0); }},
      {"header with both angles", "#SCENE\nlobby 90 -45 $Lobby\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].hlookat, 90);
         EXPECT_EQ(t.scenes[0].vlookat, -45);
       }},
      {"link look direction", "#SCENE\n#CROSSLINK\ncourt 120 -5 arrow $A\nc 1 2 s 180$B\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].crossLinks[0].lookat, 360);
         EXPECT_EQ(t.scenes[0].crossLinks[1].lookat, 180);
       }},
      {"link fields are read before the $ only", "#SCENE\n#OUTLINK\nw 1 2 $3 door 9\n",
       [](const Tour& t) {
         const OutLink& link = t.scenes[0].outLinks[0];
         EXPECT_EQ(link.atv, 2);
         EXPECT_STREQ(link.style, "");
         EXPECT_EQ(link.lookat, 360);
       }},
      {"a short still line fills the $ word", "#SCENE\n#STILL\nvase 1 2 $Vase\n",
       [](const Tour& t) {
         EXPECT_STREQ(t.scenes[0].stills[0].photo, "vase");
         EXPECT_EQ(t.scenes[0].stills[0].scale, 0.0f);
       }},
      {"video kind", "#SCENE\n#VIDEO\nclip 10 20 2 $Clip\n",
       [](const Tour& t) {
         ASSERT_EQ(t.scenes[0].videoCount, 1);
         EXPECT_EQ(t.scenes[0].videos[0].kind, 2);
       }},
      {"an object scan stops early, the rest is zero", "#SCENE\n#GALLERY\n*g $G\nf x 2 e $C\n",
       [](const Tour& t) {
         EXPECT_EQ(t.galleryObjects[0].kind, 0);
         EXPECT_EQ(t.galleryObjects[0].scale, 0.0f);
         EXPECT_STREQ(t.galleryObjects[0].explanation, "");
       }},
      {"number forms", "#SCENE\n#REFERENCE\nt 1 2 i 1e $A\nt 1 2 i 0x $B\nt 1 2 i -nan $C\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].references[0].scale, 1.0f);
         EXPECT_EQ(t.scenes[0].references[1].scale, 0.0f);
         EXPECT_TRUE(std::isnan(t.scenes[0].references[2].scale));
       }},
      {"integers are clamped", "#SCENE\nh 99999999999 -99999999999 $H\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].hlookat, 2147483647);
         EXPECT_EQ(t.scenes[0].vlookat, -2147483647 - 1);
       }},
      {"the first $ byte starts the caption, even after a high byte",
       "#SCENE\nhall 1 2\n#CROSSLINK\ncourt 1 2 arrow 5 \xEA\xB6\x81$Title\n",
       [](const Tour& t) {
         EXPECT_STREQ(t.scenes[0].crossLinks[0].caption, "Title");
         EXPECT_EQ(t.scenes[0].crossLinks[0].lookat, 5);
       }},
  });
}

TEST(ParserTest, PlacesSectionsInTheirScenes) {
  runModelCases({
      {"no #SCENE, no scene", "#CROSSLINK\ncourt 1 2 arrow $C\n",
       [](const Tour& t) { EXPECT_EQ(t.sceneCount, 0); }},
      {"sections before the first #SCENE fill the first scene",
       "#STILL\nvase 1 2 0.5 0 0 0 0 $V\n*g 1 2 $G\n#SCENE\nhall 0 0 $H\n",
       [](const Tour& t) {
         ASSERT_EQ(t.sceneCount, 1);
         EXPECT_EQ(t.scenes[0].stillCount, 1);
         EXPECT_EQ(t.scenes[0].galleryCount, 1);
         EXPECT_STREQ(t.scenes[0].name, "hall");
       }},
      {"a scene without header", "#SCENE\n#SCENE\ncourt 0 0 $Court\n",
       [](const Tour& t) {
         ASSERT_EQ(t.sceneCount, 2);
         EXPECT_STREQ(t.scenes[0].name, "");
         EXPECT_STREQ(t.scenes[1].name, "court");
       }},
      {"a second #CROSSLINK replaces the first, with fresh records",
       "#SCENE\n#CROSSLINK\na 1 2 arrow 5 $A\nb 1 2 s $B\n#STILL\n#CROSSLINK\nc 3 $C\n",
       [](const Tour& t) {
         const Scene& s = t.scenes[0];
         ASSERT_EQ(s.crossLinkCount, 1);
         EXPECT_STREQ(s.crossLinks[0].target, "c");
         EXPECT_EQ(s.crossLinks[0].atv, 0);
         EXPECT_STREQ(s.crossLinks[0].style, "");
         EXPECT_EQ(s.crossLinks[0].lookat, 360);
       }},
      {"an empty second section empties the list",
       "#SCENE\n#VIDEO\nv 1 2 1 $V\n#VIDEO\n#STILL\n",
       [](const Tour& t) { EXPECT_EQ(t.scenes[0].videoCount, 0); }},
  });
}

TEST(ParserTest, NumbersGalleriesAndTheirObjects) {
  runModelCases({
      {"two galleries", "#SCENE\n#GALLERY\n*a 1 2 $A\no 1 1 $1\no 1 1 $2\no 1 1 $3\n*b $B\no 1 1 $4\no 1 1 $5\n",
       [](const Tour& t) {
         const Scene& s = t.scenes[0];
         ASSERT_EQ(s.galleryCount, 2);
         EXPECT_EQ(s.galleries[0].firstObject, 0);
         EXPECT_EQ(s.galleries[0].objectCount, 3);
         EXPECT_EQ(s.galleries[1].firstObject, 3);
         EXPECT_EQ(s.galleries[1].objectCount, 2);
         EXPECT_EQ(s.galleries[1].ath, 0);  // no angles: 0, 0
         EXPECT_EQ(s.galleries[1].atv, 0);
       }},
      {"two #GALLERY sections append", "#SCENE\n#GALLERY\n*a 1 2 $A\no 1 1 $1\n#STILL\n#GALLERY\n*b 3 4 $B\no 1 1 $2\n",
       [](const Tour& t) {
         const Scene& s = t.scenes[0];
         ASSERT_EQ(s.galleryCount, 2);
         EXPECT_STREQ(s.galleries[0].folder, "a");
         EXPECT_STREQ(s.galleries[1].folder, "b");
         EXPECT_EQ(s.galleries[1].firstObject, 1);
         EXPECT_EQ(s.galleries[1].objectCount, 1);
       }},
      {"an entrance in another section", "#SCENE\n#STILL\n*a 1 2 $A\n#GALLERY\no 1 1 $1\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].galleryCount, 1);
         EXPECT_EQ(t.scenes[0].stillCount, 0);
         EXPECT_EQ(t.galleryObjectCount, 0);  // #GALLERY left no current gallery
       }},
      {"object lines before any entrance take no slot",
       "#SCENE\n#GALLERY\norphan 1 1 $X\n*a 1 2 $A\no 1 1 $1\n",
       [](const Tour& t) {
         EXPECT_EQ(t.galleryObjectCount, 1);
         EXPECT_STREQ(t.galleryObjects[0].file, "o");
         EXPECT_EQ(t.scenes[0].galleries[0].firstObject, 0);
       }},
      {"an entrance without $ changes nothing", "#SCENE\n#GALLERY\n*a 1 2 $A\n*b 3 4\no 1 1 $1\n",
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].galleryCount, 1);
         EXPECT_EQ(t.scenes[0].galleries[0].objectCount, 1);
       }},
  });
}

TEST(ParserTest, IgnoresWhatExceedsTheCapacities) {
  std::string thirteenScenes;
  for (int i = 1; i <= 13; ++i) {
    thirteenScenes += "#SCENE\ns" + std::to_string(i) + " 0 0 $S\n#CROSSLINK\nc 1 2 s $C\n";
  }
  std::string links = "#SCENE\n#CROSSLINK\n";
  for (int i = 1; i <= 31; ++i) links += "l" + std::to_string(i) + " 1 2 s $L\n";
  runModelCases({
      {"13 scenes", thirteenScenes + "#GALLERY\n*g 1 2 $G\n",
       [](const Tour& t) {
         ASSERT_EQ(t.sceneCount, 12);
         EXPECT_STREQ(t.scenes[11].name, "s12");
         EXPECT_EQ(t.scenes[11].crossLinkCount, 1);
         EXPECT_EQ(t.scenes[11].galleryCount, 0);
       }},
      {"31 cross links", links,
       [](const Tour& t) {
         ASSERT_EQ(t.scenes[0].crossLinkCount, 30);
         EXPECT_STREQ(t.scenes[0].crossLinks[29].target, "l30");
       }},
      {"31 galleries", "#SCENE\n#GALLERY\n" + repeat("*g 1 2 $G\no 1 1 $O\n", 31),
       [](const Tour& t) {
         EXPECT_EQ(t.scenes[0].galleryCount, 30);
         EXPECT_EQ(t.galleryObjectCount, 30);
       }},
      {"101 gallery objects", "#SCENE\n#GALLERY\n*g 1 2 $G\n" + repeat("o 1 1 $O\n", 101),
       [](const Tour& t) {
         EXPECT_EQ(t.galleryObjectCount, 100);
         EXPECT_EQ(t.scenes[0].galleries[0].objectCount, 100);
       }},
  });
}

}  // namespace
}  // namespace tourwright
