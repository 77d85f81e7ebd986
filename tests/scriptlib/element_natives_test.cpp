// Element natives from scripts: unusable arguments, events on demand, focus,
// ToFront, MoveTo, image lists, the exact-class rules of the animation
// natives, ProcEf, and GetAlpha/GetPixel.

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "platform/random.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/effect_element.h"
#include "scene/effect_params.h"
#include "scene/im_list.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/shape_element.h"
#include "scene/text_element.h"
#include "support/test_support.h"

namespace scriptlib_test {
namespace {

using scene::Ev;

// A class derived from TQZAnim: the animation natives act on exactly
// TQZAnim and leave it alone.
class DerivedAnim final : public scene::TQZAnim {
 public:
  using TQZAnim::TQZAnim;
};

scene::TEffectParams Sparks() {
  scene::TEffectParams p;
  p.Rate = 30;
  p.Duration = 100;
  p.LifeA = p.LifeB = 50;
  p.SizeStart = p.SizeMid = p.SizeEnd = 1;
  p.ColourStart = p.ColourMid = p.ColourEnd = 0xFFFFFFFF;
  p.MidFraction = 0.5f;
  return p;
}

class ElementNativesGame : public ElementGame {
 protected:
  void SetUp() override {
    ElementGame::SetUp();
    root_.SetParticleManager(std::make_unique<scene::TXParticleManager>(&canvas_));
    auto block = scene::EncodeEffectParams(Sparks());
    testing_support::WriteFile(game_.Path() / "sparks.eff",
                               std::string(reinterpret_cast<const char*>(block.data()), block.size()));
    hall_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Hall", 10);
    door_ = Add<scene::TQZImage>(hall_, "TQZImage", "Door", 11);
    box_ = Add<scene::TQZShape>(hall_, "TQZShape", "Box", 12);
    edit_ = Add<scene::TQZText>(hall_, "TQZText", "Edit", 13);
    list_ = Add<scene::TQZImList>(hall_, "TQZImList", "List", 14);
    anim_ = Add<scene::TQZAnim>(hall_, "TQZAnim", "Anim", 15);
    fx_ = Add<scene::TQZEffect>(hall_, "TQZEffect", "Fx", 16);
    derived_ = new DerivedAnim(hall_);
    derived_->SetId("Derived");
    derived_->SetKey(17);
    // Two keys of 5 and 3 frames: 8 frames.
    auto* k1 = Add<scene::TQZAnKey>(anim_, "TQZAnKey", "K1", 18);
    auto* k2 = Add<scene::TQZAnKey>(anim_, "TQZAnKey", "K2", 19);
    k1->SetCount(4);
    k2->SetCount(2);
    fx_->DAnim = 1;
    fx_->SetEffectFN("sparks.eff");
  }

