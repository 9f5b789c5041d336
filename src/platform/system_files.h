// Files outside the tour folder, for the modes that must write nothing
// beside the script: a private scratch file in the system's temporary
// folder and a sink for console lines that nobody is to see.
#ifndef TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_
#define TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_

#include <cstdio>
#include <string>

namespace tourwright {

// Creates a new, empty file that only this user can read, under a name no
// other file has, in the system's temporary folder ($TMPDIR or /tmp;
// GetTempPath on Windows). Returns its path, or "" when none can be made.
// The caller removes it.
std::string createTemporaryFile();

// A stream that swallows what is written to it (the null device).
FILE* openNullSink();

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_
