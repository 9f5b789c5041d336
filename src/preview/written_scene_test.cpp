#include "preview/written_scene.h"

#include <gtest/gtest.h>

#include <string>

namespace tourwright {
namespace {

std::string valueOf(const WrittenHotspot& hotspot, const char* name) {
  const std::string* value = writtenValue(hotspot.attributes, name);
  return value == nullptr ? "(none)" : *value;
}

TEST(WrittenSceneTest, ReadsScenesAndMergesHotspotsOfOneNameAsTheViewerDoes) {
  std::vector<WrittenScene> scenes = readWrittenScenes(
      "<krpano><scene name=\"a\" title=\"A\" thumburl=\"a.tiles/mobile_f.jpg\">"
      "<view fov=\"120\" fovtype=\"HFOV\"/><preview url=\"a.tiles/preview.jpg\"/>"
      "<image><preview url=\"copied/with/the/block.jpg\"/></image>"
      "<hotspot name=\"x\" url=\"one.jpg\" ath=\"10\" scale=\"2\"/>"
      "<hotspot name=\"y\" ath=\"5\"/>"
      "<hotspot name=\"X\" url=\"two.jpg\" ath=\"20\" rz=\"7\"/></scene>"
      "<scene name=\"b\"><hotspot name=\"x\" ath=\"1\"/></scene></krpano>");
  ASSERT_EQ(scenes.size(), 2u);
  EXPECT_EQ(scenes[0].thumb, "a.tiles/mobile_f.jpg");
  EXPECT_EQ(scenes[0].preview, "a.tiles/preview.jpg");
  EXPECT_EQ(*writtenValue(scenes[0].view, "fovtype"), "HFOV");
  ASSERT_EQ(scenes[0].hotspots.size(), 2u);
  const WrittenHotspot& x = scenes[0].hotspots[0];
  struct Case {
    const char* attribute;
    const char* value;
  } cases[] = {{"name", "x"}, {"url", "two.jpg"}, {"ath", "20"}, {"scale", "2"}, {"rz", "7"}};
  EXPECT_EQ(x.elements, 2);
  for (const Case& c : cases) EXPECT_EQ(valueOf(x, c.attribute), c.value) << c.attribute;
  EXPECT_EQ(scenes[0].hotspots[1].name, "y");
  // Hotspots belong to their scene: the second scene's x is its own.
  ASSERT_EQ(scenes[1].hotspots.size(), 1u);
  EXPECT_EQ(scenes[1].hotspots[0].elements, 1);
}

}  // namespace
}  // namespace tourwright
