// The by-name interface: variables, properties, children and computed names.

#include <gtest/gtest.h>

#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/text_element.h"

namespace scene {
namespace {

using script::Value;
using script::VKind;

// A root whose language file holds TITLE.
class LangRoot : public TQZDB {
 public:
  std::string LookupText(const std::string& address) override {
    return address == "TITLE" ? "Welcome" : std::string();
  }
};

struct Tree {
  LangRoot root;
  TQZScreen* screen;
  TQZImage* door;
  TQZImage* knob;
  TQZText* text;
  Tree() {
    screen = static_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
    screen->SetId("Hall");
    door = static_cast<TQZImage*>(screen->CreateChild("TQZImage"));
    door->SetId("Door");
    knob = static_cast<TQZImage*>(door->CreateChild("TQZImage"));
    knob->SetId("Knob");
    text = static_cast<TQZText*>(screen->CreateChild("TQZText"));
    text->SetId("Caption");
  }
  Value Get(TQZElement& e, const std::string& name) {
    Value v;
    EXPECT_TRUE(e.GetValue(name, v)) << name;
    return v;
  }
};

TEST(GetValue, PropertiesInAnyCaseWithTheirKinds) {
  Tree t;
  t.door->rX = 12.5;
  t.door->SetScale(1.5);
  Value v = t.Get(*t.door, "X");
  EXPECT_EQ(v.kind, VKind::Integer);
  EXPECT_EQ(v.i, 12);
  v = t.Get(*t.door, "SCALE");
  EXPECT_EQ(v.kind, VKind::Real);
  EXPECT_DOUBLE_EQ(v.d, 1.5);
  v = t.Get(*t.door, "hxcolor");
  EXPECT_EQ(v.i, 0xFFFFFF);
  v = t.Get(*t.door, "HXDRAWFX");
  EXPECT_EQ(v.kind, VKind::Integer);
  v = t.Get(*t.door, "VIS");
  EXPECT_EQ(v.i, 1);  // a published Boolean reads as 1
  v = t.Get(*t.door, "ID");
  EXPECT_EQ(v.kind, VKind::String);
  EXPECT_EQ(v.s, "Door");
}

TEST(GetValue, VariablesComeFirstThenPropertiesThenChildren) {
  Tree t;
  t.door->Vars = std::make_unique<script::TVarList>();
  t.door->Vars->Append({"X", Value::String("shadow")});
  t.door->Vars->Append({"N", Value::Integer(5)});
  EXPECT_EQ(t.Get(*t.door, "X").s, "shadow");
  EXPECT_EQ(t.Get(*t.door, "N").i, 5);
  Value v;
  EXPECT_FALSE(t.door->GetValue("n", v));  // variables match exactly
  v = t.Get(*t.door, "KNOB");
  EXPECT_EQ(v.kind, VKind::LongWord);
  EXPECT_EQ(TQZElement::FromHandle(static_cast<uint32_t>(v.i)), t.knob);
  EXPECT_FALSE(t.screen->GetValue("KNOB", v));  // grandchildren are not names
}

TEST(GetValue, ComputedNames) {
  Tree t;
  auto ref = [](const Value& v) { return TQZElement::FromHandle(static_cast<uint32_t>(v.i)); };
  EXPECT_EQ(t.Get(*t.door, "NIL").i, 0);
  EXPECT_EQ(ref(t.Get(*t.door, "SELF")), t.door);
  EXPECT_EQ(t.Get(*t.door, "CLASS").s, "TQZIMAGE");
  EXPECT_EQ(ref(t.Get(*t.knob, "PARENT")), t.door);
  EXPECT_EQ(ref(t.Get(*t.knob, "QZDB")), &t.root);
  EXPECT_EQ(t.Get(*t.screen, "CHILDCOUNT").i, 2);
  EXPECT_EQ(t.Get(*t.text, "PARPOS").i, 2);
  EXPECT_EQ(ref(t.Get(*t.screen, "CHILD[2]")), t.text);
  EXPECT_EQ(ref(t.Get(*t.screen, "CHILD1")), t.door);
  EXPECT_EQ(t.Get(*t.door, "CHILD[2]").i, 0);  // one child: none
  EXPECT_EQ(t.Get(*t.door, "CHILD2").i, 0);
  EXPECT_EQ(t.Get(*t.door, "CHILD[0]").i, 0);
  Value v;
  EXPECT_FALSE(t.door->GetValue("CHILD[X]", v));  // not a number: not a name
  EXPECT_FALSE(t.root.GetValue("PARENT", v));     // the root has no parent name
  EXPECT_FALSE(t.root.GetValue("PARPOS", v));
  EXPECT_FALSE(t.door->GetValue("FOO", v));
  t.screen->rX = 10;
  t.door->rX = 5;
  t.knob->rX = 1;
  EXPECT_EQ(t.Get(*t.knob, "ABSX").i, 16);
  EXPECT_EQ(t.Get(*t.text, "SZX").i, 100);
}

TEST(GetValue, NowVisLooksUpToTheScreen) {
  Tree t;
  auto nowVis = [&](TQZElement& e) { return t.Get(e, "NOWVIS").i != 0; };
  EXPECT_TRUE(nowVis(*t.knob));
  t.door->Vis = false;
  EXPECT_FALSE(nowVis(*t.knob));
  t.door->Vis = true;
  t.screen->Vis = false;  // the screen itself is not counted
  EXPECT_TRUE(nowVis(*t.knob));
  EXPECT_TRUE(nowVis(*t.screen));
}

TEST(SetValue, ConversionsTextKeysAndPositions) {
  Tree t;
  EXPECT_TRUE(t.door->SetValue("ANIM", Value::String("Door")));
  EXPECT_EQ(t.door->Anim, 0);  // not a number: 0
  t.door->SetValue("ANIM", Value::String("$10"));
  EXPECT_EQ(t.door->Anim, 16);
  t.door->SetValue("ANIM", Value::String("42"));
  EXPECT_EQ(t.door->Anim, 42);
  t.door->SetValue("ANIM", Value::Real(2.5));
  EXPECT_EQ(t.door->Anim, 2);
  t.door->SetValue("HXTRANS", Value::Integer(128));
  EXPECT_EQ(t.door->Colour, 0x80FFFFFFu);
  t.door->SetValue("hxColor", Value::Integer(0x123456));
  EXPECT_EQ(t.door->Colour, 0x80123456u);  // opacity kept
  t.door->SetValue("SCALE", Value::Real(1.0004));
  EXPECT_DOUBLE_EQ(t.door->Scale(), 1.0);
  t.door->SetValue("VIS", Value::Boolean(false));
  EXPECT_FALSE(t.door->Vis);
  t.door->SetValue("ID", Value::Integer(7));
  EXPECT_EQ(t.door->Id, "7");

  // A quoted string is a language key; a missing key keeps the quoted text.
  t.text->SetValue("TEXT", Value::String("\"TITLE\""));
  EXPECT_EQ(t.text->Text(), "Welcome");
  t.text->SetValue("TEXT", Value::String("\"NOPE\""));
  EXPECT_EQ(t.text->Text(), "\"NOPE\"");

  t.screen->rX = 100;
  EXPECT_TRUE(t.door->SetValue("ABSX", Value::Integer(150)));
  EXPECT_DOUBLE_EQ(t.door->rX, 50);
  EXPECT_FALSE(t.door->SetValue("NOSUCH", Value::Integer(1)));
}

TEST(SetValue, ExistingVariablesOnlyNeverCreated) {
  Tree t;
  EXPECT_FALSE(t.door->SetValue("N", Value::Integer(1)));  // no Vars yet
  t.door->Vars = std::make_unique<script::TVarList>();
  EXPECT_FALSE(t.door->SetValue("N", Value::Integer(1)));
  EXPECT_EQ(t.door->Vars->Count(), 0u);
  t.door->Vars->Append({"N", Value::Integer(1)});
  EXPECT_TRUE(t.door->SetValue("N", Value::Integer(9)));
  EXPECT_EQ(t.door->Vars->At(0).value.i, 9);
  // A variable named like a property shadows it for writes too.
  t.door->Vars->Append({"ANIM", Value::Integer(0)});
  t.door->SetValue("ANIM", Value::Integer(5));
  EXPECT_EQ(t.door->Anim, 0);
}

}  // namespace
}  // namespace scene
