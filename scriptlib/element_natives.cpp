// Elements: Update, Process, MsDown, MsMove, Init, Show (an element's events
// on demand), SetFocus, ToFront, MoveTo, ListAdd, ListDel, GetAlpha, GetPixel.
//
// None of them fails: with unusable arguments they do nothing and succeed.
// GetAlpha, GetPixel and MoveTo leave the result untouched when the count or
// the first argument's kind is wrong and set it to the Byte 0 before looking
// at the element's class.

#include <optional>

#include "resources/image_cache.h"
#include "render/render_image.h"
#include "scene/db.h"
#include "scene/im_list.h"
#include "scene/image_element.h"
#include "scene/text_element.h"
#include "scriptlib/element_args.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

// The first argument's element when there is at least one argument.
scene::TQZElement* FirstElement(const TVarList& args) { return ElementArg(args, 0); }

// GetAlpha, GetPixel: the ARGB of texel (x, y) of the image's texture
// numbered by its Anim; nullopt when the arguments do not name a loaded
// picture. Texels outside the pattern read as 0.
std::optional<uint32_t> ImageTexel(TVarList& args, TVar& result) {
  if (!CountIs(args, 3) || !Arg(args, 0).IsLongWord()) return std::nullopt;
  result.value = Value::Byte(0);
  auto* image = dynamic_cast<scene::TQZImage*>(FirstElement(args));
  if (!image || !image->Picture()) return std::nullopt;
  const render::RenderImage* texture = image->Picture()->Texture();
  int32_t x, y;
  if (!texture || !TryInteger(args, 1, x) || !TryInteger(args, 2, y)) return std::nullopt;
  return texture->ReadPixel(x, y, image->Anim);
}

}  // namespace

namespace natives {

bool Update(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoUpdate();
  return true;
}

bool Process(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoProcess();
  return true;
}

bool MsDown(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoMouseDown();
  return true;
}

bool MsMove(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoMouseMove();
  return true;
}

bool Init(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoReinit();
  return true;
}

bool Show(TPasCalc&, TVarList& args, TVar&) {
  if (scene::TQZElement* e = FirstElement(args)) e->DoShow();
  return true;
}

bool SetFocus(TPasCalc&, TVarList& args, TVar&) {
  auto* text = dynamic_cast<scene::TQZText*>(FirstElement(args));
  if (text && text->Root()) text->Root()->SetFocusedText(text);
  return true;
}

// Children drawn later cover earlier ones within a layer: the element moves
// to the end of its parent's children. The root has no parent and stays.
bool ToFront(TPasCalc&, TVarList& args, TVar&) {
  scene::TQZElement* e = FirstElement(args);
  if (e && e->Parent()) e->Parent()->MoveChildToEnd(e);
  return true;
}

// MoveTo(element, x, y): SetPos, which an effect extends to move its emitter.
bool MoveTo(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3) || !Arg(args, 0).IsLongWord()) return true;
  result.value = Value::Byte(0);
  scene::TQZElement* e = FirstElement(args);
  int32_t x, y;
  if (e && TryInteger(args, 1, x) && TryInteger(args, 2, y)) e->SetPos(x, y);
  return true;
}

// ListAdd(list, image): the list's entries refer to the image; the list
// scrolls to the top, where the grid always starts.
bool ListAdd(TPasCalc&, TVarList& args, TVar&) {
  if (!CountAtLeast(args, 2) || !Arg(args, 0).IsLongWord() || !Arg(args, 1).IsLongWord())
    return true;
  auto* list = ExactlyClass<scene::TQZImList>(ElementArg(args, 0));
  auto* image = ExactlyClass<scene::TQZImage>(ElementArg(args, 1));
  if (list && image) list->AddEntry(image);
  return true;
}

// ListDel(list, image or name): a name removes the first entry whose image's
// Id is exactly that text; an image removes the entry that holds it.
bool ListDel(TPasCalc&, TVarList& args, TVar&) {
  if (!CountAtLeast(args, 2) || !Arg(args, 0).IsLongWord()) return true;
  auto* list = ExactlyClass<scene::TQZImList>(ElementArg(args, 0));
  const Value& item = Arg(args, 1);
  if (!list) return true;
  if (item.IsString()) {
    list->RemoveEntryById(item.s);
  } else if (item.IsLongWord()) {
    if (auto* image = ExactlyClass<scene::TQZImage>(ElementArg(args, 1)))
      list->RemoveEntry(image);
  }
  return true;
}

bool GetAlpha(TPasCalc&, TVarList& args, TVar& result) {
  if (auto texel = ImageTexel(args, result))
    result.value = Value::Integer(static_cast<int32_t>(*texel >> 24));
  return true;
}

bool GetPixel(TPasCalc&, TVarList& args, TVar& result) {
  if (auto texel = ImageTexel(args, result))
    result.value = Value::Integer(static_cast<int32_t>(*texel & 0xFFFFFFu));
  return true;
}

}  // namespace natives
}  // namespace scriptlib
