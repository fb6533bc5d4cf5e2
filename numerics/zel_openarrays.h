// Routines on the plain dynamic arrays of zel_types.h: cloning and type
// conversion, copying of blocks, rows and columns, filling, element-wise
// arithmetic, products, extreme values, means and deviations, counting,
// searching, sorting with an index, shuffling and dichotomy tests.
//
// Conventions shared by every routine here:
// - Arrays count from 0. A multi-dimensional array is an array of arrays,
//   indexed [i][j][k][l] with the first index selecting the outer array; row
//   r of a 2-D array is Data[r], column c is Data[*][c].
// - Multi-dimensional arguments must be rectangular: the sizes are taken from
//   the first sub-arrays, and an inner array that is empty or differs in
//   size from its first sibling makes the argument unfit (never read or
//   written past a shorter row).
// - Integer status results: 0 success, -1 an input array is empty, -2 sizes,
//   shapes or index ranges do not fit. On failure the outputs are left as
//   they were unless a routine says otherwise.
// - Index ranges are inclusive 0-based pairs (Lo, Hi), one pair per
//   dimension in index order; a range is invalid when a bound is negative or
//   beyond the last index, or Hi < Lo.
// - Double to integer: clamped to -2147483648 .. 2147483647, then rounded to
//   the nearest integer with ties to even; NaN gives 0. Double to Single:
//   the nearest Single, magnitudes beyond its range become infinities.
// - Integer arithmetic (sums, differences, products, scaling) wraps modulo
//   2^32, as unchecked 32-bit arithmetic does; sums behind means and
//   deviations are exact in 64 bits.
//
// The overload families are function templates constrained to the array
// types each family supports; the library holds their instantiations for
// exactly those types.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string_view>
#include <type_traits>
#include <vector>

#include "zel_types.h"

