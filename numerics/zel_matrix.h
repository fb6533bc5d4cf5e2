// Matrix component: TMatrix, a two-dimensional array of doubles.
//
// Elements are addressed (column, row), both counted from 1. Bad indices are
// silent: reads give 0, writes are skipped, ranges are clipped by the range
// rule. OnChange fires after every valid SetVal, every size change and once
// at the end of each bulk operation. A dimension may be 0 (Resize(0, 5));
// such a matrix has no elements: ranges over it are empty and the statistics
// give their "no storage" results.
//
// Storage is one contiguous column-major buffer: column c occupies
// Data()[(c − 1)·LeadingDim() .. (c − 1)·LeadingDim() + LeadingDim() − 1],
// with LeadingDim() = max(NrOfRows, 1). The buffer always holds at least one
// column and one row. Units above this one may read and write it directly
// (call Changed afterwards) instead of going through GetVal/SetVal.
//
// The linear algebra is in zel_matrix_linalg.cpp, zel_matrix_lu.cpp and
// zel_matrix_square.cpp (vector kernels: zel_matrix_kernels.h), the file formats in
// zel_matrix_io.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "zel_classes.h"
#include "zel_exceptions.h"
#include "zel_memory.h"
#include "zel_streams.h"
#include "zel_textfile.h"
#include "zel_types.h"
#include "zel_vector.h"

namespace zel {

/// Error raised by the matrix components.
ZEL_DECLARE_EXCEPTION(EZELMatrixError, EZELError)

/// User distance of DistanceOfObjects: the handler leaves its value in Distance.
using TOnCalcDistanceEvent = std::function<void(TObject* Sender, int Row1, int Row2, double& Distance)>;

/// Matrix norms of TMatrix::Norm.
enum class TNormType { ntColwise, ntRowwise, ntSpectral, ntFrobenius };
using enum TNormType;

/// The XML vocabulary of the matrix files, in the order of MatXmlTagNames().
enum class TMatXmlTag {
  xmlMatNumCols,
  xmlMatNumRows,
  xmlMatNumLayers,
  xmlMatNumTimeSlots,
  xmlMatCell,
  xmlMatBegin,
  xmlMatEnd,
  xmlInvalid
};
using enum TMatXmlTag;

/// The tag texts of TMatXmlTag: "numcols", "numrows", "numplanes",
/// "numtimeslots", "cell", "matrix", "/matrix", "invalidtag".
const TStrArray& MatXmlTagNames();

/// Two-dimensional array of doubles.
class TMatrix : public TComponent {
 public:
  /// A 1 × 1 matrix holding 0; DataID empty; precisions 15 and −1.
  explicit TMatrix(TComponent* AOwner = nullptr);
  std::string ClassName() const override { return "TMatrix"; }

  /// From a TMatrix: size, DataID, elements, both precisions and the
  /// handlers of OnChange, OnSortExchange and OnCalcDistance (not
  /// OnPercentDone); fires nothing. Other sources: EConvertError.
  void Assign(const TPersistent* Source) override;

  // ---- size and access --------------------------------------------------------

  int NrOfColumns() const noexcept { return FNCol; }
  int NrOfRows() const noexcept { return FNRow; }
  /// Resize(max(Value, 0), NrOfRows).
  void SetNrOfColumns(int Value);
  /// Resize(NrOfColumns, max(Value, 0)).
  void SetNrOfRows(int Value);
  const std::string& DataID() const noexcept { return FDataID; }
  void SetDataID(const std::string& Value) { FDataID = Value; }
  /// Ix ≤ 1: the first setting (default 15), else the second (default −1).
  int Precision(int Ix) const noexcept { return FPrecis[Ix <= 1 ? 0 : 1]; }
  /// Stores Value clipped to −1..25 in the setting selected as by Precision.
  void SetPrecision(int Ix, int Value) noexcept;

  /// Element (Nc, Nr); 0 outside the matrix.
  double GetVal(int Nc, int Nr) const noexcept;
  /// Writes an element inside the matrix and fires OnChange; outside: ignored.
  void SetVal(int Nc, int Nr, double Value);
  double Elem(int Nc, int Nr) const noexcept { return GetVal(Nc, Nr); }
  void SetElem(int Nc, int Nr, double Value) { SetVal(Nc, Nr, Value); }

