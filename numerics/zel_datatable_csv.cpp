// CSV files of TDataTable.
//
// Records end with CR LF, LF or CR; fields are separated by the delimiter
// (",", ";", TAB, or for csvBlank runs of blanks). A field may be quoted
// with double quotes; inside, the delimiter and line breaks are ordinary
// characters and a doubled quote stands for one (RFC 4180). Line breaks at
// the end of the file are ignored, and so is a UTF-8 byte-order mark, whose
// text is converted from UTF-8 to the library's code page.
//
// Reading: every record must have as many fields as the first one (else
// csvErrRagged with the record's line in LastIOErrorLine). With headers the
// first record names the columns (its first field is the corner above the
// row names and is skipped); with row headers the first field of each
// record names the row. An empty field is an empty cell (state csEmpty),
// "NAN" a cell without a number (csNoNumber); both hold 0. Numbers use the
// text-file syntax with "." and, with the ";" delimiter, also a decimal
// comma ("1,5"). A column with any other text is nominal: each distinct
// text (ignoring ASCII case, cut to 10 bytes, first spelling kept) takes
// the next identifier slot and its cells hold the slot; with more than 150
// distinct texts the column stays numeric and its text cells become
// csNoNumber.
//
// Writing: names, identifiers of nominal/ordinal cells, numbers (";" writes
// a decimal comma, the others "."), "" for empty cells and NAN for the
// other cells without a number. A field is quoted when it holds the
// delimiter, a quote or a line break, starts or ends with a blank, or is
// empty under csvBlank or alone on its line, or starts like a byte-order
// mark. Row attributes form a column "(attribute)" after the row names; the
// comment is a first record of its own (the comment and empty fields up to
// the table's width), which the reader takes as an ordinary record.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zel_ascfile.h"
#include "zel_datatable.h"
#include "zel_datatable_text.h"
#include "zel_streams.h"
#include "zel_strutils.h"
#include "zel_textfile.h"

namespace zel {

namespace {

char DelimiterChar(TCSVDelimiters D) {
  switch (D) {
    case csvSemicolon: return ';';
    case csvTab: return '\t';
    case csvBlank: return ' ';
    case csvComma: break;
  }
  return ',';
}

// Splits a text into records of fields, one record per call.
class TCsvScanner {
 public:
  TCsvScanner(std::string_view Text, TCSVDelimiters D) : FText(Text), FDelim(DelimiterChar(D)), FBlank(D == csvBlank) {}

  enum TResult { rcRecord, rcEnd, rcOpenQuote };

  /// The next record into Fields (reusing its strings); Line receives the
  /// line on which the record (or an open quote) starts.
  TResult Next(std::vector<std::string>& Fields, std::size_t& Count, int& Line) {
    Count = 0;
    if (FPos >= FText.size()) return rcEnd;
    Line = FLine;
    for (;;) {
      if (FBlank) SkipBlanks();
      if (Count == Fields.size()) Fields.emplace_back();
      std::string& F = Fields[Count++];
      F.clear();
      if (FPos < FText.size() && FText[FPos] == '"') {
        const int QuoteLine = FLine;
        if (!ReadQuoted(F)) {
          Line = QuoteLine;
          return rcOpenQuote;
        }
      }
      ReadPlain(F);
      if (FBlank) SkipBlanks();  // the run of blanks is the delimiter
      if (FPos >= FText.size()) return rcRecord;
      const char Ch = FText[FPos];
      if (Ch == '\r' || Ch == '\n') {
        EndLine();
        return rcRecord;
      }
      if (!FBlank) ++FPos;  // the delimiter
    }
  }

 private:
  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
  }
  void EndLine() {
    if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n') ++FPos;
    ++FPos;
    ++FLine;
  }
  // From the opening quote to the closing one; false when the text ends first.
  bool ReadQuoted(std::string& F) {
    ++FPos;
    for (;;) {
      const std::size_t Q = FText.find('"', FPos);
      if (Q == std::string_view::npos) return false;
      CountLines(FPos, Q);
      F.append(FText.substr(FPos, Q - FPos));
      FPos = Q + 1;
      if (FPos < FText.size() && FText[FPos] == '"') {
        F.push_back('"');
        ++FPos;
      } else {
        return true;
      }
    }
  }
  // Up to the delimiter or the end of the line (after a closing quote: what
  // a sloppy writer put there, taken literally).
  void ReadPlain(std::string& F) {
    const std::size_t Start = FPos;
    while (FPos < FText.size()) {
      const char Ch = FText[FPos];
      if (Ch == FDelim || Ch == '\r' || Ch == '\n') break;
      ++FPos;
    }
    F.append(FText.substr(Start, FPos - Start));
  }
  void CountLines(std::size_t From, std::size_t To) {
    for (std::size_t i = From; i < To; ++i)
      if (FText[i] == '\n' || (FText[i] == '\r' && (i + 1 >= To || FText[i + 1] != '\n'))) ++FLine;
  }

