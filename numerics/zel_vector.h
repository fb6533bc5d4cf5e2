// Vector components: TVector (doubles) and TIntVector (32-bit integers).
//
// Elements count from 1. Bad indices are silent: reads give 0, writes are
// skipped, ranges are clipped by MakeValidElemRange. OnChange fires after
// every valid SetVal, every size change and once at the end of each bulk
// operation; OnSortExchange reports every exchange of SortElems. The parts
// both element types share live in TVectorOf<T>; the statistics themselves
// are the range routines of zel_rangestats.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "zel_classes.h"
#include "zel_exceptions.h"
#include "zel_streams.h"
#include "zel_types.h"

namespace zel {

/// Error raised by the vector components.
ZEL_DECLARE_EXCEPTION(EZELVectorError, EZELError)

/// Integration rule of TVector::Integrate.
enum class TIntegMethod { imSimple, imTrapezoidal, imSimpson };
using enum TIntegMethod;

/// Storage, events and the operations TVector and TIntVector share.
template <class T>
class TVectorOf : public TComponent {
 public:
  using ElemType = T;

  /// One element of value 0, IsEmpty true.
  explicit TVectorOf(TComponent* AOwner = nullptr);

  /// Copies size, IsEmpty, elements and both event handlers from a vector
  /// of the same element type; fires nothing. Other sources: EConvertError.
  void Assign(const TPersistent* Source) override;

  int NrOfElem() const noexcept { return FNElem; }
  /// Values of 0 or less and the current size are ignored; otherwise Resize.
  void SetNrOfElem(int NE);
  bool IsEmpty() const noexcept { return FIsEmpty; }
  /// Plain field write, no event.
  void SetIsEmpty(bool Value) noexcept { FIsEmpty = Value; }

  /// Element Elem (1-based); 0 outside 1..NrOfElem.
  T GetVal(int Elem) const noexcept;
  /// Writes a valid element, clears IsEmpty and fires OnChange; invalid
  /// indices are ignored without an event.
  void SetVal(int Elem, T Value);
  T Elem(int i) const noexcept { return GetVal(i); }
  void SetElem(int i, T Value) { SetVal(i, Value); }

  /// New size NE, keeping elements 1..min(old, NE) and zero-filling the
  /// rest; fires OnChange. Same size: true without event; NE ≤ 0: false.
  /// Raises EZELVectorError "...: not enough memory" when allocation fails.
  bool Resize(int NE);
  /// Fires OnChange(this) when assigned.
  void Changed();
  /// The range rule: both 0 → whole vector; else each bound clipped to
  /// 1..NrOfElem and reversed bounds exchanged.
  void MakeValidElemRange(int& LowElem, int& HighElem) const noexcept;

  /// All elements 0, IsEmpty true, OnChange.
  void Clear();
  /// All elements Value, IsEmpty false, OnChange.
  void Fill(T Value);
  /// Absolute values (an integer's most negative value stays as it is); OnChange.
  void AbsVal();
  /// Reverses the element order; OnChange.
  void Mirror();
  /// NrOfElem exchanges of two uniformly drawn positions, from a generator
  /// seeded unpredictably on each call. No event.
  void ShuffleElems();
  /// Comb sort of RangeFirst..RangeLast (both 0: all), reporting every
  /// exchange to OnSortExchange (kind 0); OnChange once at the end.
  void SortElems(bool Ascending, int RangeFirst, int RangeLast);

  /// Position of the element closest to Value in the range (first wins);
  /// 0 when none is closer than the start distance.
  int Find(int LowElem, int HighElem, T Value) const;
  /// Binary search in the sorted vector: exact match or the closer neighbour.
  int FindInSortedVector(bool Ascending, T Value) const noexcept;
  /// True when the vector holds at most two distinct values (see the class notes).
  bool IsDichotomous(T& v1, T& v2) const noexcept;

