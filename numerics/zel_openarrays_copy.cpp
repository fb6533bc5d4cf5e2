// Cloning with type conversion, block, row and column copies, transposition,
// Boolean-to-number maps and equality of arrays.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "zel_numeric.h"
#include "zel_openarrays.h"

namespace zel {

using oa::Arr1;
using oa::Arr2;
using oa::Arr3;
using oa::Arr4;

namespace {

template <class To, class From>
To ConvertElem(From X) noexcept {
  if constexpr (std::is_same_v<To, int> && std::is_floating_point_v<From>) {
    return RoundToInt(X);
  } else if constexpr (std::is_same_v<To, float> && std::is_same_v<From, double>) {
    // A double beyond the float range has no defined conversion in C++.
    if (std::fabs(X) > FLT_MAX) return X > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(X);
  } else {
    return static_cast<To>(X);
  }
}

template <class S, class D>
void ConvertInto(const S& Source, D& Dest) {
  Dest.resize(Source.size());
  for (std::size_t i = 0; i < Source.size(); ++i) {
    if constexpr (oa::RankOf<S> == 1) {
      Dest[i] = ConvertElem<oa::ElemOf<D>>(Source[i]);
    } else {
      ConvertInto(Source[i], Dest[i]);
    }
  }
}

template <class A>
void CopyBox(const A& Source, const int* Bounds, A& Dest) {
  const int lo = Bounds[0];
  Dest.resize(static_cast<std::size_t>(Bounds[1] - lo + 1));
  for (int i = lo; i <= Bounds[1]; ++i) {
    const auto s = static_cast<std::size_t>(i);
    const auto d = static_cast<std::size_t>(i - lo);
    if constexpr (oa::RankOf<A> == 1) {
      Dest[d] = Source[s];
    } else {
      CopyBox(Source[s], Bounds + 2, Dest[d]);
    }
  }
}

// Block between inclusive bounds; built aside so that Dest may be Source.
template <class A>
int CopyBlock(const A& Source, const std::array<int, 2 * oa::RankOf<A>>& Bounds, A& Dest) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Source, shape);
  if (rc != 0) return rc;
  if (!oa::ValidBounds(shape.data(), oa::RankOf<A>, Bounds.data())) return -2;
  A block;
  CopyBox(Source, Bounds.data(), block);
  Dest = std::move(block);
  return 0;
}

// Block from the start indices to the ends of Source.
template <class A>
int CopyFrom(const A& Source, const std::array<int, oa::RankOf<A>>& Starts, A& Dest) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Source, shape);
  if (rc != 0) return rc;
  std::array<int, 2 * oa::RankOf<A>> bounds;
  for (std::size_t d = 0; d < shape.size(); ++d) {
    bounds[2 * d] = Starts[d];
    // Sizes beyond the int range cannot be indexed by the int bounds anyway.
    bounds[2 * d + 1] = shape[d] > static_cast<std::size_t>(std::numeric_limits<int>::max())
                            ? std::numeric_limits<int>::max()
                            : static_cast<int>(shape[d]) - 1;
  }
  return CopyBlock(Source, bounds, Dest);
}

bool InIndexRange(int I, std::size_t Size) noexcept { return I >= 0 && static_cast<std::size_t>(I) < Size; }

// Valid segment From..To of an array of the given size (64-bit bounds, so
// that a start plus a length cannot overflow).
bool ValidSegment(std::int64_t From, std::int64_t To, std::size_t Size) noexcept {
  return From >= 0 && To >= From && static_cast<std::uint64_t>(To) < Size;
}

}  // namespace

template <class S, class D>
  requires oa::ClonePair<S, D>
int CloneArray(const S& Source, D& Dest) {
  oa::ShapeOf<S> shape;
  const int rc = oa::GetShape(Source, shape);
  if (rc == -1) Dest.clear();
  if (rc != 0) return rc;
  if constexpr (std::is_same_v<S, D>) {
    Dest = Source;
  } else {
    ConvertInto(Source, Dest);
  }
  return 0;
}

template <class S, class D>
  requires oa::ReverseClonePair<S, D>
int CloneAndReverseArray(const S& Source, D& Dest) {
  const std::size_t n = Source.size();
  D reversed(n);
  for (std::size_t i = 0; i < n; ++i) reversed[i] = ConvertElem<oa::ElemOf<D>>(Source[n - 1 - i]);
  Dest = std::move(reversed);
  return n == 0 ? -1 : 0;
}

