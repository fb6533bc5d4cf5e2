// TDataTable: Serialize, the ASC files, and the number text that the ASC
// and CSV writers share.
//
// ASC layout of the table (the shared layout of zel_ascfile.h, so matrix and
// vector readers read its values):
//   line 1      the comment ("Exported by ZEL TDataTable component: ..." when empty)
//   lines 2, 3  the numbers of columns and rows
//   line 4      TRUE TRUE TRUE <D>  (row attributes, column names, row names, descriptions)
//   one line of quoted column names
//   one line per row: attribute, quoted row name, one value per column
//   with D = TRUE, one description line per column:
//     <scale 0..4> <column attribute> <k> "id 1" ... "id k" <m> <state 1> ... <state m>
//   and, for ExportAsASC with CustData, its lines.
// A cell that is not a number is written as "NAN" (no number, csNoNumber)
// or "###" (empty, csEmpty) and reads back with value 0. k is the highest
// identifier slot in use (free slots as ""). m is 0 when the value words
// tell the column's states, else the number of rows: then the states are
// exact (imputed cells, marks, a NaN in a number cell) and a "NAN" word in
// a number cell is read as NaN. D is TRUE when some column needs a line:
// a scale other than stInterval, identifiers, an attribute or such states.
// Names are quoted without escapes: a double quote in a name is written as
// ', a line break as a blank. Everything else round-trips, values exactly
// with Precision outside 1..16.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "zel_ascfile.h"
#include "zel_base.h"
#include "zel_datatable.h"
#include "zel_datatable_text.h"
#include "zel_format.h"
#include "zel_numeric.h"
#include "zel_strutils.h"

