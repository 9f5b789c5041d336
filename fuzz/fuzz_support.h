// Small helpers for the fuzz targets: a scratch folder per process, whole
// files, and a check that aborts with a message when a property fails.
#ifndef TOURWRIGHT_FUZZ_FUZZ_SUPPORT_H_
#define TOURWRIGHT_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <string>

namespace tourwright {
namespace fuzzing {

// A folder created once per process (in /dev/shm where it exists); removed
// at exit with its files and those of its folders.
const std::string& scratchFolder();
void writeWholeFile(const std::string& path, const void* data, size_t size);
std::string readWholeFile(const std::string& path);
bool exists(const std::string& path);
// Silences console output for the whole process.
void quietConsole();

[[noreturn]] void fail(const char* property, const std::string& detail = "");
#define FUZZ_CHECK(condition, detail) \
  do {                                \
    if (!(condition)) ::tourwright::fuzzing::fail(#condition, detail); \
  } while (0)

}  // namespace fuzzing
}  // namespace tourwright

#endif  // TOURWRIGHT_FUZZ_FUZZ_SUPPORT_H_
