// zel num: one value in every notation of the number-text module.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "toolkit.h"
#include "zel_format.h"
#include "zel_math1.h"
#include "zel_strutils.h"

namespace zeltool {

namespace {

const char* const kNumUsage =
    "usage: zel num VALUE... [--format text|csv|json]\n"
    "Shows each VALUE in every notation of the library's number texts\n"
    "(csv: one line per value and notation; json: one object per value).\n"
    "VALUE is one of:\n"
    "  decimal       255  -12.5  6.02E23\n"
    "  hexadecimal   0xFF  FFh        (up to 32 bits)\n"
    "  octal         0o377            (up to 32 bits)\n"
    "  binary        0b11111111       (up to 32 bits)\n"
    "  Roman         MCMXCIV          (upper case, as the library writes it)\n"
    "  engineering   4.7k  4k7  470u  (prefixes a f p n u m k M G T)\n"
    "  degrees       12.5d  12d30m  12d30m15.5s  12\xC2\xB0"
    "30'  12\xC2\xB0"
    "30'15\"\n"
    "                (d m s stand for the degree sign, ' and \")\n";

bool StartsWith(const std::string& S, const char* Prefix) { return S.rfind(Prefix, 0) == 0; }

// The whole text S read as a decimal number (point separator, exponent allowed).
bool ParseDecimal(const std::string& S, double& X) {
  if (!zel::IsValidDouble(S, true, zel::dpsPoint)) return false;
  int pos = 1;
  X = zel::ScanFPNum(S, true, zel::dsPoint, pos);
  return true;
}

bool ParseDigits(const std::string& Digits, int Base, double& X) {
  const bool ok = Base == 16 ? zel::IsValidHex(Digits) : Base == 8 ? zel::IsValidOct(Digits) : zel::IsValidBin(Digits);
  if (!ok || Digits.find(' ') != std::string::npos) return false;
  int pos = 1;
  X = Base == 16 ? zel::ScanHex(Digits, pos) : Base == 8 ? zel::ScanOctal(Digits, pos) : zel::ScanBin(Digits, pos);
  return true;
}

// A Roman numeral exactly as Roman writes it.
bool ParseRoman(const std::string& S, double& X) {
  if (S.empty() || S.find_first_not_of("MDCLXVI") != std::string::npos) return false;
  static constexpr struct {
    int Value;
    const char* Letters;
  } kTable[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
  int n = 0;
  std::size_t i = 0;
  for (const auto& e : kTable) {
    const std::string l = e.Letters;
    while (S.compare(i, l.size(), l) == 0 && n < 30000) {
      n += e.Value;
      i += l.size();
    }
  }
  if (i != S.size() || zel::Roman(n) != S) return false;
  X = n;
  return true;
}

// "4.7k" or "4k7": a number with an SI prefix letter after it or in place
// of its decimal point.
bool ParseEngineering(const std::string& S, double& X) {
  static const std::string kPrefix = "afpnum kMGT";
  const std::size_t at = S.find_first_of("afpnumkMGT");
  if (at == std::string::npos || at == 0) return false;
  const int power = 3 * (static_cast<int>(kPrefix.find(S[at])) - 6);
  std::string mantissa = S.substr(0, at);
  const std::string rest = S.substr(at + 1);
  if (!rest.empty()) {
    if (rest.find_first_not_of("0123456789") != std::string::npos || mantissa.find('.') != std::string::npos)
      return false;
    mantissa += "." + rest;
  }
  if (!zel::IsValidDouble(mantissa, false, zel::dpsPoint)) return false;
  // Scaled in the text, so the value is the correctly rounded one.
  return ParseDecimal(mantissa + "E" + std::to_string(power), X);
}

// Degrees with the degree sign (byte or UTF-8) or with the letters d, m, s.
bool ParseDegrees(const std::string& S, double& X) {
  const bool letters = S.find_first_of("d") != std::string::npos;
  if (!letters && S.find('\xB0') == std::string::npos) return false;
  std::string t;
  for (char c : S) {
    if (letters && c == 'd')
      t += zel::kDegreeSign;
    else if (letters && c == 'm')
      t += '\'';
    else if (letters && c == 's')
      t += '"';
    else
      t += c;
  }
  int pos = 1, format = -1;
  X = zel::ScanDegrees(t, pos, false, format);
  return format >= 0 && pos == static_cast<int>(t.size()) + 1;
}

// Reads S in the first notation it fits; Kind names that notation.
bool ParseValue(const std::string& S, double& X, std::string& Kind) {
  if (StartsWith(S, "0x") || StartsWith(S, "0X")) {
    Kind = "hexadecimal";
    return ParseDigits(S.substr(2), 16, X);
  }
  if (StartsWith(S, "0o") || StartsWith(S, "0O")) {
    Kind = "octal";
    return ParseDigits(S.substr(2), 8, X);
  }
  if (StartsWith(S, "0b") || StartsWith(S, "0B")) {
    Kind = "binary";
    return ParseDigits(S.substr(2), 2, X);
  }
  if (S.size() > 1 && (S.back() == 'h' || S.back() == 'H')) {
    Kind = "hexadecimal";
    return ParseDigits(S.substr(0, S.size() - 1), 16, X);
  }
  static constexpr struct {
    const char* Kind;
    bool (*Parse)(const std::string&, double&);
  } kOthers[] = {
      {"decimal", ParseDecimal}, {"Roman", ParseRoman}, {"degrees", ParseDegrees}, {"engineering", ParseEngineering}};
  for (const auto& o : kOthers) {
    if (o.Parse(S, X)) {
      Kind = o.Kind;
      return true;
    }
  }
  return false;
}

// One notation of a value: its label, and its text or why there is none.
struct TNotation {
  std::string Label, Text;
  bool Given = true;
  bool SameLine = false;  // text: continues the line before
};

using TNotations = std::vector<TNotation>;

const char* const kNotInteger = "(not a 32-bit integer)";

void Add(TNotations& N, const char* Label, const std::string& Text) { N.push_back({Label, zel::CP1252ToUTF8(Text)}); }
void Lack(TNotations& N, const char* Label, const char* Why) { N.push_back({Label, Why, false}); }

TNotations Notations(double X) {
  TNotations n;
  Add(n, "value", zel::FloatToStrShortest(X));
  // Integers of 32 bits, signed or (as hexadecimal input gives them) unsigned.
  const bool integral = std::isfinite(X) && X == std::trunc(X) && X >= -2147483648.0 && X <= 4294967295.0;
  if (integral) {
    const auto v = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(X)));
    if (X <= 2147483647.0) {
      const std::string digits = zel::FormatInt(static_cast<long long>(std::fabs(X)));
      Add(n, "decimal", zel::Decimal(v, static_cast<int>(digits.size())));
    } else {
      Lack(n, "decimal", "(beyond the signed 32-bit range)");
    }
    Add(n, "hexadecimal", zel::Hex(v, 8));
    Add(n, "octal", zel::Octal(v, 11));
    Add(n, "binary", zel::Bin(v, 32));
    if (X >= 1 && X < 30000)
      Add(n, "Roman", zel::Roman(v));
    else
      Lack(n, "Roman", "(only 1 to 29999)");
  } else {
    for (const char* l : {"decimal", "hexadecimal", "octal", "binary", "Roman"}) Lack(n, l, kNotInteger);
  }
  // Beyond 10^15 the mantissa of the engineering form grows (the prefix
  // stays T); past 10^30 that, and an angle past 10^9 degrees, is no help.
  const double a = std::fabs(X);
  if (a < 1e30) {
    Add(n, "engineering", zel::EEngStr(X, 4));
    Add(n, "engineering inline", zel::EEngStr(X, -4));  // 4k7
    n.back().SameLine = true;
  } else {
    Lack(n, "engineering", "(too large)");
    Lack(n, "engineering inline", "");
    n.back().SameLine = true;
  }
  Add(n, "E format", zel::StripLTBlanks(zel::MakeEFormat(X, 8, 6)));
  Add(n, "double bits", zel::FPNumToHex(X));
  // Converting a double beyond the single range to float is undefined.
  if (std::isfinite(X) && std::fabs(X) > FLT_MAX)
    Lack(n, "single bits", "(beyond the single range)");
  else
    Add(n, "single bits", zel::FPNumToHex(static_cast<float>(X)));
  Add(n, "extended bits", zel::FPNumToHex(static_cast<long double>(X)));
  if (a < 1e9 || !std::isfinite(X)) {
    Add(n, "degrees", zel::DegreeToStr(X, zel::dfDeg, 4));
    Add(n, "deg min", zel::DegreeToStr(X, zel::dfDegMin, 2));
    Add(n, "deg min sec", zel::DegreeToStr(X, zel::dfDegMinSec, 1));
  } else {
    for (const char* l : {"degrees", "deg min", "deg min sec"}) Lack(n, l, "(too large for an angle)");
  }
  return n;
}

// "deg min sec" as a member name: "deg_min_sec".
std::string Key(std::string Label) {
  for (char& c : Label)
    if (c == ' ') c = '_';
  return Label;
}

void PrintText(const std::string& Arg, const std::string& Kind, const TNotations& N) {
  std::printf("%s (%s)\n", Arg.c_str(), Kind.c_str());  // as typed (the terminal's encoding)
  // The integer forms share one line when the value has none of them.
  bool noInteger = false;
  std::string line;
  const auto flush = [&] {
    if (!line.empty()) std::printf("%s\n", line.c_str());
    line.clear();
  };
  for (const auto& e : N) {
    if (e.SameLine) {
      if (e.Given) line += "   " + e.Text;
      continue;
    }
    flush();
    if (!e.Given && e.Text == kNotInteger) {
      if (!noInteger) line = "  integer forms  " + e.Text;
      noInteger = true;
      continue;
    }
    if (e.Label == "decimal" && !e.Given) continue;  // unsigned 32-bit values: no signed form
    char head[20];
    std::snprintf(head, sizeof head, "  %-14s ", e.Label.c_str());
    line = head + e.Text;
  }
  flush();
}

}  // namespace

