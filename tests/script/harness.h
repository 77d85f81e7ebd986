#pragma once
// Test harness for the interpreter: a small fake element tree as the host,
// test natives, and Run(), which runs a snippet twice (cache on and cache off,
// each on a fresh interpreter and host) and requires the same outcome from
// both: values, errors and log lines.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "script/pascalc.h"

namespace script_test {

using script::Value;
using script::VKind;

struct FakeElement {
  std::string id;  // upper case
  uint32_t parent = 0;
  std::vector<uint32_t> children;
  std::map<std::string, Value> props;
};

class FakeHost : public script::ScriptHost {
 public:
  std::map<uint32_t, FakeElement> elements;
  uint32_t current = 0;
  uint32_t root = 0;
  bool logEnabled = true;
  std::vector<std::string> log;
  std::map<std::string, std::string> texts;  // text keys
  std::map<std::string, std::string> files;  // USES / INCLUDE files by name
  std::string label = "Test";

  // Adds an element; the first one added is the root.
  uint32_t Add(const std::string& id, uint32_t parent = 0) {
    uint32_t h = 1000 + static_cast<uint32_t>(elements.size());
    elements[h].id = id;
    elements[h].parent = parent;
    if (parent) elements[parent].children.push_back(h);
    if (!root) root = h;
    return h;
  }

  uint32_t CurrentElement() override { return current; }
  bool IsElement(uint32_t h) override { return elements.count(h) > 0; }
  uint32_t ParentOf(uint32_t h) override {
    auto it = elements.find(h);
    return it == elements.end() ? 0 : it->second.parent;
  }
  uint32_t RootElement() override { return root; }
  bool GetValue(uint32_t h, const std::string& name, Value& out) override {
    auto it = elements.find(h);
    if (it == elements.end()) return false;
    FakeElement& e = it->second;
    if (auto p = e.props.find(name); p != e.props.end()) return out = p->second, true;
    for (uint32_t c : e.children)
      if (elements[c].id == name) return out = Value::Ref(c), true;
    if (name == "SELF") return out = Value::Ref(h), true;
    if (name == "NIL") return out = Value::Ref(0), true;
    if (name == "QZDB") return out = Value::Ref(root), true;
    if (name == "PARENT" && e.parent) return out = Value::Ref(e.parent), true;
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
  std::string LookupText(const std::string& key) override {
    auto it = texts.find(key);
    return it == texts.end() ? std::string() : it->second;
  }
  bool LogEnabled() override { return logEnabled; }
  void WriteLogLine(const std::string& line) override { log.push_back(line); }
  std::string ElementDescription() override {
    return current ? elements[current].id + " <TFake>" : std::string();
  }
  std::string EventLabel() override { return label; }
  bool ReadScriptFile(const std::string& name, std::string& content, std::string& key,
                      int& osError) override {
    auto it = files.find(name);
    if (it == files.end()) {
      osError = ENOENT;
      return false;
    }
    content = it->second;
    key = name;
    return true;
  }
};

// Natives used by the tests:
//   INC(VAR n [, k])  n := n + k (1)         NOW            the Real 1.5
//   NOPE              always fails           BOOM(...)      throws ScriptError("boom")
//   CAT(a, b, ...)    texts joined           SIDE(x)        appends x to a trace, returns x
//   KIND(x)           the kind name of x     SETVAR(VAR v, x) sets v (fails without VAR)
//   EXEC(text)        runs text on the calling interpreter (its variables and errors)
//   MAKE(name, x)     sets or creates the variable name as a host does
//   OOM(...)          throws std::bad_alloc, as an allocation that fails
void RegisterTestNatives(script::TPasCalc& calc, std::vector<std::string>* trace);

struct Outcome {
  bool ok = false;
  int code = 0;
  std::string message;
  std::string text;
  std::vector<std::string> vars;  // "NAME=Kind:text", in list order
  std::vector<std::string> log;
  std::vector<std::string> trace;
  std::map<uint32_t, std::map<std::string, std::string>> props;

  bool operator==(const Outcome& o) const {
    return ok == o.ok && code == o.code && message == o.message && text == o.text &&
           vars == o.vars && log == o.log && trace == o.trace && props == o.props;
  }
  // "Kind:text" of a variable, or "<none>".
  std::string Var(const std::string& name) const;
};

std::string Show(const Value& v);
std::ostream& operator<<(std::ostream& os, const Outcome& o);

using HostSetup = std::function<void(FakeHost&, script::TPasCalc&)>;

// Runs source with RunSource on a fresh interpreter and host, with the cache
// on or off.
Outcome RunOnce(const std::string& source, bool cache, const HostSetup& setup = {});
// Both ways; fails the test when they differ. Returns the outcome.
Outcome RunBoth(const std::string& source, const HostSetup& setup = {});

// A row of a value table: after running source, variable name holds expected ("Kind:text").
struct ValueRow {
  const char* source;
  const char* name;
  const char* expected;
};
// A row of an error table: running source stops with this code and message.
struct ErrorRow {
  std::string source;
  int code;
  std::string message;
};

void CheckValues(const std::vector<ValueRow>& rows, const HostSetup& setup = {});
void CheckErrors(const std::vector<ErrorRow>& rows, const HostSetup& setup = {});

// s, n times over (deeply nested and long texts).
std::string Repeat(const std::string& s, int n);

}  // namespace script_test
