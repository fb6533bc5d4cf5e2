// String helpers, the fixed-point text shortcut and the colour conversions
// of the base package.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "zel_base.h"
#include "zel_format.h"
#include "zel_strutils.h"

namespace zel {

namespace {


}  // namespace

std::string StripLTBlanks(std::string_view S) {
  std::size_t b = 0;
  std::size_t e = S.size();
  while (b < e && IsBlankOrTab(S[b])) ++b;
  while (e > b && IsBlankOrTab(S[e - 1])) --e;
  return std::string(S.substr(b, e - b));
}

std::string StripTrailingChars(char Ch, std::string_view S) {
  std::size_t e = S.size();
  while (e > 0 && S[e - 1] == Ch) --e;
  return std::string(S.substr(0, e));
}

std::string RemoveControlChars(std::string_view S) {
  std::string out;
  out.reserve(S.size());
  for (char c : S) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u != 127) out += c;
  }
  return out;
}

std::string ReplaceCharInString(std::string_view S, char OldCh, char NewCh) {
  std::string out(S);
  std::replace(out.begin(), out.end(), OldCh, NewCh);
  return out;
}

bool StringContains(std::string_view S, std::string_view Part) {
  // The pattern is a sequence of positions, each matching one character or
  // any digit; a shift-and automaton over bit vectors tracks every partial
  // match at once, so the time is |S| * ceil(|pattern| / 64) whatever the
  // texts are (no backtracking).
  constexpr std::string_view kDigit = "//dig";
  std::vector<std::pair<bool, unsigned char>> items;  // (is digit class, literal)
  for (std::size_t i = 0; i < Part.size();) {
    if (Part.substr(i, kDigit.size()) == kDigit) {
      items.emplace_back(true, 0);
      i += kDigit.size();
    } else {
      items.emplace_back(false, static_cast<unsigned char>(Part[i]));
      ++i;
    }
  }
  const std::size_t m = items.size();
  if (m == 0) return true;
  if (m > S.size()) return false;

  const std::size_t words = (m + 63) / 64;
  std::vector<std::uint64_t> masks(256 * words, 0);
  for (std::size_t j = 0; j < m; ++j) {
    const std::uint64_t bit = std::uint64_t{1} << (j % 64);
    if (items[j].first) {
      for (int c = '0'; c <= '9'; ++c) masks[static_cast<std::size_t>(c) * words + j / 64] |= bit;
    } else {
      masks[items[j].second * words + j / 64] |= bit;
    }
  }
  const std::size_t lastWord = (m - 1) / 64;
  const std::uint64_t lastBit = std::uint64_t{1} << ((m - 1) % 64);
  std::vector<std::uint64_t> state(words, 0);
  for (char ch : S) {
    const std::uint64_t* mask = &masks[static_cast<unsigned char>(ch) * words];
    std::uint64_t carry = 1;  // a new partial match may start here
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t next = state[w] >> 63;
      state[w] = ((state[w] << 1) | carry) & mask[w];
      carry = next;
    }
    if (state[lastWord] & lastBit) return true;
  }
  return false;
}

int StringIx(std::string_view S, const TStrArray& List, bool IgnoreCase) {
  for (std::size_t i = 0; i < List.size(); ++i)
    if (IgnoreCase ? SameText(S, List[i]) : S == List[i]) return static_cast<int>(i);
  return -1;
}

int Tokenize(std::string_view S, std::string_view Delimiters, TStrArray& Tokens) {
  Tokens.clear();
  std::size_t i = 0;
  while (i < S.size()) {
    i = S.find_first_not_of(Delimiters, i);
    if (i == std::string_view::npos) break;
    std::size_t e = S.find_first_of(Delimiters, i);
    if (e == std::string_view::npos) e = S.size();
    Tokens.emplace_back(S.substr(i, e - i));
    i = e;
  }
  return static_cast<int>(Tokens.size());
}

bool ParseQuotedName(char Ch, char Quote, std::string& Name, TQuotedStrState& State) {
  if (State == qsInName) {
    if (Ch == Quote) {
      State = qsNameDone;
      return true;
    }
    Name += Ch;
    return false;
  }
  // Before a name (also right after a completed one): skip up to the quote.
  if (State != qsBeforeName) Name.clear();
  if (Ch == Quote) {
    Name.clear();
    State = qsInName;
  } else {
    State = qsBeforeName;
  }
  return false;
}

std::string strff(double X, int Width, int Decimals) { return FormatFloat(X, Width, Decimals); }

std::string BoolToStr(bool B, TBoolStrStyle Style) {
  switch (Style) {
    case bsUpper: return B ? "TRUE" : "FALSE";
    case bsMixed: return B ? "True" : "False";
    case bsLower: return B ? "true" : "false";
    case bsLetter: return B ? "T" : "F";
    case bsDigit: return B ? "1" : "0";
    case bsYesNo: return B ? "Yes" : "No";
  }
  return B ? "TRUE" : "FALSE";
}

double RGBtoGray(int R, int G, int B) { return 0.299 * R + 0.587 * G + 0.114 * B; }

void RGBtoHSI(int R, int G, int B, double& H, double& S, double& I) {
  const double r = R;
  const double g = G;
  const double b = B;
  const double sum = r + g + b;
  I = sum / 3.0;
  // 1 - min/I written with the sum avoids dividing by the rounded mean.
  S = sum > 0 ? 1.0 - 3.0 * std::min({r, g, b}) / sum : 0.0;
  const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
  if (den <= 0) {  // gray: the hue is undefined
    H = 0;
    S = 0;
    return;
  }
  // Rounding can push the cosine a hair outside [-1, 1], where acos is NaN.
  const double c = std::clamp(0.5 * ((r - g) + (r - b)) / den, -1.0, 1.0);
  H = std::acos(c) * (180.0 / std::numbers::pi);
  if (b > g) H = 360.0 - H;
  if (H >= 360.0) H -= 360.0;
}

}  // namespace zel