template <oa::CopyElem E>
int CopyArray(const Arr1<E>& Source, int Start1, Arr1<E>& Dest) {
  return CopyFrom(Source, {Start1}, Dest);
}
template <oa::CopyElem E>
int CopyArray(const Arr2<E>& Source, int Start1, int Start2, Arr2<E>& Dest) {
  return CopyFrom(Source, {Start1, Start2}, Dest);
}
template <oa::NumElem E>
int CopyArray(const Arr3<E>& Source, int Start1, int Start2, int Start3, Arr3<E>& Dest) {
  return CopyFrom(Source, {Start1, Start2, Start3}, Dest);
}
template <oa::NumElem E>
int CopyArray(const Arr4<E>& Source, int Start1, int Start2, int Start3, int Start4, Arr4<E>& Dest) {
  return CopyFrom(Source, {Start1, Start2, Start3, Start4}, Dest);
}
template <oa::CopyElem E>
int CopyArray(const Arr1<E>& Source, int Lo1, int Hi1, Arr1<E>& Dest) {
  return CopyBlock(Source, {Lo1, Hi1}, Dest);
}
template <oa::CopyElem E>
int CopyArray(const Arr2<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, Arr2<E>& Dest) {
  return CopyBlock(Source, {Lo1, Hi1, Lo2, Hi2}, Dest);
}
template <oa::NumElem E>
int CopyArray(const Arr3<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, Arr3<E>& Dest) {
  return CopyBlock(Source, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3}, Dest);
}
template <oa::NumElem E>
int CopyArray(const Arr4<E>& Source, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3, int Lo4, int Hi4,
              Arr4<E>& Dest) {
  return CopyBlock(Source, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4}, Dest);
}

template <oa::CopyElem E>
int CopyArrayRow(const Arr2<E>& Source, int Row, int From, int To, Arr1<E>& Dest) {
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Source, shape);
  if (rc != 0) return rc;
  if (!InIndexRange(Row, shape[0]) || !ValidSegment(From, To, shape[1])) return -2;
  const auto& row = Source[static_cast<std::size_t>(Row)];
  // Built aside: Dest may be that very row.
  Arr1<E> segment(row.begin() + From, row.begin() + To + 1);
  Dest = std::move(segment);
  return 0;
}

template <oa::CopyElem E>
int CopyArrayColumn(const Arr2<E>& Source, int Column, int From, int To, Arr1<E>& Dest) {
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Source, shape);
  if (rc != 0) return rc;
  if (!InIndexRange(Column, shape[1]) || !ValidSegment(From, To, shape[0])) return -2;
  Arr1<E> column(static_cast<std::size_t>(To - From + 1));
  for (int i = From; i <= To; ++i)
    column[static_cast<std::size_t>(i - From)] = Source[static_cast<std::size_t>(i)][static_cast<std::size_t>(Column)];
  Dest = std::move(column);
  return 0;
}

template <oa::CopyElem E>
int CopyVectorToArrayRow(const Arr1<E>& Source, int From, int To, int Row, int Start, Arr2<E>& Dest) {
  oa::ShapeOf<Arr2<E>> shape;
  if (Source.empty()) return -1;
  const int rc = oa::GetShape(Dest, shape);
  if (rc != 0) return rc;
  if (!ValidSegment(From, To, Source.size()) || !InIndexRange(Row, shape[0]) ||
      !ValidSegment(Start, std::int64_t{Start} + (To - From), shape[1]))
    return -2;
  auto& row = Dest[static_cast<std::size_t>(Row)];
  for (int k = 0; k <= To - From; ++k)
    row[static_cast<std::size_t>(Start + k)] = Source[static_cast<std::size_t>(From + k)];
  return 0;
}

template <oa::CopyElem E>
int CopyVectorToArrayColumn(const Arr1<E>& Source, int From, int To, int Column, int Start, Arr2<E>& Dest) {
  oa::ShapeOf<Arr2<E>> shape;
  if (Source.empty()) return -1;
  const int rc = oa::GetShape(Dest, shape);
  if (rc != 0) return rc;
  if (!ValidSegment(From, To, Source.size()) || !InIndexRange(Column, shape[1]) ||
      !ValidSegment(Start, std::int64_t{Start} + (To - From), shape[0]))
    return -2;
  for (int k = 0; k <= To - From; ++k)
    Dest[static_cast<std::size_t>(Start + k)][static_cast<std::size_t>(Column)] =
        Source[static_cast<std::size_t>(From + k)];
  return 0;
}

template <class A>
  requires(oa::CopyArrayType<A> && oa::RankOf<A> == 2)
int TransposeArray(A& Data) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  A transposed(shape[1], typename A::value_type(shape[0]));
  for (std::size_t i = 0; i < shape[0]; ++i)
    for (std::size_t j = 0; j < shape[1]; ++j) transposed[j][i] = Data[i][j];
  Data = std::move(transposed);
  return 0;
}

template <oa::NumElem E>
int BoolToNumArray(const TBoolArray& Data, std::type_identity_t<E> ValueTrue, std::type_identity_t<E> ValueFalse,
                   Arr1<E>& Dest) {
  if (Data.empty()) return -1;
  Dest.resize(Data.size());
  for (std::size_t i = 0; i < Data.size(); ++i) Dest[i] = Data[i] ? ValueTrue : ValueFalse;
  return 0;
}

