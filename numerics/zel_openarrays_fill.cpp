// Filling arrays with constants, running indices, diagonals, random values
// and masks; shuffling.
#include <cmath>
#include <cstdint>
#include <utility>

#include "zel_math1_scalar.h"
#include "zel_openarrays.h"
#include "zel_random.h"

namespace zel {

using oa::Arr1;
using oa::Arr2;
using oa::Arr3;
using oa::Arr4;

namespace {

template <class A>
int FillBlock(A& Data, oa::ElemOf<A> Value, const std::array<int, 2 * oa::RankOf<A>>& Bounds) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  if (!oa::ValidBounds(shape.data(), oa::RankOf<A>, Bounds.data())) return -2;
  auto fill = [Value](auto& Row, int Lo, int Hi) {
    for (int i = Lo; i <= Hi; ++i) Row[static_cast<std::size_t>(i)] = Value;
  };
  oa::ForEachSegment(fill, Data, Bounds.data());
  return 0;
}

// Sets every element of a validated array from Next(), in index order.
template <class A, class F>
int FillFrom(A& Data, F&& Next) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  auto fill = [&Next](auto& Row) {
    for (auto&& x : Row) x = Next();
  };
  oa::ForEachRow(fill, Data);
  return 0;
}

template <class A>
void SetDiagonal(A& Data, oa::ElemOf<A> Value, std::size_t I) {
  if constexpr (oa::RankOf<A> == 1) {
    Data[I] = Value;
  } else {
    SetDiagonal(Data[I], Value, I);
  }
}

}  // namespace

template <class A>
  requires oa::CopyArrayType<A>
int FillArray(A& Data, oa::ElemOf<A> Value) {
  return FillFrom(Data, [Value] { return Value; });
}

template <oa::CopyElem E>
int FillArray(Arr1<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1) {
  return FillBlock(Data, Value, {Lo1, Hi1});
}
template <oa::CopyElem E>
int FillArray(Arr2<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2) {
  return FillBlock(Data, Value, {Lo1, Hi1, Lo2, Hi2});
}
template <oa::NumElem E>
int FillArray(Arr3<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3) {
  return FillBlock(Data, Value, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3});
}
template <oa::NumElem E>
int FillArray(Arr4<E>& Data, std::type_identity_t<E> Value, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
              int Lo4, int Hi4) {
  return FillBlock(Data, Value, {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4});
}

template <class A>
  requires oa::NumArray<A, 3>
int FillArrayRix(A& Data) {
  std::int64_t next = 0;
  return FillFrom(Data, [&next] { return static_cast<oa::ElemOf<A>>(next++); });
}

template <class A>
  requires(oa::NumArray<A> && oa::RankOf<A> >= 2)
int FillDiagArray(A& Data, oa::ElemOf<A> Value) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  for (std::size_t s : shape)
    if (s != shape[0]) return -2;
  FillFrom(Data, [] { return oa::ElemOf<A>{0}; });
  for (std::size_t i = 0; i < shape[0]; ++i) SetDiagonal(Data, Value, i);
  return 0;
}

template <class A>
  requires oa::ArrayUpTo<A, double, 4>
int FillRandomNormal(A& Data, double Mean, double StdDev) {
  return FillFrom(Data, [Mean, StdDev] { return Mean + StdDev * GRandom(); });
}

template <class A>
  requires oa::NumArray<A>
int FillRandomUniform(A& Data, oa::ElemOf<A> Low, oa::ElemOf<A> High) {
  if constexpr (std::is_same_v<oa::ElemOf<A>, double>) {
    return FillFrom(Data, [Low, High] { return Low + (High - Low) * Random(); });
  } else {
    if (High < Low) std::swap(Low, High);
    // Up to 2^32 values: the count is formed in 64 bits. Random(n) takes an
    // int32 count; the full range falls back on one 53-bit uniform, whose
    // product with 2^32 stays below 2^32, so the floor is a valid offset.
    const std::int64_t count = static_cast<std::int64_t>(High) - Low + 1;
    return FillFrom(Data, [Low, count] {
      const std::int64_t offset = count <= INT32_MAX ? Random(static_cast<std::int32_t>(count))
                                                     : static_cast<std::int64_t>(std::floor(Random() * static_cast<double>(count)));
      return static_cast<int>(Low + offset);
    });
  }
}

