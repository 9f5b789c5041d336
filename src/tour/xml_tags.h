// The tags of a tile XML (or of the image block copied from it) as the
// panorama viewer reads them: start and end tags with their attributes,
// comments, processing instructions and CDATA skipped, entities decoded in
// attribute values. Any bytes are accepted and end in one pass.
#ifndef TOURWRIGHT_TOUR_XML_TAGS_H_
#define TOURWRIGHT_TOUR_XML_TAGS_H_

#include <string>
#include <vector>

namespace tourwright {

struct XmlAttribute {
  std::string name;   // lower case
  std::string value;  // raw bytes, entities decoded
};

struct XmlTag {
  std::string name;  // lower case
  bool closing;
  bool selfClosing;
  std::vector<XmlAttribute> attributes;
};

// Reads the next start or end tag from *cursor, moving it past the tag;
// false at the end of the text.
bool nextXmlTag(const char** cursor, const char* end, XmlTag* tag);

// The value of the attribute `name` (lower case), or nullptr.
const std::string* attributeOf(const XmlTag& tag, const char* name);

// An attribute's value as a whole number of pixels, 1 to 999999999; -1
// for anything else (or no attribute).
long long pixelsOf(const std::string* value);

// Turns the ASCII letters of `text` into lower case.
void lowerAscii(std::string* text);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_XML_TAGS_H_
