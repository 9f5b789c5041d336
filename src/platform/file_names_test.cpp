// File names in any script: a file is made, replaced, read and removed by
// its UTF-8 path, and on Windows it bears the Unicode name on disk (the
// wide functions), whatever the system's ANSI code page.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tourwright {
namespace {

using testing_support::TempDir;

TEST(FileNamesTest, Utf8NamesInAnyScript) {
  struct Case {
    const char* name;
    const wchar_t* wideName;
  } cases[] = {
      {"\xEA\xB6\x81\xEA\xB6\x90", L"\uAD81\uAD90"},
      {"Caf\xC3\xA9", L"Caf\u00E9"},
      {"\xF0\x9F\x98\x80 \xD0\xB4", L"\U0001F600 \u0434"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string path = joinPath(dir.path(), c.name, ".xml");
    std::string part = path + ".part";
    FILE* out = openTextForWriting(part.c_str());
    ASSERT_NE(out, nullptr) << c.name;
    std::fputs("text", out);
    std::fclose(out);
    EXPECT_TRUE(replaceFile(part.c_str(), path.c_str())) << c.name;
    EXPECT_FALSE(isDirectory(path.c_str()) || isSpecialFile(path.c_str())) << c.name;
#ifdef _WIN32
    std::wstring wide(dir.path().begin(), dir.path().end());  // the scratch folder's path is ASCII
    wide += L'\\';
    wide += c.wideName;
    EXPECT_NE(GetFileAttributesW((wide + L".xml").c_str()), INVALID_FILE_ATTRIBUTES) << c.name;
#else
    (void)c.wideName;
#endif
    FILE* in = openForReading(path.c_str());
    ASSERT_NE(in, nullptr) << c.name;
    EXPECT_EQ(testing_support::readStream(in), "text") << c.name;
    std::fclose(in);
    EXPECT_TRUE(removeFile(path.c_str())) << c.name;
    EXPECT_EQ(openForReading(path.c_str()), nullptr) << c.name;
  }
}

}  // namespace
}  // namespace tourwright