namespace zel {

// ---- shared text ----------------------------------------------------------------------

std::string DTValueText(double X, int Precision) {
  if (!std::isfinite(X) || Precision < 1 || Precision > 16) return FloatToStrShortest(X);
  char Buf[48];
  const auto R = std::to_chars(Buf, Buf + sizeof Buf, X, std::chars_format::general, Precision);
  std::string S(Buf, R.ptr);
  // The exponent letter of the library's other writers.
  for (char& Ch : S)
    if (Ch == 'e') Ch = 'E';
  return S;
}

void DTStoreNominalID(TDataTable& T, int Col, int Slot, const std::string& ID) {
  // SetNominalID stores text only in a nominal or ordinal column, yet any
  // column may keep identifiers (a scale change leaves them).
  const TMScaleType Scale = T.GetMScaleType(Col);
  const bool Categorial = Scale == stNominal || Scale == stOrdinal;
  if (!Categorial) T.SetMScaleType(Col, stNominal);
  T.SetNominalID(Col, Slot, ID);
  if (!Categorial) T.SetMScaleType(Col, Scale);
}

int TDataTable::IOFail(int Code, const std::string& Text, int Line) {
  FIOError = Text;
  FIOErrorLine = Line;
  return Code;
}

// ---- Serialize ----------------------------------------------------------------------------

namespace {

// Whether every column holds the identifier list of column 1.
bool SameIdentifierLists(const TDataTable& T) {
  const TVTypeSpecs* First = T.VTypeSpecs(1);
  for (int c = 2; c <= T.NrOfColumns(); ++c)
    if (T.VTypeSpecs(c)->IDs != First->IDs) return false;
  return First != nullptr;
}

void CopyColumnSetup(const TDataTable& From, int FromCol, TDataTable& To, int ToCol) {
  To.SetColAttrib(ToCol, From.GetColAttrib(FromCol));
  To.SetMScaleType(ToCol, From.GetMScaleType(FromCol));
  const TVTypeSpecs* VT = From.VTypeSpecs(FromCol);
  for (int k = 1; k <= kMaxNominalIDs; ++k)
    if (!VT->IDs[static_cast<std::size_t>(k - 1)].empty())
      DTStoreNominalID(To, ToCol, k, VT->IDs[static_cast<std::size_t>(k - 1)]);
}

void MakePlainColumn(TDataTable& T, int Col, const std::string& Name) {
  T.SetColName(Col, Name);
  T.SetMScaleType(Col, stInterval);
  T.ClearNominalIDs(Col);
}

}  // namespace

void TDataTable::Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers) {
  const int C = FNrOfCols, R = FNrOfRows;
  const std::int64_t Cells = std::int64_t(C) * R;
  if (Cells > INT32_MAX) return;
  const int NRes = static_cast<int>(Cells);
  const int N = 1 + (ColHeadsAsVar ? 1 : 0) + (IncludeColRowNumbers ? 2 : 0);

  // The result is built in a table without handlers, so no event fires per write.
  TDataTable Res;
  Res.Resize(N, NRes);
  Res.SetComment(FComment);
  for (int c = 1; c <= std::min(N, C); ++c) CopyColumnSetup(*this, c, Res, c);
  if (ColHeadsAsVar) {
    Res.ClearNominalIDs(1);
    for (int s = 1; s <= C; ++s) Res.AddNominalID(1, (std::to_string(s) + ":" + GetColName(s)).substr(0, 10));
    Res.SetColName(1, "(column)");
  }
  if (IncludeColRowNumbers) {
    MakePlainColumn(Res, N - 2, "(col. index)");
    MakePlainColumn(Res, N - 1, "(row index)");
  }
  Res.SetColName(N, "(data)");
  const TMScaleType Scale = FindHighestMLevel(1, C);
  // "(data)" holds the codes of every former column: one list labels them
  // only when all columns share it.
  const bool KeepIDs = (Scale == stNominal || Scale == stOrdinal) && SameIdentifierLists(*this);
  Res.ClearNominalIDs(N);
  if (KeepIDs)
    for (int k = 1; k <= kMaxNominalIDs; ++k)
      if (const std::string& ID = std::as_const(FVType[0].IDs)[static_cast<std::size_t>(k - 1)]; !ID.empty())
        DTStoreNominalID(Res, N, k, ID);
  Res.SetMScaleType(N, Scale);

  TMatrix& M = *Res.NumericData();
  for (int s = 1; s <= C; ++s) {
    for (int r = 1; r <= R; ++r) {
      const int k = (s - 1) * R + r;
      if (ColHeadsAsVar) M.ColumnData(1)[k - 1] = s;
      if (IncludeColRowNumbers) {
        M.ColumnData(N - 2)[k - 1] = s;
        M.ColumnData(N - 1)[k - 1] = r;
      }
      M.ColumnData(N)[k - 1] = GetElem(s, r);
      Res.SetRowName(k, GetRowName(r));
      Res.SetRowAttrib(k, GetRowAttrib(r));
      Res.SetCellState(N, k, GetCellState(s, r));
    }
  }
  M.Changed();

  {
    // CopyContentsFrom would fire everything itself, OnResize even twice.
    const TEventSilencer Silence(*this);
    TDataTableResizeEvent Resized;
    Resized.swap(OnResize);
    try {
      CopyContentsFrom(&Res);
    } catch (...) {
      OnResize.swap(Resized);
      throw;
    }
    OnResize.swap(Resized);
  }
  ChangedData();
  ChangedCellStates();
  ChangedSetup();
  ChangedNames();
  ChangedAttrib();
  if ((C != N || R != NRes) && OnResize) OnResize(this, C, R, N, NRes);
}

// ---- ASC: writing ---------------------------------------------------------------------------