template <oa::NumElem E>
int BoolToNumArray(const TBool2DArray& Data, std::type_identity_t<E> ValueTrue, std::type_identity_t<E> ValueFalse,
                   Arr2<E>& Dest) {
  oa::ShapeOf<TBool2DArray> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  Dest.resize(shape[0]);
  for (std::size_t i = 0; i < shape[0]; ++i) BoolToNumArray<E>(Data[i], ValueTrue, ValueFalse, Dest[i]);
  return 0;
}

template <class A>
  requires oa::ArrayUpTo<A, int, 4>
bool EqualArrays(const A& A1, const A& A2) {
  if (A1.empty() || A2.empty()) return A1.empty() && A2.empty();
  oa::ShapeOf<A> shape;
  return oa::GetCommonShape(shape, A1, A2) == 0 && A1 == A2;
}

// ---- instantiations ----------------------------------------------------------------

#define ZEL_CLONE(S, D) template int CloneArray<S, D>(const S&, D&);
#define ZEL_CLONE_SAME(A) ZEL_CLONE(A, A)
#define ZEL_CLONE_NUM(R)                      \
  ZEL_CLONE_SAME(TDouble##R)                  \
  ZEL_CLONE_SAME(TInt##R)                     \
  ZEL_CLONE(TDouble##R, TInt##R)              \
  ZEL_CLONE(TInt##R, TDouble##R)
ZEL_CLONE_NUM(Array)
ZEL_CLONE_NUM(2DArray)
ZEL_CLONE_NUM(3DArray)
ZEL_CLONE_NUM(4DArray)
ZEL_CLONE_SAME(TBoolArray)
ZEL_CLONE_SAME(TBool2DArray)
ZEL_CLONE(TSingleArray, TDoubleArray)
ZEL_CLONE(TDoubleArray, TSingleArray)

#define ZEL_REVERSE(S, D) template int CloneAndReverseArray<S, D>(const S&, D&);
ZEL_REVERSE(TBoolArray, TBoolArray)
ZEL_REVERSE(TIntArray, TIntArray)
ZEL_REVERSE(TDoubleArray, TDoubleArray)
ZEL_REVERSE(TSingleArray, TDoubleArray)
ZEL_REVERSE(TDoubleArray, TSingleArray)
ZEL_REVERSE(TDoubleArray, TIntArray)
ZEL_REVERSE(TIntArray, TDoubleArray)

#define ZEL_COPY_12(E)                                                                                   \
  template int CopyArray<E>(const Arr1<E>&, int, Arr1<E>&);                                              \
  template int CopyArray<E>(const Arr2<E>&, int, int, Arr2<E>&);                                         \
  template int CopyArray<E>(const Arr1<E>&, int, int, Arr1<E>&);                                         \
  template int CopyArray<E>(const Arr2<E>&, int, int, int, int, Arr2<E>&);                               \
  template int CopyArrayRow<E>(const Arr2<E>&, int, int, int, Arr1<E>&);                                 \
  template int CopyArrayColumn<E>(const Arr2<E>&, int, int, int, Arr1<E>&);                              \
  template int CopyVectorToArrayRow<E>(const Arr1<E>&, int, int, int, int, Arr2<E>&);                    \
  template int CopyVectorToArrayColumn<E>(const Arr1<E>&, int, int, int, int, Arr2<E>&);                 \
  template int TransposeArray<Arr2<E>>(Arr2<E>&);
#define ZEL_COPY_34(E)                                                                                   \
  template int CopyArray<E>(const Arr3<E>&, int, int, int, Arr3<E>&);                                    \
  template int CopyArray<E>(const Arr4<E>&, int, int, int, int, Arr4<E>&);                               \
  template int CopyArray<E>(const Arr3<E>&, int, int, int, int, int, int, Arr3<E>&);                     \
  template int CopyArray<E>(const Arr4<E>&, int, int, int, int, int, int, int, int, Arr4<E>&);           \
  template int BoolToNumArray<E>(const TBoolArray&, E, E, Arr1<E>&);                                     \
  template int BoolToNumArray<E>(const TBool2DArray&, E, E, Arr2<E>&);
ZEL_COPY_12(double)
ZEL_COPY_12(int)
ZEL_COPY_12(bool)
ZEL_COPY_34(double)
ZEL_COPY_34(int)

template bool EqualArrays<TIntArray>(const TIntArray&, const TIntArray&);
template bool EqualArrays<TInt2DArray>(const TInt2DArray&, const TInt2DArray&);
template bool EqualArrays<TInt3DArray>(const TInt3DArray&, const TInt3DArray&);
template bool EqualArrays<TInt4DArray>(const TInt4DArray&, const TInt4DArray&);

}  // namespace zel
