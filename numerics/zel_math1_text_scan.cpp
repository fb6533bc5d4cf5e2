// Scanning numbers at a moving position, and the validity tests built on the
// same scanners.
#include <bit>
#include <charconv>
#include <string>
#include <system_error>

#include "zel_math1_text.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// ---- the floating-point state machine ------------------------------------------

// The machine's states and their transitions by the class of the next
// character (separator / blank / "+" or "-" / digit / "E" / other):
//   1 start                      4  1  2  3  err err
//   2 after the sign             4 err err 3 err err
//   3 integer digits             4 end end 3  6  end
//   4 just after the separator  err end end 5  6  end
//   5 fraction digits           err end end 5  6  end
//   6 just after "E"            err err 7  8 err end
//   7 after the exponent sign   err err err 8 err end
//   8 exponent digits           end end end 8 end end
// Without exponents "E" is an ordinary character (the "end" of states 3 to
// 5). The characters that lead into states 1..8 form the number text. The
// code below walks the same graph with a tight loop per digit run instead
// of a table lookup per character: this scanner reads whole files.
constexpr int kError = 0;
constexpr int kEnd = 9;

// Exponent digits are no longer taken into the number text once their value
// exceeds this (the digit that passes it still is).
constexpr int kExponentCap = 4200;

// What the machine saw. The number text is the span [Begin, End) of the
// input: the characters that led into states 1..8, without the leading
// blanks and without the exponent digits beyond the cap.
struct FPScan {
  int State = kError;
  std::size_t Stop = 0;  // index of the character that ended the number
  std::size_t Begin = 0;
  std::size_t End = 0;
  bool Comma = false;  // a comma separator is in the text
  bool MantDigit = false;
  bool ExpLetter = false;
  bool ExpDigit = false;
  bool ExpNegative = false;
  int ExpValue = 0;  // value of the exponent digits in the text
};

inline bool IsDigitChar(char C) { return static_cast<unsigned char>(C - '0') < 10; }

// Runs the machine from index I. Beyond the end the text reads as "Z".
void RunFPMachine(std::string_view S, bool AllowExp, int DecPSep, std::size_t I, FPScan& R) {
  const bool pointSep = DecPSep == dsPoint || DecPSep == dsBoth;
  const bool commaSep = DecPSep == dsComma || DecPSep == dsBoth;
  const char* const p = S.data();
  const std::size_t n = S.size();
  auto at = [&](std::size_t k) { return k < n ? p[k] : 'Z'; };
  auto isSep = [&](char c) { return (c == '.' && pointSep) || (c == ',' && commaSep); };
  auto isE = [](char c) { return c == 'E' || c == 'e'; };
  auto finish = [&](int State) {
    R.State = State;
    R.Stop = I;
    if (State == kEnd && !R.ExpDigit) R.End = I;  // exponent digits set End themselves
  };

  char c;
  while ((c = at(I)) == ' ') ++I;  // state 1 on blanks
  R.Begin = I;
  if (c == '+' || c == '-') {
    c = at(++I);  // state 2
    if (!IsDigitChar(c) && !isSep(c)) return finish(kError);
  }
  if (IsDigitChar(c)) {
    R.MantDigit = true;
    while (IsDigitChar(c = at(++I))) {
    }  // state 3
    if (!isSep(c)) {
      if (AllowExp && isE(c)) goto exponent;
      return finish(kEnd);
    }
  } else if (!isSep(c)) {
    return finish(kError);  // state 1 on a blank-free non-number character
  }
  // c is a separator: state 4, then 5 on digits.
  if (c == ',') R.Comma = true;
  c = at(++I);
  if (IsDigitChar(c)) {
    R.MantDigit = true;
    while (IsDigitChar(c = at(++I))) {
    }
  }
  if (isSep(c)) return finish(kError);
  if (!(AllowExp && isE(c))) return finish(kEnd);

exponent:
  R.ExpLetter = true;
  c = at(++I);  // state 6
  if (c == '+' || c == '-') {
    R.ExpNegative = c == '-';
    c = at(++I);  // state 7
    if (!IsDigitChar(c)) return finish(isSep(c) || c == ' ' || c == '+' || c == '-' || isE(c) ? kError : kEnd);
  } else if (!IsDigitChar(c)) {
    return finish(isSep(c) || c == ' ' || isE(c) ? kError : kEnd);
  }
  R.ExpDigit = true;
  do {  // state 8
    if (R.ExpValue <= kExponentCap) {
      R.ExpValue = R.ExpValue * 10 + (c - '0');
      R.End = I + 1;
    }
  } while (IsDigitChar(c = at(++I)));
  finish(kEnd);
}

