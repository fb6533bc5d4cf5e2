// The header reader of ASC text files: four lines (comment, column count,
// row count, flags). Only the header is read; the file size bounds what the
// counts may announce, so a hostile header cannot make a caller allocate
// storage that the file could never fill.
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "zel_base.h"
#include "zel_strutils.h"

namespace zel {

namespace {


// A count line: optional blanks, then decimal digits (at most INT32_MAX),
// then a TAB, blank, ';' or the end of the line. No sign is accepted.
bool ParseCount(std::string_view Line, int& Count) {
  std::size_t I = 0;
  while (I < Line.size() && IsBlankOrTab(Line[I])) ++I;
  const std::size_t First = I;
  std::int64_t Value = 0;
  while (I < Line.size() && Line[I] >= '0' && Line[I] <= '9') {
    Value = Value * 10 + (Line[I] - '0');
    if (Value > std::numeric_limits<std::int32_t>::max()) return false;
    ++I;
  }
  if (I == First) return false;
  if (I < Line.size() && !IsBlankOrTab(Line[I]) && Line[I] != ';') return false;
  Count = static_cast<int>(Value);
  return true;
}

// The flag line: three or four words TRUE/FALSE (any ASCII case) separated by
// blanks, ending at a TAB, a ';' or the end of the line.
bool ParseFlags(std::string_view Line, std::array<bool, 4>& Flags) {
  std::size_t I = 0;
  while (I < Line.size() && IsBlankOrTab(Line[I])) ++I;
  std::size_t End = Line.find_first_of("\t;", I);
  if (End == std::string_view::npos) End = Line.size();
  Flags = {false, false, false, false};
  int NFlags = 0;
  while (I < End) {
    if (Line[I] == ' ') {
      ++I;
      continue;
    }
    std::size_t WordEnd = I;
    while (WordEnd < End && Line[WordEnd] != ' ') ++WordEnd;
    const std::string_view Word = Line.substr(I, WordEnd - I);
    if (NFlags == 4) return false;
    if (SameText(Word, "TRUE"))
      Flags[NFlags] = true;
    else if (!SameText(Word, "FALSE"))
      return false;
    ++NFlags;
    I = WordEnd;
  }
  return NFlags >= 3;
}

}  // namespace

int ReadHeaderOfASC(const std::string& FileName, std::string& Comment, int& NCols, int& NRows,
                    bool& RowAttrib, bool& ColNames, bool& RowNames, bool& NominalVars) {
  std::error_code Ec;
  if (!std::filesystem::is_regular_file(FileName, Ec)) return ascErrNoFile;
  const std::uintmax_t FileSize = std::filesystem::file_size(FileName, Ec);
  if (Ec) return ascErrNoFile;

  std::string Line1, Line;
  int Cols = 0, Rows = 0;
  std::array<bool, 4> Flags{};
  std::uint64_t HeaderSize = 0;
  try {
    TTextFile File;
    File.Reset(FileName);
    // A last line without a line break is still a line.
    auto NextLine = [&File](std::string& L) {
      if (File.Eof()) return false;
      File.ReadLn(L);
      return true;
    };
    if (!NextLine(Line1)) return ascErrTruncated;
    if (Line1.size() >= 3 && Line1.compare(0, 3, "\xEF\xBB\xBF") == 0) Line1.erase(0, 3);
    if (!NextLine(Line)) return ascErrTruncated;
    if (!ParseCount(Line, Cols)) return ascErrBadNCols;
    if (!NextLine(Line)) return ascErrTruncated;
    if (!ParseCount(Line, Rows)) return ascErrBadNRows;
    if (!NextLine(Line)) return ascErrTruncated;
    if (!ParseFlags(Line, Flags)) return ascErrBadFlags;
    HeaderSize = File.Position();
  } catch (const EInOutError&) {
    return ascErrNoFile;  // vanished or unreadable while reading
  }

  // Every item the header announces (each value, each column name, each
  // row's attribute and name) takes at least one character and one
  // separator, the last one possibly without its separator. Counting the
  // names too keeps a file that announces no values from announcing a
  // count that a caller would allocate names or rows for.
  const std::uint64_t Remaining = FileSize > HeaderSize ? FileSize - HeaderSize : 0;
  const auto C = static_cast<std::uint64_t>(Cols);
  const auto R = static_cast<std::uint64_t>(Rows);
  const std::uint64_t PerRow = C + (Flags[0] ? 1 : 0) + (Flags[2] ? 1 : 0);
  const std::uint64_t NItems = R * PerRow + (Flags[1] ? C : 0);
  if (NItems > (Remaining + 1) / 2) return ascErrTooLarge;
  // A shape without items (columns but no rows, or rows but no columns) is
  // real, but a caller still sizes per-column or per-row records by it: the
  // counts alone may pass the bytes present only by a modest margin.
  constexpr std::uint64_t kCountWithoutItems = 65536;
  if (C > Remaining + kCountWithoutItems || R > Remaining + kCountWithoutItems) return ascErrTooLarge;

  Comment = std::move(Line1);
  NCols = Cols;
  NRows = Rows;
  RowAttrib = Flags[0];
  ColNames = Flags[1];
  RowNames = Flags[2];
  NominalVars = Flags[3];
  return 0;
}

}  // namespace zel
