// The command line: options before the script, each beginning with "--"
// ("-h" too); "--" ends them, so a script whose name begins with "--"
// stays reachable. The arguments after the options are joined with single
// spaces into one path, as a plain run has always done. The help, the
// version and the usage lines live here too.
#ifndef TOURWRIGHT_DRIVER_OPTIONS_H_
#define TOURWRIGHT_DRIVER_OPTIONS_H_

#include <cstdio>
#include <string>

namespace tourwright {

enum class Mode {
  kRun,      // convert the script (no options)
  kCheck,    // --check: read and check, write nothing
  kGraph,    // --graph: the tour as a Graphviz digraph on standard output
  kPreview,  // --preview: the tour served to a browser on the loopback address
  kHelp,     // --help, -h
  kVersion,  // --version
  kMisused,  // an unknown option, two modes, or a mode without its script
};

struct CommandLine {
  Mode mode;
  std::string script;  // the joined arguments after the options
  std::string problem;  // for kMisused: the one line that says what is wrong
  std::string port;     // for kPreview: the value of --port as typed; empty without it
  std::string site;     // for kCheck and kPreview: the value of --site; empty without it
};

// --help and --version act as soon as they are read; an unknown option
// stops the reading. A plain run with no script is left to the run, which
// prints its own usage.
CommandLine parseCommandLine(int argc, const char* const* argv);

void writeHelp(FILE* out);
// "tourwright 3.2" and a line saying how the program was built.
void writeVersion(FILE* out);
// The forms of the command, for a command line that was misused.
void writeUsage(FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_OPTIONS_H_
