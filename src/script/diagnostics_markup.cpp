// The markup checks of captions, titles, words and the base name: what a text
// becomes in the tour XML (the output turns "&#...;" references and
// "U+XXXX" notations into characters) and whether XML takes it there.
#include <algorithm>

#include "encoding/code_point.h"
#include "encoding/transcoder.h"
#include "script/diagnostics_parts.h"

namespace tourwright {

namespace {

bool isDecimal(int c) { return c >= '0' && c <= '9'; }

// Characters of a caption or title as they reach the tour XML: the output
// turns "&#...;" references and "U+XXXX" notations into the characters
// they name ("U+0000" into nothing). Escapes give their code points; a
// two-byte code is kOtherCharacter, which no check looks for.
constexpr int kOtherCharacter = 0x100;
constexpr int kEndOfText = -1;

bool isHex(int c) { return isDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(int c) { return isDecimal(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
bool isNameStart(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

struct OutputText {
  const unsigned char* text;
  size_t length;
};

// The character at `*p`, or kEndOfText; moves `*p` past it.
int nextCharacter(const OutputText& t, size_t* p) {
  const unsigned char* text = t.text;
  const size_t length = t.length;
  while (*p < length) {
    size_t at = *p;
    unsigned char b = text[at];
    if (b >= 0x80) {
      *p += (at + 1 < length && text[at + 1] >= 0x21) ? 2 : 1;
      return kOtherCharacter;
    }
    int notation = b == 'U' ? notationValue(text + at, length - at) : -1;
    if (notation >= 0) {
      *p += kNotationLength;
      if (notation != 0) return notation;
      continue;
    }
    if (b == '&' && at + 2 < length && text[at + 1] == '#' && isDecimal(text[at + 2])) {
      int value = 0;
      for (*p = at + 2; *p < length && isDecimal(text[*p]); ++*p) {
        value = std::min(value * 10 + (text[*p] - '0'), 0x110000);
      }
      if (*p < length && text[*p] == ';') ++*p;
      return value;
    }
    *p += 1;
    return b;
  }
  return kEndOfText;
}

}  // namespace

void checkForbiddenCharacters(ScriptDiagnostics* d, long long line, const char* fieldName,
                              const char* field, size_t length) {
  const OutputText text = {reinterpret_cast<const unsigned char*>(field), length};
  size_t p = 0;
  for (int c = nextCharacter(text, &p); c != kEndOfText; c = nextCharacter(text, &p)) {
    if (!isForbiddenInXml(c)) continue;
    warn(d, line, "%s holds U+%04X, a character that XML does not allow: it is written as U+FFFD",
         fieldName, static_cast<unsigned>(c));
    return;
  }
}

namespace {

// The character that the XML reference after an '&' (whose end is `p`)
// stands for, or -1 when none begins there; entity references are XML's
// own five.
int xmlReferenceValue(const OutputText& t, size_t p) {
  int c = nextCharacter(t, &p);
  if (c == '#') {
    c = nextCharacter(t, &p);
    bool hex = c == 'x';
    if (hex) c = nextCharacter(t, &p);
    bool anyDigit = false;
    int value = 0;
    for (; hex ? isHex(c) : isDecimal(c); c = nextCharacter(t, &p)) {
      int digit = hex ? hexValue(c) : c - '0';
      value = value > 0x10FFFF ? 0x110000 : value * (hex ? 16 : 10) + digit;
      anyDigit = true;
    }
    return anyDigit && c == ';' ? value : -1;
  }
  struct Entity {
    const char* name;
    int value;
  };
  static const Entity kEntities[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
  };
  if (!isNameStart(c)) return -1;
  const size_t nameStart = p;
  for (const Entity& entity : kEntities) {
    size_t q = nameStart;
    size_t i = 1;
    if (c != entity.name[0]) continue;
    while (entity.name[i] != '\0' && nextCharacter(t, &q) == entity.name[i]) ++i;
    if (entity.name[i] == '\0' && nextCharacter(t, &q) == ';') return entity.value;
  }
  return -1;
}

}  // namespace

// A caption or title ends its XML attribute early with '"', breaks the
// document with '<', a bare '&' or a reference to a character that XML
// does not allow, and a caption inside showtext('...') ends the viewer's
// text early with '\''. A control character is written as U+FFFD.
void checkMarkup(ScriptDiagnostics* d, long long line, const char* fieldName, const char* field,
                 size_t length, bool insideShowtext) {
  const OutputText text = {reinterpret_cast<const unsigned char*>(field), length};
  bool quote = false;
  bool lessThan = false;
  bool apostrophe = false;
  bool bareAmpersand = false;
  int forbiddenReference = -1;
  size_t p = 0;
  for (int c = nextCharacter(text, &p); c != kEndOfText; c = nextCharacter(text, &p)) {
    if (c == '"') quote = true;
    if (c == '<') lessThan = true;
    if (c == '\'') apostrophe = true;
    if (c == '&') {
      int value = xmlReferenceValue(text, p);
      if (value < 0) bareAmpersand = true;
      if (value == '\'') apostrophe = true;
      if (value >= 0 && isForbiddenInXml(value) && forbiddenReference < 0) {
        forbiddenReference = value;
      }
    }
  }
  if (quote) warn(d, line, "%s holds a \" that ends its XML attribute early", fieldName);
  if (lessThan) warn(d, line, "%s holds a < that XML does not allow in an attribute", fieldName);
  if (apostrophe && insideShowtext) {
    warn(d, line, "%s holds a ' that ends its showtext('...') text early", fieldName);
  }
  if (bareAmpersand) {
    warn(d, line, "%s holds an & that begins no character or entity reference", fieldName);
  }
  if (forbiddenReference >= 0) {
    warn(d, line, "%s holds a reference to U+%04X, a character that XML does not allow",
         fieldName, static_cast<unsigned>(forbiddenReference));
  }
  checkForbiddenCharacters(d, line, fieldName, field, length);
}


}  // namespace tourwright
