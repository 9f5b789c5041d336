#include "driver/run.h"

#ifdef _WIN32
#include <string>
#include <vector>

#include "platform/files.h"

// On Windows the arguments are taken in UTF-16, whatever the system's ANSI
// code page, and handed on in UTF-8 like every path inside the program.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(tourwright::utf8FromWide(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  return tourwright::runTourwright(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return tourwright::runTourwright(argc, argv); }
#endif
