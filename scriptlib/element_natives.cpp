// Elements, screens, animations, effects and stars: the argument rules of
// these natives, without their effect on the scene yet.
//
// They never fail: with unusable arguments they do nothing and succeed.
// GetAlpha, GetPixel, MoveTo and ProcEf set the result to the Byte 0 once
// their count and first argument's kind are right. AddStar and ImStarsR are
// the exceptions: a wrong count (and for AddStar a conversion error) fails.

#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

bool FirstIsElement(const TVarList& args) { return args.Count() > 0 && Arg(args, 0).IsLongWord(); }

// GetAlpha, GetPixel, MoveTo, ProcEf.
bool ByteResultWhen(TVarList& args, TVar& result, size_t count) {
  if (CountIs(args, count) && FirstIsElement(args)) result.value = Value::Byte(0);
  return true;
}

}  // namespace

namespace natives {

bool ListAdd(TPasCalc&, TVarList&, TVar&) { return true; }
bool ListDel(TPasCalc&, TVarList&, TVar&) { return true; }
bool AnimStart(TPasCalc&, TVarList&, TVar&) { return true; }
bool AnimStop(TPasCalc&, TVarList&, TVar&) { return true; }
bool AnimBreak(TPasCalc&, TVarList&, TVar&) { return true; }
bool AnimPlay(TPasCalc&, TVarList&, TVar&) { return true; }
bool Update(TPasCalc&, TVarList&, TVar&) { return true; }
bool Process(TPasCalc&, TVarList&, TVar&) { return true; }
bool MsDown(TPasCalc&, TVarList&, TVar&) { return true; }
bool MsMove(TPasCalc&, TVarList&, TVar&) { return true; }
bool Init(TPasCalc&, TVarList&, TVar&) { return true; }
bool Show(TPasCalc&, TVarList&, TVar&) { return true; }
bool SetFocus(TPasCalc&, TVarList&, TVar&) { return true; }
bool ToFront(TPasCalc&, TVarList&, TVar&) { return true; }
bool SetScreen(TPasCalc&, TVarList&, TVar&) { return true; }
bool FastSetScreen(TPasCalc&, TVarList&, TVar&) { return true; }
bool FastSetScreenNS(TPasCalc&, TVarList&, TVar&) { return true; }
bool LoadIm(TPasCalc&, TVarList&, TVar&) { return true; }
bool EndLoadIm(TPasCalc&, TVarList&, TVar&) { return true; }

bool GetAlpha(TPasCalc&, TVarList& args, TVar& result) { return ByteResultWhen(args, result, 3); }
bool GetPixel(TPasCalc&, TVarList& args, TVar& result) { return ByteResultWhen(args, result, 3); }
bool MoveTo(TPasCalc&, TVarList& args, TVar& result) { return ByteResultWhen(args, result, 3); }
bool ProcEf(TPasCalc&, TVarList& args, TVar& result) { return ByteResultWhen(args, result, 2); }

// AddStar(angle, x, y, scale, spin, grow, dx, dy, [pattern], [colour], [layer], [effect])
bool AddStar(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIn(args, 8, 12)) return false;
  for (size_t i = 0; i < 8; ++i) AsReal(Arg(args, i));
  if (args.Count() > 8) AsInteger(Arg(args, 8));
  if (args.Count() > 10) AsInteger(Arg(args, 10));
  if (args.Count() > 11) AsInteger(Arg(args, 11));
  result.value = Value::Byte(0);
  return true;
}

// ImStarsR(image, count, minAlpha, scale, scaleRandom, grow, angle, spin, dx, dy, ...)
bool ImStarsR(TPasCalc&, TVarList& args, TVar&) {
  return CountIn(args, 10, 14) && FirstIsElement(args);
}

}  // namespace natives
}  // namespace scriptlib