// Decimal order of magnitude of the mantissa text (the exponent of its
// leading digit); only called for texts with a non-zero digit.
int MantissaOrder(const char* B, const char* E) {
  int intDigits = 0;
  bool inFraction = false;
  int leadingFractionZeros = 0;
  for (; B != E; ++B) {
    const char c = *B;
    if (c == 'E' || c == 'e') break;
    if (c == '.') {
      if (intDigits > 0) break;
      inFraction = true;
    } else if (c >= '0' && c <= '9') {
      if (inFraction) {
        if (c != '0') return -leadingFractionZeros - 1;
        ++leadingFractionZeros;
      } else if (c != '0' || intDigits > 0) {
        ++intDigits;
      }
    }
  }
  return intDigits > 0 ? intDigits - 1 : -leadingFractionZeros - 1;
}

// from_chars on [B, E) with the out-of-range results saturated: overflow to
// +-uc_MaxDouble, underflow to +-0 (Overflowed is set for the former).
double FromCharsSaturated(const char* B, const char* E, const FPScan& R, bool* Overflowed) {
  double v = 0;
  if (std::from_chars(B, E, v).ec == std::errc::result_out_of_range) {
    const bool negative = *B == '-';
    const int exponent = R.ExpNegative ? -R.ExpValue : R.ExpValue;
    // out_of_range means beyond 1.8E308 or below 2.5E-324: the order tells which.
    const bool over = MantissaOrder(negative ? B + 1 : B, E) + exponent > 0;
    if (Overflowed) *Overflowed = over;
    v = over ? uc_MaxDouble : 0.0;
    if (negative) v = -v;
  }
  return v;
}

// A text with a comma separator is converted from a copy with a point.
[[gnu::noinline]] double FromCharsWithComma(const char* B, const char* E, const FPScan& R, bool* Overflowed) {
  std::string text(B, E);
  text[text.find(',')] = '.';
  return FromCharsSaturated(text.data(), text.data() + text.size(), R, Overflowed);
}

// Converts the number text of a finished scan, correctly rounded to double.
double ConvertNumberText(std::string_view S, const FPScan& R, bool* Overflowed = nullptr) {
  const char* b = S.data() + R.Begin;
  const char* e = S.data() + R.End;
  if (*b == '+') ++b;  // from_chars takes "-" only
  return R.Comma ? FromCharsWithComma(b, e, R, Overflowed) : FromCharsSaturated(b, e, R, Overflowed);
}

bool ValidPosition(std::string_view S, int CurPos) {
  return CurPos >= 1 && static_cast<std::size_t>(CurPos) <= S.size() + 1;
}

// ---- integer digit scanners ------------------------------------------------------