template <oa::NumElem E>
int FillArrayMasked(Arr2<E>& Data, std::type_identity_t<E> Value, const TBool2DArray& Mask) {
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  if (Mask.empty() || !oa::HasSizes(Mask, shape.data())) return -2;
  for (std::size_t i = 0; i < shape[0]; ++i)
    for (std::size_t j = 0; j < shape[1]; ++j)
      if (Mask[i][j]) Data[i][j] = Value;
  return 0;
}

template <oa::NumElem E>
int ShuffleArray(Arr1<E>& Data) {
  if (Data.size() < 2) return -1;
  // Sattolo's variant: j < i (never i itself) makes the permutation a single
  // cycle. Random takes an int32 bound; longer arrays cannot be indexed by it.
  for (std::size_t i = Data.size() - 1; i >= 1; --i) {
    const auto j = static_cast<std::size_t>(Random(static_cast<std::int32_t>(i)));
    std::swap(Data[i], Data[j]);
  }
  return 0;
}

// ---- instantiations ----------------------------------------------------------------

#define ZEL_FILL_ANY(A) template int FillArray<A>(A&, oa::ElemOf<A>);
#define ZEL_FILL_NUM(A)                                                  \
  ZEL_FILL_ANY(A)                                                        \
  template int FillRandomUniform<A>(A&, oa::ElemOf<A>, oa::ElemOf<A>);
#define ZEL_FILL_REAL(A)                                                 \
  ZEL_FILL_NUM(A)                                                        \
  template int FillRandomNormal<A>(A&, double, double);
#define ZEL_FILL_RIX(A) template int FillArrayRix<A>(A&);
#define ZEL_FILL_DIAG(A) template int FillDiagArray<A>(A&, oa::ElemOf<A>);

ZEL_FILL_REAL(TDoubleArray)
ZEL_FILL_REAL(TDouble2DArray)
ZEL_FILL_REAL(TDouble3DArray)
ZEL_FILL_REAL(TDouble4DArray)
ZEL_FILL_NUM(TIntArray)
ZEL_FILL_NUM(TInt2DArray)
ZEL_FILL_NUM(TInt3DArray)
ZEL_FILL_NUM(TInt4DArray)
ZEL_FILL_ANY(TBoolArray)
ZEL_FILL_ANY(TBool2DArray)
ZEL_FILL_RIX(TDoubleArray)
ZEL_FILL_RIX(TDouble2DArray)
ZEL_FILL_RIX(TDouble3DArray)
ZEL_FILL_RIX(TIntArray)
ZEL_FILL_RIX(TInt2DArray)
ZEL_FILL_RIX(TInt3DArray)
ZEL_FILL_DIAG(TDouble2DArray)
ZEL_FILL_DIAG(TDouble3DArray)
ZEL_FILL_DIAG(TDouble4DArray)
ZEL_FILL_DIAG(TInt2DArray)
ZEL_FILL_DIAG(TInt3DArray)
ZEL_FILL_DIAG(TInt4DArray)

#define ZEL_FILL_RANGED_12(E)                                                   \
  template int FillArray<E>(Arr1<E>&, E, int, int);                             \
  template int FillArray<E>(Arr2<E>&, E, int, int, int, int);
#define ZEL_FILL_RANGED_34(E)                                                   \
  template int FillArray<E>(Arr3<E>&, E, int, int, int, int, int, int);         \
  template int FillArray<E>(Arr4<E>&, E, int, int, int, int, int, int, int, int); \
  template int FillArrayMasked<E>(Arr2<E>&, E, const TBool2DArray&);            \
  template int ShuffleArray<E>(Arr1<E>&);
ZEL_FILL_RANGED_12(double)
ZEL_FILL_RANGED_12(int)
ZEL_FILL_RANGED_12(bool)
ZEL_FILL_RANGED_34(double)
ZEL_FILL_RANGED_34(int)

}  // namespace zel
