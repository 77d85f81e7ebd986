#pragma once
// The native handlers, one function per native, all with the handler
// signature (interpreter, arguments, result) -> success.
//
// QZ_NATIVE_TABLE lists every native in registration order; the order is part
// of the engine (the function table is scanned in it) and must not change.
// Where each group is implemented:
//   strings and conversion       string_natives.cpp (Format: format_text.cpp)
//   dates and times              date_natives.cpp (calendar: date_time.cpp)
//   arithmetic, Min/Max, Inc/Dec math_natives.cpp
//   Exec, GetVar, SetVar, Decode interp_natives.cpp
//   settings files               settings_natives.cpp
//   state, files, system, texts  system_natives.cpp
//   sound and music              sound_natives.cpp
//   elements, image lists        element_natives.cpp
//   animations and effects       anim_natives.cpp
//   screen switches              screen_natives.cpp
//   star sprites                 star_natives.cpp

#include "scriptlib/native_util.h"

// clang-format off
#define QZ_NATIVE_TABLE(X)                                                                   \
  X(Val) X(Char) X(IntToStr) X(StrToInt) X(FloatToStr) X(StrToFloat) X(Copy) X(Poss)         \
  X(Length) X(DelLastChar) X(Insert) X(Delete) X(Trim) X(TrimLeft) X(TrimRight)              \
  X(UpperCase) X(LowerCase) X(Format) X(Now) X(Date) X(Time) X(DateToStr) X(StrToDate)       \
  X(TimeToStr) X(StrToTime) X(FormatDateTime) X(DayOfWeek) X(IncMonth) X(DecodeDate)         \
  X(DecodeTime) X(EncodeDate) X(EncodeTime) X(Abs) X(Int) X(Frac) X(Round) X(Ceil) X(Floor)  \
  X(Trunc) X(Sin) X(Sign) X(Cos) X(Tan) X(ArcSin) X(ArcCos) X(ArcTan) X(Exp) X(Ln)           \
  X(IntPower) X(Sqr) X(Sqrt) X(Inc) X(Dec) X(Min) X(Max) X(Exec) X(GetVar) X(SetVar)         \
  X(Decode) X(YearDays) X(YearFrac) X(Mod) X(Div) X(ListAdd) X(ListDel) X(AnimStart)         \
  X(AnimStop) X(AnimBreak) X(AnimPlay) X(Update) X(Process) X(MsDown) X(MsMove) X(Init)      \
  X(Show) X(SetFocus) X(SetScreen) X(FastSetScreen) X(FastSetScreenNS) X(Random) X(GetAlpha) \
  X(GetPixel) X(MoveTo) X(ProcEf) X(GetText) X(GoToURL) X(LoadIm) X(Print) X(EndLoadIm)      \
  X(SaveState) X(LoadState) X(TimerReset) X(GetIni) X(SetIni) X(DelFile) X(ToFront)          \
  X(PlaySnd) X(PlayMuz) X(StopMuz) X(ExitGame) X(AddStar) X(ImStarsR)
// clang-format on

namespace scriptlib::natives {

#define QZ_DECLARE_NATIVE(name) bool name(TPasCalc& calc, TVarList& args, TVar& result);
QZ_NATIVE_TABLE(QZ_DECLARE_NATIVE)
#undef QZ_DECLARE_NATIVE

}  // namespace scriptlib::natives