  scene::TQZScreen* hall_ = nullptr;
  scene::TQZImage* door_ = nullptr;
  scene::TQZShape* box_ = nullptr;
  scene::TQZText* edit_ = nullptr;
  scene::TQZImList* list_ = nullptr;
  scene::TQZAnim* anim_ = nullptr;
  scene::TQZEffect* fx_ = nullptr;
  DerivedAnim* derived_ = nullptr;
};

// Every native of the element group, given no element, a number, a text or
// the none reference, does nothing and lets the script go on.
TEST_F(ElementNativesGame, UnusableArgumentsDoNothingAndSucceed) {
  for (const char* name : {"Update", "Process", "MsDown", "MsMove", "Init", "Show", "SetFocus",
                           "ToFront", "AnimStart", "AnimStop", "AnimBreak", "AnimPlay",
                           "SetScreen", "FastSetScreen", "FastSetScreenNS"}) {
    for (const char* args : {"", "(5)", "('Hall')", "(NIL)", "(QZDB.HALL.DOOR.X)"}) {
      const std::string call = std::string(name) + args;
      EXPECT_EQ(Run(call + "; OK := 1"), "") << call;
      EXPECT_EQ(Var("OK"), "Integer:1") << call;
    }
  }
  for (const char* call : {"ListAdd(QZDB.HALL.LIST)", "ListAdd(5, QZDB.HALL.DOOR)",
                           "ListAdd(QZDB.HALL.LIST, 'Door')", "ListDel(QZDB.HALL.LIST)",
                           "ListDel('List', 'Door')", "ListDel(QZDB.HALL.LIST, 3.5)",
                           "MoveTo(QZDB.HALL.DOOR, 1)", "ProcEf(QZDB.HALL.FX)",
                           "GetAlpha(QZDB.HALL.DOOR)", "GetPixel(5, 1, 1)"}) {
    EXPECT_EQ(Run(std::string(call) + "; OK := 2"), "") << call;
    EXPECT_EQ(Var("OK"), "Integer:2") << call;
  }
  EXPECT_EQ(root_.CurrentScreen(), nullptr);
  EXPECT_FALSE(scene::IsLoading());
  EXPECT_TRUE(list_->Entries.empty());
  EXPECT_EQ(hall_->Children().back(), derived_);
  EXPECT_FALSE(anim_->Active);
  EXPECT_EQ(root_.FocusedText(), nullptr);
}

// Update, Process, MsDown, MsMove, Init and Show run the element's events.
TEST_F(ElementNativesGame, EventNativesRunTheElementsEvents) {
  Script(door_, Ev::Update, ".TAG := .TAG + 'u'");
  Script(door_, Ev::Process, ".TAG := .TAG + 'p'");
  Script(door_, Ev::MouseDown, ".TAG := .TAG + 'd'");
  Script(door_, Ev::MouseMove, ".TAG := .TAG + 'm'");
  Script(door_, Ev::Init, "N := 5; .TAG := .TAG + 'i'");
  Script(hall_, Ev::Show, "TAG := TAG + 's'");
  ASSERT_EQ(Run("Update(QZDB.HALL.DOOR); Process(QZDB.HALL.DOOR); MsDown(QZDB.HALL.DOOR);"
                " MsMove(QZDB.HALL.DOOR); Init(QZDB.HALL.DOOR); Show(QZDB.HALL)"),
            "");
  EXPECT_EQ(hall_->Tag, "updmis");
  // Init gives the element a fresh variable list from its exInit.
  ASSERT_NE(door_->Vars, nullptr);
  EXPECT_NE(door_->Vars->Find("N"), nullptr);
  // Extra arguments are ignored.
  ASSERT_EQ(Run("Update(QZDB.HALL.DOOR, 1, 2)"), "");
  EXPECT_EQ(hall_->Tag, "updmisu");
}

TEST_F(ElementNativesGame, SetFocusTakesTextElementsOnly) {
  ASSERT_EQ(Run("SetFocus(QZDB.HALL.DOOR)"), "");
  EXPECT_EQ(root_.FocusedText(), nullptr);
  ASSERT_EQ(Run("SetFocus(QZDB.HALL.EDIT)"), "");
  EXPECT_EQ(root_.FocusedText(), edit_);
  ASSERT_EQ(Run("SetFocus(QZDB.HALL.BOX)"), "");
  EXPECT_EQ(root_.FocusedText(), edit_);
}

// ToFront moves an element to the end of its parent's children; the last
// child and the root stay where they are.
TEST_F(ElementNativesGame, ToFrontReordersWithinTheParent) {
  ASSERT_EQ(Run("ToFront(QZDB.HALL.DOOR)"), "");
  std::vector<scene::TQZElement*> expected = {box_, edit_, list_, anim_, fx_, derived_, door_};
  EXPECT_EQ(hall_->Children(), expected);
  ASSERT_EQ(Run("ToFront(QZDB.HALL.DOOR)"), "");
  EXPECT_EQ(hall_->Children(), expected);
  ASSERT_EQ(Run("ToFront(QZDB)"), "");
  EXPECT_EQ(root_.Children().front(), hall_);
  EXPECT_EQ(Run("ToFront(QZDB.HALL.EDIT); N := QZDB.HALL.EDIT.PARPOS"), "");
  EXPECT_EQ(Var("N"), "Integer:7");
}

TEST_F(ElementNativesGame, MoveToSetsThePositionAndMovesAnEmitter) {
  ASSERT_EQ(Run("R := MoveTo(QZDB.HALL.DOOR, 10.5, -3)"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
  EXPECT_EQ(door_->rX, 10.0);  // as Integer: halves to even
  EXPECT_EQ(door_->rY, -3.0);
  ASSERT_EQ(Run("R := MoveTo(QZDB.HALL.FX, 40, 50)"), "");
  EXPECT_EQ(fx_->System()->PosX, 40.0f);
  EXPECT_EQ(fx_->System()->PosY, 50.0f);
  // A coordinate that does not convert moves nothing; the result is still set.
  ASSERT_EQ(Run("R := MoveTo(QZDB.HALL.DOOR, 'x', 1)"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
  EXPECT_EQ(door_->rX, 10.0);
  // A wrong count or a first argument that is no reference leaves the result untouched.
  ASSERT_EQ(Run("R := MoveTo(QZDB.HALL.DOOR, 1)"), "");
  EXPECT_EQ(Var("R"), "Empty:");
  ASSERT_EQ(Run("R := MoveTo(11, 1, 1)"), "");
  EXPECT_EQ(Var("R"), "Empty:");
  // A reference that is no element still gives the Byte 0.
  ASSERT_EQ(Run("R := MoveTo(NIL, 1, 1)"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
}

// Lists take exactly image elements; ListDel by name removes the first entry
// whose image's Id matches exactly, letter case counting.
TEST_F(ElementNativesGame, ListAddAndListDel) {
  auto* ring = Add<scene::TQZImage>(hall_, "TQZImage", "Ring", 20);
  ASSERT_EQ(Run("ListAdd(QZDB.HALL.LIST, QZDB.HALL.DOOR); ListAdd(QZDB.HALL.LIST, QZDB.HALL.RING);"
                " ListAdd(QZDB.HALL.LIST, QZDB.HALL.DOOR); ListAdd(QZDB.HALL.LIST, QZDB.HALL.BOX);"
                " ListAdd(QZDB.HALL.DOOR, QZDB.HALL.RING)"),
            "");
  EXPECT_EQ(list_->ElementsText(), "11;20;11;");
  ASSERT_EQ(Run("ListDel(QZDB.HALL.LIST, 'door')"), "");
  EXPECT_EQ(list_->ElementsText(), "11;20;11;");
  ASSERT_EQ(Run("ListDel(QZDB.HALL.LIST, 'Door')"), "");
  EXPECT_EQ(list_->ElementsText(), "20;11;");
  ASSERT_EQ(Run("ListDel(QZDB.HALL.LIST, QZDB.HALL.RING); ListDel(QZDB.HALL.LIST, QZDB.HALL.BOX)"), "");
  EXPECT_EQ(list_->ElementsText(), "11;");
  ASSERT_EQ(Run("ListDel(QZDB.HALL.LIST, 'Ring'); ListDel(QZDB.HALL.LIST, QZDB.HALL.DOOR)"), "");
  EXPECT_EQ(list_->ElementsText(), "");
  (void)ring;
}

// AnimStart and AnimPlay act on exactly TQZAnim; AnimStop and AnimBreak on
// exactly TQZEffect.
TEST_F(ElementNativesGame, AnimationNativesFollowTheExactClass) {
  Script(anim_, Ev::Init, "");
  anim_->SetScriptText(anim_->exStart, ".TAG := .TAG + 'a'");
  derived_->SetScriptText(derived_->exStart, ".TAG := .TAG + 'D'");
  anim_->Vis = false;
  anim_->SetPosValue(3);
  ASSERT_EQ(anim_->FrameCount(), 8);

  ASSERT_EQ(Run("AnimStop(QZDB.HALL.ANIM); AnimBreak(QZDB.HALL.ANIM)"), "");
  EXPECT_FALSE(anim_->Active);
  EXPECT_EQ(anim_->Pos, 3);

  ASSERT_EQ(Run("AnimStart(QZDB.HALL.DERIVED); AnimPlay(QZDB.HALL.DERIVED)"), "");
  EXPECT_FALSE(derived_->Active);
  EXPECT_EQ(hall_->Tag, "");

  ASSERT_EQ(Run("AnimStart(QZDB.HALL.ANIM)"), "");
  EXPECT_TRUE(anim_->Active);
  EXPECT_TRUE(anim_->Vis);
  EXPECT_EQ(anim_->Pos, 0);
  EXPECT_EQ(hall_->Tag, "a");

  // AnimPlay resumes where the animation stands, from 0 at the last frame,
  // without exStart.
  anim_->Active = false;
  anim_->Vis = false;
  anim_->SetPosValue(5);
  ASSERT_EQ(Run("AnimPlay(QZDB.HALL.ANIM)"), "");
  EXPECT_TRUE(anim_->Active);
  EXPECT_TRUE(anim_->Vis);
  EXPECT_EQ(anim_->Pos, 5);
  anim_->SetPosValue(7);
  ASSERT_EQ(Run("AnimPlay(QZDB.HALL.ANIM)"), "");
  EXPECT_EQ(anim_->Pos, 0);
  EXPECT_EQ(hall_->Tag, "a");
}

TEST_F(ElementNativesGame, EffectStartStopBreak) {
  fx_->SetScriptText(fx_->exStart, ".TAG := .TAG + 'e'");
  ASSERT_EQ(Run("AnimPlay(QZDB.HALL.FX)"), "");
  EXPECT_FALSE(fx_->Active());
  ASSERT_EQ(Run("AnimStart(QZDB.HALL.FX)"), "");
  EXPECT_TRUE(fx_->Active());
  EXPECT_TRUE(fx_->System()->Emitting());
  EXPECT_EQ(hall_->Tag, "e");
  for (int i = 0; i < 10; ++i) fx_->DoProcess();
  const int32_t live = fx_->System()->Count();
  ASSERT_GT(live, 0);
  // Stop: emission ends, the particles live on.
  ASSERT_EQ(Run("AnimStop(QZDB.HALL.FX)"), "");
  EXPECT_FALSE(fx_->Active());
  EXPECT_FALSE(fx_->System()->Emitting());
  EXPECT_EQ(fx_->System()->Count(), live);
  // Break: they vanish at once.
  ASSERT_EQ(Run("AnimStart(QZDB.HALL.FX); AnimBreak(QZDB.HALL.FX)"), "");
  EXPECT_FALSE(fx_->Active());
  EXPECT_EQ(fx_->System()->Count(), 0);
  EXPECT_EQ(hall_->Tag, "ee");
}

// ProcEf(effect, 1) is the step of one process pass; other amounts scale it.
TEST_F(ElementNativesGame, ProcEfAdvancesAnEffectByHand) {
  auto* twin = Add<scene::TQZEffect>(hall_, "TQZEffect", "Twin", 21);
  twin->DAnim = 1;
  twin->SetEffectFN("sparks.eff");
  fx_->SetActive(true);
  twin->SetActive(true);
  for (int i = 0; i < 6; ++i) {
    platform::GlobalRandom().Seed(100 + i);
    twin->DoProcess();
    platform::GlobalRandom().Seed(100 + i);
    ASSERT_EQ(Run("R := ProcEf(QZDB.HALL.FX, 1)"), "");
  }
  EXPECT_EQ(Var("R"), "Byte:0");
  EXPECT_EQ(fx_->System()->Count(), twin->System()->Count());
  EXPECT_EQ(fx_->System()->EmitTime(), twin->System()->EmitTime());
  // Three passes' worth in one call: 30 particles per time unit, dt 0.1.
  const int32_t before = fx_->System()->Count();
  ASSERT_EQ(Run("ProcEf(QZDB.HALL.FX, 3)"), "");
  EXPECT_EQ(fx_->System()->Count(), before + 3);
  // A text amount goes through script arithmetic; one that is no number does nothing.
  ASSERT_EQ(Run("ProcEf(QZDB.HALL.FX, '3')"), "");
  EXPECT_EQ(fx_->System()->Count(), before + 6);
  ASSERT_EQ(Run("R := ProcEf(QZDB.HALL.FX, 'many')"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
  EXPECT_EQ(fx_->System()->Count(), before + 6);
  // Not an effect: the Byte 0 and nothing else.
  ASSERT_EQ(Run("R := ProcEf(QZDB.HALL.DOOR, 1)"), "");
  EXPECT_EQ(Var("R"), "Byte:0");
}

// Texels of the texture numbered by Anim, in pattern coordinates; 0 outside
// the pattern; the Byte 0 for shapes and images without a picture.
TEST_F(ElementNativesGame, GetAlphaAndGetPixel) {
  // Two 2 x 2 patterns side by side.
  Png("pair.png", 4, 2, [](int x, int y) {
    return static_cast<uint32_t>(((x * 40 + y * 10 + 5) << 24) | (x << 16) | (y << 8) | 0x33);
  });
  testing_support::WriteFile(game_.Path() / "pair.an", "2\r\n1\r\n");
  door_->SetImImage("pair.png");
  ASSERT_TRUE(door_->PictureLoaded());
  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.DOOR, 1, 1); P := GetPixel(QZDB.HALL.DOOR, 1, 0);"
                " O := GetAlpha(QZDB.HALL.DOOR, 2, 0); N := GetPixel(QZDB.HALL.DOOR, -1, 0);"
                " F := GetAlpha(QZDB.HALL.DOOR, 0, 100000000); H := GetAlpha(QZDB.HALL.DOOR, 0.6, 0)"),
            "");
  EXPECT_EQ(Var("A"), "Integer:55");
  EXPECT_EQ(Var("P"), "Integer:65587");  // 0x010033
  EXPECT_EQ(Var("O"), "Integer:0");
  EXPECT_EQ(Var("N"), "Integer:0");
  EXPECT_EQ(Var("F"), "Integer:0");
  EXPECT_EQ(Var("H"), "Integer:45");  // 0.6 as Integer is 1
  door_->Anim = 1;
  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.DOOR, 0, 0); P := GetPixel(QZDB.HALL.DOOR, 1, 1)"), "");
  EXPECT_EQ(Var("A"), "Integer:85");
  EXPECT_EQ(Var("P"), "Integer:196915");  // 0x030133
  // A pattern number without a texture reads 0.
  door_->Anim = 5;
  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.DOOR, 0, 0)"), "");
  EXPECT_EQ(Var("A"), "Integer:0");

  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.BOX, 0, 0)"), "");
  EXPECT_EQ(Var("A"), "Byte:0");
  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.DOOR, 0); P := GetPixel('Door', 0, 0);"
                " Q := GetAlpha(QZDB.HALL.DOOR, 'x', 0)"),
            "");
  EXPECT_EQ(Var("A"), "Empty:");
  EXPECT_EQ(Var("P"), "Empty:");
  EXPECT_EQ(Var("Q"), "Byte:0");
  Add<scene::TQZImage>(hall_, "TQZImage", "Blank", 22);
  ASSERT_EQ(Run("A := GetAlpha(QZDB.HALL.BLANK, 0, 0)"), "");
  EXPECT_EQ(Var("A"), "Byte:0");
}

}  // namespace
}  // namespace scriptlib_test