  /// Euclidean length √Σx².
  double Leng() const noexcept;
  /// Mean and variance of the range (variance 1 for one or two elements).
  void MeanVar(int LowElem, int HighElem, double& Mean, double& Variance) const;
  /// Geometric mean of the range; raises on a negative element.
  double GeometricMean(int LowElem, int HighElem) const;
  /// Harmonic mean of the range; raises on an element of 0 or less.
  double HarmonicMean(int LowElem, int HighElem) const;
  /// Most frequent value of the range (smallest on ties).
  T Mode(int LowElem, int HighElem) const;
  /// Percentile (prob in percent) of the range, linear interpolation.
  double Percentile(double prob, int LowElem, int HighElem) const;
  /// Quartiles of the range; always true (the vector always has storage).
  bool Quartiles(int LowElem, int HighElem, double& Q1, double& Q2, double& Q3) const;
  /// Skewness and excess kurtosis of the range (0 for fewer than 4 elements).
  void SkewKurt(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const;
  /// The same, corrected for sample size.
  void SkewKurtSample(int LowElem, int HighElem, double& Skewness, double& Kurtosis) const;
  /// Pearson correlation with OtherVec; 0 for different sizes, null or
  /// degenerate data.
  double PearsonCorrCoeff(const TVectorOf* OtherVec) const noexcept;
  /// √Σ(x − y)²; 0 for a null OtherVec; raises on different sizes.
  double EuclideanDistance(const TVectorOf* OtherVec) const;

  /// Resize to the source and copy every element through SetVal; OnChange.
  void Clone(const TVectorOf* VecSource);
  /// Copies source elements Lo..Hi (clipped to the source) to DestElem
  /// onwards through SetVal (targets outside are skipped); OnChange.
  void CopyFrom(const TVectorOf* VecSource, int SourceElemLo, int SourceElemHi, int DestElem);
  /// The range into DestArray from index 0.
  void CopyToArray(std::vector<T>& DestArray, int LowElem, int HighElem) const;
  /// SrcArray[k] to element Elem + k through SetVal (outside: skipped).
  void CopyFromArray(const std::vector<T>& SrcArray, int Elem);

  /// Fingerprint of the element bytes: one CRC-32 per byte lane, 8 hex
  /// digits each: 64 characters for doubles, 32 for integers.
  std::string CRCofData() const;

  /// The storage, for callers that write in bulk (call Changed afterwards).
  std::span<T> Data() noexcept { return FVec; }
  std::span<const T> Data() const noexcept { return FVec; }

  TNotifyEvent OnChange;
  TSortExchgEvent OnSortExchange;

 protected:
  /// Range after the range rule as a span of the storage.
  std::span<const T> RangeSpan(int LowElem, int HighElem) const noexcept;
  /// Extremes of the validated range from the given start values, with the
  /// 1-based positions of their first occurrences (0 when none beats them).
  void MinMaxFrom(int LowElem, int HighElem, T StartMin, T StartMax, T& Minimum, T& Maximum, int& MinIx,
                  int& MaxIx) const;
  /// "Component "<Name>": <Text>" as EZELVectorError.
  [[noreturn]] void Fail(const std::string& Text) const;
  /// Dest.Assign(this) when Dest is a vector of the same class.
  void AssignTo(TPersistent* Dest) const override;

  int FNElem = 1;
  bool FIsEmpty = true;
  std::vector<T> FVec;
};

extern template class TVectorOf<double>;
extern template class TVectorOf<int>;

class TIntVector;

/// One-dimensional array of doubles.
class TVector : public TVectorOf<double> {
 public:
  explicit TVector(TComponent* AOwner = nullptr) : TVectorOf<double>(AOwner) {}
  std::string ClassName() const override { return "TVector"; }

  /// Scales all elements to the Euclidean length Value; nothing when the
  /// current length is 0 or less. OnChange.
  void SetLeng(double Value);
  using TVectorOf<double>::Leng;

  /// Elements RangeLow + r·(RangeHigh − RangeLow), r uniform on [0, 1).
  void FillRandomUniform(double RangeLow, double RangeHigh);
  /// Elements g·StdDev + Mean with g from GRandom.
  void FillRandomGauss(double Mean, double StdDev);
  /// Multiplies every element; OnChange.
  void SMult(double Scalar);
  /// Element-wise sum; raises on different sizes; null: nothing. OnChange.
  void Add(const TVector* OtherVec);
  /// Element-wise difference; as Add.
  void Subtract(const TVector* OtherVec);
  /// Σx·y; 0 for null; raises on different sizes.
  double DotProduct(const TVector* OtherVec) const;
  /// Lagged cross product Σ x_i·y_(i−ElemShift) over the overlap; 0 when the
  /// overlap has fewer than two elements or OtherVec is null.
  double Correlate(const TVector* OtherVec, int ElemShift) const;

  /// Smallest and largest element of the range from the start values
  /// ±1.7E308; first occurrence wins.
  void MinMax(int LowElem, int HighElem, double& Minimum, double& Maximum) const;
  void MinMax(int LowElem, int HighElem, double& Minimum, double& Maximum, int& MinIx, int& MaxIx) const;
  /// Sum of the range.
  double Sum(int LowElem, int HighElem) const;
  /// Subtracts the mean of all elements and returns it (no event).
  double MeanCenter();
  /// Scales to zero mean and unit deviation when the deviation is positive
  /// (no event); returns mean and deviation in either case.
  void Standardize(double& mean, double& stddev);
  /// (x − median)/|median − RefQuant-percentile| when that difference is
  /// positive (no event).
  void QNormalize(double RefQuant, double& Median, double& QuantDiff);
  /// Counts the range's values into bins of BinWidth from FirstBin to
  /// LastBin; false (Histo untouched) for more than 500 bins, a width of 0
  /// or less, or a null Histo.
  bool Histogram(int FirstElem, int LastElem, double FirstBin, double LastBin, double BinWidth, TIntVector* Histo,
                 int& Underflow, int& Overflow, int& MaxCnt) const;
  /// Integral between two fractional positions (element spacing 1).
  double Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const;