  /// New shape Nc × Nr (negative values count as 0), keeping the elements
  /// inside both shapes, new ones 0; fires OnChange; true. The same shape:
  /// true without event. Raises EZELMatrixError "…: not enough memory on
  /// heap" when the storage cannot be allocated (the matrix is unchanged).
  bool Resize(int Nc, int Nr);
  /// Resize, then Fill(0) on success.
  bool ResizeAndClear(int Nc, int Nr);
  /// Fires OnChange(this) when assigned.
  void Changed();
  /// The range rule per dimension: both 0 → the whole extent; otherwise each
  /// bound clipped to 1..size and reversed bounds exchanged. For a dimension
  /// of size 0 both bounds become 0 and the range is empty.
  void MakeValidColRange(int& LowCol, int& HighCol) const noexcept;
  void MakeValidRowRange(int& LowRow, int& HighRow) const noexcept;

  /// Column-major storage (see the unit notes); Changed() after writing.
  std::span<double> Data() noexcept { return FMat; }
  std::span<const double> Data() const noexcept { return FMat; }
  /// Distance between the starts of two adjacent columns in Data().
  std::size_t LeadingDim() const noexcept { return FLd; }
  /// Pointer to row 1 of column Col (1 ≤ Col ≤ storage columns; unchecked).
  double* ColumnData(int Col) noexcept { return FMat.data() + static_cast<std::size_t>(Col - 1) * FLd; }
  const double* ColumnData(int Col) const noexcept { return FMat.data() + static_cast<std::size_t>(Col - 1) * FLd; }

  // ---- copying ------------------------------------------------------------------

  /// Null: nothing. Resize to the source, every element through SetVal, OnChange.
  void Clone(const TMatrix* MatSource);
  /// Copies the source rectangle (each bound clipped to the source, reversed
  /// bounds exchanged) so that its corner lands on (DestCol, DestRow),
  /// through SetVal (targets outside skipped); OnChange. Copying from this
  /// matrix itself reads a snapshot, so overlapping ranges do not smear.
  void CopyFrom(const TMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi, int SourceRowHi,
                int DestCol, int DestRow);
  /// Elements Source1stElem..SourceLastElem (vector range rule) into column
  /// DestCol from row DestRow on; OnChange.
  void CopyFromVec(const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol, int DestRow);
  /// dimColumns: into row DestRow from column DestCol on; dimRows: into
  /// column DestCol from row DestRow on.
  void CopyFromVec(TDims Dim, const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol,
                   int DestRow);
  /// DestVec filled with 0, then element k := (FirstCol + k − 1, Row); the
  /// column range is clipped and cut to DestVec's size; Row ≤ 0 is row 1,
  /// beyond the last the last row. Null DestVec: nothing.
  void CopyRowToVec(TVector* DestVec, int Row, int FirstCol, int LastCol) const;
  /// The same down a column.
  void CopyColToVec(TVector* DestVec, int Col, int FirstRow, int LastRow) const;
  /// The range into DestArray sized (columns, rows), from index 0.
  void CopyToArray(TDouble2DArray& DestArray, int LowCol, int HighCol, int LowRow, int HighRow) const;
  /// The same rounded half-even to integers (NaN and out-of-range values
  /// saturate as RoundToInt does).
  void CopyToArray(TInt2DArray& DestArray, int LowCol, int HighCol, int LowRow, int HighRow) const;
  /// SrcArray[i][j] → element (Col + i, Row + j) through SetVal; each column
  /// of a ragged array uses its own length.
  void CopyFromArray(const TDouble2DArray& SrcArray, int Col, int Row);
  void CopyFromArray(const TInt2DArray& SrcArray, int Col, int Row);

  // ---- filling and counting -------------------------------------------------------

