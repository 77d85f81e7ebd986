#pragma once
// Test harness for the natives: script snippets run by a real interpreter
// with the runtime library registered, and tables of expected values or
// expected error messages.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/pascalc.h"

namespace scriptlib_test {

// A host without elements that keeps the diagnostic lines.
class LogHost : public script::ScriptHost {
 public:
  std::vector<std::string> log;
  bool LogEnabled() override { return true; }
  void WriteLogLine(const std::string& line) override { log.push_back(line); }
};

struct Outcome {
  bool ok = false;
  std::string message;                // the interpreter's error message
  std::vector<std::string> log;       // diagnostic lines
  script::TVarList vars;              // the variables after the run
  // "Kind:text" of a variable, or "<none>".
  std::string Var(const std::string& name) const;
};

// "Kind:text": reals in the general 15-digit form, dates as "dd.mm.yyyy hh:nn:ss".
std::string Show(const script::Value& v);

// Runs source with RunSource on a fresh interpreter with the natives
// registered; the quiet lookup flag is cleared first.
Outcome RunSnippet(const std::string& source);

struct ValueRow {
  std::string source;
  std::string name;
  std::string expected;  // "Kind:text" or "<none>"
};
struct ErrorRow {
  std::string source;
  std::string message;
};

void CheckValues(const std::vector<ValueRow>& rows);
void CheckErrors(const std::vector<ErrorRow>& rows);

}  // namespace scriptlib_test
