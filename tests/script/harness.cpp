#include "harness.h"

#include <new>
#include <ostream>

namespace script_test {

using script::TPasCalc;
using script::TVar;
using script::TVarList;

std::string Show(const Value& v) {
  return std::string(script::KindName(v.kind)) + ":" + v.ToText();
}

std::string Outcome::Var(const std::string& name) const {
  for (const std::string& v : vars)
    if (v.compare(0, name.size() + 1, name + "=") == 0) return v.substr(name.size() + 1);
  return "<none>";
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << "ok=" << o.ok << " code=" << o.code << " message=[" << o.message << "] text=[" << o.text
     << "]\n";
  for (const auto& v : o.vars) os << "  var " << v << "\n";
  for (const auto& l : o.log) os << "  log " << l << "\n";
  for (const auto& t : o.trace) os << "  trace " << t << "\n";
  return os;
}

void RegisterTestNatives(TPasCalc& calc, std::vector<std::string>* trace) {
  calc.RegisterFunction("Inc", [](TPasCalc&, TVarList& args, TVar&) {
    if (args.Count() < 1 || args.Count() > 2) return false;
    int32_t n = 0, k = 1;
    if (!args.At(0).value.ToInteger(n)) return false;
    if (args.Count() == 2 && !args.At(1).value.ToInteger(k)) return false;
    args.At(0).value = Value::Integer(n + k);
    return true;
  });
  calc.RegisterFunction("Now", [](TPasCalc&, TVarList&, TVar& r) {
    r.value = Value::Real(1.5);
    return true;
  });
  calc.RegisterFunction("Nope", [](TPasCalc&, TVarList&, TVar&) { return false; });
  calc.RegisterFunction(
      "Boom", [](TPasCalc&, TVarList&, TVar&) -> bool { throw script::ScriptError("boom"); });
  calc.RegisterFunction("Cat", [](TPasCalc&, TVarList& args, TVar& r) {
    std::string s;
    for (const auto& a : args.Items()) s += a.value.ToText();
    r.value = Value::String(s);
    return true;
  });
  calc.RegisterFunction("Side", [trace](TPasCalc&, TVarList& args, TVar& r) {
    if (args.Count() != 1) return false;
    if (trace) trace->push_back(args.At(0).value.ToText());
    r.value = args.At(0).value;
    return true;
  });
  calc.RegisterFunction("Kind", [](TPasCalc&, TVarList& args, TVar& r) {
    if (args.Count() != 1) return false;
    r.value = Value::String(script::KindName(args.At(0).value.kind));
    return true;
  });
  calc.RegisterFunction("SetVar", [](TPasCalc&, TVarList& args, TVar&) {
    if (args.Count() != 2 || args.At(0).Name != "VAR") return false;
    args.At(0).value = args.At(1).value;
    return true;
  });
  calc.RegisterFunction("Exec", [](TPasCalc& c, TVarList& args, TVar& r) {
    if (args.Count() != 1) return false;
    c.RunSource(args.At(0).value.ToText());
    r.value = Value::Byte(0);
    return true;
  });
  calc.RegisterFunction("Make", [](TPasCalc& c, TVarList& args, TVar&) {
    if (args.Count() != 2) return false;
    return c.SetOrCreateVariable(TVar(args.At(0).value.ToText(), args.At(1).value));
  });
  calc.RegisterFunction("Oom", [](TPasCalc&, TVarList&, TVar&) -> bool { throw std::bad_alloc(); });
}

Outcome RunOnce(const std::string& source, bool cache, const HostSetup& setup) {
  FakeHost host;
  TPasCalc calc(&host);
  calc.SetCacheEnabled(cache);
  Outcome o;
  RegisterTestNatives(calc, &o.trace);
  if (setup) setup(host, calc);
  o.ok = calc.RunSource(source);
  o.code = calc.ErrorCode();
  o.message = calc.ErrorMessage();
  o.text = calc.ErrorText();
  for (const auto& v : calc.Variables().Items()) o.vars.push_back(v.Name + "=" + Show(v.value));
  o.log = host.log;
  for (auto& [h, e] : host.elements)
    for (auto& [name, value] : e.props) o.props[h][name] = Show(value);
  return o;
}

Outcome RunBoth(const std::string& source, const HostSetup& setup) {
  Outcome cached = RunOnce(source, true, setup);
  Outcome fresh = RunOnce(source, false, setup);
  EXPECT_EQ(cached, fresh) << "cache on and off differ for: " << source << "\n--- on:\n"
                           << cached << "--- off:\n"
                           << fresh;
  return cached;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

void CheckValues(const std::vector<ValueRow>& rows, const HostSetup& setup) {
  for (const ValueRow& r : rows) {
    Outcome o = RunBoth(r.source, setup);
    EXPECT_TRUE(o.ok) << r.source << "\n" << o;
    EXPECT_EQ(o.Var(r.name), r.expected) << r.source << "\n" << o;
  }
}

void CheckErrors(const std::vector<ErrorRow>& rows, const HostSetup& setup) {
  for (const ErrorRow& r : rows) {
    Outcome o = RunBoth(r.source, setup);
    EXPECT_FALSE(o.ok) << r.source;
    EXPECT_EQ(o.code, r.code) << r.source << "\n" << o;
    EXPECT_EQ(o.message, r.message) << r.source << "\n" << o;
  }
}

}  // namespace script_test
