// Floating-point numbers as text (strf, engineering and exponent notation)
// and angles in degrees, minutes and seconds. All layouts are built on the
// locale-independent formatter of zel_format.h.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "zel_format.h"
#include "zel_math1_text.h"
#include "zel_numeric.h"

namespace zel {

namespace {


// "INF", "-INF" or "NAN" for non-finite X (FormatFixed's texts).
std::string NonFinite(double X) { return FormatFixed(X, 0); }

// Powers of ten up to 10^8, exact in double.
double Pow10(int N) {
  static constexpr double kPow[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  return kPow[N];
}

// Within 3E-12 of an integer counts as that integer: the angle texts would
// otherwise show 59.99999 minutes for a value that was rounded to a whole one.
constexpr double kAngleSnap = 3e-12;

double SnapToInteger(double X) {
  const double r = std::nearbyint(X);
  return std::fabs(X - r) < kAngleSnap ? r : X;
}

// The degree part of an angle text: the integer part of Y truncated toward
// zero, "-0" for a negative angle below one degree.
std::string DegreePart(double Y) {
  const double t = std::trunc(Y);
  if (t == 0 && Y < 0) return "-0";
  return FormatFixed(t, 0);
}

double Frac(double X) { return X - std::trunc(X); }

// X degrees rounded half away from zero to Decimals decimals of its PerDegree
// parts (minutes or seconds), snapped to a whole degree within kAngleSnap.
// Beyond about 1E296 degrees the scaled value overflows; such angles have
// no fraction to round.
double RoundAngle(double X, double PerDegree, int Decimals) {
  const double p = Pow10(Decimals);
  const double scaled = X * PerDegree * p;
  if (!std::isfinite(scaled)) return X;
  return SnapToInteger(RoundHalfAway(scaled) / p / PerDegree);
}

}  // namespace

std::string strf(double X, int Width, int Decimals) {
  if (Decimals != -2) return FormatFloat(X, Width, Decimals);
  if (!std::isfinite(X)) return PadLeft(NonFinite(X), Width);
  // The four-digit exponent layout in Width + 2 characters, then its first
  // two exponent digits go: a two-digit exponent in exactly Width characters.
  std::string t = FormatScientificWidth(X, Width > INT_MAX - 2 ? INT_MAX : Width + 2);
  const std::size_t e = t.rfind('E');
  const bool fits = e != std::string::npos && t.size() - e == 6 && t[e + 2] == '0' && t[e + 3] == '0';
  if (e != std::string::npos && t.size() - e == 6) t.erase(e + 2, 2);
  if (!fits) t.assign(t.size(), '*');
  return t;
}

std::string EEngStr(double X, int Digits) {
  static constexpr char kPrefix[] = "afpnum kMGT";  // 1000^-6 .. 1000^4
  Digits = std::clamp(Digits, -9, 9);
  const int s = Digits >= 2 ? Digits - 1 : Digits <= -2 ? -(-Digits - 1) : 0;
  const int d = std::abs(s);
  if (X == 0) return strff(0, 1, d);
  if (!std::isfinite(X)) return NonFinite(X);
  const bool negative = X < 0;
  X = std::fabs(X);
  // Snapped as the 1-2-5 rounding does, so exact powers of ten get their
  // own exponent and prefix.
  const double c = static_cast<double>(lgSnapped(X));
  const int e = static_cast<int>(IntNeg(c));
  const int g = std::clamp(static_cast<int>(IntNeg(c / 3)), -6, 4);
  const int k = std::max(0, d + 3 * g - e);
  // 10^(3g) as exp(3g ln 10) in extended precision.
  const long double scale = std::exp(3.0L * g * std::log(10.0L));
  std::string text = strff(static_cast<double>(X / scale), 1, k);
  if (g != 0) {
    const char letter = kPrefix[g + 6];
    const std::size_t point = text.find('.');
    if (Digits <= -2 && point != std::string::npos)
      text[point] = letter;
    else
      text += letter;
  }
  return negative ? "-" + text : text;
}

std::string MakeEFormat(double X, int Width, int Digits) {
  Width = std::clamp(Width, 8, 40);
  Digits = std::clamp(Digits, 2, 15);
  if (!std::isfinite(X)) return PadLeft(NonFinite(X), Width);
  // " d.dddE+xxxx" -> " 0.dddd" and the exponent one higher for the mantissa
  // in [0.1, 1).
  const std::string sci = FormatScientific(X, Digits);
  const std::size_t ePos = sci.find('E');
  std::string out;
  out.reserve(static_cast<std::size_t>(Width));
  out += sci[0];
  out += "0.";
  out += sci[1];
  out.append(sci, 3, ePos - 3);
  int exponent = 0;
  for (std::size_t k = ePos + 2; k < sci.size(); ++k) exponent = exponent * 10 + (sci[k] - '0');
  if (sci[ePos + 1] == '-') exponent = -exponent;
  if (X != 0) ++exponent;
  const int a = std::abs(exponent);
  // Three exponent digits take the place of the "E", as Fortran's Ew.d writes
  // them (0.12345+101); doubles never need four.
  if (a < 100) out += 'E';
  out += exponent < 0 ? '-' : '+';
  if (a < 10) out += '0';
  out += std::to_string(a);
  return PadLeft(std::move(out), Width);
}

// ---- angles ---------------------------------------------------------------------------

std::string DegreeToStr(double X, TDegreeFormat Format, int Decimals) {
  Decimals = std::clamp(Decimals, 0, 8);
  const int f = static_cast<int>(Format);
  if (f < 0 || f > 3) return std::string();
  if (!std::isfinite(X)) return NonFinite(X);
  switch (Format) {
    case dfDeg:
      return FormatFixed(X, Decimals) + kDegreeSign;
    case dfPlain:
      return FormatFixed(X, Decimals);
    case dfDegMin: {
      const double y = RoundAngle(X, 60, Decimals);
      return DegreePart(y) + kDegreeSign + ' ' + PadLeft(FormatFixed(Frac(std::fabs(y)) * 60, Decimals), Decimals + 3) +
             '\'';
    }
    case dfDegMinSec: {
      const double y = RoundAngle(X, 3600, Decimals);
      const double m = SnapToInteger(Frac(std::fabs(y)) * 60);
      return DegreePart(y) + kDegreeSign + ' ' + PadLeft(FormatFixed(std::trunc(m), 0), 2) + "' " +
             PadLeft(FormatFixed(Frac(m) * 60, Decimals), Decimals + 3) + '"';
    }
  }
  return std::string();
}

void ConvertDegrees(double& Degrees, double& Minutes, double& Seconds, TDegreeFormat FromFormat,
                    TDegreeFormat ToFormat) {
  // Written as negations so that NaN fails too.
  if (!(Minutes >= 0 && Minutes <= 60)) throw EZELMath1Error("ConvertDegrees: invalid range of minutes");
  if (!(Seconds >= 0 && Seconds <= 60)) throw EZELMath1Error("ConvertDegrees: invalid range of seconds");
  // The sign lives in the degrees alone (-0 for a negative angle below one
  // degree); the parts are added to the magnitude and the sign put back.
  const double sign = std::signbit(Degrees) ? -1.0 : 1.0;
  switch (ToFormat) {
    case dfDeg:
      if (FromFormat == dfDegMin)
        Degrees = sign * (std::fabs(std::trunc(Degrees)) + Minutes / 60);
      else if (FromFormat == dfDegMinSec)
        Degrees = sign * (std::fabs(std::trunc(Degrees)) + std::trunc(Minutes) / 60 + Seconds / 3600);
      else if (FromFormat != dfDeg)
        return;
      Minutes = 0;
      Seconds = 0;
      return;
    case dfDegMin:
      if (FromFormat == dfDeg) {
        Minutes = Frac(std::fabs(Degrees)) * 60;
        Degrees = std::trunc(Degrees);
        Seconds = 0;
      } else if (FromFormat == dfDegMin) {
        Seconds = 0;
      } else if (FromFormat == dfDegMinSec) {
        Minutes = Minutes + Seconds / 60;
        Seconds = 0;
      }
      return;
    case dfDegMinSec:
      if (FromFormat == dfDeg) {
        const double t = Degrees;
        const double m = Frac(std::fabs(t)) * 60;
        Degrees = std::trunc(t);
        Minutes = std::trunc(m);
        Seconds = Frac(m) * 60;
      } else if (FromFormat == dfDegMin) {
        const double m = Minutes;
        Minutes = std::trunc(m);
        Seconds = Frac(m) * 60;
      }
      return;
    default:
      return;
  }
}

void RoundDegrees(int& Degrees, int& Minutes, int& Seconds, bool RoundUp) {
  static constexpr int kSteps[12] = {1, 2, 3, 5, 10, 15, 20, 30, 60, 90, 180, 360};
  constexpr int kMinuteSteps = 9;  // 1 .. 60
  if (Degrees < 0 || Minutes < 0 || Seconds < 0) {
    Degrees = Minutes = Seconds = 0;
    return;
  }
  if (Minutes > 59) Minutes = 59;
  if (Seconds > 59) Seconds = 59;
  const double x = Degrees + Minutes / 60.0 + Seconds / 3600.0;
  if (Degrees >= 1) {
    Minutes = Seconds = 0;
    int i;
    if (RoundUp)
      for (i = 0; i < 11 && kSteps[i] < x; ++i) {
      }
    else
      for (i = 11; i > 0 && kSteps[i] > x; --i) {
      }
    Degrees = kSteps[i];
  } else if (Minutes >= 1) {
    Seconds = 0;
    int i;
    if (RoundUp) {
      for (i = 0; i < kMinuteSteps - 1 && !(x <= kSteps[i] / 60.0); ++i) {
      }
      if (i == kMinuteSteps - 1) {
        Degrees = 1;
        Minutes = 0;
        return;
      }
    } else {
      for (i = kMinuteSteps - 1; i > 0 && kSteps[i] > 60 * x; --i) {
      }
    }
    Minutes = kSteps[i];
  } else if (Seconds >= 1) {
    int i;
    if (RoundUp) {
      for (i = 0; i < kMinuteSteps - 1 && kSteps[i] < Seconds; ++i) {
      }
      if (i == kMinuteSteps - 1) {
        Minutes = 1;
        Seconds = 0;
        return;
      }
    } else {
      for (i = kMinuteSteps - 1; i > 0 && kSteps[i] > Seconds; --i) {
      }
    }
    Seconds = kSteps[i];
  }
}

}  // namespace zel
