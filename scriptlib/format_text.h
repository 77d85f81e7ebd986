#pragma once
// The text formatter behind the Format native.
//
// FormatOne is a printf-style formatter given exactly one argument; scripts
// lay out the numbers a game shows with it, so its widths, precisions and
// rounding are part of what players see. A placeholder is
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with index 0 as the only index there is; "%%" is a literal "%". Types (any
// letter case):
//   d  integer kinds, decimal; precision = least digits (zero-padded)
//   u  integer kinds as unsigned; x  integer kinds in upper-case hexadecimal
//   e  scientific, precision = significant digits (default 15), "E+ddd"
//   f  fixed, precision = decimals (default 2)
//   g  general, precision = significant digits (default 15)
//   n  as f with "," between thousands
//   m  as n (no currency symbol: the player has no regional settings)
//   s  a String as it is, any other kind as its text; precision = most characters
// e, f, g, n and m take integer kinds, Real and Date. Width pads with blanks
// on the left ("-": on the right). Anything else, or a second placeholder that
// wants an argument, raises ScriptError("Format '...' invalid or incompatible
// with argument").
//
// FormatPlaceholders is the walk of the Format native over its arguments:
// each placeholder (from "%" to the next letter) is formatted alone with its
// own argument; an argument whose kind does not suit its placeholder is
// retried as a 64-bit integer truncated toward zero.

#include <string>
#include <string_view>

#include "script/value.h"
#include "script/var_list.h"

namespace scriptlib {

std::string FormatOne(std::string_view format, const script::Value& arg);
// args[0] is the format, args[1...] the values.
std::string FormatPlaceholders(const script::TVarList& args);

}  // namespace scriptlib