namespace zel {

/// Rank and element traits of the array aliases and the shape helpers the
/// routines share (implementation details).
namespace oa {

template <class T>
struct ArrayTraits {
  static constexpr int Rank = 0;
  using Elem = T;
};
template <class T, class Alloc>
struct ArrayTraits<std::vector<T, Alloc>> {
  static constexpr int Rank = ArrayTraits<T>::Rank + 1;
  using Elem = typename ArrayTraits<T>::Elem;
};

/// Element type of an array of any rank (double for TDouble3DArray).
template <class A>
using ElemOf = typename ArrayTraits<std::remove_cvref_t<A>>::Elem;
/// Number of dimensions (0 for a scalar).
template <class A>
inline constexpr int RankOf = ArrayTraits<std::remove_cvref_t<A>>::Rank;

template <class E>
using Arr1 = std::vector<E>;
template <class E>
using Arr2 = std::vector<Arr1<E>>;
template <class E>
using Arr3 = std::vector<Arr2<E>>;
template <class E>
using Arr4 = std::vector<Arr3<E>>;

/// Element types of the numeric families.
template <class E>
concept NumElem = std::same_as<E, double> || std::same_as<E, int>;
/// Element types of the copying and filling families (Boolean up to 2-D).
template <class E>
concept CopyElem = NumElem<E> || std::same_as<E, bool>;
/// Element types of the 1-D extreme-value families.
template <class E>
concept MinMaxElem = NumElem<E> || std::same_as<E, float>;

/// An array of element type E with 1 to MaxRank dimensions.
template <class A, class E, int MaxRank>
concept ArrayUpTo = RankOf<A> >= 1 && RankOf<A> <= MaxRank && std::same_as<ElemOf<A>, E>;
/// Double or integer array with 1 to MaxRank dimensions.
template <class A, int MaxRank = 4>
concept NumArray = ArrayUpTo<A, double, MaxRank> || ArrayUpTo<A, int, MaxRank>;
/// Double, integer (1-D to 4-D) or Boolean (1-D, 2-D) array.
template <class A>
concept CopyArrayType = NumArray<A> || ArrayUpTo<A, bool, 2>;

/// Source/destination pairs of CloneArray: same type (Boolean up to 2-D,
/// Double and integer up to 4-D), Double <-> integer up to 4-D, Single <->
/// Double 1-D.
template <class S, class D>
concept ClonePair =
    RankOf<S> == RankOf<D> &&
    ((std::same_as<S, D> && CopyArrayType<S>) || (ArrayUpTo<S, double, 4> && ArrayUpTo<D, int, 4>) ||
     (ArrayUpTo<S, int, 4> && ArrayUpTo<D, double, 4>) || (ArrayUpTo<S, float, 1> && ArrayUpTo<D, double, 1>) ||
     (ArrayUpTo<S, double, 1> && ArrayUpTo<D, float, 1>));
/// Source/destination pairs of CloneAndReverseArray: the 1-D pairs of ClonePair.
template <class S, class D>
concept ReverseClonePair = RankOf<S> == 1 && ClonePair<S, D>;

/// Sizes of an array, one per dimension.
template <class A>
using ShapeOf = std::array<std::size_t, RankOf<A>>;

template <class A>
void FirstSizes(const A& Data, std::size_t* Sizes) noexcept {
  Sizes[0] = Data.size();
  if constexpr (RankOf<A> > 1) {
    if (Data.empty()) {
      for (int d = 1; d < RankOf<A>; ++d) Sizes[d] = 0;
    } else {
      FirstSizes(Data[0], Sizes + 1);
    }
  }
}

template <class A>
bool HasSizes(const A& Data, const std::size_t* Sizes) noexcept {
  if (Data.size() != Sizes[0]) return false;
  if constexpr (RankOf<A> > 1) {
    for (const auto& Sub : Data)
      if (!HasSizes(Sub, Sizes + 1)) return false;
  }
  return true;
}

/// Shape of Data from its first sub-arrays: 0 when Data is rectangular
/// without empty inner arrays, -1 when Data is empty, -2 otherwise.
template <class A>
int GetShape(const A& Data, ShapeOf<A>& Shape) noexcept {
  FirstSizes(Data, Shape.data());
  if (Shape[0] == 0) return -1;
  for (std::size_t s : Shape)
    if (s == 0) return -2;
  return HasSizes(Data, Shape.data()) ? 0 : -2;
}

/// Shape of First as GetShape, and the others must be non-empty (-1) and of
/// the same shape (-2).
template <class A, class... B>
int GetCommonShape(ShapeOf<A>& Shape, const A& First, const B&... Others) noexcept {
  const int rc = GetShape(First, Shape);
  if (rc != 0) return rc;
  if ((Others.empty() || ...)) return -1;
  return (HasSizes(Others, Shape.data()) && ...) ? 0 : -2;
}

/// True when every inclusive pair (Lo, Hi) of Bounds lies inside Shape.
inline bool ValidBounds(const std::size_t* Shape, int Rank, const int* Bounds) noexcept {
  for (int d = 0; d < Rank; ++d) {
    const int lo = Bounds[2 * d];
    const int hi = Bounds[2 * d + 1];
    if (lo < 0 || hi < lo || static_cast<std::size_t>(hi) >= Shape[d]) return false;
  }
  return true;
}

/// Resizes Data to the given sizes, one per dimension.
template <class A>
void Reshape(A& Data, const std::size_t* Sizes) {
  Data.resize(Sizes[0]);
  if constexpr (RankOf<A> > 1) {
    for (auto& Sub : Data) Reshape(Sub, Sizes + 1);
  }
}

/// Calls Fn(row...) for the corresponding innermost (1-D) arrays of
/// same-shaped arrays, in index order.
template <class F, class A, class... B>
void ForEachRow(F& Fn, A& First, B&... Others) {
  if constexpr (RankOf<A> == 1) {
    Fn(First, Others...);
  } else {
    for (std::size_t i = 0; i < First.size(); ++i) ForEachRow(Fn, First[i], Others[i]...);
  }
}

/// Calls Fn(row, Lo, Hi) for the innermost arrays inside Bounds (one
/// inclusive pair per dimension), in index order.
template <class F, class A>
void ForEachSegment(F& Fn, A& Data, const int* Bounds) {
  if constexpr (RankOf<A> == 1) {
    Fn(Data, Bounds[0], Bounds[1]);
  } else {
    for (int i = Bounds[0]; i <= Bounds[1]; ++i) ForEachSegment(Fn, Data[static_cast<std::size_t>(i)], Bounds + 2);
  }
}

}  // namespace oa

// ---- cloning and conversion ----------------------------------------------------

/// Dest becomes a copy of Source with the same shape, converting the element
/// type where the two differ (Double to integer and to Single as in the
/// header comment). Pairs: Boolean 1-D, 2-D; Double and integer 1-D..4-D;
/// Double <-> integer 1-D..4-D; Single <-> Double 1-D. Returns 0, -1 for an
/// empty Source (Dest is emptied) or -2 for a ragged Source (Dest unchanged).
template <class S, class D>
  requires oa::ClonePair<S, D>
int CloneArray(const S& Source, D& Dest);

/// As CloneArray for 1-D arrays, with the elements in reverse order. Source
/// and Dest may be the same array.
template <class S, class D>
  requires oa::ReverseClonePair<S, D>
int CloneAndReverseArray(const S& Source, D& Dest);

// ---- copying blocks, rows and columns ------------------------------------------

/// Copies a block of Source into Dest, which is sized to the block: either
/// from the start indices (one per dimension) to the ends of Source, or
/// between the inclusive bounds (Lo, Hi) of each dimension. Double and
/// integer 1-D..4-D, Boolean 1-D and 2-D. Returns 0, -1 (Source empty) or -2
/// (ragged Source, start or range outside it).
template <oa::CopyElem E>
int CopyArray(const oa::Arr1<E>& Source, int Start1, oa::Arr1<E>& Dest);
template <oa::CopyElem E>
int CopyArray(const oa::Arr2<E>& Source, int Start1, int Start2, oa::Arr2<E>& Dest);
template <oa::NumElem E>
int CopyArray(const oa::Arr3<E>& Source, int Start1, int Start2, int Start3, oa::Arr3<E>& Dest);
template <oa::NumElem E>
int CopyArray(const oa::Arr4<E>& Source, int Start1, int Start2, int Start3, int Start4, oa::Arr4<E>& Dest);
template <oa::CopyElem E>
int CopyArray(const oa::Arr1<E>& Source, int Lo1, int Hi1, oa::Arr1<E>& Dest);
template <oa::CopyElem E>
int CopyArray(const oa::Arr2<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, oa::Arr2<E>& Dest);
template <oa::NumElem E>
int CopyArray(const oa::Arr3<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, oa::Arr3<E>& Dest);
template <oa::NumElem E>
int CopyArray(const oa::Arr4<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
              oa::Arr4<E>& Dest);

/// Dest becomes the segment From..To of row Row (Source[Row]) or of column
/// Column (Source[From..To][Column]) of a 2-D array (Double, integer,
/// Boolean). Returns 0, -1 (Source empty) or -2 (ragged Source, index or
/// segment outside it).
template <oa::CopyElem E>
int CopyArrayRow(const oa::Arr2<E>& Source, int Row, int From, int To, oa::Arr1<E>& Dest);
template <oa::CopyElem E>
int CopyArrayColumn(const oa::Arr2<E>& Source, int Column, int From, int To, oa::Arr1<E>& Dest);

/// The reverse of CopyArrayRow and CopyArrayColumn: Source[From..To] is
/// written into the existing 2-D Dest, into row Row from column Start on
/// (Dest[Row][Start + k]) or into column Column from row Start on
/// (Dest[Start + k][Column]). Returns 0, -1 (Source or Dest empty) or -2
/// (ragged Dest, segment outside Source, or the target outside Dest).
template <oa::CopyElem E>
int CopyVectorToArrayRow(const oa::Arr1<E>& Source, int From, int To, int Row, int Start, oa::Arr2<E>& Dest);
template <oa::CopyElem E>
int CopyVectorToArrayColumn(const oa::Arr1<E>& Source, int From, int To, int Column, int Start, oa::Arr2<E>& Dest);

// ---- filling -------------------------------------------------------------------

/// Sets every element of Data, or those inside the inclusive bounds (Lo, Hi)
/// of each dimension, to Value. Double and integer 1-D..4-D, Boolean 1-D and
/// 2-D. Returns 0, -1 (Data empty) or -2 (ragged Data, invalid range).
template <class A>
  requires oa::CopyArrayType<A>
int FillArray(A& Data, oa::ElemOf<A> Value);
template <oa::CopyElem E>
int FillArray(oa::Arr1<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1);
template <oa::CopyElem E>
int FillArray(oa::Arr2<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2);
template <oa::NumElem E>
int FillArray(oa::Arr3<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3);
template <oa::NumElem E>
int FillArray(oa::Arr4<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
              int Lo4, int Hi4);

/// Each element receives its running index in index order: element i of a
/// 1-D array gets i, element [i][j] of an n1 x n2 array gets i n2 + j, and
/// so on (Double and integer, 1-D..3-D). Returns 0, -1 (empty) or -2 (ragged).
template <class A>
  requires oa::NumArray<A, 3>
int FillArrayRix(A& Data);

/// Value where all indices are equal, 0 elsewhere (Double and integer,
/// 2-D..4-D). Returns 0, -1 (empty) or -2 (not square in every dimension, or
/// ragged).
template <class A>
  requires(oa::NumArray<A> && oa::RankOf<A> >= 2)
int FillDiagArray(A& Data, oa::ElemOf<A> Value);

/// Normal random values Mean + StdDev * GRandom() (Double 1-D..4-D), drawn
/// in index order. Returns 0, -1 (empty) or -2 (ragged).
template <class A>
  requires oa::ArrayUpTo<A, double, 4>
int FillRandomNormal(A& Data, double Mean, double StdDev);

/// Uniform random values in index order (Double and integer 1-D..4-D):
/// Double elements Low + (High - Low) * Random(), in [Low, High); integer
/// elements every integer from min(Low, High) to max(Low, High) inclusive
/// with equal probability. Returns 0, -1 (empty) or -2 (ragged).
template <class A>
  requires oa::NumArray<A>
int FillRandomUniform(A& Data, oa::ElemOf<A> Low, oa::ElemOf<A> High);

/// Sets the elements of a 2-D Double or integer array whose Mask cell is
/// true. Returns 0, -1 (Data empty) or -2 (ragged, or Mask of another shape).
template <oa::NumElem E>
int FillArrayMasked(oa::Arr2<E>& Data, std::type_identity_t<E> Value, const TBool2DArray& Mask);

// ---- element-wise arithmetic (Double and integer 1-D..4-D) -----------------------
// All return 0, -1 (an input empty) or -2 (ragged, or shapes that differ);
// a destination is sized to the input's shape and may be one of the inputs.

/// Absolute values in place (the integer -2147483648 becomes 2147483647).
template <class A>
  requires oa::NumArray<A>
int AbsValArray(A& Data);

/// Adds Delta to every element in place.
template <class A>
  requires oa::NumArray<A>
int IncArray(A& Data, oa::ElemOf<A> Delta);

/// Dest = Data + Value, element by element.
template <class A>
  requires oa::NumArray<A>
int AddScalarToArray(const A& Data, oa::ElemOf<A> Value, A& Dest);

/// Dest = Factor * Data, or Data scaled in place.
template <class A>
  requires oa::NumArray<A>
int MultiplyArrayByScalar(const A& Data, oa::ElemOf<A> Factor, A& Dest);
template <class A>
  requires oa::NumArray<A>
int MultiplyArrayByScalar(A& Data, oa::ElemOf<A> Factor);

/// Dest = A1 + A2 and Dest = A1 - A2, element by element.
template <class A>
  requires oa::NumArray<A>
int AddArrays(const A& A1, const A& A2, A& Dest);
template <class A>
  requires oa::NumArray<A>
int SubtractArrays(const A& A1, const A& A2, A& Dest);

/// Dest = A1 * A2 element by element (1-D and 2-D).
template <class A>
  requires oa::NumArray<A, 2>
int MultiplyArraysElemw(const A& A1, const A& A2, A& Dest);

/// Sum += Weight * Data, element by element; Sum must already have Data's
/// shape.
template <class A>
  requires oa::NumArray<A>
int AccumulateArray(A& Sum, const A& Data, oa::ElemOf<A> Weight);

// ---- products ------------------------------------------------------------------

/// Matrix product Dest[i][j] = sum over k of A[i][k] B[k][j] (2-D x 2-D), or
/// the row vector product Dest[j] = sum over k of A[k] B[k][j] (1-D x 2-D),
/// each sum taken in ascending k. Double and integer. Returns 0, -1 (an input
/// empty) or -2 (ragged, or the inner sizes differ). Dest may be an input.
template <oa::NumElem E>
int MultiplyArrays(const oa::Arr2<E>& A, const oa::Arr2<E>& B, oa::Arr2<E>& Dest);
template <oa::NumElem E>
int MultiplyArrays(const oa::Arr1<E>& A, const oa::Arr2<E>& B, oa::Arr1<E>& Dest);

/// Cross product of two 3-element vectors (Double and integer). Returns 0,
/// -1 (an input empty) or -2 (not both of length 3).
template <oa::NumElem E>
int VectorCrossProduct(const oa::Arr1<E>& A, const oa::Arr1<E>& B, oa::Arr1<E>& Dest);

/// Dot product, summed in ascending index (Double and integer). Returns 0,
/// -1 (an input empty) or -2 (lengths differ); Result is 0 on failure.
template <oa::NumElem E>
int VectorDotProduct(const oa::Arr1<E>& A, const oa::Arr1<E>& B, E& Result);

/// Sum of squared differences (A[i] - B[i])^2, or (A[i] - B[Row][i])^2 with
/// a row of a 2-D B. Returns -1 when A is empty, -2 when B is empty or
/// ragged, Row lies outside B or the lengths differ.
double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B);
double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& B, int Row);

