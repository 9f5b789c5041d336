// Test helpers of the parser: one line parsed alone, and scripts parsed
// whole with a check of the model each gives.
#ifndef TOURWRIGHT_SCRIPT_PARSER_TEST_HELPERS_H_
#define TOURWRIGHT_SCRIPT_PARSER_TEST_HELPERS_H_

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/parser.h"
#include "script/script_test_data.h"
#include "test_support.h"

namespace tourwright {
namespace parser_test {

// One line, with or without its line feed.
inline LineReport parseLine(ScriptParse* parse, std::string line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  LineText text = lineTextOf(line.data(), line.size());
  return parseScriptLine(parse, &text);
}

struct ModelCase {
  const char* name;
  std::string script;
  std::function<void(const Tour&)> check;
};

inline void runModelCases(const std::vector<ModelCase>& cases) {
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Tour> tour = testing_support::parseScriptBytes(c.script);
    c.check(*tour);
  }
}

}  // namespace parser_test
}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_PARSER_TEST_HELPERS_H_
