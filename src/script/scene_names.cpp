#include "script/scene_names.h"

#include <algorithm>
#include <cstring>

#include "encoding/escape.h"
#include "script/line_scan.h"

namespace tourwright {

namespace {

unsigned char lowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// `text` ends in `suffix`, ignoring letter case; the part before it is
// written to `stem` (room for kText128 bytes).
bool endsWithIgnoringCase(const char* text, const char* suffix, char* stem) {
  size_t length = std::strlen(text);
  size_t suffixLength = std::strlen(suffix);
  if (length <= suffixLength || length - suffixLength >= kText128) return false;
  if (!sameIgnoringCase(text + length - suffixLength, suffix)) return false;
  std::memcpy(stem, text, length - suffixLength);
  stem[length - suffixLength] = '\0';
  return true;
}

bool isDecimal(int c) { return c >= '0' && c <= '9'; }

// The next character of internal text at *p as the tour XML gets it: an
// escape as its code point, a two-byte code as -1 (never ASCII).
int nextCharacter(const unsigned char** p, const unsigned char* end) {
  const unsigned char* at = *p;
  if (*at >= 0x80) {
    *p += at + 1 < end ? 2 : 1;
    return -1;
  }
  int codePoint = 0;
  size_t used = (*at == '&' || *at == 'U') ? readEscapedCharacter(at, end, &codePoint) : 0;
  if (used > 0) {
    *p += used;
    return codePoint;
  }
  *p += 1;
  return *at;
}

// "Gallery-<scene>-<gallery>" for a gallery of the tour.
bool findGalleryScene(const Tour& tour, const char* target, SceneTarget* found) {
  const char prefix[] = "gallery-";
  for (size_t i = 0; i + 1 < sizeof prefix; ++i) {
    if (lowerAscii(static_cast<unsigned char>(target[i])) != prefix[i]) return false;
  }
  LineText text = lineTextOf(target, std::strlen(target));
  size_t p = sizeof prefix - 1;
  int scene = 0;
  int gallery = 0;
  if (!isDecimal(target[p])) return false;
  p = scanInteger(&text, p, text.length, &scene);
  if (p == text.length || target[p] != '-' || !isDecimal(target[p + 1])) return false;
  p = scanInteger(&text, p + 1, text.length, &gallery);
  if (p != text.length) return false;
  if (scene < 1 || scene > sceneCountOf(tour)) return false;
  int galleries = std::min(tour.scenes[scene - 1].galleryCount, kMaxItemsPerList);
  if (gallery < 1 || gallery > galleries) return false;
  *found = SceneTarget{SceneTarget::kGallery, scene - 1, gallery - 1};
  return true;
}

}  // namespace

bool sameIgnoringCase(const char* a, const char* b) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
  while (*p != '\0' && *q != '\0') {
    if (*p >= 0x80) {
      if (*p != *q || p[1] != q[1]) return false;
      if (p[1] == '\0') return true;
      p += 2;
      q += 2;
    } else {
      if (lowerAscii(*p) != lowerAscii(*q)) return false;
      ++p;
      ++q;
    }
  }
  return *p == *q;
}

int sceneCountOf(const Tour& tour) {
  return tour.sceneCount < 0 ? 0 : std::min(tour.sceneCount, kMaxScenes);
}

int countNamed(const Tour& tour, const char* name, int before, bool ignoreCase) {
  int count = 0;
  for (int s = 0; s < before; ++s) {
    const char* other = tour.scenes[s].name;
    if (other[0] == '\0') continue;
    if (ignoreCase ? sameIgnoringCase(other, name) : std::strcmp(other, name) == 0) ++count;
  }
  return count;
}

// A scene element of the tour XML: a scene's name (the viewer takes the
// first element of a name and ignores letter case), the "-copy" name of a
// repeated one, or a gallery scene.
std::string sceneNumberReadFrom(const char* name) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
  const unsigned char* end = p + std::strlen(name);
  std::string digits;
  while (p < end) {
    int c = nextCharacter(&p, end);
    if (!isDecimal(c)) break;
    digits.push_back(static_cast<char>(c));
  }
  size_t zeros = digits.find_first_not_of('0');
  if (zeros == std::string::npos) zeros = digits.empty() ? 0 : digits.size() - 1;
  return digits.substr(zeros);
}

char actionLanguageStop(const char* name) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
  const unsigned char* end = p + std::strlen(name);
  while (p < end) {
    int c = nextCharacter(&p, end);
    if (c > 0 && c < 0x80 && std::strchr(",;()[]'", c) != nullptr) return static_cast<char>(c);
  }
  return 0;
}

SceneTarget findSceneTarget(const Tour& tour, const char* target) {
  int scenes = sceneCountOf(tour);
  for (int s = 0; s < scenes; ++s) {
    const char* name = tour.scenes[s].name;
    if (name[0] != '\0' && sameIgnoringCase(name, target)) return {SceneTarget::kScene, s, 0};
  }
  char stem[kText128];
  if (endsWithIgnoringCase(target, "-copy", stem)) {
    for (int s = 0; s < scenes; ++s) {
      const char* name = tour.scenes[s].name;
      if (name[0] != '\0' && sameIgnoringCase(name, stem) && countNamed(tour, name, s, false) > 0) {
        return {SceneTarget::kScene, s, 0};
      }
    }
  }
  SceneTarget gallery = {SceneTarget::kNothing, 0, 0};
  findGalleryScene(tour, target, &gallery);
  return gallery;
}

}  // namespace tourwright