/// Sum of the diagonal Data[i][i], i < min(rows, columns) (Double and
/// integer). Returns 0, -1 (empty) or -2 (ragged); Trace is 0 on failure.
template <oa::NumElem E>
int TraceOfArray(const oa::Arr2<E>& Data, E& Trace);

/// Replaces a 2-D array (Double, integer, Boolean) by its transpose: Data
/// becomes an n2 x n1 array with Data[j][i] = old Data[i][j]. Returns 0, -1
/// (empty) or -2 (ragged; Data unchanged).
template <class A>
  requires(oa::CopyArrayType<A> && oa::RankOf<A> == 2)
int TransposeArray(A& Data);

// ---- extreme values --------------------------------------------------------------

/// The largest or smallest element (Double and integer 1-D..4-D). The
/// Double search starts from -uc_MaxDouble (maximum) or +uc_MaxDouble
/// (minimum) and takes only strictly larger (smaller) elements, so NaN is
/// passed over and an array of -inf (+inf) reports the start value; an
/// empty or ragged array gives the start value too (INT_MIN / INT_MAX for
/// integer). The integer 1-D and 2-D forms with index outputs give the
/// position of the first occurrence (-1 when there is none).
template <class A>
  requires oa::NumArray<A>
oa::ElemOf<A> MaxArray(const A& Data);
template <class A>
  requires oa::NumArray<A>
