// Which reading of a text that is valid UTF-8 is Korean: UTF-8, or the
// Korean code page.
//
// A tile XML, or a script without a byte-order mark, may be either, and
// code page text can happen to be valid UTF-8: a Hangul or Hanja code with
// a lead of 0xC2..0xDF and a trail of 0x80..0xBF is also a two-byte UTF-8
// sequence, one of U+0080..U+07FF (Latin, Greek, Cyrillic letters), never
// Korean. Korean text in UTF-8 is made of three-byte sequences. So a text
// whose every non-ASCII sequence is a two-byte one that the code page reads
// as a Hangul syllable or a Hanja is Korean only as code page text, and is
// taken as such; any other valid UTF-8 (a three- or four-byte sequence, or
// a two-byte one that is no Korean code) is taken as UTF-8.
#ifndef TOURWRIGHT_ENCODING_KOREAN_READING_H_
#define TOURWRIGHT_ENCODING_KOREAN_READING_H_

#include <cstddef>

namespace tourwright {

// What the non-ASCII sequences of the texts noted so far were.
struct KoreanReading {
  bool koreanCodePairs;  // two-byte sequences that are Hangul or Hanja codes
  bool otherSequences;   // any other non-ASCII sequence
};

// Notes the sequences of `text`, which is valid UTF-8.
void noteKoreanReading(const char* text, size_t length, KoreanReading* reading);

// True when the texts noted are Korean only when read as the code page.
inline bool readsAsCodePage(const KoreanReading& reading) {
  return reading.koreanCodePairs && !reading.otherSequences;
}

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_KOREAN_READING_H_
