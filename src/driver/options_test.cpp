#include "driver/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace tourwright {
namespace {

struct OptionCase {
  std::vector<const char*> arguments;  // after the program name
  Mode mode;
  const char* script;   // for the modes that take one
  const char* problem;  // for kMisused
  const char* port = "";  // for kPreview: --port's value as typed
  const char* site = "";  // for kCheck and kPreview: --site's value
};

TEST(OptionsTest, ParsesOptionsBeforeTheScript) {
  const OptionCase cases[] = {
      {{}, Mode::kRun, "", ""},
      {{"tours/palace.lst"}, Mode::kRun, "tours/palace.lst", ""},
      {{"My", "Tours/palace.lst"}, Mode::kRun, "My Tours/palace.lst", ""},
      {{"-x.lst"}, Mode::kRun, "-x.lst", ""},  // one dash: a path, as before
      {{"--check", "a.lst"}, Mode::kCheck, "a.lst", ""},
      {{"--graph", "My", "Tours"}, Mode::kGraph, "My Tours", ""},
      {{"--check", "--check", "a.lst"}, Mode::kCheck, "a.lst", ""},
      {{"--check", "a.lst", "--graph"}, Mode::kCheck, "a.lst --graph", ""},  // after the script
      {{"--", "--odd.lst"}, Mode::kRun, "--odd.lst", ""},
      {{"--check", "--", "--odd.lst"}, Mode::kCheck, "--odd.lst", ""},
      {{"--", "--", "x"}, Mode::kRun, "-- x", ""},
      {{"--"}, Mode::kRun, "", ""},  // no script: the run's own usage
      {{"--help"}, Mode::kHelp, "", ""},
      {{"-h", "a.lst"}, Mode::kHelp, "", ""},
      {{"--check", "--version"}, Mode::kVersion, "", ""},
      {{"--bogus", "a.lst"}, Mode::kMisused, "", "unknown option \"--bogus\""},
      {{"--check", "--Check", "a.lst"}, Mode::kMisused, "", "unknown option \"--Check\""},
      {{"--check=a.lst"}, Mode::kMisused, "", "unknown option \"--check=a.lst\""},
      {{"--check", "--help"}, Mode::kHelp, "", ""},
      {{"--bogus", "--help"}, Mode::kMisused, "", "unknown option \"--bogus\""},
      {{"--check", "--graph", "a.lst"}, Mode::kMisused, "", "--check and --graph cannot be combined"},
      {{"--check"}, Mode::kMisused, "", "--check needs a scene script"},
      {{"--graph", "--"}, Mode::kMisused, "", "--graph needs a scene script"},
      {{"--preview", "a.lst"}, Mode::kPreview, "a.lst", ""},
      {{"--preview", "--port", "8080", "a.lst"}, Mode::kPreview, "a.lst", "", "8080"},
      {{"--port", "x", "--preview", "a.lst"}, Mode::kPreview, "a.lst", "", "x"},  // checked later
      {{"--preview", "--port"}, Mode::kMisused, "", "--port needs a port number"},
      {{"--preview", "--port", "1", "--port", "2", "a"}, Mode::kMisused, "", "--port is given twice"},
      {{"--check", "--port", "1", "a.lst"}, Mode::kMisused, "", "--port goes with --preview"},
      {{"--port", "1", "a.lst"}, Mode::kMisused, "", "--port goes with --preview"},
      {{"--preview", "--check", "a.lst"}, Mode::kMisused, "", "--preview and --check cannot be combined"},
      {{"--check", "--site", "/srv/www", "a.lst"}, Mode::kCheck, "a.lst", "", "", "/srv/www"},
      {{"--site", "My Site", "--preview", "a"}, Mode::kPreview, "a", "", "", "My Site"},
      {{"--site", "s", "a.lst"}, Mode::kMisused, "", "--site goes with --check or --preview"},
      {{"--graph", "--site", "s", "a"}, Mode::kMisused, "", "--site goes with --check or --preview"},
      {{"--check", "--site"}, Mode::kMisused, "", "--site needs a folder"},
      {{"--check", "--site", "", "a"}, Mode::kMisused, "", "--site needs a folder"},
      {{"--check", "--site", "a", "--site", "b", "c"}, Mode::kMisused, "", "--site is given twice"},
  };
  for (const OptionCase& c : cases) {
    std::vector<const char*> argv = {"tourwright"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    std::string shown;
    for (const char* argument : c.arguments) shown += std::string(argument) + " ";
    EXPECT_EQ(line.mode, c.mode) << shown;
    EXPECT_EQ(line.script, c.script) << shown;
    EXPECT_EQ(line.problem, c.problem) << shown;
    EXPECT_EQ(line.port, c.port) << shown;
    EXPECT_EQ(line.site, c.site) << shown;
  }
}

}  // namespace
}  // namespace tourwright