namespace {

// The word of a cell that is not a number.
const char* MissingWord(Byte State) { return (State & csEmpty) != 0 ? "###" : "NAN"; }

// The state the value words give back: 0 for a number, csNoNumber for
// "NAN", csEmpty for "###".
Byte StateOfWord(Byte State) { return (State & 3) == 0 ? 0 : (State & csEmpty) != 0 ? csEmpty : csNoNumber; }

// Whether the value words of a column lose some of its states.
bool NeedsStates(const TDataTable& T, int Col) {
  const double* V = T.NumericData()->ColumnData(Col);
  for (int r = 1; r <= T.NrOfRows(); ++r) {
    const Byte S = T.GetCellState(Col, r);
    if (S != StateOfWord(S) || (S == 0 && std::isnan(V[r - 1]))) return true;
  }
  return false;
}

int HighestIDSlot(const TDataTable& T, int Col) {
  const TVTypeSpecs* VT = T.VTypeSpecs(Col);
  for (int k = kMaxNominalIDs; k >= 1; --k)
    if (!VT->IDs[static_cast<std::size_t>(k - 1)].empty()) return k;
  return 0;
}

bool NeedsDescription(const TDataTable& T, int Col, bool States) {
  return States || T.GetMScaleType(Col) != stInterval || T.GetColAttrib(Col) != 0 || HighestIDSlot(T, Col) > 0;
}

void WriteTableAscBody(const TDataTable& T, int Precision, TTextFile& F) {
  const int NC = T.NrOfColumns(), NR = T.NrOfRows();
  std::string Line;
  for (int c = 1; c <= NC; ++c) {
    if (c > 1) Line.push_back(' ');
    Line += AscQuotedName(T.GetColName(c));
  }
  F.WriteLn(Line);
  const TMatrix& M = *T.NumericData();
  for (int r = 1; r <= NR; ++r) {
    Line = std::to_string(T.GetRowAttrib(r)) + ' ' + AscQuotedName(T.GetRowName(r));
    for (int c = 1; c <= NC; ++c) {
      Line.push_back(' ');
      const Byte S = T.GetCellState(c, r);
      Line += (S & 3) != 0 ? MissingWord(S) : DTValueText(M.ColumnData(c)[r - 1], Precision);
    }
    F.WriteLn(Line);
  }
}

void WriteTableAscDescriptions(const TDataTable& T, const std::vector<char>& States, TTextFile& F) {
  const int NR = T.NrOfRows();
  for (int c = 1; c <= T.NrOfColumns(); ++c) {
    const int K = HighestIDSlot(T, c);
    std::string Line = std::to_string(static_cast<int>(T.GetMScaleType(c))) + ' ' +
                       std::to_string(T.GetColAttrib(c)) + ' ' + std::to_string(K);
    // The record itself: GetNominalID hides the identifiers of a column
    // that is not nominal or ordinal.
    const TVTypeSpecs* VT = T.VTypeSpecs(c);
    for (int k = 1; k <= K; ++k) Line += ' ' + AscQuotedName(VT->IDs[static_cast<std::size_t>(k - 1)]);
    if (States[static_cast<std::size_t>(c - 1)] != 0) {
      Line += ' ' + std::to_string(NR);
      for (int r = 1; r <= NR; ++r) Line += ' ' + std::to_string(T.GetCellState(c, r));
    } else {
      Line += " 0";
    }
    F.WriteLn(Line);
  }
}

// Writes the file FName; ShownName is the name line 1 gives for an empty comment.
const char* const kOutOfStep = "The table and its data matrix differ in size";

std::string ExportTableAsc(const TDataTable& T, const std::string& FName, const std::string& ShownName, int Precision,
                           const TStr2DArray* CustData) {
  if (!T.MatrixInStep()) return kOutOfStep;
  std::vector<char> States(static_cast<std::size_t>(T.NrOfColumns()));
  bool Describe = false;
  for (int c = 1; c <= T.NrOfColumns(); ++c) {
    States[static_cast<std::size_t>(c - 1)] = NeedsStates(T, c) ? 1 : 0;
    Describe = Describe || NeedsDescription(T, c, States[static_cast<std::size_t>(c - 1)] != 0);
  }
  const TAscFlags Flags{true, true, true, Describe};
  const int Rc = WriteAscFile(FName, AscCommentLine(T.Comment(), T.ClassName(), ShownName), T.NrOfColumns(),
                              T.NrOfRows(), Flags, [&](TTextFile& F) {
                                WriteTableAscBody(T, Precision, F);
                                if (Describe) WriteTableAscDescriptions(T, States, F);
                                if (CustData != nullptr) WriteAscStringTable(F, *CustData);
                              });
  return Rc == 0 ? std::string() : "Cannot write the file \"" + FName + "\"";
}

// A temporary file in the system's temporary folder, removed with the object:
// the ASC reader and writer work on files, so streams and the clipboard pass
// through one.
class TScratchFile {
 public:
  TScratchFile() {
    std::error_code Ec;
    const auto Dir = std::filesystem::temp_directory_path(Ec);
    if (Ec) return;
    std::FILE* F = CreateTempFileBeside((Dir / "zel_datatable.asc").string(), FName);
    if (F == nullptr)
      FName.clear();
    else
      std::fclose(F);
  }
  ~TScratchFile() {
    if (!FName.empty()) std::remove(FName.c_str());
  }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;
  const std::string& Name() const noexcept { return FName; }
  bool Valid() const noexcept { return !FName.empty(); }