oa::ElemOf<A> MinArray(const A& Data);
int MaxArray(const TIntArray& Data, int& Ix);
int MaxArray(const TInt2DArray& Data, int& Ix1, int& Ix2);
int MinArray(const TIntArray& Data, int& Ix);
int MinArray(const TInt2DArray& Data, int& Ix1, int& Ix2);

/// Both extremes at once, with MaxArray's start values and NaN rule.
/// - (Data, Min, Max): Double, integer and Single 1-D..4-D (Single arrays of
///   more than one dimension are nested std::vector<float>). An empty or
///   ragged array gives the start values (Min = the largest value of the
///   type, Max = its negative, or INT_MAX / INT_MIN).
/// - (pointer, Count, Min, Max): Count elements from a pointer (Double,
///   integer, Single); Count <= 0 or a null pointer give the start values.
/// - Ranged forms (1-D: Double, integer, Single; 2-D: Double, integer) also
///   give the position of the first minimum and the first maximum and return
///   0, -1 (empty) or -2 (ragged, invalid range); on failure Min and Max get
///   the start values and the positions -1.
template <class A>
  requires(oa::NumArray<A> || oa::ArrayUpTo<A, float, 4>)
void MinMaxArray(const A& Data, oa::ElemOf<A>& Min, oa::ElemOf<A>& Max);
void MinMaxArray(const double* Data, int Count, double& Min, double& Max);
void MinMaxArray(const int* Data, int Count, int& Min, int& Max);
void MinMaxArray(const float* Data, int Count, float& Min, float& Max);
template <oa::MinMaxElem E>
int MinMaxArray(const oa::Arr1<E>& Data, int Lo, int Hi, E& Min, int& MinIx, E& Max, int& MaxIx);
template <oa::NumElem E>
int MinMaxArray(const oa::Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, E& Min, int& MinIx1, int& MinIx2, E& Max,
                int& MaxIx1, int& MaxIx2);