  std::string_view FText;
  std::size_t FPos = 0;
  int FLine = 1;
  char FDelim;
  bool FBlank;
};

std::string_view TrimBlanks(std::string_view S) {
  while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) S.remove_prefix(1);
  while (!S.empty() && (S.back() == ' ' || S.back() == '\t')) S.remove_suffix(1);
  return S;
}

enum class TFieldKind { fkMissingEmpty, fkMissingNaN, fkNumber, fkText };

// What a data field holds; X receives a number.
TFieldKind ClassifyField(std::string_view Field, bool DecimalComma, double& X) {
  const std::string_view T = TrimBlanks(Field);
  if (T.empty()) return TFieldKind::fkMissingEmpty;
  if (SameText(T, "NAN")) return TFieldKind::fkMissingNaN;
  if (NumberWord(T, X)) return TFieldKind::fkNumber;
  if (DecimalComma && T.find('.') == std::string_view::npos && std::count(T.begin(), T.end(), ',') == 1) {
    std::string S(T);
    S[S.find(',')] = '.';
    if (NumberWord(S, X)) return TFieldKind::fkNumber;
  }
  return TFieldKind::fkText;
}

// Identifier of a text field and its key for the case-blind lookup.
std::string IdentifierOf(std::string_view Field) {
  return std::string(TrimBlanks(Field).substr(0, kMaxNominalIDLength));
}
std::string IdentifierKey(std::string_view ID) { return LowerCase(ID); }

// Per column: whether it has text, and its distinct identifiers (up to one
// more than fits, which is enough to know it does not).
struct TCsvColumn {
  bool HasText = false;
  bool Nominal = false;                        // decided after the first pass
  std::unordered_map<std::string, int> Slots;  // key → slot
};

struct TCsvFailure {
  int Code = 0;
  std::string Text;
  int Line = 0;
};