  /// Every element (or the range) := value; OnChange once.
  void Fill(double value);
  void Fill(int LowCol, int HighCol, int LowRow, int HighRow, double value);
  /// (i, i) := value for i = 1..min(columns, rows); OnChange.
  void FillDiag(double value);
  /// RangeLow + r·(RangeHigh − RangeLow), r uniform on [0, 1) from the
  /// global generator, column by column; OnChange.
  void FillRandomUniform(double RangeLow, double RangeHigh);
  void FillRandomUniform(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow, double RangeHigh);
  /// g·StdDev + Mean with g from GRandom, column by column; OnChange.
  void FillRandomGauss(double Mean, double StdDev);
  void FillRandomGauss(int LowCol, int HighCol, int LowRow, int HighRow, double Mean, double StdDev);
  /// Number of elements x of the range with RangeLow ≤ x ≤ RangeHigh.
  int CountValues(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow, double RangeHigh) const;
  /// ResultArray sized (columns, rows), true where the value is > Threshold;
  /// returns the number of true elements.
  int Dichotomize(double Threshold, TBool2DArray& ResultArray) const;

  // ---- rearranging ----------------------------------------------------------------

  /// Removes a column (false for an invalid one or the only column); the
  /// resize fires OnChange.
  bool RemoveColumn(int col);
  bool RemoveRow(int row);
  /// Swap two whole columns / rows; OnChange. Invalid numbers: nothing.
  void ExchangeColumns(int c1, int c2);
  void ExchangeRows(int r1, int r2);
  /// Reverse the order of the columns / rows; OnChange.
  void MirrorColumns();
  void MirrorRows();
  /// Comb sort of the rows LowRow..HighRow by column SortColIx, moving the
  /// columns LowCol..HighCol (and the key when outside them); every exchange
  /// is reported to OnSortExchange (kind 2, rows i and i + gap, LowCol,
  /// HighCol); OnChange once. A key column outside the matrix: nothing. A
  /// handler that changes the matrix's shape ends the sort with EZELMatrixError.
  void SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
  /// The same for the columns LowCol..HighCol keyed on row SortRowIx (kind 1).
  void SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);

  // ---- search ----------------------------------------------------------------------

  /// Position of the element closest to Value (columns in order, rows in
  /// order, first wins); ColIx = RowIx = 0 when there is none.
  void Find(int LowCol, int HighCol, int LowRow, int HighRow, double Value, int& ColIx, int& RowIx) const;
  /// Binary search over the rows of a sorted column (the vector's rule);
  /// 0 for an invalid column or an empty matrix.
  int FindInSortedColumn(int Col, bool ColIsAscending, double Value) const;

  // ---- statistics (ranges as LowCol, LowRow, HighCol, HighRow) -------------------------