// ---- means, deviations and counts ----------------------------------------------

/// Mean of the elements inside the inclusive bounds (Lo, Hi) of each
/// dimension (Double and integer 1-D..4-D). Returns 0, -1 (empty) or -2
/// (ragged, invalid range); Mean is 0 on failure.
template <oa::NumElem E>
int MeanArray(const oa::Arr1<E>& Data, int Lo1, int Hi1, double& Mean);
template <oa::NumElem E>
int MeanArray(const oa::Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& Mean);
template <oa::NumElem E>
int MeanArray(const oa::Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double& Mean);
template <oa::NumElem E>
int MeanArray(const oa::Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
              double& Mean);

/// Sample standard deviation (divisor n - 1) of the ranged elements, as
/// MeanArray; 0 for a single element. Deviations are taken from the mean of
/// a first pass, which cannot go negative as the one-pass formula can.
template <oa::NumElem E>
int StdDevArray(const oa::Arr1<E>& Data, int Lo1, int Hi1, double& StdDev);
template <oa::NumElem E>
int StdDevArray(const oa::Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& StdDev);
template <oa::NumElem E>
int StdDevArray(const oa::Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double& StdDev);
template <oa::NumElem E>
int StdDevArray(const oa::Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
                double& StdDev);

/// Mean and sample variance (divisor n - 1, 0 for a single element) of the
/// ranged elements (Double and integer 1-D, 2-D), as MeanArray and
/// StdDevArray; both 0 on failure.
template <oa::NumElem E>
int MeanVarArray(const oa::Arr1<E>& Data, int Lo1, int Hi1, double& Mean, double& Variance);
template <oa::NumElem E>
int MeanVarArray(const oa::Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double& Mean, double& Variance);