// Reads the whole file; false when it cannot be read.
bool LoadText(const std::string& FName, std::string& Text) {
  try {
    TMemoryStream S;
    S.LoadFromFile(FName);
    Text.assign(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// The CSV text into T; 0 or a csvErr code with Fail filled in.
int ParseCsv(std::string_view Text, TCSVDelimiters Delimiter, bool ColHeaders, bool RowHeaders, TDataTable& T,
             TCsvFailure& Fail) {
  bool Utf8 = false;
  if (Text.substr(0, 3) == "\xEF\xBB\xBF") {
    Text.remove_prefix(3);
    Utf8 = true;
  }
  while (!Text.empty() && (Text.back() == '\r' || Text.back() == '\n')) Text.remove_suffix(1);
  const bool DecimalComma = Delimiter == csvSemicolon;
  const std::size_t Skip = RowHeaders ? 1 : 0;
  auto Convert = [Utf8](std::string_view S) { return Utf8 ? UTF8ToCP1252(S) : std::string(S); };

  // Pass 1: shape, raggedness, quotes and the kind of each column.
  std::vector<std::string> Fields;
  std::vector<TCsvColumn> Cols;
  std::size_t Count = 0, Width = 0;
  std::int64_t Records = 0;
  int Line = 0;
  {
    TCsvScanner S(Text, Delimiter);
    for (TCsvScanner::TResult Rc; (Rc = S.Next(Fields, Count, Line)) != TCsvScanner::rcEnd;) {
      if (Rc == TCsvScanner::rcOpenQuote) {
        Fail = {TDataTable::csvErrOpenQuote, "line " + std::to_string(Line) + ": a quoted field is not closed", Line};
        return Fail.Code;
      }
      if (Records == 0) {
        Width = Count;
        if (Width <= Skip) {
          Fail = {TDataTable::csvErrEmpty, "the file has no data column", 1};
          return Fail.Code;
        }
        if (Width - Skip > static_cast<std::size_t>(INT32_MAX)) {
          Fail = {TDataTable::csvErrTooLarge, "too many columns", 1};
          return Fail.Code;
        }
        Cols.resize(Width - Skip);
      } else if (Count != Width) {
        Fail = {TDataTable::csvErrRagged,
                "line " + std::to_string(Line) + ": " + std::to_string(Count) + " fields where the first record has " +
                    std::to_string(Width),
                Line};
        return Fail.Code;
      }
      ++Records;
      if (Records == 1 && ColHeaders) continue;
      for (std::size_t j = Skip; j < Width; ++j) {
        TCsvColumn& Col = Cols[j - Skip];
        double X;
        const TFieldKind K = ClassifyField(Fields[j], DecimalComma, X);
        if (K == TFieldKind::fkText) Col.HasText = true;
        // The identifiers of a column are all its non-missing texts, numbers
        // included, once it turns out to hold text; collect them all along.
        if ((K == TFieldKind::fkText || K == TFieldKind::fkNumber) && Col.Slots.size() <= kMaxNominalIDs)
          Col.Slots.try_emplace(IdentifierKey(IdentifierOf(Convert(Fields[j]))), 0);
      }
    }
  }
  if (Records == 0) {
    Fail = {TDataTable::csvErrEmpty, "the file holds no record", 0};
    return Fail.Code;
  }
  const std::int64_t Rows = Records - (ColHeaders ? 1 : 0);
  if (Rows > INT32_MAX) {
    Fail = {TDataTable::csvErrTooLarge, "too many rows", 0};
    return Fail.Code;
  }
  const int NC = static_cast<int>(Cols.size()), NR = static_cast<int>(Rows);
  try {
    T.Resize(NC, NR);
  } catch (const EZELError&) {  // the table's or its matrix's memory failure
    Fail = {TDataTable::csvErrTooLarge, "not enough memory for the table", 0};
    return Fail.Code;
  }
  for (int c = 1; c <= NC; ++c) {
    TCsvColumn& Col = Cols[static_cast<std::size_t>(c - 1)];
    Col.Nominal = Col.HasText && Col.Slots.size() <= static_cast<std::size_t>(kMaxNominalIDs);
    Col.Slots.clear();  // refilled in order of appearance below
    if (Col.Nominal) T.SetMScaleType(c, stNominal);
  }

  // Pass 2: names and cells.
  TCsvScanner S(Text, Delimiter);
  TMatrix& M = *T.NumericData();
  if (ColHeaders) {
    S.Next(Fields, Count, Line);
    for (int c = 1; c <= NC; ++c) T.SetColName(c, Convert(Fields[Skip + static_cast<std::size_t>(c - 1)]));
  }
  for (int r = 1; r <= NR; ++r) {
    S.Next(Fields, Count, Line);
    if (RowHeaders) T.SetRowName(r, Convert(Fields[0]));
    for (int c = 1; c <= NC; ++c) {
      TCsvColumn& Col = Cols[static_cast<std::size_t>(c - 1)];
      const std::string& F = Fields[Skip + static_cast<std::size_t>(c - 1)];
      double X = 0;
      const TFieldKind K = ClassifyField(F, DecimalComma, X);
      if (K == TFieldKind::fkMissingEmpty || K == TFieldKind::fkMissingNaN) {
        T.SetCellState(c, r, K == TFieldKind::fkMissingEmpty ? csEmpty : csNoNumber);
        X = 0;
      } else if (Col.Nominal) {
        const std::string ID = IdentifierOf(Convert(F));
        auto [It, Added] = Col.Slots.try_emplace(IdentifierKey(ID), static_cast<int>(Col.Slots.size()) + 1);
        if (Added) T.SetNominalID(c, It->second, ID);
        X = It->second;
      } else if (K == TFieldKind::fkText) {
        // Too many distinct texts to name: the cell holds no number.
        T.SetCellState(c, r, csNoNumber);
        X = 0;
      }
      M.ColumnData(c)[r - 1] = X;
    }
  }
  for (int c = 1; c <= NC; ++c)
    if (!Cols[static_cast<std::size_t>(c - 1)].Nominal) T.SetMScaleType(c, stInterval);
  M.Changed();
  return 0;
}

// ---- writing ----------------------------------------------------------------------------

std::string CsvField(std::string_view S, char Delim) {
  const bool Quote = S.find_first_of(std::string{Delim, '"', '\r', '\n'}) != std::string_view::npos ||
                     (!S.empty() && (S.front() == ' ' || S.back() == ' ' || S.front() == '\t' || S.back() == '\t')) ||
                     (S.empty() && Delim == ' ') || S.substr(0, 3) == "\xEF\xBB\xBF";
  if (!Quote) return std::string(S);
  std::string Out = "\"";
  for (const char Ch : S) {
    if (Ch == '"') Out.push_back('"');
    Out.push_back(Ch);
  }
  Out.push_back('"');
  return Out;
}

std::string CsvCell(const TDataTable& T, int c, int r, int Precision, char Delim) {
  const Byte St = T.GetCellState(c, r);
  if ((St & 3) != 0) return (St & csEmpty) != 0 ? CsvField("", Delim) : "NAN";
  const TMScaleType Scale = T.GetMScaleType(c);
  if (Scale == stNominal || Scale == stOrdinal) {
    const std::string ID = T.GetElemNominal(c, r);
    if (!ID.empty()) return CsvField(ID, Delim);
  }
  std::string S = DTValueText(T.NumericData()->GetVal(c, r), Precision);
  if (Delim == ';') std::replace(S.begin(), S.end(), '.', ',');
  return S;
}

std::string ExportCsv(const TDataTable& T, const std::string& FName, int Precision, TCSVDelimiters Delimiter,
                      bool ColHeaders, bool RowHeaders, bool RowAttributes, bool Comment) {
  if (!T.MatrixInStep()) return "The table and its data matrix differ in size";
  const char D = DelimiterChar(Delimiter);
  const int NC = T.NrOfColumns(), NR = T.NrOfRows();
  TTextFile F;
  try {
    F.Rewrite(FName);
    std::string Line;
    auto Put = [&](const std::vector<std::string>& Rec) {
      Line.clear();
      for (std::size_t i = 0; i < Rec.size(); ++i) {
        if (i > 0) Line.push_back(D);
        Line += Rec[i];
      }
      // An empty line at the end would be taken for the file's last line break.
      F.WriteLn(Line.empty() ? "\"\"" : Line);
    };
    const std::size_t Width = static_cast<std::size_t>(NC) + (RowHeaders ? 1 : 0) + (RowAttributes ? 1 : 0);
    std::vector<std::string> Rec;
    if (Comment) {
      Rec.assign(std::max<std::size_t>(Width, 1), CsvField("", D));
      Rec[0] = CsvField(T.Comment(), D);
      Put(Rec);
    }
    if (ColHeaders) {
      Rec.clear();
      if (RowHeaders) Rec.push_back(CsvField("", D));
      if (RowAttributes) Rec.push_back("(attribute)");
      for (int c = 1; c <= NC; ++c) Rec.push_back(CsvField(T.GetColName(c), D));
      Put(Rec);
    }
    for (int r = 1; r <= NR; ++r) {
      Rec.clear();
      if (RowHeaders) Rec.push_back(CsvField(T.GetRowName(r), D));
      if (RowAttributes) Rec.push_back(std::to_string(T.GetRowAttrib(r)));
      for (int c = 1; c <= NC; ++c) Rec.push_back(CsvCell(T, c, r, Precision, D));
      Put(Rec);
    }
    if (!F.WriteOK()) {
      F.Discard();
      return "Cannot write the file \"" + FName + "\"";
    }
    F.Close();
  } catch (const Exception& E) {
    F.Discard();
    return E.Message();
  } catch (const std::bad_alloc&) {
    F.Discard();
    return "Not enough memory to write \"" + FName + "\"";
  }
  return std::string();
}

}  // namespace

int TDataTable::ImportFromCSV(const std::string& FName, TCSVDelimiters Delimiter, bool IncludeColHeaders,
                              bool IncludeRowHeaders) {
  std::string Text;
  if (!LoadText(FName, Text)) return IOFail(csvErrNoFile, "Cannot read the file \"" + FName + "\"");
  TDataTable T;
  TCsvFailure Fail;
  try {
    if (ParseCsv(Text, Delimiter, IncludeColHeaders, IncludeRowHeaders, T, Fail) != 0)
      return IOFail(Fail.Code, Fail.Text, Fail.Line);
  } catch (const std::bad_alloc&) {
    return IOFail(csvErrTooLarge, "not enough memory for the table");
  }
  CopyContentsFrom(&T);
  return IOFail(0, std::string());
}

std::string TDataTable::ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter,
                                    bool IncludeColHeaders, bool IncludeRowHeaders) const {
  return ExportCsv(*this, FName, Precision, Delimiter, IncludeColHeaders, IncludeRowHeaders, false, false);
}

std::string TDataTable::ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter,
                                    bool IncludeColHeaders, bool IncludeRowHeaders, bool IncludeRowAttributes) const {
  return ExportCsv(*this, FName, Precision, Delimiter, IncludeColHeaders, IncludeRowHeaders, IncludeRowAttributes,
                   false);
}

std::string TDataTable::ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter,
                                    bool IncludeColHeaders, bool IncludeRowHeaders, bool IncludeRowAttributes,
                                    bool IncludeComment) const {
  return ExportCsv(*this, FName, Precision, Delimiter, IncludeColHeaders, IncludeRowHeaders, IncludeRowAttributes,
                   IncludeComment);
}

}  // namespace zel
