// Keyframe animations and particle effects: AnimStart, AnimStop, AnimBreak,
// AnimPlay and ProcEf.
//
// Each acts only on elements of exactly its class (a derived class does
// nothing) and never fails: unusable arguments do nothing.

#include <cmath>
#include <string>

#include "scene/anim.h"
#include "scene/effect_element.h"
#include "scene/script_runner.h"
#include "script/value_ops.h"
#include "scriptlib/element_args.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace natives {

// AnimStart(e): an animation starts from its first frame, an effect starts
// emitting; both then run exStart. The event label stays the caller's.
bool AnimStart(TPasCalc&, TVarList& args, TVar&) {
  scene::TQZElement* e = ElementArg(args, 0);
  if (!e) return true;
  const std::string label = scene::ScriptRunner::Instance().ContextName();
  if (auto* anim = ExactlyClass<scene::TQZAnim>(e))
    anim->Start(label.c_str());
  else if (auto* effect = ExactlyClass<scene::TQZEffect>(e))
    effect->Start(label.c_str());
  return true;
}

// AnimStop(effect): emission ends, the live particles finish their lives.
bool AnimStop(TPasCalc&, TVarList& args, TVar&) {
  if (auto* effect = ExactlyClass<scene::TQZEffect>(ElementArg(args, 0))) effect->Stop();
  return true;
}

// AnimBreak(effect): emission ends and every particle vanishes at once.
bool AnimBreak(TPasCalc&, TVarList& args, TVar&) {
  if (auto* effect = ExactlyClass<scene::TQZEffect>(ElementArg(args, 0))) effect->Break();
  return true;
}

// AnimPlay(animation): resumes playing where it stands, from the start when
// it stands on its last frame; exStart does not run.
bool AnimPlay(TPasCalc&, TVarList& args, TVar&) {
  auto* anim = ExactlyClass<scene::TQZAnim>(ElementArg(args, 0));
  if (!anim) return true;
  anim->Active = true;
  if (anim->Pos >= anim->FrameCount() - 1) anim->Pos = 0;
  anim->Vis = true;
  return true;
}

// ProcEf(effect, amount): one particle step of amount / Speed * DAnim time
// units, in script arithmetic; amount 1 is the step of one process pass.
bool ProcEf(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2) || !Arg(args, 0).IsLongWord()) return true;
  result.value = Value::Byte(0);
  auto* effect = dynamic_cast<scene::TQZEffect*>(ElementArg(args, 0));
  if (!effect) return true;
  Value perSpeed, scaled;
  double dt = 0;
  if (!script::ApplyBinary(script::Op::Div, Arg(args, 1), Value::Real(scene::TQZEffect::kTimerSpeed),
                           perSpeed) ||
      !script::ApplyBinary(script::Op::Mul, perSpeed, Value::Real(effect->DAnim), scaled) ||
      !scaled.ToDouble(dt))
    return true;
  // A step of no finite length would leave the particles' clocks unusable.
  const float step = static_cast<float>(dt);
  if (std::isfinite(step)) effect->StepBy(step);
  return true;
}

}  // namespace natives
}  // namespace scriptlib
