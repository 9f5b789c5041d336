// Unicode to Korean code page.
//
// UnicodeToKsxTable (generated) holds the KS X 1001 characters in four
// ranges, each ascending by code point and searched by bisection only for
// code points between its bounds. The compatibility ideographs have no
// record of their own: each is first replaced by the unified twin that
// KS X 1001 holds, so no input ever produces the second-reading codes.
//
// Code points above U+FFFF (the normaliser hands on whole supplementary
// characters) become references with their full value, e.g. "&#128512;".
// A negative value or one above U+10FFFF is no character at all and becomes
// the reference of U+FFFD, "&#65533;".
#include "encoding/unicode_to_ksx.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

struct KsxRecord {
  int32_t codePoint;
  unsigned char lead;
  unsigned char trail;
};

// Records begin..end-1 of UnicodeToKsxTable, searched for first..last.
struct KsxRange {
  int begin;
  int end;
  int first;
  int last;
};

#include "encoding/unicode_to_ksx_tables.inc"

constexpr int kCompatFirst = 0xF900;
constexpr int kCompatLast = 0xFA0B;
static_assert(sizeof UnicodeToKsxTable / sizeof UnicodeToKsxTable[0] == 7955, "KS X 1001 records");
static_assert(sizeof CompatIdeographTable / sizeof CompatIdeographTable[0] == kCompatLast - kCompatFirst + 1,
              "one entry for each of U+F900..U+FA0B");
static_assert(kSymbolRange.end == kHanjaRange.begin && kHanjaRange.end == kHangulRange.begin &&
                  kHangulRange.end == kFullwidthRange.begin && kFullwidthRange.end == 7955,
              "the four ranges cover the table");

const KsxRange* rangeFor(int codePoint) {
  if (codePoint <= kSymbolRange.last) return &kSymbolRange;
  if (codePoint <= kHanjaRange.last) return &kHanjaRange;
  if (codePoint <= kHangulRange.last) return &kHangulRange;
  if (codePoint <= kFullwidthRange.last) return &kFullwidthRange;
  return nullptr;
}

const KsxRecord* findRecord(int codePoint) {
  const KsxRange* range = rangeFor(codePoint);
  if (range == nullptr || codePoint < range->first) return nullptr;
  const KsxRecord* begin = UnicodeToKsxTable + range->begin;
  const KsxRecord* end = UnicodeToKsxTable + range->end;
  const KsxRecord* found = std::lower_bound(
      begin, end, codePoint, [](const KsxRecord& record, int value) { return record.codePoint < value; });
  return found != end && found->codePoint == codePoint ? found : nullptr;
}

}  // namespace

const char* unicodeToKsx(int codePoint) {
  static char text[256];
  int c = codePoint;
  if (c < 0 || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x80) {
    text[0] = static_cast<char>(c);
    text[1] = '\0';
    return text;
  }
  if (c >= kCompatFirst && c <= kCompatLast) c = CompatIdeographTable[c - kCompatFirst];
  if (const KsxRecord* record = findRecord(c)) {
    text[0] = static_cast<char>(record->lead);
    text[1] = static_cast<char>(record->trail);
    text[2] = '\0';
    return text;
  }
  std::snprintf(text, sizeof text, "&#%05d;", c);
  return text;
}

bool fileNameEndsInLoneLead(const char* name) {
  size_t length = std::strlen(name);
  if (isValidUtf8(name, length)) return false;
  size_t i = 0;
  while (i < length) {
    if (static_cast<unsigned char>(name[i]) < 0x80) {
      ++i;
    } else if (i + 1 == length) {
      return true;
    } else {
      i += 2;
    }
  }
  return false;
}

std::string fileNameToKsx(const char* name) {
  size_t length = std::strlen(name);
  if (!isValidUtf8(name, length)) {
    return std::string(name, fileNameEndsInLoneLead(name) ? length - 1 : length);
  }
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name);
  std::string text;
  size_t i = 0;
  while (i < length) {
    size_t run = asciiPrefixLength(name + i, length - i);
    text.append(name + i, run);
    i += run;
    if (i == length) break;
    int codePoint = 0;
    i += static_cast<size_t>(decodeUtf8(bytes + i, length - i, &codePoint));
    text += unicodeToKsx(codePoint);
  }
  return text;
}

}  // namespace tourwright