template <unsigned Shift, class IsDigit, class DigitValue>
std::uint32_t ScanDigits(std::string_view S, int& CurPos, IsDigit isDigit, DigitValue value) {
  if (!ValidPosition(S, CurPos)) return 0;
  std::size_t i = static_cast<std::size_t>(CurPos) - 1;
  const std::size_t n = S.size();
  while (i < n && S[i] == ' ') ++i;
  if (i >= n || !isDigit(S[i])) return 0;
  std::uint32_t v = 0;
  for (; i < n && isDigit(S[i]); ++i) v = (v << Shift) | value(S[i]);
  CurPos = static_cast<int>(i + 1);
  return v;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
unsigned HexValue(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}
bool IsOctDigit(char c) { return c >= '0' && c <= '7'; }
bool IsBinDigit(char c) { return c == '0' || c == '1'; }
unsigned DecValue(char c) { return static_cast<unsigned>(c - '0'); }

// Text without the blanks around it.
std::string_view TrimBlanks(std::string_view S) {
  std::size_t b = 0, e = S.size();
  while (b < e && S[b] == ' ') ++b;
  while (e > b && S[e - 1] == ' ') --e;
  return S.substr(b, e - b);
}

// Whether S (trimmed) is digits of Bits bits each whose value fits 32 bits.
template <class IsDigit>
bool ValidDigits(std::string_view S, IsDigit isDigit, int BitsPerDigit) {
  S = TrimBlanks(S);
  if (S.empty()) return false;
  std::size_t i = 0;
  while (i + 1 < S.size() && S[i] == '0') ++i;  // leading zeros carry no bits
  for (std::size_t k = i; k < S.size(); ++k)
    if (!isDigit(S[k])) return false;
  // Bits of the leading digit plus BitsPerDigit for each further one.
  const std::size_t bits = static_cast<std::size_t>(std::bit_width(HexValue(S[i]))) +
                           (S.size() - i - 1) * static_cast<std::size_t>(BitsPerDigit);
  return bits <= 32;
}

int SepMode(TDecPSep Sep) {
  switch (Sep) {
    case dpsPoint:
      return dsPoint;
    case dpsComma:
      return dsComma;
    case dpsBoth:
      return dsBoth;
  }
  return 0;
}

// Whether S is exactly one number of the machine's syntax.
bool ValidNumberText(std::string_view S, bool AllowExp, TDecPSep Sep, bool CheckRange) {
  S = TrimBlanks(S);
  if (S.empty()) return false;
  FPScan r;
  RunFPMachine(S, AllowExp, SepMode(Sep), 0, r);
  if (r.State != kEnd || r.Stop != S.size() || !r.MantDigit) return false;
  if (r.ExpLetter && !r.ExpDigit) return false;
  if (!CheckRange) return true;
  bool over = false;
  ConvertNumberText(S, r, &over);
  return !over;
}

// ---- angles ----------------------------------------------------------------------

// An unsigned decimal number of ScanDegrees: digits with an optional
// separator, at least one digit.
struct AnglePart {
  bool Ok = false;
  bool Fraction = false;
  double Value = 0;
  std::size_t End = 0;
};

AnglePart ScanAnglePart(std::string_view S, std::size_t I, bool AllowComma) {
  AnglePart r;
  const std::size_t n = S.size();
  const std::size_t begin = I;
  bool digits = false;
  while (I < n && S[I] >= '0' && S[I] <= '9') ++I, digits = true;
  std::size_t sep = std::string::npos;
  if (I < n && (S[I] == '.' || (AllowComma && S[I] == ','))) {
    sep = I++;
    while (I < n && S[I] >= '0' && S[I] <= '9') ++I, digits = true;
  }
  if (!digits) return r;
  std::string text(S.substr(begin, I - begin));
  if (sep != std::string::npos) {
    text[sep - begin] = '.';
    r.Fraction = true;
  }
  // Digit runs only: from_chars cannot fail here except by range.
  if (std::from_chars(text.data(), text.data() + text.size(), r.Value).ec != std::errc()) return r;
  r.Ok = true;
  r.End = I;
  return r;
}

// Length of the degree sign at I (the byte 0xB0 or its UTF-8 form), 0 if none.
std::size_t DegreeSignAt(std::string_view S, std::size_t I) {
  if (I < S.size() && S[I] == kDegreeSign) return 1;
  if (I + 1 < S.size() && S[I] == '\xC2' && S[I + 1] == '\xB0') return 2;
  return 0;
}

std::size_t SkipBlanks(std::string_view S, std::size_t I) {
  while (I < S.size() && S[I] == ' ') ++I;
  return I;
}

}  // namespace

// ---- public scanners ------------------------------------------------------------------

