// Scanning dates and times by a format text into the framework's date serial.
#include <array>
#include <cstdint>
#include <string_view>

#include "zel_math1_text.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// Fields of a date/time format.
enum class Field { Day, Month, MonthAbbr, MonthName, Year2, Year4, Hour, Minute, Second, Milli, Count };

struct FieldDef {
  Field Kind;
  int MinDigits;
  int MaxDigits;
};

// The field a run of Count letters C stands for; false for an unknown run.
bool FieldOfRun(char C, int Count, FieldDef& F) {
  switch (C) {
    case 'd':
      if (Count > 2) return false;
      F = {Field::Day, Count, 2};
      return true;
    case 'm':
      if (Count <= 2)
        F = {Field::Month, Count, 2};
      else if (Count == 3)
        F = {Field::MonthAbbr, 0, 0};
      else if (Count == 4)
        F = {Field::MonthName, 0, 0};
      else
        return false;
      return true;
    case 'y':
      if (Count == 2)
        F = {Field::Year2, 2, 2};
      else if (Count == 4)
        F = {Field::Year4, 4, 4};
      else
        return false;
      return true;
    case 'h':
    case 'n':
    case 's':
      if (Count > 2) return false;
      F = {C == 'h' ? Field::Hour : C == 'n' ? Field::Minute : Field::Second, Count, 2};
      return true;
    case 'z':
      if (Count != 1 && Count != 3) return false;
      F = {Field::Milli, Count, 3};
      return true;
    default:
      return false;
  }
}

bool IsFieldLetter(char C) { return C == 'd' || C == 'm' || C == 'y' || C == 'h' || C == 'n' || C == 's' || C == 'z'; }

// Month names; each may have a second spelling (the UTF-8 form of "März").
struct MonthName {
  std::string_view Full, Abbr, FullAlt, AbbrAlt;
};

constexpr std::array<MonthName, 12> kEnglishMonths = {{
    {"January", "Jan", {}, {}},
    {"February", "Feb", {}, {}},
    {"March", "Mar", {}, {}},
    {"April", "Apr", {}, {}},
    {"May", "May", {}, {}},
    {"June", "Jun", {}, {}},
    {"July", "Jul", {}, {}},
    {"August", "Aug", {}, {}},
    {"September", "Sep", {}, {}},
    {"October", "Oct", {}, {}},
    {"November", "Nov", {}, {}},
    {"December", "Dec", {}, {}},
}};

constexpr std::array<MonthName, 12> kGermanMonths = {{
    {"Januar", "Jan", {}, {}},
    {"Februar", "Feb", {}, {}},
    {"M\xE4rz", "M\xE4r", "M\xC3\xA4rz", "M\xC3\xA4r"},
    {"April", "Apr", {}, {}},
    {"Mai", "Mai", {}, {}},
    {"Juni", "Jun", {}, {}},
    {"Juli", "Jul", {}, {}},
    {"August", "Aug", {}, {}},
    {"September", "Sep", {}, {}},
    {"Oktober", "Okt", {}, {}},
    {"November", "Nov", {}, {}},
    {"Dezember", "Dez", {}, {}},
}};

bool MatchesAt(std::string_view S, std::size_t I, std::string_view Word) {
  return !Word.empty() && I + Word.size() <= S.size() && SameText(S.substr(I, Word.size()), Word);
}

// Month 1..12 whose name starts at I (length in Len); 0 when none.
int MatchMonth(std::string_view S, std::size_t I, TLanguage Language, bool Abbreviated, std::size_t& Len) {
  const auto& names = Language == lanGerman ? kGermanMonths : kEnglishMonths;
  for (int m = 0; m < 12; ++m) {
    const MonthName& mn = names[static_cast<std::size_t>(m)];
    for (std::string_view w : {Abbreviated ? mn.Abbr : mn.Full, Abbreviated ? mn.AbbrAlt : mn.FullAlt}) {
      if (MatchesAt(S, I, w)) {
        Len = w.size();
        return m + 1;
      }
    }
  }
  return 0;
}

