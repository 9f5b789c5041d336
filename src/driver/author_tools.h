// The author's tools: --check and --graph read the script as a run does
// and write nothing beside it.
//
// A UTF-8 or UTF-16 script is normalised into a private file in the
// system's temporary folder (made only for such a script, and without a
// name there once open), parsed and closed; the console lines of a
// run are not shown. The warnings go to standard error in their usual
// form, then their count; a script that cannot be read gives its usual
// one-line message there too.
#ifndef TOURWRIGHT_DRIVER_AUTHOR_TOOLS_H_
#define TOURWRIGHT_DRIVER_AUTHOR_TOOLS_H_

#include <string>

#include <cstdio>

#include "driver/options.h"
#include "driver/run.h"
#include "script/tour_model.h"

namespace tourwright {

// Reports every finding of a run, and every tile XML that is missing, not
// readable, a folder or without an image element to copy, at its scene's header
// line; then every file the tour needs that is missing (tour/needed_files.h),
// under the tour folder and under the site root: `site` (--site DIR), or
// the first folder above the tour that holds VR/xsl3v/. Standard output
// stays empty. Returns 0 when nothing was found, 1 when something was or
// the script cannot be read.
int runCheck(const std::string& argument, const std::string& site);

// Reads the script as --check does, its findings and any failure to read
// it on `out`; the tour read, valid until the next call, or nullptr.
const Tour* readScriptAsChecked(const RunPaths& paths, const std::string& site, FILE* out);

// Prints the tour as a Graphviz digraph on standard output. Returns 0 when
// the script was read and the graph written, 1 otherwise.
int runGraph(const std::string& argument);

// Every mode but a plain run: the two tools, the help, the version and a
// misused command line (one line naming the fault, then the usage, on
// standard error). Returns the exit status.
int runOtherMode(const CommandLine& commandLine);

}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_AUTHOR_TOOLS_H_
