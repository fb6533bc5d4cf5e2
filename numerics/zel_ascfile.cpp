// ASC text files: header and row writer, buffered body reader.
#include "zel_ascfile.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>

#include "zel_strutils.h"

namespace zel {

namespace {

// Large enough that the per-refill cost disappears beside number parsing.
constexpr std::int64_t kBlock = std::int64_t(1) << 20;

inline bool IsDelimiter(char Ch) noexcept { return static_cast<unsigned char>(Ch) <= ' '; }

std::string BlankLineBreaks(std::string S) {
  for (char& Ch : S)
    if (Ch == '\r' || Ch == '\n') Ch = ' ';
  return S;
}

}  // namespace

std::int64_t MaxCellsForInput(std::int64_t Bytes) noexcept {
  constexpr std::int64_t kAnyInput = std::int64_t(1) << 20;
  constexpr std::int64_t kPerByte = 8;
  return kAnyInput + kPerByte * std::min<std::int64_t>(std::max<std::int64_t>(Bytes, 0), INT64_MAX / 16);
}

bool StorageWithin(std::int64_t NCols, std::int64_t NRows, std::int64_t MaxCells) noexcept {
  if (NCols < 0 || NRows < 0) return false;
  return std::max<std::int64_t>(NCols, 1) <= MaxCells / std::max<std::int64_t>(NRows, 1);
}

// ---- writing ------------------------------------------------------------------------

std::string AscCommentLine(const std::string& Comment, const std::string& ClassName, const std::string& FName) {
  // A CR left in the comment would end line 1 for every reader that accepts
  // CR line ends, shifting the whole header.
  if (Comment.empty()) return BlankLineBreaks("Exported by ZEL " + ClassName + " component: " + FName);
  return BlankLineBreaks(Comment);
}

std::string AscQuotedName(std::string_view Name) {
  std::string Out;
  Out.reserve(Name.size() + 2);
  Out.push_back('"');
  for (const char Ch : Name) Out.push_back(Ch == '"' ? '\'' : (Ch == '\r' || Ch == '\n') ? ' ' : Ch);
  Out.push_back('"');
  return Out;
}

bool WriteWholeTextFile(const std::string& FName, const std::function<void(TTextFile&)>& Body) {
  TTextFile F;
  try {
    F.Rewrite(FName);
    Body(F);
    if (!F.WriteOK()) {
      F.Discard();
      return false;
    }
    F.Close();
  } catch (const Exception&) {
    F.Discard();
    return false;
  } catch (const std::bad_alloc&) {
    F.Discard();
    return false;
  }
  return true;
}

int WriteAscFile(const std::string& FName, const std::string& CommentLine, int NCols, int NRows,
                 const TAscFlags& Flags, const std::function<void(TTextFile&)>& Body) {
  const bool Ok = WriteWholeTextFile(FName, [&](TTextFile& F) {
    F.WriteLn(BlankLineBreaks(CommentLine));
    F.WriteLn(std::to_string(NCols) + "\t;nr. of columns");
    F.WriteLn(std::to_string(NRows) + "\t;nr. of rows");
    F.WriteLn(BoolToStr(Flags.RowAttrib) + " " + BoolToStr(Flags.ColNames) + " " + BoolToStr(Flags.RowNames) + " " +
              BoolToStr(Flags.NominalVars) + "\t;row attributes, column names, row names, nominal variables");
    if (Body) Body(F);
  });
  return Ok ? 0 : ascErrCreate;
}

void WriteAscStringTable(TTextFile& F, const TStr2DArray& Table) {
  std::string Line;
  for (const TStrArray& Row : Table) {
    Line.clear();
    for (std::size_t j = 0; j < Row.size(); ++j) {
      if (j > 0) Line.push_back(' ');
      Line += AscQuotedName(Row[j]);
    }
    F.WriteLn(Line);
  }
}

// ---- words ----------------------------------------------------------------------------

int ReadAscHeader(const std::string& FName, TAscHeader& Header) {
  TAscFlags& Fl = Header.Flags;
  return ReadHeaderOfASC(FName, Header.Comment, Header.NCols, Header.NRows, Fl.RowAttrib, Fl.ColNames, Fl.RowNames,
                         Fl.NominalVars);
}

bool NonFiniteWord(std::string_view Word, double& X) noexcept {
  bool Neg = false;
  if (!Word.empty() && (Word[0] == '+' || Word[0] == '-')) {
    Neg = Word[0] == '-';
    Word.remove_prefix(1);
    if (!SameText(Word, "INF")) return false;  // a signed NAN is no word of the writers
  }
  if (SameText(Word, "INF")) {
    X = Neg ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return true;
  }
  if (SameText(Word, "NAN")) {
    X = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  return false;
}

bool NumberWord(std::string_view Word, double& X) noexcept {
  return TextFileWordToDouble(Word, X) || NonFiniteWord(Word, X);
}

// ---- reader ----------------------------------------------------------------------------

TAscReader::~TAscReader() {
  if (FFile != nullptr) std::fclose(FFile);
}

bool TAscReader::Open(const std::string& FName, int SkipLines) {
  if (FFile != nullptr) std::fclose(FFile);
  FPos = FEnd = 0;
  FEof = false;
  int Err = 0;
  FFile = OpenFileForReading(FName, Err);
  if (FFile == nullptr) return false;
  struct stat St {};
  FFileSize = ::fstat(::fileno(FFile), &St) == 0 ? static_cast<std::int64_t>(St.st_size) : 0;
  try {
    // Small files get a small buffer: readers are opened often on them.
    const auto Block = static_cast<std::size_t>(std::clamp<std::int64_t>(FFileSize + 1, 4096, kBlock));
    FBuf.resize(Block + MaxWord);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::string Line;
  for (int i = 0; i < SkipLines; ++i)
    if (!ReadLine(Line)) break;
  return true;
}

// Moves the bytes from Keep on to the front and appends what the file holds
// next; false when nothing could be added.
bool TAscReader::Refill(std::size_t Keep) {
  const std::size_t Kept = FEnd - Keep;
  if (Kept > 0 && Keep > 0) std::memmove(FBuf.data(), FBuf.data() + Keep, Kept);
  FPos -= Keep;
  FEnd = Kept;
  if (FFile == nullptr || FEof) return false;
  const std::size_t N = std::fread(FBuf.data() + FEnd, 1, FBuf.size() - FEnd, FFile);
  FEnd += N;
  if (N == 0) FEof = true;
  return N > 0;
}

bool TAscReader::GetChar(char& Ch) {
  if (FPos == FEnd && !Refill(FEnd)) return false;
  Ch = FBuf[FPos++];
  return true;
}

bool TAscReader::NextWord(std::string_view& Word) {
  for (;;) {
    while (FPos < FEnd && IsDelimiter(FBuf[FPos])) ++FPos;
    if (FPos < FEnd) break;
    if (!Refill(FEnd)) return false;
  }
  std::size_t Start = FPos;
  for (;;) {
    while (FPos < FEnd && !IsDelimiter(FBuf[FPos])) ++FPos;
    if (FPos < FEnd) break;
    if (FPos - Start >= MaxWord) {
      // Too long for any number: keep its start, consume the rest.
      FLong.assign(FBuf.data() + Start, MaxWord);
      do {
        FPos = FEnd;
        if (!Refill(FEnd)) break;
        while (FPos < FEnd && !IsDelimiter(FBuf[FPos])) ++FPos;
      } while (FPos == FEnd);
      Word = FLong;
      return true;
    }
    const bool More = Refill(Start);  // moves the word's start to the front
    Start = 0;
    if (!More) break;  // the word ends with the file
  }
  Word = std::string_view(FBuf.data() + Start, FPos - Start);
  return true;
}

// A plain decimal number ([-]digits[.digits][E[sign]digits]) that
// std::from_chars reads up to the next delimiter is, by its syntax alone, a
// text-file number, and from_chars is what converts those: the value is the
// same as by the general way, without cutting out the word first. Anything
// else (a '+', a missing value, an overflow, a word running into the next
// block) is left to the general way.
bool TAscReader::FastNumber(double& X) {
  for (;;) {
    while (FPos < FEnd && IsDelimiter(FBuf[FPos])) ++FPos;
    if (FPos < FEnd) break;
    if (!Refill(FEnd)) return false;
  }
  const char* const Start = FBuf.data() + FPos;
  const char* const End = FBuf.data() + FEnd;
  const char* const Mantissa = Start + (*Start == '-' ? 1 : 0);
  if (Mantissa == End || !((*Mantissa >= '0' && *Mantissa <= '9') || *Mantissa == '.')) return false;
  double V = 0;
  const auto [Ptr, Ec] = std::from_chars(Start, End, V, std::chars_format::general);
  if (Ec != std::errc() || Ptr == End || !IsDelimiter(*Ptr)) return false;
  X = V;
  FPos = static_cast<std::size_t>(Ptr - FBuf.data());
  return true;
}

bool TAscReader::ReadNumber(double& X) {
  if (FastNumber(X)) return true;
  std::string_view W;
  return NextWord(W) && NumberWord(W, X);
}

bool TAscReader::ReadValue(double& X) {
  if (FastNumber(X)) return true;
  std::string_view W;
  if (!NextWord(W)) return false;
  if (W == "###" || SameText(W, "NAN")) {
    X = 0;
    return true;
  }
  return NumberWord(W, X);
}

bool TAscReader::ReadQuotedName(std::string& Name) {
  TQuotedStrState State = qsUndef;
  Name.clear();
  char Ch;
  while (GetChar(Ch))
    if (ParseQuotedName(Ch, '"', Name, State)) return true;
  return false;
}

bool TAscReader::ReadLine(std::string& Line) {
  Line.clear();
  if (FPos == FEnd && !Refill(FEnd)) return false;
  for (;;) {
    const std::size_t Start = FPos;
    while (FPos < FEnd && FBuf[FPos] != '\r' && FBuf[FPos] != '\n') ++FPos;
    Line.append(FBuf.data() + Start, FPos - Start);
    if (FPos < FEnd) break;
    if (!Refill(FEnd)) return true;  // the last line has no line break
  }
  const char Brk = FBuf[FPos++];
  if (Brk == '\r') {
    if (FPos == FEnd) Refill(FEnd);
    if (FPos < FEnd && FBuf[FPos] == '\n') ++FPos;
  }
  return true;
}

// ---- body -----------------------------------------------------------------------------

int ReadAscBody(TAscReader& R, const TAscHeader& Header, TStrArray& ColNames, const TAscRowHandler& OnRow,
                int& FailRow) {
  FailRow = 1;
  const auto NC = static_cast<std::size_t>(Header.NCols);
  ColNames.clear();
  if (Header.Flags.ColNames) {
    // The header reader has bounded the count by the file's bytes.
    ColNames.resize(NC);
    for (std::string& Name : ColNames)
      if (!R.ReadQuotedName(Name)) return ascErrBadName;
  }
  std::vector<double> Values(NC);
  std::string Name;
  for (int Row = 1; Row <= Header.NRows; ++Row) {
    FailRow = Row;
    double Attrib = 0;
    if (Header.Flags.RowAttrib && !R.ReadNumber(Attrib)) return ascErrBadRowAttrib;
    if (Header.Flags.RowNames && !R.ReadQuotedName(Name)) return ascErrBadName;
    for (double& X : Values)
      if (!R.ReadValue(X)) return ascErrBadValue;
    if (const int Rc = OnRow(Row, Attrib, Name, Values); Rc != 0) return Rc;
  }
  return 0;
}

int ReadAscStringTable(TAscReader& R, TStr2DArray& Table) {
  Table.clear();
  std::string Line;
  if (!R.ReadLine(Line)) return 0;  // the rest of the last value's line
  while (R.ReadLine(Line)) {
    TStrArray Row;
    TQuotedStrState State = qsUndef;
    std::string Name;
    for (const char Ch : Line)
      if (ParseQuotedName(Ch, '"', Name, State)) Row.push_back(Name);
    if (State == qsInName) return ascErrBadName;
    Table.push_back(std::move(Row));
  }
  return 0;
}

}  // namespace zel
