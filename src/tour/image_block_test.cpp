#include "tour/image_block.h"

#include "tour/image_url.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tourwright {
namespace {

// A template written back with the placeholders as "{s}", "{v2}" (padded).
std::string shown(const UrlTemplate& url) {
  std::string text;
  for (const UrlPart& part : url) {
    if (part.placeholder == 0) {
      text += part.text;
    } else {
      text += "{" + std::string(1, part.placeholder) +
              (part.width > 1 ? std::to_string(part.width) : "") + "}";
    }
  }
  return text;
}

std::string levelsOf(const ImageDescription& d) {
  std::string text;
  for (const TileLevel& level : d.levels) {
    if (!text.empty()) text += " ";
    if (level.width > 0) text += std::to_string(level.width) + ":";
    text += shown(level.url);
  }
  return text;
}

struct Case {
  const char* name;
  std::string xml;
  ImageForm form;
  int chosen;
  const char* levels;
  const char* notice;  // a part of the first notice; "" for none
};

TEST(ImageBlockTest, DescribesWhatADesktopBrowserGets) {
  const Case cases[] = {
      {"example multires",
       "<krpano>\n\t<preview url=\"hall.tiles/preview.jpg\" />\n\t<image type=\"CUBE\" "
       "multires=\"true\" tilesize=\"512\">\n\t\t<level tiledimagewidth=\"1024\" "
       "tiledimageheight=\"1024\">\n\t\t\t<cube url=\"hall.tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" "
       "/>\n\t\t</level>\n\t</image>\n</krpano>\n",
       ImageForm::kMultiresCube, 1, "1024:hall.tiles/{s}/l1/{v}/l1_{s}_{v}_{h}.jpg", ""},
      {"device elements, levels of any size, %l from the smallest",
       "<image if=\"webvr\" type=\"CUBE\"><cube url=\"m_%s.jpg\"/></image>"
       "<image if=\"!webvr\" multires=\"true\" tilesize=\"512\">"
       "<level tiledimagewidth=\"3584\" tiledimageheight=\"3584\"><cube url=\"%CURRENTXML%/t/%s/l%l/%0v_%00h.jpg\"/></level>"
       "<level tiledimagewidth=\"1024\" tiledimageheight=\"1024\"><cube url=\"t/%s/l%0l/%y_%x.jpg\"/></level>"
       "<mobile><cube url=\"mobile_%s.jpg\"/></mobile></image>",
       ImageForm::kMultiresCube, 2, "3584:t/{s}/l2/{v2}_{h3}.jpg 1024:t/{s}/l01/{v}_{h}.jpg", ""},
      {"single cube, entities and backslashes",
       "<!-- <image><sphere url=\"no.jpg\"/></image> --><image type='CUBE'>"
       "<cube url='%SWFPATH%\\a&amp;b\\mobile_%s.jpg'/></image>",
       ImageForm::kCube, 1, "a&b/mobile_{s}.jpg", ""},
      {"sphere", "<image><sphere url=\"%HTMLPATH%/pano.jpg\"/></image>", ImageForm::kSphere, 1,
       "pano.jpg", ""},
      {"code page bytes in a URL read as Korean",
       "<image><sphere url=\"\xC8\xA6.jpg\"/></image>", ImageForm::kSphere, 1, "\xED\x99\x80.jpg", ""},
      {"unsupported form named", "<image><cylinder url=\"c.jpg\"/></image>", ImageForm::kNone, 1,
       "", "<cylinder>"},
      {"one-line element without url", "<image type=\"CUBE\"/>", ImageForm::kNone, 1, "",
       "holds no <cube>"},
      {"cube without face letter", "<image><cube url=\"all.jpg\"/></image>", ImageForm::kNone,
       1, "", "without %s"},
      {"level without sizes skipped",
       "<image multires=\"true\" tilesize=\"512\"><level><cube url=\"a/%s.jpg\"/></level>"
       "<level tiledimagewidth=\"512\" tiledimageheight=\"512\"><cube url=\"b/%s.jpg\"/></level></image>",
       ImageForm::kMultiresCube, 1, "512:b/{s}.jpg", "level 1"},
      {"first unknown condition chosen and said",
       "<image if=\"device.moon\"><sphere url=\"p.jpg\"/></image>"
       "<image if=\"device.sun\"><sphere url=\"q.jpg\"/></image>",
       ImageForm::kSphere, 1, "p.jpg", "desktop"},
      {"tablet child skipped",
       "<image type=\"CUBE\"><tablet><cube url=\"t_%s.jpg\"/></tablet><cube url=\"desktop_%s.jpg\"/></image>",
       ImageForm::kCube, 1, "desktop_{s}.jpg", ""},
      {"unknown folder variable",
       "<image><sphere url=\"%ROOT%/p.jpg\"/></image>", ImageForm::kSphere, 1, "%ROOT%/p.jpg",
       "%ROOT%"},
      {"no image element", "<krpano/>", ImageForm::kNone, 0, "", "no <image>"},
      {"multires list form", "<image multires=\"512,1024\"><cube url=\"%s.jpg\"/></image>",
       ImageForm::kNone, 1, "", "list form"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageDescription d = describeImageBlock(c.xml.data(), c.xml.size());
    EXPECT_EQ(d.form, c.form);
    EXPECT_EQ(d.chosenElement, c.chosen);
    EXPECT_EQ(levelsOf(d), c.levels);
    if (*c.notice == 0) {
      EXPECT_TRUE(d.notices.empty()) << d.notices.front();
    } else {
      ASSERT_FALSE(d.notices.empty());
      EXPECT_NE(d.notices.front().find(c.notice), std::string::npos) << d.notices.front();
    }
  }
}

TEST(ImageBlockTest, ChoosesByConditionAndKeepsThePreview) {
  std::string xml =
      "<preview url=\"%CURRENTXML%/h.tiles/preview.jpg\"/>"
      "<image if=\"device.mobile OR webvr.isenabled\"><sphere url=\"m.jpg\"/></image>"
      "<image if=\"device.desktop AND !webvr\"><sphere url=\"d.jpg\"/></image>";
  ImageDescription d = describeImageBlock(xml.data(), xml.size());
  EXPECT_EQ(d.elementCount, 2);
  EXPECT_EQ(d.chosenElement, 2);
  EXPECT_EQ(d.condition, "device.desktop AND !webvr");
  EXPECT_EQ(d.previewUrl, "h.tiles/preview.jpg");
}

TEST(ImageBlockTest, ConditionsAsADesktopBrowserHasThem) {
  const struct {
    const char* condition;
    int holds;
  } cases[] = {
      {"!webvr", 1},          {"webvr", 0},
      {"device.mobile OR webvr.isenabled", 0},
      {"device.desktop AND !webvr", 1},
      {"!!device.Mobile", 0}, {"device.moon", -1},
      {"device.moon OR device.desktop", 1},
      {"device.moon && device.mobile", 0},
      {"device.html5 || ", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(desktopCondition(c.condition), c.holds) << c.condition;
}

TEST(ImageBlockTest, AnyBytesEndInADescription) {
  std::mt19937 random(25);
  const std::string pieces[] = {"<image", "<level tiledimagewidth=\"", "<cube url=\"%", "</",
                                ">", "\"", "'", "/>", "&#x", ";", "<!--", "\xFF", "\0", "%0"};
  for (int round = 0; round < 2000; ++round) {
    std::string xml;
    for (int n = random() % 40; n > 0; --n) xml += pieces[random() % 14];
    ImageDescription d = describeImageBlock(xml.data(), xml.size());
    EXPECT_LE(d.chosenElement, d.elementCount);
  }
}

}  // namespace
}  // namespace tourwright
