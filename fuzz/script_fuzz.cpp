// Fuzz target for the script interpreter: any bytes are prepared and run
// against a small fake element tree with a statement budget, once with the
// cache on and once with it off; both must give the same values, errors and
// log lines. The prepared form of the input is run as well.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "script/element_path.h"
#include "script/pascalc.h"

namespace {

using script::TPasCalc;
using script::TVar;
using script::TVarList;
using script::Value;

struct Element {
  std::string id;
  uint32_t parent = 0;
  std::vector<uint32_t> children;
  std::map<std::string, Value> props;
};

class FuzzHost : public script::ScriptHost {
 public:
  std::map<uint32_t, Element> elements;
  std::vector<std::string> log;

  FuzzHost() {
    Add(1, "QZDB", 0);
    Add(2, "PANEL", 1);
    Add(3, "BUTTON", 2);
    elements[3].props["X"] = Value::Integer(5);
    elements[3].props["CAPTION"] = Value::String("\"TITLE\"");
    elements[2].props["X"] = Value::Real(1.5);
  }
  void Add(uint32_t h, const char* id, uint32_t parent) {
    elements[h].id = id;
    elements[h].parent = parent;
    if (parent) elements[parent].children.push_back(h);
  }
  uint32_t CurrentElement() override { return 3; }
  bool IsElement(uint32_t h) override { return elements.count(h) > 0; }
  uint32_t ParentOf(uint32_t h) override {
    auto it = elements.find(h);
    return it == elements.end() ? 0 : it->second.parent;
  }
  uint32_t RootElement() override { return 1; }
  bool GetValue(uint32_t h, const std::string& name, Value& out) override {
    auto it = elements.find(h);
    if (it == elements.end()) return false;
    if (auto p = it->second.props.find(name); p != it->second.props.end())
      return out = p->second, true;
    for (uint32_t c : it->second.children)
      if (elements[c].id == name) return out = Value::Ref(c), true;
    if (name == "SELF") return out = Value::Ref(h), true;
    if (name == "QZDB") return out = Value::Ref(1), true;
    return false;
  }
  bool SetValue(uint32_t h, const std::string& name, const Value& v) override {
    auto it = elements.find(h);
    if (it == elements.end()) return false;
    auto p = it->second.props.find(name);
    if (p == it->second.props.end()) return false;
    p->second = v;
    return true;
  }
  std::string LookupText(const std::string& key) override { return key == "TITLE" ? "Game" : ""; }
  bool LogEnabled() override { return true; }
  void WriteLogLine(const std::string& line) override {
    if (log.size() < 1000) log.push_back(line);
  }
  std::string ElementDescription() override { return "BUTTON <TFake>"; }
  std::string EventLabel() override { return "Fuzz"; }
  bool ReadScriptFile(const std::string& name, std::string& content, std::string& key,
                      int& osError) override {
    if (name == "lib.pas") {
      content = "function twice(n); begin result := n * 2 end; include 'lib.pas';";
      key = name;
      return true;
    }
    osError = 2;
    return false;
  }
};

void Register(TPasCalc& calc) {
  calc.RegisterFunction("Inc", [](TPasCalc&, TVarList& args, TVar&) {
    int32_t n = 0;
    if (args.Count() != 1 || !args.At(0).value.ToInteger(n) || n == INT32_MAX) return false;
    args.At(0).value = Value::Integer(n + 1);
    return true;
  });
  calc.RegisterFunction("Cat", [](TPasCalc&, TVarList& args, TVar& r) {
    std::string s;
    for (const auto& a : args.Items()) s += a.value.ToText().substr(0, 64);
    r.value = Value::String(s);
    return true;
  });
  calc.RegisterFunction(
      "Boom", [](TPasCalc&, TVarList&, TVar&) -> bool { throw script::ScriptError("boom"); });
  calc.RegisterFunction("Exec", [](TPasCalc& c, TVarList& args, TVar&) {
    if (args.Count() != 1) return false;
    c.RunSource(args.At(0).value.ToText());
    return true;
  });
}

std::string Outcome(const std::string& text, bool cache) {
  FuzzHost host;
  TPasCalc calc(&host);
  calc.SetCacheEnabled(cache);
  calc.SetStatementBudget(20000);
  Register(calc);
  std::string out;
  for (int run = 0; run < 2; ++run) {
    calc.ClearVariables();
    bool ok = calc.RunSource(text);
    out += std::to_string(ok) + "|" + std::to_string(calc.ErrorCode()) + "|" + calc.ErrorMessage() +
           "|" + calc.ErrorText() + "\n";
    for (const auto& v : calc.Variables().Items())
      out += v.Name + "=" + script::KindName(v.value.kind) + ":" + v.value.ToText().substr(0, 200) +
             "\n";
  }
  calc.RunPrepared(text);
  out += std::to_string(calc.ErrorCode()) + "|" + calc.ErrorMessage() + "\n";
  for (const auto& l : host.log) out += l.substr(0, 300) + "\n";
  for (auto& [h, e] : host.elements)
    for (auto& [name, value] : e.props) out += name + "=" + value.ToText().substr(0, 200) + "\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  script::SetQuietLookup(size > 0 && data[0] == 'Q');
  std::string cached = Outcome(text, true);
  std::string fresh = Outcome(text, false);
  script::SetQuietLookup(false);
  if (cached != fresh) {
    std::fprintf(stderr, "cache on and off differ\n--- on:\n%s--- off:\n%s", cached.c_str(),
                 fresh.c_str());
    std::abort();
  }
  return 0;
}
