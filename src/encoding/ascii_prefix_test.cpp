// asciiPrefixLength reads eight bytes at a time and the rest one by one; a
// byte above 0x7F at every position of texts of every length up to a few
// words finds the seams between the two.
#include <gtest/gtest.h>

#include <string>

#include "encoding/code_point.h"

namespace tourwright {
namespace {

TEST(AsciiPrefixTest, FirstByteAbove7FAtEveryPosition) {
  for (size_t length = 0; length <= 40; ++length) {
    std::string ascii(length, '\x7F');
    EXPECT_EQ(asciiPrefixLength(ascii.data(), length), length) << "all ASCII, length " << length;
    for (size_t at = 0; at < length; ++at) {
      std::string text = ascii;
      text[at] = '\x80';
      if (at + 1 < length) text[length - 1] = '\xFF';  // a later one changes nothing
      EXPECT_EQ(asciiPrefixLength(text.data(), length), at) << "length " << length << ", at " << at;
    }
  }
}

// The same seams seen through isValidUtf8, which skips ASCII runs with it.
TEST(AsciiPrefixTest, Utf8CheckAfterAsciiRunsOfEveryLength) {
  for (size_t run = 0; run <= 20; ++run) {
    std::string ascii(run, 'a');
    EXPECT_TRUE(isValidUtf8((ascii + "\xED\x95\x9C" + ascii).c_str(), 2 * run + 3)) << run;
    EXPECT_FALSE(isValidUtf8((ascii + "\xED\x95").c_str(), run + 2)) << run;
    EXPECT_FALSE(isValidUtf8((ascii + "\xFF" + ascii).c_str(), 2 * run + 1)) << run;
  }
}

}  // namespace
}  // namespace tourwright