 private:
  std::string FName;
};

bool WriteWholeFile(const std::string& FName, const void* Data, std::size_t Count) {
  std::FILE* F = std::fopen(FName.c_str(), "wb");
  if (F == nullptr) return false;
  const bool Ok = std::fwrite(Data, 1, Count, F) == Count;
  return std::fclose(F) == 0 && Ok;
}

// The ASC text of a table, through a scratch file; "" or why it failed.
std::string AscText(const TDataTable& T, int Precision, std::string& Text) {
  TScratchFile Tmp;
  if (!Tmp.Valid()) return "Cannot create a temporary file";
  if (std::string Err = ExportTableAsc(T, Tmp.Name(), std::string(), Precision, nullptr); !Err.empty()) return Err;
  try {
    TMemoryStream S;
    S.LoadFromFile(Tmp.Name());
    Text.assign(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  } catch (const Exception& E) {
    return "Cannot read back the ASC text: " + E.Message();
  }
  return std::string();
}

}  // namespace

std::string TDataTable::ExportAsASC(const std::string& FName, int Precision) const {
  return ExportTableAsc(*this, FName, FName, Precision, nullptr);
}

std::string TDataTable::ExportAsASC(const std::string& FName, int Precision, const TStr2DArray& CustData) const {
  return ExportTableAsc(*this, FName, FName, Precision, &CustData);
}

std::string TDataTable::ExportAsASC(TStream& OutStream, int Precision) const {
  std::string Text;
  if (std::string Err = AscText(*this, Precision, Text); !Err.empty()) return Err;
  try {
    OutStream.WriteBuffer(Text.data(), static_cast<std::int64_t>(Text.size()));
  } catch (const Exception& E) {
    return "Cannot write the ASC text to the stream: " + E.Message();
  }
  return std::string();
}

std::string TDataTable::ExportAsASC(TTextFile& OutFile, int Precision) const {
  std::string Text;
  if (std::string Err = AscText(*this, Precision, Text); !Err.empty()) return Err;
  try {
    OutFile.Write(Text);
  } catch (const Exception& E) {
    return "Cannot write the ASC text: " + E.Message();
  }
  return OutFile.WriteOK() ? std::string() : "Cannot write the ASC text to \"" + OutFile.FileName() + "\"";
}

// ---- ASC: reading ---------------------------------------------------------------------------------

namespace {

// What an ASC file held beyond its values.
struct TAscTableInfo {
  TAscFlags Flags;
  bool Described = false;  // the description lines were present
};

struct TAscReadError {
  int Code = 0;
  std::string Text;
  int Line = 0;
};

// A row attribute: a number that rounds into the int range.
bool AttributeWord(std::string_view W, int& A) {
  double X = 0;
  if (!NumberWord(W, X) || !FitsInt32(RoundHalfEven(X))) return false;
  A = RoundToInt(X);
  return true;
}

bool ReadCount(TAscReader& R, int Lo, int Hi, int& X) {
  std::string_view W;
  return R.NextWord(W) && TryStrToInt(W, X) && X >= Lo && X <= Hi;
}

// Reads the description lines into T (scales, attributes, identifiers and
// the explicit states). NanWords marks the cells whose word was "NAN". A
// file that ends before the first line has none (Present false, success).
int ReadAscDescriptions(TAscReader& R, TDataTable& T, const std::vector<bool>& NanWords, bool& Present,
                        TAscReadError& Err) {
  const int NC = T.NrOfColumns(), NR = T.NrOfRows();
  Present = false;
  TMatrix& M = *T.NumericData();
  std::string ID;
  std::string_view W;
  for (int c = 1; c <= NC; ++c) {
    if (c == 1 && !R.NextWord(W)) return 0;
    Present = true;
    int Scale = 0, Attrib = 0, K = 0, Count = 0;
    bool Ok = (c == 1 || R.NextWord(W)) && TryStrToInt(W, Scale) && Scale >= 0 && Scale <= 4 && R.NextWord(W) &&
              TryStrToInt(W, Attrib) && ReadCount(R, 0, kMaxNominalIDs, K);
    if (Ok) {
      T.SetColAttrib(c, Attrib);
      T.SetMScaleType(c, static_cast<TMScaleType>(Scale));
    }
    for (int k = 1; Ok && k <= K; ++k) {
      Ok = R.ReadQuotedName(ID);
      if (Ok && !ID.empty()) DTStoreNominalID(T, c, k, ID);
    }
    Ok = Ok && R.NextWord(W) && TryStrToInt(W, Count) && (Count == 0 || Count == NR);
    double* V = M.ColumnData(c);
    for (int r = 1; Ok && r <= Count; ++r) {
      int S = 0;
      Ok = ReadCount(R, 0, 255, S);
      T.SetCellState(c, r, static_cast<Byte>(S));
      const std::size_t Ix = static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(NR) + (r - 1);
      if ((S & 3) == 0 && NanWords[Ix]) V[r - 1] = std::numeric_limits<double>::quiet_NaN();
    }
    if (!Ok) {
      Err = {TDataTable::dtErrBadColumnInfo, "The description of column " + std::to_string(c) + " is malformed", 0};
      return Err.Code;
    }
  }
  return 0;
}

std::string HeaderErrorText(int Code) {
  switch (Code) {
    case ascErrTruncated: return "the ASC header has fewer than four lines";
    case ascErrBadNCols: return "line 2 of the ASC header holds no column count";
    case ascErrBadNRows: return "line 3 of the ASC header holds no row count";
    case ascErrBadFlags: return "line 4 of the ASC header holds no TRUE/FALSE flags";
    case ascErrTooLarge: return "the ASC header announces more values than the file holds";
    default: return "the file cannot be read";
  }
}

// Reads an ASC file into T (a fresh table of the file's shape afterwards).
// CustData, when given, receives the table of strings after the values.
int ReadAscTable(const std::string& FName, TDataTable& T, TAscTableInfo& Info, TStr2DArray* CustData,
                 TAscReadError& Err) {
  if (!FileExists(FName)) {
    Err = {ascErrNoFile, "File not found: " + FName, 0};
    return Err.Code;
  }
  TAscHeader H;
  if (const int Rc = ReadAscHeader(FName, H); Rc != 0) {
    Err = {Rc, HeaderErrorText(Rc), 0};
    return Rc;
  }
  TAscReader R;
  if (!R.Open(FName, 4)) {
    Err = {ascErrNoFile, "Cannot read \"" + FName + "\"", 0};
    return Err.Code;
  }
  // The header reader bounds the values by the file's bytes, but not the
  // columns of a file without rows, and each column costs a scale record.
  if (H.NCols > R.FileSize()) {
    Err = {ascErrTooLarge, "The header announces more columns than the file can hold", 0};
    return Err.Code;
  }
  Info.Flags = H.Flags;
  const int NC = H.NCols, NR = H.NRows;
  std::vector<bool> NanWords;
  try {
    T.Resize(NC, NR);
    NanWords.assign(static_cast<std::size_t>(NC) * static_cast<std::size_t>(NR), false);
  } catch (const EZELError&) {  // the table's or its matrix's memory failure
    Err = {ascErrNoMemory, "Not enough memory for the table", 0};
    return Err.Code;
  } catch (const std::bad_alloc&) {
    Err = {ascErrNoMemory, "Not enough memory for the table", 0};
    return Err.Code;
  }
  T.SetComment(H.Comment);
  std::string Name;
  if (H.Flags.ColNames)
    for (int c = 1; c <= NC; ++c) {
      if (!R.ReadQuotedName(Name)) {
        Err = {ascErrBadName, "Column name " + std::to_string(c) + " is not closed", 0};
        return Err.Code;
      }
      T.SetColName(c, Name);
    }
  TMatrix& M = *T.NumericData();
  std::string_view W;
  for (int r = 1; r <= NR; ++r) {
    const std::string Where = "row " + std::to_string(r);
    if (H.Flags.RowAttrib) {
      int A = 0;
      if (!R.NextWord(W) || !AttributeWord(W, A)) {
        Err = {ascErrBadRowAttrib, "The attribute of " + Where + " is not a number", r};
        return Err.Code;
      }
      T.SetRowAttrib(r, A);
    }
    if (H.Flags.RowNames) {
      if (!R.ReadQuotedName(Name)) {
        Err = {ascErrBadName, "The name of " + Where + " is not closed", r};
        return Err.Code;
      }
      T.SetRowName(r, Name);
    }
    for (int c = 1; c <= NC; ++c) {
      double X = 0;
      Byte S = 0;
      if (!R.NextWord(W)) {
        Err = {ascErrBadValue, "The file ends in " + Where, r};
        return Err.Code;
      }
      if (W == "###") {
        S = csEmpty;
      } else if (SameText(W, "NAN")) {
        S = csNoNumber;
        NanWords[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(NR) + (r - 1)] = true;
      } else if (!NumberWord(W, X)) {
        Err = {ascErrBadValue, "Value " + std::to_string(c) + " of " + Where + " is not a number", r};
        return Err.Code;
      }
      M.ColumnData(c)[r - 1] = X;
      if (S != 0) T.SetCellState(c, r, S);
    }
  }
  M.Changed();
  if (H.Flags.NominalVars && ReadAscDescriptions(R, T, NanWords, Info.Described, Err) != 0) return Err.Code;
  if (CustData != nullptr) {
    TStr2DArray Table;
    if (const int Rc = ReadAscStringTable(R, Table); Rc != 0) {
      Err = {Rc, "A string of the table after the values is not closed", 0};
      return Rc;
    }
    *CustData = std::move(Table);
  }
  return 0;
}

// The file's slot → the target's slot for the identifiers of a file column
// (0 where the file has none); false when the target runs out of slots.
bool MergeIdentifiers(const TDataTable& From, int FromCol, TDataTable& To, int ToCol, std::vector<int>& Map) {
  Map.assign(kMaxNominalIDs + 1, 0);
  const TVTypeSpecs* VT = From.VTypeSpecs(FromCol);
  for (int k = 1; k <= kMaxNominalIDs; ++k) {
    const std::string& ID = VT->IDs[static_cast<std::size_t>(k - 1)];
    if (ID.empty()) continue;
    const int Slot = To.AddNominalID(ToCol, ID);
    if (Slot == 0) return false;
    Map[static_cast<std::size_t>(k)] = Slot;
  }
  return true;
}

// Places the block read from a file (F) into T at (PosX, PosY).
int PlaceAscBlock(const TDataTable& F, const TAscTableInfo& Info, TDataTable& T, int PosX, int PosY, bool ReplaceIDs,
                  TAscReadError& Err) {
  const int NC = F.NrOfColumns(), NR = F.NrOfRows();
  const std::int64_t HiC = std::int64_t(PosX) + NC - 1, HiR = std::int64_t(PosY) + NR - 1;
  if (PosX < 1 || PosY < 1 || HiC > INT32_MAX || HiR > INT32_MAX) {
    Err = {TDataTable::dtErrBadPosition, "The block cannot be placed at column " + std::to_string(PosX) + ", row " +
                                             std::to_string(PosY),
           0};
    return Err.Code;
  }
  T.Resize(std::max<int>(T.NrOfColumns(), static_cast<int>(HiC)), std::max<int>(T.NrOfRows(), static_cast<int>(HiR)));
  const TMatrix& FM = *F.NumericData();
  TMatrix& TM = *T.NumericData();
  std::vector<int> Map;
  for (int c = 1; c <= NC; ++c) {
    const int Tc = PosX + c - 1;
    if (Info.Flags.ColNames) T.SetColName(Tc, F.GetColName(c));
    bool Recode = false;
    if (Info.Described) {
      T.SetColAttrib(Tc, F.GetColAttrib(c));
      const TMScaleType Scale = F.GetMScaleType(c);
      if (ReplaceIDs) {
        T.ClearNominalIDs(Tc);
        CopyColumnSetup(F, c, T, Tc);
      } else if (Scale == stNominal || Scale == stOrdinal) {
        if (!MergeIdentifiers(F, c, T, Tc, Map)) {
          Err = {TDataTable::dtErrTooManyIDs, "Column " + std::to_string(Tc) + " would need more than 150 identifiers",
                 0};
          return Err.Code;
        }
        Recode = true;
      }
      T.SetMScaleType(Tc, Scale);
    }
    const double* Src = FM.ColumnData(c);
    double* Dst = TM.ColumnData(Tc) + (PosY - 1);
    for (int r = 0; r < NR; ++r) {
      double X = Src[r];
      if (Recode) {
        // Only codes with an identifier change; any other value stays.
        const double K = RoundHalfEven(X);
        if (K >= 1 && K <= kMaxNominalIDs && Map[static_cast<std::size_t>(K)] != 0)
          X = Map[static_cast<std::size_t>(K)];
      }
      Dst[r] = X;
      T.SetCellState(Tc, PosY + r, F.GetCellState(c, r + 1));
    }
  }
  TM.Changed();
  for (int r = 1; r <= NR; ++r) {
    if (Info.Flags.RowNames) T.SetRowName(PosY + r - 1, F.GetRowName(r));
    if (Info.Flags.RowAttrib) T.SetRowAttrib(PosY + r - 1, F.GetRowAttrib(r));
  }
  return 0;
}

// Runs Read on a scratch copy of a stream's rest or of the clipboard's text.
template <class Read>
int ReadThroughScratch(const void* Data, std::size_t Count, TAscReadError& Err, Read&& ReadFile) {
  TScratchFile Tmp;
  if (!Tmp.Valid() || !WriteWholeFile(Tmp.Name(), Data, Count)) {
    Err = {ascErrNoFile, "Cannot create a temporary file", 0};
    return Err.Code;
  }
  return ReadFile(Tmp.Name());
}

bool StreamRest(TStream& S, std::string& Text) {
  try {
    const std::int64_t Avail = S.Size() - S.Position();
    Text.assign(static_cast<std::size_t>(std::max<std::int64_t>(Avail, 0)), '\0');
    Text.resize(static_cast<std::size_t>(std::max<std::int64_t>(S.Read(Text.data(), Avail), 0)));
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

int TDataTable::ImportASC(const std::string& FName) {
  TDataTable F;
  TAscTableInfo Info;
  TAscReadError Err;
  if (ReadAscTable(FName, F, Info, nullptr, Err) != 0) return IOFail(Err.Code, Err.Text, Err.Line);
  CopyContentsFrom(&F);
  return IOFail(0, std::string());
}

int TDataTable::ImportASC(const std::string& FName, TStr2DArray& CustData) {
  TDataTable F;
  TAscTableInfo Info;
  TAscReadError Err;
  TStr2DArray Table;
  if (ReadAscTable(FName, F, Info, &Table, Err) != 0) return IOFail(Err.Code, Err.Text, Err.Line);
  CopyContentsFrom(&F);
  CustData = std::move(Table);
  return IOFail(0, std::string());
}

int TDataTable::ImportASC(TStream& InStream) {
  std::string Text;
  if (!StreamRest(InStream, Text)) return IOFail(ascErrNoFile, "Cannot read the stream");
  TAscReadError Err;
  const int Rc =
      ReadThroughScratch(Text.data(), Text.size(), Err, [&](const std::string& Name) { return ImportASC(Name); });
  return Err.Code != 0 ? IOFail(Err.Code, Err.Text) : Rc;
}

int TDataTable::ImportASC(TClipboard& ClipBd) {
  const std::string Text = ClipBd.AsText();
  TAscReadError Err;
  const int Rc =
      ReadThroughScratch(Text.data(), Text.size(), Err, [&](const std::string& Name) { return ImportASC(Name); });
  return Err.Code != 0 ? IOFail(Err.Code, Err.Text) : Rc;
}

int TDataTable::ReadFromASC(const std::string& FName, int PosX, int PosY, bool ReplaceIDs) {
  TDataTable F;
  TAscTableInfo Info;
  TAscReadError Err;
  if (PosX < 1 || PosY < 1)
    return IOFail(dtErrBadPosition, "The block cannot be placed at column " + std::to_string(PosX) + ", row " +
                                        std::to_string(PosY));
  if (ReadAscTable(FName, F, Info, nullptr, Err) != 0) return IOFail(Err.Code, Err.Text, Err.Line);
  TDataTable T;
  T.CopyContentsFrom(this);
  try {
    if (PlaceAscBlock(F, Info, T, PosX, PosY, ReplaceIDs, Err) != 0) return IOFail(Err.Code, Err.Text, Err.Line);
  } catch (const EZELError&) {  // the table's or its matrix's memory failure
    return IOFail(ascErrNoMemory, "Not enough memory for the table");
  } catch (const std::bad_alloc&) {
    return IOFail(ascErrNoMemory, "Not enough memory for the table");
  }
  CopyContentsFrom(&T);
  return IOFail(0, std::string());
}

int TDataTable::ReadFromASC(TStream& InStream, int PosX, int PosY, bool ReplaceIDs) {
  std::string Text;
  if (!StreamRest(InStream, Text)) return IOFail(ascErrNoFile, "Cannot read the stream");
  TAscReadError Err;
  const int Rc = ReadThroughScratch(Text.data(), Text.size(), Err, [&](const std::string& Name) {
    return ReadFromASC(Name, PosX, PosY, ReplaceIDs);
  });
  return Err.Code != 0 ? IOFail(Err.Code, Err.Text) : Rc;
}

int TDataTable::ReadFromASC(TClipboard& ClipBd, int PosX, int PosY, bool ReplaceIDs) {
  const std::string Text = ClipBd.AsText();
  TAscReadError Err;
  const int Rc = ReadThroughScratch(Text.data(), Text.size(), Err, [&](const std::string& Name) {
    return ReadFromASC(Name, PosX, PosY, ReplaceIDs);
  });
  return Err.Code != 0 ? IOFail(Err.Code, Err.Text) : Rc;
}

}  // namespace zel