bool IsLeapYear(int Y) { return (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0; }

int DaysInMonth(int Y, int M) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return M == 2 && IsLeapYear(Y) ? 29 : kDays[M - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date (the civil-from-days
// inverse by eras of 400 years, exact for every year).
std::int64_t DaysFromCivil(int Y, int M, int D) {
  const std::int64_t y = Y - (M <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// 1899-12-30, day 0 of the date serial, lies 25569 days before 1970-01-01.
constexpr std::int64_t kSerialOf1970 = 25569;

}  // namespace

double ScanDateTime(std::string_view Instring, std::string_view Format, TLanguage Language, int& CurPos) {
  if (CurPos < 1 || static_cast<std::size_t>(CurPos) > Instring.size() + 1) return 0;
  std::array<int, static_cast<std::size_t>(Field::Count)> value{};
  std::array<bool, static_cast<std::size_t>(Field::Count)> seen{};
  const std::size_t n = Instring.size();
  std::size_t i = static_cast<std::size_t>(CurPos) - 1;
  std::size_t f = 0;
  bool anyField = false;
  while (f < Format.size()) {
    const char fc = LoCase(Format[f]);
    if (IsFieldLetter(fc)) {
      int count = 1;
      while (f + static_cast<std::size_t>(count) < Format.size() &&
             LoCase(Format[f + static_cast<std::size_t>(count)]) == fc)
        ++count;
      f += static_cast<std::size_t>(count);
      FieldDef def{};
      if (!FieldOfRun(fc, count, def)) return 0;
      const auto slot =
          static_cast<std::size_t>(def.Kind == Field::MonthAbbr || def.Kind == Field::MonthName ? Field::Month
                                   : def.Kind == Field::Year2                                   ? Field::Year4
                                                                                                : def.Kind);
      if (seen[slot]) return 0;  // a field given twice
      seen[slot] = true;
      anyField = true;
      if (def.Kind == Field::MonthAbbr || def.Kind == Field::MonthName) {
        std::size_t len = 0;
        const int m = MatchMonth(Instring, i, Language, def.Kind == Field::MonthAbbr, len);
        if (m == 0) return 0;
        value[slot] = m;
        i += len;
        continue;
      }
      int digits = 0, v = 0;
      while (digits < def.MaxDigits && i < n && Instring[i] >= '0' && Instring[i] <= '9') {
        v = v * 10 + (Instring[i++] - '0');
        ++digits;
      }
      if (digits < def.MinDigits || digits == 0) return 0;
      if (def.Kind == Field::Year2) v += v < 50 ? 2000 : 1900;
      value[slot] = v;
    } else if (fc == ' ') {
      while (f < Format.size() && Format[f] == ' ') ++f;
      if (i >= n || Instring[i] != ' ') return 0;
      while (i < n && Instring[i] == ' ') ++i;
    } else {
      if (i >= n || LoCase(Instring[i]) != fc) return 0;
      ++i;
      ++f;
    }
  }
  if (!anyField) return 0;

  auto get = [&](Field k) { return value[static_cast<std::size_t>(k)]; };
  auto has = [&](Field k) { return seen[static_cast<std::size_t>(k)]; };
  const int dateFields = has(Field::Day) + has(Field::Month) + has(Field::Year4);
  if (dateFields != 0 && dateFields != 3) return 0;
  double days = 0;
  if (dateFields == 3) {
    const int y = get(Field::Year4), m = get(Field::Month), d = get(Field::Day);
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return 0;
    days = static_cast<double>(DaysFromCivil(y, m, d) + kSerialOf1970);
  }
  const int h = get(Field::Hour), mi = get(Field::Minute), s = get(Field::Second), ms = get(Field::Milli);
  if (h > 23 || mi > 59 || s > 59 || ms > 999) return 0;
  // One division of an exact millisecond count: the fraction is correctly rounded.
  const double time = static_cast<double>(((h * 60 + mi) * 60 + s) * 1000 + ms) / 86400000.0;
  CurPos = static_cast<int>(i + 1);
  // The serial counts days with the time of day as the fraction; for days
  // before day 0 the fraction is still the time, so it is subtracted.
  return days < 0 ? days - time : days + time;
}

}  // namespace zel