  /// Text file: "first last", then one value per line (Precision ≥ 0:
  /// fixed decimals; −1, −2: scientific in fields of 13 and 26). False when
  /// the file cannot be written; an existing file is then left untouched.
  bool StoreOnFile(int FirstElem, int LastElem, int Precision, const std::string& FileName) const;
  /// Reads a file of StoreOnFile; false for a missing or malformed header or
  /// a vector too small for the positions (nothing read then).
  bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize);
  /// With AutoDetect: a list of bare numbers, one per line with a digit.
  bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect);
  /// Writes first, last and the range as 10-byte extended values. A null
  /// OutStream gets a new TMemoryStream that the caller owns.
  void SaveToStream(TMemoryStream*& OutStream, int LowElem, int HighElem) const;
  void SaveToStream(TStream& OutStream, int LowElem, int HighElem) const;
  /// Reads the form of SaveToStream; false for a null stream, bad bounds or
  /// a failed value read.
  bool LoadFromStream(TStream* InStream, bool AdjustVectorSize);

  /// ASC file of one column (values by strff in 12 characters with
  /// Precision decimals, at most 25). 0, or −1 when the file cannot be
  /// written (an existing file is then left untouched).
  int ExportAsASC(const std::string& FName, int Precision, const std::string& Comment) const;
  /// Reads a one-column ASC file: 0, −8 (missing file), −7 (not one
  /// column), −9 (no rows), −5/−6 (row attribute/value not a number), −4
  /// (a name left open) or the header reader's code. On a failure after the
  /// header the vector is cut to the row being read.
  int ImportASC(const std::string& FName, std::string& Comment);
};

/// One-dimensional array of 32-bit signed integers. Sums and products wrap
/// modulo 2^32.
class TIntVector : public TVectorOf<int> {
 public:
  explicit TIntVector(TComponent* AOwner = nullptr) : TVectorOf<int>(AOwner) {}
  std::string ClassName() const override { return "TIntVector"; }
  /// Writer of NrOfElem under its historical name.
  void SetIntVecSize(int NE) { SetNrOfElem(NE); }

  /// Multiplies every element (wrapping); OnChange.
  void SMult(int Scalar);
  void Add(const TIntVector* OtherVec);
  void Subtract(const TIntVector* OtherVec);
  /// Σx·y wrapping; 0 for null; raises on different sizes.
  int DotProduct(const TIntVector* OtherVec) const;
  /// Σ over all i of x_i·y_(ElemShift+i), positions outside OtherVec
  /// counting 0 (wrapping); 0 for null.
  int Correlate(const TIntVector* OtherVec, int ElemShift) const;
  /// First position in the range equal to Value, else 0.
  int FindExact(int LowElem, int HighElem, int Value) const;

  /// Extremes from the start values 2147483647 and −2147483647.
  void MinMax(int LowElem, int HighElem, int& Minimum, int& Maximum) const;
  void MinMax(int LowElem, int HighElem, int& Minimum, int& Maximum, int& MinIx, int& MaxIx) const;
  /// Wrapping 32-bit sum of the range.
  int Sum(int LowElem, int HighElem) const;
  /// Integer bins; a width of 0 or less counts as 1; raises
  /// "Component "<Name>.Histogram": invalid number of bins" for more than
  /// 500 bins. False only for a null Histo.
  bool Histogram(int FirstElem, int LastElem, int FirstBin, int LastBin, int BinWidth, TIntVector* Histo,
                 int& Underflow, int& Overflow, int& MaxCnt) const;

  /// Text file: "first last" (first at least 1, last at most NrOfElem),
  /// then one integer per line.
  bool StoreOnFile(int FirstElem, int LastElem, const std::string& FileName) const;
  /// Reads a StoreOnFile file; values rounded half-even, values outside
  /// the integer range are skipped.
  bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize);
  /// First, last and the range as 32-bit little-endian integers.
  void SaveToStream(TMemoryStream*& OutStream, int LowElem, int HighElem) const;
  void SaveToStream(TStream& OutStream, int LowElem, int HighElem) const;
  bool LoadFromStream(TStream* InStream, bool AdjustVectorSize);

  /// ASC file of one column of plain integers; results as TVector's.
  int ExportAsASC(const std::string& FName, const std::string& Comment) const;
  /// As TVector's; values are rounded half-even, a value outside the
  /// integer range counts as not a number (−6).
  int ImportASC(const std::string& FName, std::string& Comment);
};

/// Histogram of the positions First..Last (1-based) of X into Histo, by the
/// rules of TVector::Histogram (shared with the other data components):
/// false, Histo untouched, for a null Histo, a width of 0 or less or more
/// than 500 bins.
bool HistogramIntoVector(std::span<const double> X, std::int64_t First, std::int64_t Last, double FirstBin,
                         double LastBin, double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                         int& MaxCnt);

struct THistoResult;

/// Stores a histogram result of NBins bins into Histo (resized when its
/// length differs) and the three counts; true.
bool StoreHistogram(const THistoResult& R, int NBins, TIntVector& Histo, int& Underflow, int& Overflow, int& MaxCnt);

}  // namespace zel
