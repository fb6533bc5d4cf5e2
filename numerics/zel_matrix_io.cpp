// File formats of TMatrix: ASC files, the plain text and stream forms of a
// rectangle, and the binary block files. The XML element is in
// zel_matrix_io_xml.cpp.
//
// Every reader loads into a temporary and changes the matrix only when the
// whole input was read, so a failure leaves the matrix as it was. Sizes are
// checked against the bytes present before anything is allocated.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "zel_ascfile.h"
#include "zel_base.h"
#include "zel_blockfile.h"
#include "zel_extended.h"
#include "zel_format.h"
#include "zel_matrix.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// A rectangle of 1-based bounds as the plain text and stream forms carry it.
struct TRectBounds {
  std::int64_t LoC = 0, LoR = 0, HiC = 0, HiR = 0;
  bool Empty() const { return LoC == 0 && LoR == 0 && HiC == 0 && HiR == 0; }
  std::int64_t Width() const { return HiC - LoC + 1; }
  std::int64_t Height() const { return HiR - LoR + 1; }
};

// The bounds of a file or stream: all 0 (an empty rectangle), or
// 1 ≤ Lo ≤ Hi within int32 for both dimensions, with no more values than
// MaxValues, and a target that either holds the far corner or (Adjust) may
// grow to it. The rectangle need not start at 1, so growing to its corner
// may take more cells than the input holds values: that growth is bounded
// by MaxCellsForInput of the input's Bytes.
bool ValidBounds(const TRectBounds& B, std::int64_t MaxValues, std::int64_t Bytes, const TMatrix& M, bool Adjust) {
  if (B.Empty()) return true;
  if (B.LoC < 1 || B.LoR < 1 || B.HiC < B.LoC || B.HiR < B.LoR || B.HiC > INT32_MAX || B.HiR > INT32_MAX)
    return false;
  if (B.Width() > MaxValues / B.Height()) return false;
  if (!Adjust) return B.HiC <= M.NrOfColumns() && B.HiR <= M.NrOfRows();
  const std::int64_t Cells = std::int64_t(M.NrOfColumns()) * M.NrOfRows();
  return B.HiC <= std::max(MaxCellsForInput(Bytes), Cells) / B.HiR;
}

// Writes Values (row by row over the rectangle) into the matrix, resized to
// the far corner first when Adjust is set; one OnChange at the end.
// False when the storage cannot be allocated (the matrix is unchanged).
bool CommitRect(TMatrix& M, const TRectBounds& B, bool Adjust, const std::vector<double>& Values) {
  if (B.Empty()) return true;
  try {
    if (Adjust) M.Resize(static_cast<int>(B.HiC), static_cast<int>(B.HiR));
  } catch (const EZELMatrixError&) {
    return false;
  }
  const std::size_t W = static_cast<std::size_t>(B.Width());
  for (std::int64_t c = B.LoC; c <= B.HiC; ++c) {
    double* Col = M.ColumnData(static_cast<int>(c)) + (B.LoR - 1);
    const double* Src = Values.data() + (c - B.LoC);
    for (std::int64_t r = 0; r < B.Height(); ++r) Col[r] = Src[static_cast<std::size_t>(r) * W];
  }
  M.Changed();
  return true;
}

// A matrix read whole, already in the storage layout of TMatrix (column-
// major, max(NC, 1) columns of max(NR, 1) elements), so that it replaces
// the old storage without another allocation and copy.
struct TWholeMatrix {
  int NC = 0;
  int NR = 0;
  TRealStorage Storage;
  std::size_t Ld() const { return static_cast<std::size_t>(std::max(NR, 1)); }
  double& At(std::size_t c, std::size_t r) { return Storage[c * Ld() + r]; }  // 0-based
};

// Zeroed storage for an NC × NR matrix; raises std::bad_alloc.
TWholeMatrix AllocWhole(int NC, int NR) {
  TWholeMatrix W;
  W.NC = NC;
  W.NR = NR;
  W.Storage.resize(static_cast<std::size_t>(std::max(NC, 1)) * W.Ld());
  return W;
}

// The whole matrix from values given row by row.
TWholeMatrix WholeFromRows(int NC, int NR, const double* Rows) {
  TWholeMatrix W = AllocWhole(NC, NR);
  const auto Width = static_cast<std::size_t>(NC);
  for (std::size_t r = 0; r < static_cast<std::size_t>(NR); ++r)
    for (std::size_t c = 0; c < Width; ++c) W.At(c, r) = Rows[r * Width + c];
  return W;
}

// Puts a whole matrix in place of a component's storage (the fields are
// handed in by the members, which alone may touch them).
void AdoptWhole(TWholeMatrix& W, TRealStorage& Mat, std::size_t& Ld, int& NCol, int& NRow) {
  Mat.swap(W.Storage);
  Ld = W.Ld();
  NCol = W.NC;
  NRow = W.NR;
}

