// A small tag scanner for the viewer's XML files (tile XML files and the
// tour XML as a run writes it), not a full XML parser: it finds start and
// end tags with their attributes (quoted or not), skips comments,
// processing instructions and CDATA, and decodes the five named entities
// and numeric references in attribute values. Every step moves forward, so
// any bytes, however broken, end in one pass.
#ifndef TOURWRIGHT_TOUR_XML_TAGS_H_
#define TOURWRIGHT_TOUR_XML_TAGS_H_

#include <string>
#include <vector>

namespace tourwright {

struct XmlAttribute {
  std::string name;   // lower case, as the viewer takes names
  std::string value;  // raw bytes, entities decoded (a numeric one as UTF-8)
};

struct XmlTag {
  std::string name;  // lower case
  bool closing;
  bool selfClosing;
  std::vector<XmlAttribute> attributes;
};

// Reads the next start or end tag from *cursor on; false at the end.
bool nextXmlTag(const char** cursor, const char* end, XmlTag* tag);

// The value of the attribute `name` (lower case), or nullptr.
const std::string* xmlAttribute(const XmlTag& tag, const char* name);

// Turns the ASCII letters of `text` into lower case.
void lowerAscii(std::string* text);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_XML_TAGS_H_
