#include "tour/image_url.h"

#include <algorithm>
#include <cstring>

#include "encoding/code_point.h"
#include "encoding/korean_reading.h"
#include "encoding/internal_text.h"

namespace tourwright {

std::string TextReading::utf8(const std::string& bytes) const {
  if (!codePage) return bytes;
  std::string text;
  appendUtf8FromCodePage(bytes.data(), bytes.size(), &text);
  return text;
}

TextReading readingOf(const char* text, size_t length) {
  KoreanReading reading = {false, false};
  bool valid = isValidUtf8(text, length);
  if (valid) noteKoreanReading(text, length, &reading);
  return TextReading{!valid || readsAsCodePage(reading)};
}

namespace {

void addUnique(std::vector<std::string>* notices, const std::string& text) {
  if (std::find(notices->begin(), notices->end(), text) == notices->end()) {
    notices->push_back(text);
  }
}

void appendLiteral(UrlTemplate* url, const std::string& text) {
  if (text.empty()) return;
  if (!url->empty() && url->back().placeholder == 0) {
    url->back().text += text;
  } else {
    url->push_back(UrlPart{0, 0, text});
  }
}

bool isUpperName(char c) { return (c >= 'A' && c <= 'Z') || c == '_'; }

}  // namespace

UrlTemplate parseTileUrl(const std::string& source, int levelNumber,
                         std::vector<std::string>* notices) {
  static const char* const kFolderVariables[] = {"%CURRENTXML%", "%FIRSTXML%", "%SWFPATH%",
                                                 "%HTMLPATH%"};
  std::string url = source;
  std::replace(url.begin(), url.end(), '\\', '/');
  UrlTemplate parts;
  size_t i = 0;
  while (i < url.size()) {
    if (url[i] != '%') {
      size_t next = url.find('%', i);
      if (next == std::string::npos) next = url.size();
      appendLiteral(&parts, url.substr(i, next - i));
      i = next;
      continue;
    }
    bool variable = false;
    for (const char* name : kFolderVariables) {
      size_t n = std::strlen(name);
      if (url.compare(i, n, name) == 0) {
        i += n;
        if (i < url.size() && url[i] == '/') ++i;
        variable = true;
        break;
      }
    }
    if (variable) continue;
    size_t j = i + 1;
    while (j < url.size() && url[j] == '0') ++j;
    char c = j < url.size() ? url[j] : 0;
    int width = static_cast<int>(j - i);  // the zeros, plus one
    if (c == 's' || c == 'v' || c == 'h' || c == 'x' || c == 'y') {
      char placeholder = c == 'x' ? 'h' : c == 'y' ? 'v' : c;
      parts.push_back(UrlPart{placeholder, width, std::string()});
      i = j + 1;
    } else if (c == 'l') {
      std::string number = std::to_string(levelNumber);
      if (number.size() < static_cast<size_t>(width)) number.insert(0, width - number.size(), '0');
      appendLiteral(&parts, number);
      i = j + 1;
    } else {
      size_t k = i + 1;
      while (k < url.size() && isUpperName(url[k])) ++k;
      if (k > i + 1 && k < url.size() && url[k] == '%') {
        addUnique(notices, "the URL \"" + source + "\" uses " + url.substr(i, k + 1 - i) +
                               ", which the preview does not know");
      }
      appendLiteral(&parts, "%");
      ++i;
    }
  }
  if (!parts.empty() && parts.front().placeholder == 0 &&
      (parts.front().text.find("://") != std::string::npos || parts.front().text[0] == '/')) {
    addUnique(notices, "the URL \"" + source + "\" lies outside the tour folder, which is "
                       "all the preview serves");
  }
  return parts;
}

bool templateHas(const UrlTemplate& url, char placeholder) {
  for (const UrlPart& part : url) {
    if (part.placeholder == placeholder) return true;
  }
  return false;
}

namespace {

// The device flags as a desktop browser without a headset has them.
int desktopFlag(const std::string& name) {
  static const struct { const char* name; int value; } kFlags[] = {
      {"webvr", 0},          {"webvr.isenabled", 0}, {"device.mobile", 0},
      {"device.tablet", 0},  {"device.handheld", 0}, {"device.desktop", 1},
      {"device.normal", 1},  {"device.html5", 1},    {"device.flash", 0},
      {"device.webgl", 1},   {"device.ios", 0},      {"device.android", 0},
      {"device.webvr", 0},   {"device.vr", 0},       {"device.iphone", 0},
      {"device.ipad", 0},    {"true", 1},            {"false", 0}};
  std::string lowered = name;
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
  for (const auto& flag : kFlags) {
    if (lowered == flag.name) return flag.value;
  }
  return -1;
}

// Splits at the words or signs of `words` (space-separated or glued for signs).
std::vector<std::string> splitAt(const std::string& text, const char* word, const char* sign) {
  std::vector<std::string> pieces;
  std::string current;
  size_t wordLength = std::strlen(word), signLength = std::strlen(sign);
  for (size_t i = 0; i < text.size();) {
    bool atWord = text.compare(i, wordLength, word) == 0 && (i == 0 || text[i - 1] == ' ') &&
                  (i + wordLength == text.size() || text[i + wordLength] == ' ');
    if (atWord || text.compare(i, signLength, sign) == 0) {
      pieces.push_back(current);
      current.clear();
      i += atWord ? wordLength : signLength;
    } else {
      current.push_back(text[i++]);
    }
  }
  pieces.push_back(current);
  return pieces;
}

std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

int termValue(std::string term) {
  term = trimmed(term);
  bool negated = false;
  while (!term.empty() && term[0] == '!') {
    negated = !negated;
    term = trimmed(term.substr(1));
  }
  int value = desktopFlag(term);
  if (value < 0) return -1;
  return negated ? 1 - value : value;
}

}  // namespace

int desktopCondition(const std::string& condition) {
  std::vector<std::string> groups = splitAt(condition, "OR", "||");
  for (const std::string& group : groups) {
    for (const std::string& term : splitAt(group, "AND", "&&")) {
      if (trimmed(term).empty()) return -1;  // a sign with nothing beside it
    }
  }
  int any = 0;  // OR over AND-groups, -1 for "cannot tell"
  for (const std::string& group : groups) {
    int all = 1;
    for (const std::string& term : splitAt(group, "AND", "&&")) {
      int value = termValue(term);
      if (value == 0) {
        all = 0;
        break;
      }
      if (value < 0) all = -1;
    }
    if (all == 1) return 1;
    if (all < 0) any = -1;
  }
  return any;
}

DesktopChoice chooseForDesktop(size_t count,
                               const std::function<std::string(size_t)>& conditionOf) {
  size_t undecided = count;
  for (size_t i = 0; i < count; ++i) {
    std::string condition = trimmed(conditionOf(i));
    int value = condition.empty() ? 1 : desktopCondition(condition);
    if (value == 1) return DesktopChoice{i, true};
    if (value < 0 && undecided == count) undecided = i;
  }
  return DesktopChoice{undecided == count ? 0 : undecided, false};
}

}  // namespace tourwright