std::vector<double> AllocValues(std::int64_t N) {
  if (N < 0 || static_cast<std::uint64_t>(N) > std::vector<double>().max_size()) throw std::bad_alloc();
  return std::vector<double>(static_cast<std::size_t>(N));
}

// ---- ASC --------------------------------------------------------------------------

int ExportMatrixAsc(const TMatrix& M, const std::string& FName, int Precision, const std::string& Comment,
                    const TStr2DArray* CustData) {
  Precision = std::min(Precision, 25);
  const int NC = M.NrOfColumns(), NR = M.NrOfRows();
  return WriteAscFile(FName, AscCommentLine(Comment, M.ClassName(), FName), NC, NR, TAscFlags{}, [&](TTextFile& F) {
    std::string Line;
    for (int r = 1; r <= NR && NC > 0; ++r) {
      Line.clear();
      for (int c = 1; c <= NC; ++c) {
        if (c > 1) Line.push_back(' ');
        // Negative precisions write the shortest text that reads back as
        // the same double, so such files round-trip exactly.
        const double X = M.GetVal(c, r);
        Line += Precision >= 0 ? strff(X, 1, Precision) : FloatToStrShortest(X);
      }
      F.WriteLn(Line);
    }
    if (CustData != nullptr) WriteAscStringTable(F, *CustData);
  });
}

// Reads an ASC file into W; 0 or the importer's code.
int ReadMatrixAsc(const std::string& FName, std::string& Comment, TStr2DArray* CustData, TWholeMatrix& W) {
  if (!FileExists(FName)) return ascErrNoFile;
  TAscHeader H;
  if (const int Rc = ReadAscHeader(FName, H); Rc != 0) return Rc;
  TAscReader R;
  if (!R.Open(FName, 4)) return ascErrNoFile;
  Comment = H.Comment;
  // The header reader has bounded the counts by the file's bytes.
  try {
    W = AllocWhole(H.NCols, H.NRows);
  } catch (const std::bad_alloc&) {
    return ascErrNoMemory;
  }
  TStrArray ColNames;
  int FailRow = 0;
  int Rc = ReadAscBody(
      R, H, ColNames,
      [&](int Row, double, const std::string&, std::span<const double> RowValues) {
        for (std::size_t c = 0; c < RowValues.size(); ++c) W.At(c, static_cast<std::size_t>(Row - 1)) = RowValues[c];
        return 0;
      },
      FailRow);
  if (Rc == 0 && CustData != nullptr) Rc = ReadAscStringTable(R, *CustData);
  return Rc;
}

// ---- plain text -------------------------------------------------------------------

bool ReadBoundsWords(TAscReader& R, TRectBounds& B) {
  std::int64_t* Dest[4] = {&B.LoC, &B.LoR, &B.HiC, &B.HiR};
  for (std::int64_t* D : Dest) {
    std::string_view W;
    int X = 0;
    if (!R.NextWord(W) || !TryStrToInt(W, X)) return false;
    *D = X;
  }
  return true;
}

// A table of numbers, one row per line, fields separated by blanks, TABs,
// commas or semicolons. A first line that is not all numbers is a caption
// and skipped; every further non-blank line must be a row of the same
// number of numbers. Values are returned row by row.
bool ReadNumberTable(const std::string& FileName, std::vector<double>& Values, int& NC, int& NR) {
  TAscReader R;
  if (!R.Open(FileName, 0)) return false;
  std::string Line;
  TStrArray Fields;
  bool First = true;
  NC = 0;
  NR = 0;
  while (R.ReadLine(Line)) {
    if (Tokenize(Line, " \t,;", Fields) == 0) continue;
    const std::size_t Start = Values.size();
    bool AllNumbers = true;
    for (const std::string& F : Fields) {
      double X;
      if (!NumberWord(F, X)) {
        AllNumbers = false;
        break;
      }
      Values.push_back(X);
    }
    if (!AllNumbers) {
      if (!First) return false;
      Values.resize(Start);
      First = false;
      continue;
    }
    First = false;
    if (NR == 0) NC = static_cast<int>(Fields.size());
    if (Fields.size() != static_cast<std::size_t>(NC) || NR == INT32_MAX) return false;
    ++NR;
  }
  return NR > 0;
}

}  // namespace

// ---- ASC ----------------------------------------------------------------------------

int TMatrix::ExportAsASC(const std::string& FName, int Precision, const std::string& Comment) const {
  return ExportMatrixAsc(*this, FName, Precision, Comment, nullptr);
}

int TMatrix::ExportAsASC(const std::string& FName, int Precision, const std::string& Comment,
                         const TStr2DArray& CustData) const {
  return ExportMatrixAsc(*this, FName, Precision, Comment, &CustData);
}

