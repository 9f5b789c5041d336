#include "bench_text.h"

#include <cstdio>

namespace tourwright {
namespace bench {

uint32_t nextRandom(Random* random) {
  // xorshift64*
  random->state ^= random->state >> 12;
  random->state ^= random->state << 25;
  random->state ^= random->state >> 27;
  return static_cast<uint32_t>((random->state * 0x2545F4914F6CDD1DULL) >> 32);
}

uint32_t randomBelow(Random* random, uint32_t bound) { return nextRandom(random) % bound; }

namespace {

void appendCode(std::string* text, Random* random) {
  bool hanja = randomBelow(random, 4) == 0;
  unsigned lead = hanja ? 0xCA + randomBelow(random, 0xFD - 0xCA + 1)
                        : 0xB0 + randomBelow(random, 0xC8 - 0xB0 + 1);
  unsigned trail = 0xA1 + randomBelow(random, 0xFE - 0xA1 + 1);
  text->push_back(static_cast<char>(lead));
  text->push_back(static_cast<char>(trail));
}

// Lines shaped like the hotspot, scene and action lines of a tour XML; the
// caption goes where "@" stands.
const char* const kTemplates[] = {
    "\t\t<hotspot name=\"CrossLink-%d-%d\" style=\"arrow\" ath=\"%d\" atv=\"-5\" "
    "onhover=\"showtext(@);\" onclick=\"looktohotspot(get(name)); "
    "loadscene(scene%02d, null, MERGE, BLEND(1));\" />\n",
    "\t\t<hotspot name=\"StillImage-%d-%d\" url=\"photo/vase%02d.jpg\" ath=\"%d\" atv=\"10\" "
    "scale=\"0.5\" distorted=\"true\" onhover=\"showtext(@);\" onclick=\"flyout(get(name));\" />\n",
    "\t<scene name=\"Gallery-%d-%d\" title=\"@\" onstart=\"setcaption();\" "
    "thumburl=\"gallery%02d/thumb.jpg\">\n",
    "\t\t<hotspot name=\"Reference-%d-%d\" url=\"icons/book.png\" ath=\"%d\" atv=\"0\" "
    "onhover=\"showtext(@);\" onclick=\"openurl(texts/ref%02d.htm, _blank);\" />\n",
};

}  // namespace

void appendCaption(std::string* text, int characters, int referenceEvery, Random* random) {
  for (int i = 0; i < characters; ++i) {
    if (i > 0 && randomBelow(random, 7) == 0) text->push_back(' ');
    if (referenceEvery > 0 && randomBelow(random, referenceEvery) == 0) {
      char reference[16];
      // Characters the code page lacks: Latin letters with marks, CJK
      // compatibility forms, the odd emoji-range value.
      static const int kPoints[] = {233, 252, 8364, 12832, 63744, 65049};
      std::snprintf(reference, sizeof reference, "&#%05d;",
                    kPoints[randomBelow(random, sizeof kPoints / sizeof kPoints[0])]);
      text->append(reference);
    } else {
      appendCode(text, random);
    }
  }
}

InternalTourXml makeInternalTourXml(size_t bytes) {
  InternalTourXml xml;
  xml.text.reserve(bytes + 4096);
  Random random;
  size_t asciiBytes = 0;
  std::string line;
  char head[512];
  while (xml.text.size() < bytes) {
    const char* pattern = kTemplates[randomBelow(&random, 4)];
    int scene = 1 + static_cast<int>(randomBelow(&random, 12));
    int item = 1 + static_cast<int>(randomBelow(&random, 30));
    int ath = static_cast<int>(randomBelow(&random, 360));
    std::snprintf(head, sizeof head, pattern, scene, item, ath, item);
    // Pick the caption's length so that the two-byte share of the whole
    // text tends to 40%: two-byte bytes = 2/3 of the ASCII bytes.
    size_t lineAscii = std::char_traits<char>::length(head) - 1;
    long want = static_cast<long>((asciiBytes + lineAscii) * 2 / 3) -
                static_cast<long>(xml.twoByteBytes);
    int characters = want > 0 ? static_cast<int>(want / 2) : 0;
    if (characters > 120) characters = 120;
    characters = characters / 2 + static_cast<int>(randomBelow(&random, characters / 2 + 1));
    line.clear();
    const char* at = head;
    for (; *at != '@'; ++at) line.push_back(*at);
    size_t before = line.size();
    appendCaption(&line, characters, 40, &random);
    size_t captionBytes = line.size() - before;
    for (++at; *at != '\0'; ++at) line.push_back(*at);
    // Count what the caption holds: references and blanks are ASCII.
    size_t captionTwoByte = 0;
    for (size_t i = before; i < before + captionBytes; ++i) {
      if (static_cast<unsigned char>(line[i]) >= 0x80) {
        captionTwoByte += 2;
        ++i;
      } else if (line[i] == '&') {
        ++xml.references;
      }
    }
    xml.twoByteBytes += captionTwoByte;
    asciiBytes += line.size() - captionTwoByte;
    xml.text += line;
    ++xml.lines;
  }
  return xml;
}

}  // namespace bench
}  // namespace tourwright