/// Number of ranged elements x with Low <= x <= High (Double and integer
/// 1-D..4-D; NaN is never counted). -1 when Data is empty, -2 when it is
/// ragged, a range is invalid or Low > High.
template <oa::NumElem E>
int CountValues(const oa::Arr1<E>& Data, int Lo1, int Hi1, double Low, double High);
template <oa::NumElem E>
int CountValues(const oa::Arr2<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, double Low, double High);
template <oa::NumElem E>
int CountValues(const oa::Arr3<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, double Low,
                double High);
template <oa::NumElem E>
int CountValues(const oa::Arr4<E>& Data, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
                double Low, double High);

/// Number of true cells of a 1-D or 2-D Boolean array (0 when empty); -2 for
/// a ragged 2-D array.
template <class A>
  requires oa::ArrayUpTo<A, bool, 2>
int CountTrueCellsOfArray(const A& Data);

/// True when two integer arrays (1-D..4-D) have the same shape and equal
/// elements. Two empty arrays are equal; a ragged array equals nothing.
template <class A>
  requires oa::ArrayUpTo<A, int, 4>
bool EqualArrays(const A& A1, const A& A2);

// ---- Boolean arrays and dichotomies --------------------------------------------

/// Dest (integer or Double, sized like Data) receives ValueTrue where Data is
/// true and ValueFalse elsewhere (1-D, 2-D). Returns 0, -1 (empty) or -2
/// (ragged).
template <oa::NumElem E>
int BoolToNumArray(const TBoolArray& Data, std::type_identity_t<E> ValueTrue, std::type_identity_t<E> ValueFalse,
                   oa::Arr1<E>& Dest);