int TMatrix::ImportASC(const std::string& FName, std::string& Comment) {
  TWholeMatrix W;
  const int Rc = ReadMatrixAsc(FName, Comment, nullptr, W);
  if (Rc != 0) return Rc;
  AdoptWhole(W, FMat, FLd, FNCol, FNRow);
  Changed();
  return 0;
}

int TMatrix::ImportASC(const std::string& FName, std::string& Comment, TStr2DArray& CustData) {
  TWholeMatrix W;
  TStr2DArray Table;
  const int Rc = ReadMatrixAsc(FName, Comment, &Table, W);
  if (Rc != 0) return Rc;
  AdoptWhole(W, FMat, FLd, FNCol, FNRow);
  CustData = std::move(Table);
  Changed();
  return 0;
}

// ---- plain text ---------------------------------------------------------------------

bool TMatrix::StoreOnFile(int LoC, int LoR, int HiC, int HiR, const std::string& FileName) const {
  if (!ValidRect(LoC, LoR, HiC, HiR)) LoC = LoR = HiC = HiR = 0;
  return WriteWholeTextFile(FileName, [&](TTextFile& F) {
    F.WriteLn(std::to_string(LoC) + " " + std::to_string(LoR) + " " + std::to_string(HiC) + " " +
              std::to_string(HiR));
    std::string Line;
    for (int r = LoR; r <= HiR && r > 0 && F.WriteOK(); ++r) {
      Line.clear();
      for (int c = LoC; c <= HiC; ++c) {
        if (c > LoC) Line.push_back(' ');
        Line += FloatToStrShortest(At(c, r));
      }
      F.WriteLn(Line);
    }
  });
}

