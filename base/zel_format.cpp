// Number text in the library's layouts.
//
// std::to_chars is the engine: it rounds from the exact binary value with
// ties to even (the same digits as printf in the C locale) and never looks at
// the process locale. The layouts are built around its digits.
#include "zel_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace zel {

namespace {

// Integer digits of the largest long double (about 1.19E+4932), with room for
// the sign and the point: a fixed text never needs more than this plus the
// decimals.
constexpr std::size_t kMaxFixedOverhead = 4940;
// Sign, digit, point, "e", exponent sign and up to five exponent digits.
constexpr std::size_t kMaxScientificOverhead = 12;

// Texts of the non-finite values; nullptr for finite X.
const char* NonFiniteText(long double X) noexcept {
  if (std::isnan(X)) return "NAN";
  if (std::isinf(X)) return X < 0 ? "-INF" : "INF";
  return nullptr;
}

// std::to_chars with a precision into a string: a small stack buffer serves
// the usual case, the bound Overhead + Precision the rest.
std::string ToChars(long double X, std::chars_format Fmt, int Precision, std::size_t Overhead) {
  char small[128];
  auto res = std::to_chars(small, small + sizeof small, X, Fmt, Precision);
  if (res.ec == std::errc()) return std::string(small, res.ptr);
  std::vector<char> big(Overhead + static_cast<std::size_t>(Precision));
  res = std::to_chars(big.data(), big.data() + big.size(), X, Fmt, Precision);
  if (res.ec != std::errc()) return std::string();
  return std::string(big.data(), res.ptr);
}

// Writes the decimal exponent E as its sign and at least MinDigits digits.
void AppendExponent(std::string& Out, int E, int MinDigits) {
  Out += E < 0 ? '-' : '+';
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, std::abs(E));
  const int n = static_cast<int>(res.ptr - buf);
  if (n < MinDigits) Out.append(static_cast<std::size_t>(MinDigits - n), '0');
  Out.append(buf, res.ptr);
}

// Splits to_chars' scientific text "-d.ddde+XX" into its digits (without the
// point) and the decimal exponent.
void SplitScientific(const std::string& Text, std::string& Digits, int& Exponent) {
  const std::size_t ePos = Text.find('e');
  Digits.clear();
  for (std::size_t i = 0; i < ePos; ++i)
    if (Text[i] >= '0' && Text[i] <= '9') Digits += Text[i];
  Exponent = 0;
  if (ePos == std::string::npos) return;
  std::size_t p = ePos + 1;
  if (p < Text.size() && Text[p] == '+') ++p;  // from_chars accepts "-" only
  std::from_chars(Text.data() + p, Text.data() + Text.size(), Exponent);
}

}  // namespace

std::string PadLeft(std::string Text, int Width) {
  if (Width > 0 && Text.size() < static_cast<std::size_t>(Width))
    Text.insert(0, static_cast<std::size_t>(Width) - Text.size(), ' ');
  return Text;
}

std::string FormatInt(long long Value, int Width) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, Value);
  return PadLeft(std::string(buf, res.ptr), Width);
}

std::string FormatFixed(long double X, int Decimals) {
  if (const char* t = NonFiniteText(X)) return t;
  if (Decimals < 0) Decimals = 0;
  // -0 has no sign; a negative value that rounds to zero keeps it.
  if (X == 0) X = 0;
  return ToChars(X, std::chars_format::fixed, Decimals, kMaxFixedOverhead);
}

std::string FormatScientific(long double X, int SigDigits) {
  if (const char* t = NonFiniteText(X)) return t;
  if (SigDigits < 2) SigDigits = 2;
  if (X == 0) X = 0;
  // to_chars renormalises a mantissa that rounds up to 10 (9.99999 with five
  // digits is 1.0000e+01), so the digits and the exponent agree.
  std::string digits;
  int exponent = 0;
  SplitScientific(ToChars(X, std::chars_format::scientific, SigDigits - 1, kMaxScientificOverhead), digits,
                  exponent);
  std::string out;
  out.reserve(static_cast<std::size_t>(SigDigits) + 8);
  out += std::signbit(X) ? '-' : ' ';
  out += digits.empty() ? '0' : digits[0];
  out += '.';
  if (digits.size() > 1) out.append(digits, 1, std::string::npos);
  out += 'E';
  AppendExponent(out, exponent, 4);
  return out;
}

std::string FormatScientificWidth(long double X, int Width) {
  // Compared before subtracting: Width - 8 would overflow for the most negative widths.
  const int sig = Width > 10 ? Width - 8 : 2;
  return PadLeft(FormatScientific(X, sig), Width);
}

std::string FormatFloat(long double X, int Width, int Decimals) {
  if (Decimals < 0) return FormatScientificWidth(X, Width);
  return PadLeft(FormatFixed(X, Decimals), Width);
}

std::string FloatToStrShortest(double X) {
  if (const char* t = NonFiniteText(X)) return t;
  if (X == 0) return std::signbit(X) ? "-0" : "0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, X, std::chars_format::scientific);
  std::string digits;
  int e = 0;
  SplitScientific(std::string(buf, res.ptr), digits, e);

  std::string out;
  if (X < 0) out += '-';
  const int n = static_cast<int>(digits.size());
  if (e >= -5 && e < 15) {
    if (e < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-e - 1), '0');
      out += digits;
    } else if (n <= e + 1) {
      out += digits;
      out.append(static_cast<std::size_t>(e + 1 - n), '0');
    } else {
      out.append(digits, 0, static_cast<std::size_t>(e + 1));
      out += '.';
      out.append(digits, static_cast<std::size_t>(e + 1), std::string::npos);
    }
    return out;
  }
  out += digits[0];
  if (n > 1) {
    out += '.';
    out.append(digits, 1, std::string::npos);
  }
  out += 'E';
  AppendExponent(out, e, 1);
  return out;
}

}  // namespace zel
