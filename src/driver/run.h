// The run driver: the command line, the derived file names, the fixed
// order of the stages, their console lines and the removal of the scratch
// files. One call is one whole run.
#ifndef TOURWRIGHT_DRIVER_RUN_H_
#define TOURWRIGHT_DRIVER_RUN_H_

#include <cstdio>
#include <string>

namespace tourwright {

// Exit statuses: a completed run, a failed one, and the usage case.
constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct RunPaths {
  std::string directory;
  std::string baseName;
  std::string lstPath;
  std::string ascPath;
  std::string tmpPath;
  std::string htmPath;
  std::string xmlPath;
};

// Splits the joined command-line argument into directory and base name and
// forms the five paths. Either separator splits; a dot starts an extension
// only inside the last component and not as its first character; an
// extension without a directory uses ".".
RunPaths derivePaths(const std::string& argument);

// The output of a run (the tour XML or the page) that is the file at
// `input` (a path, a link, a hard link to it), or nullptr: a run whose
// output would replace one of its inputs writes nothing.
const std::string* outputOverInput(const RunPaths& paths, const char* input);
// The line that names both: "Output File <output> Would Overwrite <input>!".
void reportOutputOverInput(FILE* stream, const std::string& output, const std::string& input);

// The one-line messages for a script that changed while it was read, and
// for a scratch copy that could not be created (with a second line naming
// its path and the system's reason).
void reportScriptChanged(FILE* stream, const std::string& lstPath);
void reportScratchNotCreated(FILE* stream);

// The whole run; returns the exit status.
int runTourwright(int argc, const char* const* argv);

}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_RUN_H_