double ScanFPNum(std::string_view Instring, bool AllowExp, int DecPSep, int& CurPos) {
  if (!ValidPosition(Instring, CurPos)) return 0;
  FPScan r;
  RunFPMachine(Instring, AllowExp, DecPSep, static_cast<std::size_t>(CurPos) - 1, r);
  CurPos = static_cast<int>(r.Stop + 1);
  // A mantissa without digits (".", "-.E5") is malformed, not zero by luck.
  if (r.State != kEnd || !r.MantDigit) return 0;
  return ConvertNumberText(Instring, r);
}

int ScanDecimal(std::string_view Instring, int& CurPos) {
  const std::size_t n = Instring.size();
  if (n == 0 || CurPos < 1 || static_cast<std::size_t>(CurPos) > n) return 0;
  std::size_t i = static_cast<std::size_t>(CurPos) - 1;
  while (i + 1 < n && Instring[i] == ' ') ++i;
  bool negative = false;
  if (Instring[i] == '-' || Instring[i] == '+') negative = Instring[i++] == '-';
  // 32-bit arithmetic without overflow checks, defined by working unsigned.
  std::uint32_t v = 0;
  for (; i < n && Instring[i] >= '0' && Instring[i] <= '9'; ++i) v = v * 10u + DecValue(Instring[i]);
  CurPos = static_cast<int>(i + 1);
  return static_cast<int>(negative ? 0u - v : v);
}

std::uint32_t ScanHex(std::string_view Instring, int& CurPos) {
  return ScanDigits<4>(Instring, CurPos, IsHexDigit, HexValue);
}

std::uint32_t ScanOctal(std::string_view Instring, int& CurPos) {
  return ScanDigits<3>(Instring, CurPos, IsOctDigit, DecValue);
}

std::uint32_t ScanBin(std::string_view Instring, int& CurPos) {
  return ScanDigits<1>(Instring, CurPos, IsBinDigit, DecValue);
}

double ScanDegrees(std::string_view Instring, int& CurPos, bool AllowComma, int& Format) {
  Format = -1;
  if (!ValidPosition(Instring, CurPos)) return 0;
  std::size_t i = SkipBlanks(Instring, static_cast<std::size_t>(CurPos) - 1);
  bool negative = false;
  if (i < Instring.size() && (Instring[i] == '-' || Instring[i] == '+')) negative = Instring[i++] == '-';
  const AnglePart deg = ScanAnglePart(Instring, i, AllowComma);
  if (!deg.Ok) return 0;
  double total = deg.Value;
  i = deg.End;
  int format = 0;
  if (const std::size_t signLen = DegreeSignAt(Instring, i)) {
    i += signLen;
    // Minutes and seconds follow only a whole number of the part before.
    const AnglePart min = deg.Fraction ? AnglePart() : ScanAnglePart(Instring, SkipBlanks(Instring, i), AllowComma);
    if (min.Ok && min.End < Instring.size() && Instring[min.End] == '\'' && min.Value <= 60) {
      i = min.End + 1;
      total += min.Value / 60;
      format = 1;
      const AnglePart sec = min.Fraction ? AnglePart() : ScanAnglePart(Instring, SkipBlanks(Instring, i), AllowComma);
      if (sec.Ok && sec.End < Instring.size() && Instring[sec.End] == '"' && sec.Value <= 60) {
        i = sec.End + 1;
        total += sec.Value / 3600;
        format = 2;
      }
    }
  }
  Format = format;
  CurPos = static_cast<int>(i + 1);
  return negative ? -total : total;
}

bool IsValidDouble(std::string_view Instring, bool AllowExp, TDecPSep Sep) {
  return ValidNumberText(Instring, AllowExp, Sep, true);
}

bool IsValidFPNum(std::string_view Instring, TDecPSep Sep) { return ValidNumberText(Instring, true, Sep, false); }

bool IsValidHex(std::string_view Instring) { return ValidDigits(Instring, IsHexDigit, 4); }

bool IsValidOct(std::string_view Instring) { return ValidDigits(Instring, IsOctDigit, 3); }

bool IsValidBin(std::string_view Instring) { return ValidDigits(Instring, IsBinDigit, 1); }

bool IsValidDecInt(std::string_view Instring) {
  int v = 0;
  return TryStrToInt(Instring, v);
}

}  // namespace zel
