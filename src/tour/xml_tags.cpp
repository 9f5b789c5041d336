// A small tag scanner, not a full XML parser: it finds start and end tags
// with their attributes (quoted or not), skips comments, processing
// instructions and CDATA, and decodes the five named entities and numeric
// references in attribute values. Every step moves forward, so any bytes,
// however broken, end in one pass.
#include "tour/xml_tags.h"

#include <cstring>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

bool isNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == ':' || c == '.' || c == '-' || c >= 0x80;
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Moves past `terminator`, or to the end when it never comes.
const char* skipPast(const char* p, const char* end, const char* terminator) {
  size_t n = std::strlen(terminator);
  for (; p + n <= end; ++p) {
    if (std::memcmp(p, terminator, n) == 0) return p + n;
  }
  return end;
}

void appendDecoded(const char* p, const char* end, std::string* out) {
  static const struct { const char* name; char c; } kNamed[] = {
      {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  while (p < end) {
    if (*p != '&') {
      out->push_back(*p++);
      continue;
    }
    bool done = false;
    for (const auto& entity : kNamed) {
      size_t n = std::strlen(entity.name);
      if (static_cast<size_t>(end - p - 1) >= n && std::memcmp(p + 1, entity.name, n) == 0) {
        out->push_back(entity.c);
        p += 1 + n;
        done = true;
        break;
      }
    }
    if (!done && end - p > 2 && p[1] == '#') {
      bool hex = p[2] == 'x' || p[2] == 'X';
      const char* q = p + (hex ? 3 : 2);
      long value = 0;
      int digits = 0;
      for (; q < end && digits < 8; ++q, ++digits) {
        char c = lower(*q);
        int d = (c >= '0' && c <= '9') ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) break;
        value = value * (hex ? 16 : 10) + d;
      }
      if (digits > 0 && q < end && *q == ';') {
        char utf8[8];
        codePointToUtf8(value > 0x10FFFF ? -1 : static_cast<int>(value), utf8);
        out->append(utf8);
        p = q + 1;
        done = true;
      }
    }
    if (!done) out->push_back(*p++);
  }
}

}  // namespace

// Reads the next start or end tag from *cursor; false at the end.
bool nextXmlTag(const char** cursor, const char* end, XmlTag* tag) {
  const char* p = *cursor;
  for (;;) {
    p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
    if (p == nullptr) {
      *cursor = end;
      return false;
    }
    size_t left = static_cast<size_t>(end - p);
    if (left >= 4 && std::memcmp(p, "<!--", 4) == 0) {
      p = skipPast(p + 4, end, "-->");
    } else if (left >= 9 && std::memcmp(p, "<![CDATA[", 9) == 0) {
      p = skipPast(p + 9, end, "]]>");
    } else if (left >= 2 && p[1] == '?') {
      p = skipPast(p + 2, end, "?>");
    } else if (left >= 2 && p[1] == '!') {
      p = skipPast(p + 2, end, ">");
    } else {
      break;
    }
  }
  ++p;
  tag->name.clear();
  tag->attributes.clear();
  tag->closing = p < end && *p == '/';
  tag->selfClosing = false;
  if (tag->closing) ++p;
  while (p < end && isNameByte(static_cast<unsigned char>(*p))) tag->name.push_back(lower(*p++));
  while (p < end && *p != '>' && *p != '<') {
    if (isSpace(static_cast<unsigned char>(*p))) {
      ++p;
    } else if (*p == '/') {
      tag->selfClosing = true;
      ++p;
    } else {
      XmlAttribute attribute;
      while (p < end && *p != '=' && *p != '>' && *p != '<' && *p != '/' &&
             !isSpace(static_cast<unsigned char>(*p))) {
        attribute.name.push_back(lower(*p++));
      }
      while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
      if (p < end && *p == '=') {
        ++p;
        while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        if (p < end && (*p == '"' || *p == '\'')) {
          char quote = *p++;
          start = p;
          while (p < end && *p != quote) ++p;
          appendDecoded(start, p, &attribute.value);
          if (p < end) ++p;
        } else {
          while (p < end && *p != '>' && !isSpace(static_cast<unsigned char>(*p))) ++p;
          appendDecoded(start, p, &attribute.value);
        }
      }
      if (attribute.name.empty() && p < end && *p != '>' && *p != '<') ++p;  // a stray byte
      tag->attributes.push_back(std::move(attribute));
    }
  }
  if (p < end && *p == '>') ++p;
  *cursor = p;
  return true;
}

const std::string* attributeOf(const XmlTag& tag, const char* name) {
  for (const XmlAttribute& attribute : tag.attributes) {
    if (attribute.name == name) return &attribute.value;
  }
  return nullptr;
}

long long pixelsOf(const std::string* text) {
  if (text == nullptr || text->empty() || text->size() > 9) return -1;
  long long value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value > 0 ? value : -1;
}

void lowerAscii(std::string* text) {
  for (char& c : *text) c = lower(c);
}

}  // namespace tourwright
