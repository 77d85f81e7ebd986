// The element tree: registry, containment, layers, lookups, handles.

#include <gtest/gtest.h>

#include "scene/anim.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/text_element.h"

namespace scene {
namespace {

TEST(ClassRegistry, ElevenClassesInOrderWithTheirPropertyCounts) {
  RegisterAllClasses();
  const auto& classes = ClassRegistry::Instance().Classes();
  const std::vector<std::pair<std::string, size_t>> expected = {
      {"TQZDB", 37},     {"TQZScreen", 23}, {"TQZImage", 38},  {"TQZExScreen", 23},
      {"TQZAnim", 28},   {"TQZAnKey", 9},   {"TQZExAnim", 14}, {"TQZEffect", 18},
      {"TQZImList", 25}, {"TQZShape", 33},  {"TQZText", 44}};
  ASSERT_EQ(classes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(classes[i]->ClassName, expected[i].first);
    EXPECT_EQ(classes[i]->Props.size(), expected[i].second) << expected[i].first;
    // Every class starts with the five common properties.
    const char* common[] = {"Key", "Id", "X", "Y", "Vis"};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(classes[i]->Props[static_cast<size_t>(k)].Name, common[k]);
  }
  EXPECT_EQ(RegisteredClass("TQZImage").ShortName, "Image");
  // Spot checks of the published order and type letters.
  const auto& text = RegisteredClass("TQZText").Props;
  EXPECT_EQ(text[36].Name, "Text");
  EXPECT_EQ(text[43].Name, "Uni");
  EXPECT_EQ(static_cast<char>(text[7].Type), 'B');
  const auto& image = RegisteredClass("TQZImage").Props;
  EXPECT_EQ(image[9].Name, "Scale");
  EXPECT_EQ(static_cast<char>(image[9].Type), 'X');
  EXPECT_EQ(image[28].Name, "rX");
  EXPECT_EQ(static_cast<char>(image[28].Type), 'D');
  const auto& db = RegisteredClass("TQZDB").Props;
  EXPECT_EQ(db[36].Name, "Tag");
  EXPECT_EQ(db[16].Name, "hxTransLev");
}

TEST(Containment, FollowsTheTableAndClassNamesAreCaseSensitive) {
  TQZDB root;
  TQZElement* screen = root.CreateChild("TQZScreen");
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(root.CreateChild("TQZImage"), nullptr);     // images live on screens
  EXPECT_NE(root.CreateChild("TQZAnim"), nullptr);      // animations may sit under the root
  EXPECT_EQ(screen->CreateChild("tqzimage"), nullptr);  // wrong letter case
  EXPECT_EQ(screen->CreateChild("TQZDB"), nullptr);     // the root is never a child
  EXPECT_EQ(screen->CreateChild("TQZBogus"), nullptr);
  TQZElement* text = screen->CreateChild("TQZText");
  ASSERT_NE(text, nullptr);
  EXPECT_NE(text->CreateChild("TQZText"), nullptr);
  EXPECT_EQ(text->CreateChild("TQZImage"), nullptr);
  TQZElement* anim = screen->CreateChild("TQZAnim");
  TQZElement* key = anim->CreateChild("TQZAnKey");
  ASSERT_NE(key, nullptr);
  EXPECT_NE(key->CreateChild("TQZImage"), nullptr);
  EXPECT_EQ(key->CreateChild("TQZText"), nullptr);
  for (const char* leafless : {"TQZImList", "TQZExScreen", "TQZExAnim", "TQZEffect"}) {
    TQZElement* e = screen->CreateChild(leafless);
    ASSERT_NE(e, nullptr) << leafless;
    EXPECT_EQ(e->CreateChild("TQZImage"), nullptr) << leafless;
  }
}

TEST(Elements, CreationDefaults) {
  TQZDB root;
  EXPECT_FALSE(root.Vis);
  EXPECT_FALSE(root.MousedVis);
  EXPECT_EQ(root.Root(), &root);
  EXPECT_EQ(root.Parent(), nullptr);
  auto* screen = static_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
  EXPECT_TRUE(screen->Vis);
  EXPECT_TRUE(screen->MousedVis);
  EXPECT_TRUE(screen->MousedNotVis);
  EXPECT_TRUE(screen->AutoInit);
  EXPECT_EQ(screen->hxDrawFx, 1u);
  EXPECT_EQ(screen->Root(), &root);
  auto* image = static_cast<TQZImage*>(screen->CreateChild("TQZImage"));
  EXPECT_EQ(image->hxDrawFx, 0x504u);
  EXPECT_EQ(image->Colour, 0xFFFFFFFFu);
  EXPECT_DOUBLE_EQ(image->Scale(), 1.0);
  EXPECT_TRUE(image->Interpol);
  auto* text = static_cast<TQZText*>(screen->CreateChild("TQZText"));
  EXPECT_EQ(text->SizeX, 100);
  EXPECT_EQ(text->Colour2, 0u);
  EXPECT_DOUBLE_EQ(text->Scale, 1.0);
}

TEST(Layers, BoundsOnlyWidenAndPropagateUp) {
  TQZDB root;
  TQZElement* screen = root.CreateChild("TQZScreen");
  TQZElement* image = screen->CreateChild("TQZImage");
  TQZElement* inner = image->CreateChild("TQZImage");
  inner->SetOrder(5);
  EXPECT_EQ(screen->MinOrder, 0);
  EXPECT_EQ(screen->MaxOrder, 5);
  EXPECT_EQ(root.MaxOrder, 5);
  inner->SetOrder(2);
  EXPECT_EQ(inner->Order, 2);
  EXPECT_EQ(inner->MaxOrder, 5);  // lowering does not shrink the bounds
  EXPECT_EQ(root.MaxOrder, 5);
  TQZElement* low = screen->CreateChild("TQZShape");
  low->SetOrder(-3);
  EXPECT_EQ(root.MinOrder, -3);
  EXPECT_EQ(screen->MinOrder, -3);
  EXPECT_EQ(image->MinOrder, 0);  // a sibling's subtree is untouched
}

TEST(Positions, XAndYRoundHalvesToEven) {
  TQZDB root;
  TQZElement* screen = root.CreateChild("TQZScreen");
  screen->rX = 2.5;
  EXPECT_EQ(screen->X(), 2);
  screen->rX = 3.5;
  EXPECT_EQ(screen->X(), 4);
  screen->rY = -2.5;
  EXPECT_EQ(screen->Y(), -2);
  TQZElement* shape = screen->CreateChild("TQZShape");
  shape->rX = 10;
  screen->rX = 100;
  EXPECT_EQ(shape->GetAbsX(), 110);
  shape->SetAbsX(50);
  EXPECT_DOUBLE_EQ(shape->rX, -50);
  EXPECT_EQ(shape->GetAbsX(), 50);
}

TEST(Lookups, FindByKeyWithHintAndFindChildById) {
  TQZDB root;
  TQZElement* a = root.CreateChild("TQZScreen");
  a->SetKey(1);
  TQZElement* a1 = a->CreateChild("TQZImage");
  a1->SetKey(2);
  a1->SetId("Logo");
  TQZElement* a1x = a1->CreateChild("TQZImage");
  a1x->SetKey(3);
  a1x->SetId("Inner");
  TQZElement* a2 = a->CreateChild("TQZImage");
  a2->SetKey(4);
  TQZElement* b = root.CreateChild("TQZScreen");
  b->SetKey(5);

  TQZElement* hint = nullptr;
  EXPECT_EQ(root.FindByKey(3, &hint), a1x);
  EXPECT_EQ(hint, a2);  // the sibling after the subtree that held the match
  hint = nullptr;
  EXPECT_EQ(root.FindByKey(4, &hint), a2);
  EXPECT_EQ(hint, b);
  hint = nullptr;
  EXPECT_EQ(root.FindByKey(5, &hint), b);
  EXPECT_EQ(hint, nullptr);  // the last child leaves no hint
  EXPECT_EQ(root.FindByKey(99), nullptr);

  EXPECT_EQ(a->FindChildById("logo"), a1);
  EXPECT_EQ(a->FindChildById("LOGO"), a1);
  EXPECT_EQ(a->FindChildById("inner"), nullptr);  // grandchildren are not searched
}

TEST(Handles, NonzeroUniqueAndResolvable) {
  TQZDB root;
  TQZElement* s = root.CreateChild("TQZScreen");
  TQZElement* i = s->CreateChild("TQZImage");
  EXPECT_NE(root.Handle(), 0u);
  EXPECT_NE(s->Handle(), i->Handle());
  EXPECT_EQ(TQZElement::FromHandle(i->Handle()), i);
  EXPECT_EQ(TQZElement::FromHandle(0), nullptr);
  uint32_t gone;
  {
    TQZDB other;
    gone = other.CreateChild("TQZScreen")->Handle();
    EXPECT_NE(TQZElement::FromHandle(gone), nullptr);
  }
  EXPECT_EQ(TQZElement::FromHandle(gone), nullptr);  // a freed element's handle is never reused
}

TEST(HitTest, VisibilityRulesOfTheBaseClassGateChildren) {
  // A child that reports itself, to see whether the parent passes the pointer on.
  struct Probe : TQZElement {
    explicit Probe(TQZElement* p) : TQZElement(p) {
      BindClass(&RegisteredClass("TQZImage"));
    }
    TQZElement* HitTest(int32_t, int32_t, int32_t, int32_t, int32_t) override { return this; }
  };
  TQZDB root;
  TQZElement* screen = root.CreateChild("TQZScreen");
  TQZElement* holder = screen->CreateChild("TQZShape");
  auto* probe = new Probe(holder);
  EXPECT_EQ(holder->TQZElement::HitTest(0, 0, 0, 0, 0), probe);
  holder->Vis = false;
  EXPECT_EQ(holder->TQZElement::HitTest(0, 0, 0, 0, 0), nullptr);
  holder->MousedNotVis = true;  // invisible but still passing the pointer on
  EXPECT_EQ(holder->TQZElement::HitTest(0, 0, 0, 0, 0), probe);
  holder->Vis = true;
  holder->MousedVis = false;  // visible but switched off for the mouse
  EXPECT_EQ(holder->TQZElement::HitTest(0, 0, 0, 0, 0), nullptr);
  holder->MousedVis = true;
  EXPECT_EQ(holder->TQZElement::HitTest(7, 0, 0, 0, 0), nullptr);  // layer outside the bounds
}

}  // namespace
}  // namespace scene