int RunNum(const Args& argsIn) {
  Args args = argsIn;
  TOutFormat format = TOutFormat::Text;
  if (std::string why; !TakeFormatOption(args, format, why)) {
    std::fprintf(stderr, "zel num: %s\n%s", why.c_str(), kNumUsage);
    return 2;
  }
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kNumUsage, stdout);
    return 0;
  }
  if (args.empty()) {
    std::fputs(kNumUsage, stderr);
    return 2;
  }
  std::vector<double> values(args.size());
  std::vector<std::string> kinds(args.size());
  for (std::size_t i = 0; i < args.size(); ++i)
    if (!ParseValue(args[i], values[i], kinds[i])) {
      std::fprintf(stderr, "zel num: \"%s\" is not a number in any notation I know\n%s", args[i].c_str(), kNumUsage);
      return 2;
    }
  if (format == TOutFormat::Text) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i > 0) std::printf("\n");
      PrintText(args[i], kinds[i], Notations(values[i]));
    }
    return 0;
  }
  // csv: one line per value and notation; json: one object per value.
  TReportTable t{{"input", "kind", "notation", "text"}, {}};
  std::string json = "[";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const TNotations n = Notations(values[i]);
    json += std::string(i ? ",\n" : "\n") + "  {\"input\": " + JsonString(args[i]) + ", \"kind\": " +
            JsonString(kinds[i]) + ", \"notations\": {";
    for (std::size_t j = 0; j < n.size(); ++j) {
      const TCell text = n[j].Given ? TCell::Text(n[j].Text) : TCell{};
      t.Rows.push_back({TCell::Text(args[i]), TCell::Text(kinds[i]), TCell::Text(Key(n[j].Label)), text});
      json += (j ? ", " : "") + JsonString(Key(n[j].Label)) + ": " + JsonCell(text);
    }
    json += "}}";
  }
  if (format == TOutFormat::Csv)
    PrintCsv(t);
  else
    std::printf("%s\n]\n", json.c_str());
  return 0;
}

}  // namespace zeltool
