#include "tour/image_tags.h"

#include <cstring>

namespace tourwright {

// Both tags begin with '<': one memchr walk finds them.
ImageTags findImageTags(const char* line, size_t length) {
  ImageTags tags = {false, false};
  const char* end = line + length;
  for (const char* p = line; p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
    if (p == nullptr) break;
    size_t left = static_cast<size_t>(end - p);
    if (left >= 6 && std::memcmp(p, "<image", 6) == 0) tags.opens = true;
    if (left >= 8 && std::memcmp(p, "</image>", 8) == 0) tags.closes = true;
  }
  return tags;
}

void scanTags(TagScan* scan, const char* text, size_t length) {
  char joint[14];
  size_t head = length < 7 ? length : 7;
  std::memcpy(joint, scan->tail, scan->kept);
  std::memcpy(joint + scan->kept, text, head);
  size_t jointLength = scan->kept + head;
  ImageTags inJoint = findImageTags(joint, jointLength);
  ImageTags inText = findImageTags(text, length);
  scan->tags.opens = scan->tags.opens || inJoint.opens || inText.opens;
  scan->tags.closes = scan->tags.closes || inJoint.closes || inText.closes;
  const char* last = length >= 7 ? text + length - 7 : joint + (jointLength > 7 ? jointLength - 7 : 0);
  scan->kept = length >= 7 ? 7 : (jointLength > 7 ? 7 : jointLength);
  std::memmove(scan->tail, last, scan->kept);
}

}  // namespace tourwright
