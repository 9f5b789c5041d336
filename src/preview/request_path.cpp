#include "preview/request_path.h"

#include <cstring>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes one component; false for a "%" without two hex digits.
bool decodeComponent(const std::string& raw, std::string* decoded) {
  decoded->clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '%') {
      decoded->push_back(raw[i]);
      continue;
    }
    int high = i + 2 < raw.size() ? hexValue(raw[i + 1]) : -1;
    int low = high >= 0 ? hexValue(raw[i + 2]) : -1;
    if (low < 0) return false;
    decoded->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(const std::string& text, const char* word) {
  size_t length = std::strlen(word);
  if (text.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (upper(text[i]) != upper(word[i])) return false;
  }
  return true;
}

// Windows' reserved device names, which name the device in every folder
// and with any extension: "nul.jpg" is NUL.
bool isDeviceName(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (equalsIgnoringCase(stem, device)) return true;
  }
  if (stem.size() < 4) return false;
  std::string port = stem.substr(0, 3);
  if (!equalsIgnoringCase(port, "COM") && !equalsIgnoringCase(port, "LPT")) return false;
  std::string number = stem.substr(3);
  // COM0 to COM9 and the superscript digits Windows takes as well.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

bool isPlainName(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) return false;
  }
  return isValidUtf8(name.data(), name.size()) && !isDeviceName(name);
}

namespace {

// The decoded names of `path` (after its first "/") joined with "/";
// false when one of them is not a plain name.
bool decodePath(const std::string& path, std::string* joined) {
  joined->clear();
  std::string name;
  size_t start = 1;
  while (true) {
    size_t end = path.find('/', start);
    std::string raw = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!decodeComponent(raw, &name) || !isPlainName(name)) return false;
    if (!joined->empty()) joined->push_back('/');
    joined->append(name);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

MappedRequest mapRequestTarget(const std::string& target) {
  std::string path = target.substr(0, target.find('?'));
  // Only a path from the root: no "*", no absolute URL, no "//" network path.
  if (path.empty() || path[0] != '/' || (path.size() > 1 && path[1] == '/')) {
    return {RequestKind::kRefused, ""};
  }
  if (path == "/") return {RequestKind::kEmbeddedFile, "web/index.html"};
  if (path.back() == '/') return {RequestKind::kNoListing, ""};
  std::string names;
  if (!decodePath(path, &names)) return {RequestKind::kRefused, ""};
  const std::string reserved = std::string(kReservedPrefix).substr(1);
  if (names.compare(0, reserved.size(), reserved) != 0) return {RequestKind::kTourFile, names};
  std::string file = names.substr(reserved.size());
  if (file == "tour.json") return {RequestKind::kModel, ""};
  if (file.compare(0, 12, "third_party/") == 0) return {RequestKind::kEmbeddedFile, file};
  return {RequestKind::kEmbeddedFile, "web/" + file};
}

bool isOwnHost(const std::string& host, int port) {
  std::string name = host;
  std::string suffix = ":" + std::to_string(port);
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    name.resize(name.size() - suffix.size());
  } else if (port != 80) {
    return false;
  }
  return name == "127.0.0.1" || name == "[::1]" || equalsIgnoringCase(name, "localhost");
}

namespace {

// Reads the digits at `*at` (at most 18, so no value overflows); -1 when
// there are none.
long long readNumber(const std::string& text, size_t* at) {
  size_t start = *at;
  long long value = 0;
  while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9' && *at - start < 18) {
    value = value * 10 + (text[*at] - '0');
    ++*at;
  }
  bool more = *at < text.size() && text[*at] >= '0' && text[*at] <= '9';
  return *at == start || more ? -1 : value;
}

}  // namespace

ByteRange byteRangeFor(const std::string& header, long long size) {
  const ByteRange whole = {ByteRange::kWhole, 0, 0};
  const ByteRange unsatisfiable = {ByteRange::kUnsatisfiable, 0, 0};
  if (header.size() < 7 || !equalsIgnoringCase(header.substr(0, 6), "bytes=")) return whole;
  size_t at = 6;
  if (header[at] == '-') {  // the last N bytes
    ++at;
    long long suffix = readNumber(header, &at);
    if (suffix < 0 || at != header.size()) return whole;
    if (suffix == 0 || size == 0) return unsatisfiable;
    return {ByteRange::kPart, suffix >= size ? 0 : size - suffix, size - 1};
  }
  long long first = readNumber(header, &at);
  if (first < 0 || at >= header.size() || header[at] != '-') return whole;
  long long last = -1;  // to the end
  if (++at < header.size() && header[at] != ',') {
    last = readNumber(header, &at);
    if (last < first) return whole;
  }
  // A comma: several ranges, which may overlap or come in any order.
  if (at != header.size()) return whole;
  if (first >= size) return unsatisfiable;
  return {ByteRange::kPart, first, last < 0 || last >= size ? size - 1 : last};
}

const char* contentTypeFor(const std::string& path) {
  struct Type {
    const char* extension;
    const char* contentType;
  };
  static const Type kTypes[] = {
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".png", "image/png"},
      {".webp", "image/webp"},
      {".gif", "image/gif"},
      {".svg", "image/svg+xml"},
      {".xml", "application/xml"},
      {".htm", "text/html"},
      {".html", "text/html"},
      {".js", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".mp4", "video/mp4"},
      {".webm", "video/webm"},
      {".json", "application/json; charset=utf-8"},
      {".kml", "application/vnd.google-earth.kml+xml"},
      {".txt", "text/plain"},
  };
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    std::string extension = path.substr(dot);
    for (const Type& type : kTypes) {
      if (equalsIgnoringCase(extension, type.extension)) return type.contentType;
    }
  }
  return "application/octet-stream";
}

}  // namespace tourwright
