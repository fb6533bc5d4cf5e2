// Number text in the framework's layouts, independent of the locale.
//
// Fixed layout: optional "-", the integer digits, and for Decimals > 0 a "."
// and exactly Decimals digits. The value is rounded correctly from its exact
// binary value, ties to even. A value that rounds to zero keeps its "-" when
// it is negative (-0.001 with 2 decimals gives "-0.00"); zero itself,
// including -0, has no sign.
//
// Scientific layout in a field of Width characters: a sign slot (" " or "-"),
// one digit, ".", Width - 9 further digits (at least 1), "E", the exponent
// sign and four exponent digits, for example " 1.2345000E+0001" for Width 16.
//
// Infinities and NaN are written as "INF", "-INF" and "NAN" in both layouts
// ("NAN" is also the missing-value word of the ASC files).
//
// All texts are right-aligned with blanks in at least Width characters.
#pragma once

#include <string>

namespace zel {

/// Fixed-point text of X with Decimals decimals (scientific layout in
/// Width characters when Decimals is negative), right-aligned in Width.
std::string FormatFloat(long double X, int Width, int Decimals);

/// Fixed-point text of X with Decimals (≥ 0) decimals, no padding.
std::string FormatFixed(long double X, int Decimals);

/// Scientific text of X with SigDigits significant digits (at least 2) and a
/// four-digit exponent: sign slot, digit, ".", SigDigits - 1 digits, "E",
/// exponent sign, four digits. No padding beyond the sign slot.
std::string FormatScientific(long double X, int SigDigits);

/// Scientific text in a field of Width characters (see the layout above).
std::string FormatScientificWidth(long double X, int Width);

/// Integer text right-aligned in Width characters.
std::string FormatInt(long long Value, int Width = 0);

/// Text right-aligned with blanks in at least Width characters.
std::string PadLeft(std::string Text, int Width);

/// Shortest text that reads back as the same double, for messages and files
/// that must round-trip exactly: the fewest significant digits that identify
/// X, in plain notation for 1E-5 <= |X| < 1E15 ("0.1", "-0.00025",
/// "120000"), otherwise one digit, the further digits after a "." when there
/// are any, "E", the exponent sign and the exponent without leading zeros
/// ("1E+300", "-2.5E-7"). Zeros are "0" and "-0"; non-finite values as above.
std::string FloatToStrShortest(double X);

}  // namespace zel