  /// Extremes from ±uc_MaxReal (also the result for an empty range).
  void MinMax(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum, double& Maximum) const;
  /// The vector's mean and variance over the rectangle; 0 and 0 when empty.
  void MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean, double& Variance) const;
  /// Sum of the rectangle, column by column; 0 when empty.
  double Sum(int LoC, int LoR, int HiC, int HiR) const;
  /// Sum of the diagonal; 0 when the matrix is not square or empty.
  double Trace() const;
  /// Raise EZELMatrixError on unsuitable values (the vector's messages); 0 when empty.
  double GeometricMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
  double HarmonicMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
  /// Skewness and excess kurtosis for 2 or more elements (0 and 0 otherwise).
  void SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness, double& Kurtosis) const;
  /// The sample-corrected forms for 4 or more elements (0 and 0 otherwise).
  void SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness, double& Kurtosis) const;
  /// The vector's quartile rule; false (and 0s) for an empty range.
  bool Quartiles(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1, double& Q2, double& Q3) const;
  /// The k-th smallest element, k = round(n·prob/100) (at most n − 1), prob
  /// clipped to 0..100 (NaN counts as 0); no interpolation. 0 when empty.
  double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow) const;
  /// Estimate from SampleSize elements drawn with replacement (SampleSize ≤ 0
  /// or ≥ n: the exact Percentile). The draw uses a private generator seeded
  /// unpredictably, leaving the global sequence alone.
  double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow, int SampleSize) const;
  /// The vector's histogram over the rectangle (LoX/HiX columns, LoY/HiY
  /// rows), walked column by column; false for a null Histo, BinWidth ≤ 0 or
  /// more than 500 bins.
  bool Histogram(int LoX, int LoY, int HiX, int HiY, double FirstBin, double LastBin, double BinWidth,
                 TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const;
  /// Column means (dimColumns, Means sized to NrOfColumns) or row means
  /// (dimRows), written with SetVal. Null Means: nothing.
  void MeanVec(TDims Dim, TVector* Means) const;
  /// Min, max, sum or mean per row (orRowWise) or per column (orColumnWise).
  void EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const;
  /// Scale each column (row) to zero mean and unit variance where the
  /// variance is > 0; Means/StdDevs (optional, not resized) receive mean and
  /// √variance. OnChange once.
  void StandardizeColumns(TVector* Means, TVector* StdDevs);
  void StandardizeRows(TVector* Means, TVector* StdDevs);
  /// Subtract each column's (row's) mean; Means (optional) is resized and
  /// receives them. OnChange once.
  void MeanCenterColumns(TVector* Means);
  void MeanCenterRows(TVector* Means);
  /// (x − median)/|median − Percentile(RefQuant)| per column (row) where
  /// that difference is > 0; optional vectors (not resized) receive median
  /// and difference. OnChange once.
  void QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs);
  void QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs);
  /// 8-lane CRC-32 fingerprint of the elements column by column (64 hex digits).
  std::string CRCofData() const;
  /// Fires OnPercentDone(this, Percent); Sender is not passed on.
  void PercDone(TObject* Sender, int Percent);

  // ---- arithmetic and linear algebra ------------------------------------------

  // Products compute every element as the sum of its terms in increasing k
  // from 0, one multiply and one add each (no fused multiply-add), so the
  // results do not depend on the instruction set or thread count. Result
  // components (MatRes, VecRes, MatL, MatU, HatMat) must be distinct from
  // the operands: a product whose result is an operand returns false. The
  // products resize MatRes/VecRes, write it through SetVal and then fire A's
  // OnChange; on false nothing changes.

  /// Every element times / plus Scalar; OnChange.
  void SMult(double Scalar);
  void SAdd(double Scalar);
  /// A := A ± B; false (nothing changed) for null or a different size.
  bool Add(const TMatrix* MatB);
  bool Subtract(const TMatrix* MatB);
  /// MatRes := A ∘ B element-wise (MatRes resized to A).
  bool EMult(const TMatrix* MatB, TMatrix* MatRes);
  /// MatRes := A·B (columns of A = rows of B).
  bool Multiply(const TMatrix* MatB, TMatrix* MatRes);
  /// VecRes := A·b; false also for a matrix without rows (a vector cannot be empty).
  bool Multiply(const TVector* VecB, TVector* VecRes);
  /// MatRes := A·Bᵀ.
  bool MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes);
  /// MatRes := Aᵀ·B.
  bool TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes);
  /// VecRes := Aᵀ·b; false also for a matrix without columns.
  bool TransposeAndMultiply(const TVector* VecB, TVector* VecRes);
  /// MatRes := AᵀA / Norm on as many threads as the machine has processors.
  bool Square(TMatrix* MatRes, double Norm);
  /// The same on NThreads threads (≤ 0 counts as 1, more than the
  /// processors or the column blocks count as that many); identical results
  /// for any thread count. One progress step per column, counted on the
  /// calling thread, which alone calls MathFeedBackProc. False for a null or
  /// aliased MatRes, a Norm of 0 or not finite, or an abort. MatRes's
  /// OnChange fires once on success.
  bool Square(TMatrix* MatRes, double Norm, int NThreads);
  /// A := Aᵀ; OnChange; true.
  bool Transpose();
  /// A := A⁻¹ by Crout LU with implicit partial pivoting; one progress step
  /// per column of the decomposition and of the solution. False, with the
  /// matrix unchanged, for a matrix that is not square or empty, has an
  /// element that is not finite, is singular (a zero row, a pivot below
  /// 1E-100), has an inverse that is not finite, or on an abort.
  bool Invert();
  /// NumPerm × product of U's diagonal; 0 when the LU decomposition fails.
  double Determinant() const;
  /// Crout LU with implicit partial pivoting: L (unit diagonal), U, and the
  /// sign of the row permutation. On a small pivot MatU keeps both factors
  /// and MatL stays 0; on a zero row MatU stays a copy of A.
  bool LUdecomposition(TMatrix* MatL, TMatrix* MatU, int& NumPerm) const;
  /// A = L·Lᵀ from A's diagonal and lower part; A's strict upper part
  /// receives Lᵀ. MatL (diagonal and below; above it 0) on success; false
  /// when not square, not positive definite, or MatL is null or A itself.
  bool CholeskyDecomp(TMatrix* MatL);
  /// Balances a square matrix by diagonal similarity scaling, sweeping until
  /// every factor lies within [1/1.05, 1.05] (at most 100 sweeps); an index
  /// whose off-diagonal row or column is empty is left alone. No event;
  /// false when not square.
  bool Balance();
  /// Column-sum, row-sum, spectral or Frobenius norm; 0 without elements,
  /// NaN when an element is NaN. The spectral norm raises EZELMatrixError
  /// "near singular covariance matrix" when its decomposition does not
  /// converge or is aborted.
  double Norm(TNormType nt) const;
  /// HatMat := X(XᵀX)⁻¹Xᵀ; false when XᵀX cannot be inverted (HatMat untouched).
  bool CalcHatMatrix(TMatrix* HatMat) const;
  /// Distance or similarity of two rows over all columns. Two rows that are
  /// both all zero have Tanimoto and Dice similarity 1.
  double DistanceOfObjects(TDistMode Mode, int obj1, int obj2);
  /// All pairwise row distances into the n × n DMat (exactly the values of
  /// DistanceOfObjects; OnChange of DMat once): 0, or −2 (DMat null or not n
  /// columns) / −1 (DMat not square).
  int CalcDistMat(TDistMode Mode, TMatrix* DMat);
  /// Pearson correlation of all corresponding elements; raises "…: matrices
  /// do not match" for different sizes or a null OtherMat.
  double Correlate(const TMatrix* OtherMat) const;
  /// Order-times forward differences down every column, then NrOfRows −
  /// Order rows; nothing unless 1 ≤ Order ≤ 10 and Order < NrOfRows.
  void Diff(int Order);

  // ---- files --------------------------------------------------------------------

  /// ASC file of the whole matrix, a row per line: values with Precision
  /// decimals (at most 25), or for Precision < 0 the shortest text that
  /// reads back exactly; 0, or −1 when the file cannot be written (an
  /// existing file is then left untouched).
  int ExportAsASC(const std::string& FName, int Precision, const std::string& Comment) const;
  /// The same with a table of strings after the values: one line per outer
  /// element, each string double-quoted (a " inside becomes ').
  int ExportAsASC(const std::string& FName, int Precision, const std::string& Comment,
                  const TStr2DArray& CustData) const;
  /// Reads an ASC file: 0, or the header reader's negative code, −4 (a
  /// quoted name not closed), −5 (row attribute not a number), −6 (value
  /// not a number or missing), −8 (missing file), −10 (no memory). On a
  /// failure the matrix is unchanged. The CustData form also reads the
  /// string table after the values.
  int ImportASC(const std::string& FName, std::string& Comment);
  int ImportASC(const std::string& FName, std::string& Comment, TStr2DArray& CustData);
  /// Plain text of a rectangle: "LoC LoR HiC HiR" (after the range rule;
  /// "0 0 0 0" when empty), then one row per line in the shortest exact
  /// text. False when the file cannot be written (the old file stays).
  /// LoadFromFile reads it back (Adjust: resized to HiC × HiR); false, with
  /// the matrix unchanged, for bad bounds, a matrix too small, a value that
  /// is not a number or a file that ends early.
  bool StoreOnFile(int LoC, int LoR, int HiC, int HiR, const std::string& FileName) const;
  bool LoadFromFile(const std::string& FileName, bool AdjustMatrixSize);
  /// AutoDetect: a table of numbers, one row per line, separated by blanks,
  /// TABs, commas or semicolons; a first line that is not all numbers is
  /// skipped; all rows of equal length. Without Adjust the part that fits
  /// is read.
  bool LoadFromFile(const std::string& FileName, bool AdjustMatrixSize, bool AutoDetect);
  /// The rectangle's bounds (four 32-bit integers, as StoreOnFile) and its
  /// values row by row as 10-byte extended values; a null OutStream gets a
  /// new TMemoryStream that the caller owns. Raises EWriteError when the
  /// stream cannot take the bytes. LoadFromStream reads it back as
  /// LoadFromFile reads the text.
  void SaveToStream(TMemoryStream*& OutStream, int LoC, int LoR, int HiC, int HiR) const;
  void SaveToStream(TStream& OutStream, int LoC, int LoR, int HiC, int HiR) const;
  bool LoadFromStream(TStream* InStream, bool AdjustMatrixSize);
  /// The 4096-byte-block binary file; raises EInOutError when it cannot be written.
  void SaveBinary(const std::string& FName) const;
  /// 0 on success; the binErr codes of zel_blockfile.h for a missing,
  /// short, foreign or truncated file or negative counts. Sets DataID.
  int LoadBinary(const std::string& FName);
  /// Header of a binary file; true when it holds a TMatrix. Raises
  /// EInOutError for a missing or unreadable file.
  static bool ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows, std::string& DataID,
                               int& Format);
  /// XML element of the matrix; raises EInOutError when writing fails.
  void WriteToXMLStream(TStream& OutStream, bool CreateHeader, const std::string& DataID) const;
  void WriteToOpenXMLFile(TTextFile& OutFile, bool CreateHeader, const std::string& DataID) const;
  void SaveAsXMLFile(const std::string& FName, const std::string& DataID) const;
  /// Reads the matrix element selected by DataID (empty: the first); false
  /// for a missing element, an unknown tag or a truncated file.
  bool ReadFromXMLStream(TStream& InStream, const std::string& DataID);
  bool ReadFromOpenXMLFile(TTextFile& InFile, const std::string& DataID);
  bool LoadFromXMLFile(const std::string& FName, const std::string& DataID);
  /// Applies one XML element: 0 to go on, 1 at "/matrix", −1 for an unknown tag.
  int ProcessXmlTag(TMatXmlTag Tag, const std::string& Attributes, const std::string& Content);

  // ---- events and reader state --------------------------------------------------------

  TNotifyEvent OnChange;
  TSortExchgEvent OnSortExchange;
  TOnCalcDistanceEvent OnCalcDistance;
  TOnPercentDoneEvent OnPercentDone;

  /// Set by a reader before the first cell of an XML element arrives.
  bool FirstCell = false;

 protected:
  void AssignTo(TPersistent* Dest) const override;
  /// "Component "<Name>": <Text>" as EZELMatrixError.
  [[noreturn]] void Fail(const std::string& Text) const;
  /// Element (c, r) of the storage, 1-based, unchecked.
  double& At(int c, int r) noexcept {
    return FMat[static_cast<std::size_t>(c - 1) * FLd + static_cast<std::size_t>(r - 1)];
  }
  double At(int c, int r) const noexcept {
    return FMat[static_cast<std::size_t>(c - 1) * FLd + static_cast<std::size_t>(r - 1)];
  }
  /// Copies the elements of a validated rectangle, column by column.
  std::vector<double> GatherRange(int LowCol, int HighCol, int LowRow, int HighRow) const;
  /// The rectangle after the range rule (statistics order of arguments);
  /// false when it is empty.
  bool ValidRect(int& LowCol, int& LowRow, int& HighCol, int& HighRow) const noexcept;
  /// Rectangle elements as one span: the storage itself when the rectangle
  /// covers whole columns, else a gathered copy held in Scratch.
  std::span<const double> RectSpan(int LowCol, int LowRow, int HighCol, int HighRow,
                                   std::vector<double>& Scratch) const;
  /// ValidRect, then RectSpan: the rectangle's elements after the range
  /// rule, empty when the rectangle is.
  std::span<const double> ClippedRect(int LowCol, int LowRow, int HighCol, int HighRow,
                                      std::vector<double>& Scratch) const;

  int FNCol = 1;
  int FNRow = 1;
  std::string FDataID;
  int FPrecis[2] = {15, -1};
  /// Column-major storage of max(FNCol, 1) columns × FLd rows.
  TRealStorage FMat;
  std::size_t FLd = 1;
  /// Dimensions announced by an XML element, applied at its first cell.
  int FXmlNCol = 0;
  int FXmlNRow = 0;
};

}  // namespace zel
