#include "tour/image_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tourwright {
namespace {

// Every file the block names, in order; a set of more than eight files
// shows its count, its first three and its last.
std::string filesOf(const std::string& block) {
  std::string text;
  for (const ImageFileSet& set : imageFileSetsOf(block.data(), block.size())) {
    std::vector<std::string> names;
    long long rows = tilesAcross(set.height, set.tileSize);
    long long columns = tilesAcross(set.width, set.tileSize);
    for (const std::string& face : set.faces) {
      for (long long row = 1; row <= rows; ++row) {
        for (long long column = 1; column <= columns; ++column) {
          names.push_back(imageFileName(set, face, row, column));
        }
      }
    }
    if (!text.empty()) text += " | ";
    if (names.size() > 8) {
      text += std::to_string(names.size()) + ": " + names[0] + " " + names[1] + " " + names[2] +
              " .. " + names.back();
    } else {
      for (size_t i = 0; i < names.size(); ++i) text += (i > 0 ? " " : "") + names[i];
    }
  }
  return text;
}

TEST(ImageFilesTest, EveryFormAndPlaceholder) {
  const struct {
    const char* name;
    std::string block;
    const char* files;
  } cases[] = {
      {"levels of whole tiles, faces in the viewer's order",
       "\t<image type=\"CUBE\" multires=\"true\" tilesize=\"512\">\n"
       "\t\t<level tiledimagewidth=\"1024\" tiledimageheight=\"1024\">\n"
       "\t\t\t<cube url=\"hall.tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" />\n\t\t</level>\n\t\t</image>\n",
       "24: hall.tiles/l/l1/1/l1_l_1_1.jpg hall.tiles/l/l1/1/l1_l_1_2.jpg "
       "hall.tiles/l/l1/2/l1_l_2_1.jpg .. hall.tiles/d/l1/2/l1_d_2_2.jpg"},
      {"a face not a whole number of tiles: the last row and column are narrower",
       "<image multires=\"true\" tilesize=\"500\"><level tiledimagewidth=\"1001\" "
       "tiledimageheight=\"1001\"><cube url=\"%s_%v_%h.jpg\"/></level></image>",
       "54: l_1_1.jpg l_1_2.jpg l_1_3.jpg .. d_3_3.jpg"},
      {"%l from the smallest level, padded rows and columns, %x and %y",
       "<image multires=\"true\" tilesize=\"512\">"
       "<level tiledimagewidth=\"1280\" tiledimageheight=\"1280\"><cube url=\"t/%s/l%l/%0v_%00h.jpg\"/></level>"
       "<level tiledimagewidth=\"640\" tiledimageheight=\"640\"><cube url=\"t/%s/l%0l/%y_%x.jpg\"/></level>"
       "</image>",
       "54: t/l/l2/01_001.jpg t/l/l2/01_002.jpg t/l/l2/01_003.jpg .. t/d/l2/03_003.jpg | "
       "24: t/l/l01/1_1.jpg t/l/l01/1_2.jpg t/l/l01/2_1.jpg .. t/d/l01/2_2.jpg"},
      {"the multires list on the cube: the tile size, then each level's face",
       "<image><cube url=\"p_%s_%l_%v_%h.jpg\" multires=\"512,640,1280\"/></image>",
       "24: p_l_1_1_1.jpg p_l_1_1_2.jpg p_l_1_2_1.jpg .. p_d_1_2_2.jpg | "
       "54: p_l_2_1_1.jpg p_l_2_1_2.jpg p_l_2_1_3.jpg .. p_d_2_3_3.jpg"},
      {"a list of widths and heights on a sphere",
       "<image><sphere url=\"s_%l_%v_%h.jpg\" multires=\"1000,2000x1000\"/></image>",
       "s_1_1_1.jpg s_1_1_2.jpg"},
      {"one image per face, per device, and the image's own face labels",
       "<image><cube url=\"%SWFPATH%/c_%s.jpg\"/><mobile><cube url=\"m_%s.jpg\"/></mobile></image>"
       "<image cubelabels=\"left|front|right|back|up|down\"><cube url=\"x_%s.jpg\"/></image>",
       "/VR/xsl3v/c_l.jpg /VR/xsl3v/c_f.jpg /VR/xsl3v/c_r.jpg /VR/xsl3v/c_b.jpg "
       "/VR/xsl3v/c_u.jpg /VR/xsl3v/c_d.jpg | m_l.jpg m_f.jpg m_r.jpg m_b.jpg m_u.jpg m_d.jpg | "
       "x_left.jpg x_front.jpg x_right.jpg x_back.jpg x_up.jpg x_down.jpg"},
      {"spheres, cylinders and separate faces name one file each",
       "<image><sphere url=\"%CURRENTXML%/pano.jpg\"/></image><image><cylinder url=\"c.jpg\"/>"
       "</image><image><left url=\"L.jpg\"/><front url=\"F.jpg\"/></image>",
       "pano.jpg | c.jpg | L.jpg | F.jpg"},
      {"what the viewer cannot cut into tiles, or that is no image, names nothing",
       "<image multires=\"true\"><level tiledimagewidth=\"1024\" tiledimageheight=\"1024\">"
       "<cube url=\"a_%s.jpg\"/></level></image><preview url=\"p.jpg\"/><image/>"
       "<image><cube multires=\"x,1\" url=\"b_%s.jpg\"/></image>",
       ""},
  };
  for (const auto& c : cases) EXPECT_EQ(filesOf(c.block), c.files) << c.name;
}

}  // namespace
}  // namespace tourwright