bool TMatrix::LoadFromFile(const std::string& FileName, bool AdjustMatrixSize) {
  TAscReader R;
  if (!R.Open(FileName, 0)) return false;
  TRectBounds B;
  if (!ReadBoundsWords(R, B)) return false;
  // Every value takes a character and a separator (the last one maybe none).
  if (!ValidBounds(B, (R.FileSize() + 1) / 2, R.FileSize(), *this, AdjustMatrixSize)) return false;
  try {
    std::vector<double> Values = AllocValues(B.Empty() ? 0 : B.Width() * B.Height());
    for (double& X : Values)
      if (!R.ReadNumber(X)) return false;
    return CommitRect(*this, B, AdjustMatrixSize, Values);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TMatrix::LoadFromFile(const std::string& FileName, bool AdjustMatrixSize, bool AutoDetect) {
  if (!AutoDetect) return LoadFromFile(FileName, AdjustMatrixSize);
  std::vector<double> Values;
  int NC = 0, NR = 0;
  try {
    if (!ReadNumberTable(FileName, Values, NC, NR)) return false;
    if (AdjustMatrixSize) {
      TWholeMatrix W = WholeFromRows(NC, NR, Values.data());
      AdoptWhole(W, FMat, FLd, FNCol, FNRow);
      Changed();
      return true;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Without adjusting, the part of the table that fits is read.
  for (int c = 1; c <= std::min(NC, FNCol); ++c)
    for (int r = 1; r <= std::min(NR, FNRow); ++r)
      At(c, r) = Values[static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(NC) + (c - 1)];
  Changed();
  return true;
}

// ---- streams ------------------------------------------------------------------------

void TMatrix::SaveToStream(TMemoryStream*& OutStream, int LoC, int LoR, int HiC, int HiR) const {
  if (OutStream == nullptr) OutStream = new TMemoryStream();
  SaveToStream(static_cast<TStream&>(*OutStream), LoC, LoR, HiC, HiR);
}

void TMatrix::SaveToStream(TStream& OutStream, int LoC, int LoR, int HiC, int HiR) const {
  if (!ValidRect(LoC, LoR, HiC, HiR)) LoC = LoR = HiC = HiR = 0;
  for (const int X : {LoC, LoR, HiC, HiR})
    if (!WriteLongintToStream(OutStream, X)) throw EWriteError("Stream write error");
  if (LoC == 0) return;
  std::vector<std::uint8_t> Row(static_cast<std::size_t>(HiC - LoC + 1) * 10);
  for (int r = LoR; r <= HiR; ++r) {
    for (int c = LoC; c <= HiC; ++c) {
      const TExtendedBytes E = EncodeExtended(At(c, r));
      std::copy(E.begin(), E.end(), Row.begin() + static_cast<std::ptrdiff_t>(c - LoC) * 10);
    }
    OutStream.WriteBuffer(Row.data(), static_cast<std::int64_t>(Row.size()));
  }
}

bool TMatrix::LoadFromStream(TStream* InStream, bool AdjustMatrixSize) {
  if (InStream == nullptr) return false;
  std::int32_t Raw[4];
  for (std::int32_t& X : Raw)
    if (!ReadLongintFromStream(*InStream, X)) return false;
  const TRectBounds B{Raw[0], Raw[1], Raw[2], Raw[3]};
  const std::int64_t Remaining = InStream->Size() - InStream->Position();
  if (!ValidBounds(B, Remaining / 10, Remaining, *this, AdjustMatrixSize)) return false;
  try {
    std::vector<double> Values = AllocValues(B.Empty() ? 0 : B.Width() * B.Height());
    std::vector<std::uint8_t> Row(static_cast<std::size_t>(B.Empty() ? 0 : B.Width()) * 10);
    for (std::size_t i = 0; i < Values.size(); i += Row.size() / 10) {
      if (InStream->Read(Row.data(), static_cast<std::int64_t>(Row.size())) != static_cast<std::int64_t>(Row.size()))
        return false;
      for (std::size_t k = 0; k < Row.size() / 10; ++k) {
        TExtendedBytes E;
        std::copy_n(Row.begin() + static_cast<std::ptrdiff_t>(k) * 10, 10, E.begin());
        const long double X = DecodeExtended(E);
        // The writer stores doubles; a finite value beyond their range is
        // not one of them (and converting it would be undefined).
        if (std::isfinite(X) && std::fabs(X) > std::numeric_limits<double>::max()) return false;
        Values[i + k] = static_cast<double>(X);
      }
    }
    return CommitRect(*this, B, AdjustMatrixSize, Values);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// ---- binary block files -----------------------------------------------------------

void TMatrix::SaveBinary(const std::string& FName) const {
  TBlockHeader H;
  H.NCols = FNCol;
  H.NRows = FNRow;
  H.DataID = FDataID.substr(0, 255);
  H.Format = kBlockFormatDouble;
  try {
    TFileStream S(FName, fmCreate);
    const TBlockBytes Header = EncodeBlockHeader(H);
    S.WriteBuffer(Header.data(), kBlockSize);
    // Row by row, the column index running fastest (the order of the
    // four-dimensional files, with one layer and one time slot).
    std::vector<double> Block(kBlockSize / 8);
    std::size_t N = 0;
    for (int r = 1; r <= FNRow; ++r)
      for (int c = 1; c <= FNCol; ++c) {
        Block[N++] = At(c, r);
        if (N == Block.size()) {
          S.WriteBuffer(Block.data(), kBlockSize);
          N = 0;
        }
      }
    if (N > 0) {
      std::fill(Block.begin() + static_cast<std::ptrdiff_t>(N), Block.end(), 0.0);
      S.WriteBuffer(Block.data(), kBlockSize);
    }
    S.Commit();
  } catch (const EStreamError& E) {
    throw EInOutError("Cannot write binary matrix file \"" + FName + "\": " + E.Message());
  }
}

int TMatrix::LoadBinary(const std::string& FName) {
  try {
    TFileStream S(FName, fmOpenRead);
    const std::int64_t Size = S.Size();
    if (Size < kBlockSize) return binErrShort;
    TBlockBytes Raw;
    S.ReadBuffer(Raw.data(), kBlockSize);
    const TBlockHeader H = DecodeBlockHeader(Raw);
    if (H.NLayers != 0 || H.NTimeSlots != 0 || H.Format != kBlockFormatDouble) return binErrForeign;
    const std::int64_t N = BlockElemCount(H);
    if (N < 0) return binErrBadDims;
    if (N > (Size - kBlockSize) / 8) return binErrTruncated;
    // A shape without elements (0 × 10^9) still takes storage for its rows.
    if (!StorageWithin(H.NCols, H.NRows, MaxCellsForInput(Size))) return binErrTruncated;
    TWholeMatrix W;
    try {
      std::vector<double> Rows = AllocValues(N);
      if (N > 0) S.ReadBuffer(Rows.data(), N * 8);
      W = WholeFromRows(H.NCols, H.NRows, Rows.data());
    } catch (const std::bad_alloc&) {
      return binErrNoMemory;
    }
    AdoptWhole(W, FMat, FLd, FNCol, FNRow);
    FDataID = H.DataID;
    Changed();
    return 0;
  } catch (const EReadError&) {
    return binErrTruncated;  // the file shrank while it was read
  } catch (const EStreamError&) {
    return binErrNoFile;
  }
}

bool TMatrix::ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows, std::string& DataID,
                               int& Format) {
  const TBlockHeader H = ReadBlockFileHeader(FName);
  NrColumns = H.NCols;
  NrRows = H.NRows;
  DataID = H.DataID;
  Format = H.Format;
  return H.NLayers == 0 && H.NTimeSlots == 0 && H.Format == kBlockFormatDouble;
}

}  // namespace zel
