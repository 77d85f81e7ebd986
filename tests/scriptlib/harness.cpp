#include "harness.h"

#include "script/process_state.h"
#include "scriptlib/natives.h"

namespace scriptlib_test {

std::string Show(const script::Value& v) {
  return std::string(script::KindName(v.kind)) + ":" + v.ToText();
}

std::string Outcome::Var(const std::string& name) const {
  const script::TVar* v = vars.Find(name);
  return v ? Show(v->value) : "<none>";
}

Outcome RunSnippet(const std::string& source) {
  LogHost host;
  script::TPasCalc calc(&host);
  scriptlib::RegisterNatives(calc);
  script::ResetProcessState();
  Outcome o;
  o.ok = calc.RunSource(source);
  o.message = calc.ErrorMessage();
  o.log = host.log;
  o.vars = calc.Variables();
  return o;
}

void CheckValues(const std::vector<ValueRow>& rows) {
  for (const ValueRow& row : rows) {
    Outcome o = RunSnippet(row.source);
    EXPECT_TRUE(o.ok) << row.source << "\n  error: " << o.message;
    EXPECT_EQ(o.Var(row.name), row.expected) << row.source;
  }
}

void CheckErrors(const std::vector<ErrorRow>& rows) {
  for (const ErrorRow& row : rows) {
    Outcome o = RunSnippet(row.source);
    EXPECT_FALSE(o.ok) << row.source;
    EXPECT_EQ(o.message, row.message) << row.source;
  }
}

}  // namespace scriptlib_test