template <oa::NumElem E>
int BoolToNumArray(const TBool2DArray& Data, std::type_identity_t<E> ValueTrue, std::type_identity_t<E> ValueFalse,
                   oa::Arr2<E>& Dest);

/// True when Data has at least 2 elements and exactly two distinct values;
/// Value1 < Value2 are those values. Otherwise false, with Value1 = Value2 =
/// the first element (0 for fewer than 2 elements). An array holding NaN is
/// not dichotomous.
template <oa::NumElem E>
bool IsDichotomous(const oa::Arr1<E>& Data, E& Value1, E& Value2);

/// Dest (sized like Data) is true where the element lies above Threshold, or
/// with two bounds where Low <= element <= High (Double and integer 2-D).
/// Returns 0, -1 (empty) or -2 (ragged, or Low > High).
template <oa::NumElem E>
int DichotomizeArray(const oa::Arr2<E>& Data, double Threshold, TBool2DArray& Dest);
template <oa::NumElem E>
int DichotomizeArray(const oa::Arr2<E>& Data, double Low, double High, TBool2DArray& Dest);

// ---- search, sort, shuffle, percentiles -------------------------------------------

/// Index of the first element equal to Key; -1 for an empty array, -2 when
/// Key is not found.
int FindInArray(int Key, const TIntArray& Data);
/// Index of the first element of List equal to Text or, with Substring,
/// containing it; IgnoreCase compares ASCII-lower-cased copies. -1 for an
/// empty List, -2 when nothing matches.
int FindInArray(std::string_view Text, const TStrArray& List, bool IgnoreCase, bool Substring);

/// Bisection in an array sorted ascending or descending: the index of an
/// element equal to X, else of the nearer of the two elements that bracket
/// X (the later one on a tie). -1 for an empty array, -2 when X lies outside
/// the range of the array or is NaN. Unsorted input gives some index, in at
/// most log2(n) + 1 steps.
int FindInSortedArray(double X, const TDoubleArray& Data, bool Ascending);

/// Comb sort of Data (gap n - 1 divided by 1.3 before each pass, at least 1,
/// until a pass with gap 1 exchanges nothing); Index receives for each place
/// the 1-based position its element had before sorting. Index is filled even
/// for fewer than 2 elements, which return -1; else 0. Each pass counts one
/// step of the progress state (ProcStat, MathFeedBackProc); the sort never
/// stops early. Double and integer.
template <oa::NumElem E>
int SortArray(bool Ascending, oa::Arr1<E>& Data, TIntArray& Index);

/// Sorts Data and removes repeated values; returns the number removed, -1
/// for fewer than 2 elements (Data unchanged).
int SortAndRemoveDuplicates(TIntArray& Data, bool Ascending);

/// Random cyclic permutation (Sattolo): for i = n - 1 down to 1 element i is
/// exchanged with element Random(i), 0 <= j < i, so no element keeps its
/// place. Returns 0, or -1 for fewer than 2 elements. Double and integer.
template <oa::NumElem E>
int ShuffleArray(oa::Arr1<E>& Data);

/// The P-th percentile as an element of the data: P is clamped to 0..100 (NaN
/// counts as 0) and the result is the element of rank k = min(round(n P /
/// 100), n - 1) in ascending order (rounding ties to even), selected from a
/// copy, so Data keeps its order. 0 for an empty array. The 2-D form takes
/// the block of rows LoRow..HiRow and columns LoCol..HiCol, bounds clamped
/// into the array and exchanged when reversed; 0 for an empty or ragged array.
double PercentileArray(double P, const TDoubleArray& Data);
double PercentileArray(double P, const TDouble2DArray& Data, int LoRow, int HiRow, int LoCol, int HiCol);

}  // namespace zel
