// Deterministic text for the benchmarks: Korean code page captions and the
// internal tour XML that the output transcoder reads.
//
// Every two-byte code is a mapped KS X 1001 Hangul syllable (leads B0..C8)
// or Hanja (leads CA..FD), so that iconv's CP949 converter accepts the same
// bytes as the transcoder.
#ifndef TOURWRIGHT_BENCH_BENCH_TEXT_H_
#define TOURWRIGHT_BENCH_BENCH_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace tourwright {
namespace bench {

// A small fixed-seed generator: the same inputs on every machine.
struct Random {
  uint64_t state = 0x2545F4914F6CDD1DULL;
};
uint32_t nextRandom(Random* random);
uint32_t randomBelow(Random* random, uint32_t bound);

// `characters` Hangul and Hanja (about one in four Hanja), with a blank
// now and then, and a "&#%05d;" reference in place of about one in
// `referenceEvery` characters (0: none).
void appendCaption(std::string* text, int characters, int referenceEvery, Random* random);

struct InternalTourXml {
  std::string text;
  size_t twoByteBytes = 0;  // bytes that belong to two-byte codes
  size_t references = 0;    // "&#...;" references
  size_t lines = 0;
};

// About `bytes` bytes (a little more: the last line is whole) of
// tab-indented tour XML lines, 40% of the bytes in two-byte codes.
InternalTourXml makeInternalTourXml(size_t bytes);

}  // namespace bench
}  // namespace tourwright

#endif  // TOURWRIGHT_BENCH_BENCH_TEXT_H_
