// Element-wise arithmetic, accumulation, matrix and vector products, sums of
// squared differences and traces.
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

#include "zel_numeric.h"
#include "zel_openarrays.h"

namespace zel {

using oa::Arr1;
using oa::Arr2;

namespace {

// Integer arithmetic wraps modulo 2^32: done in unsigned, where overflow is
// defined, and cast back.
template <class E>
E Add(E X, E Y) noexcept {
  if constexpr (std::is_same_v<E, int>) {
    return WrapAdd32(X, Y);
  } else {
    return X + Y;
  }
}

template <class E>
E Sub(E X, E Y) noexcept {
  if constexpr (std::is_same_v<E, int>) {
    return WrapSub32(X, Y);
  } else {
    return X - Y;
  }
}

template <class E>
E Mul(E X, E Y) noexcept {
  if constexpr (std::is_same_v<E, int>) {
    return WrapMul32(X, Y);
  } else {
    return X * Y;
  }
}

template <class E>
E Abs(E X) noexcept {
  if constexpr (std::is_same_v<E, int>) {
    // -INT_MIN does not exist; the nearest representable magnitude stands in.
    return X == INT_MIN ? INT_MAX : (X < 0 ? -X : X);
  } else {
    return std::fabs(X);
  }
}

// Applies Op(x) to every element of a validated array, in place.
template <class A, class F>
int MapInPlace(A& Data, F Op) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  auto apply = [&Op](auto& Row) {
    for (auto& x : Row) x = Op(x);
  };
  oa::ForEachRow(apply, Data);
  return 0;
}

// Dest = Op(x, y) element by element for same-shaped X and Y. Dest is
// resized to the shape; it may be X or Y (each element is read before it is
// written).
template <class A, class F>
int MapPairs(const A& X, const A& Y, A& Dest, F Op) {
  oa::ShapeOf<A> shape;
  const int rc = oa::GetCommonShape(shape, X, Y);
  if (rc != 0) return rc;
  oa::Reshape(Dest, shape.data());
  auto apply = [&Op](const auto& RowX, const auto& RowY, auto& RowD) {
    for (std::size_t i = 0; i < RowD.size(); ++i) RowD[i] = Op(RowX[i], RowY[i]);
  };
  oa::ForEachRow(apply, X, Y, Dest);
  return 0;
}

// Dest = Op(x) for every element of X.
template <class A, class F>
int MapInto(const A& X, A& Dest, F Op) {
  return MapPairs(X, X, Dest, [&Op](auto x, auto) { return Op(x); });
}

}  // namespace

template <class A>
  requires oa::NumArray<A>
int AbsValArray(A& Data) {
  return MapInPlace(Data, [](auto x) { return Abs(x); });
}

template <class A>
  requires oa::NumArray<A>
int IncArray(A& Data, oa::ElemOf<A> Delta) {
  return MapInPlace(Data, [Delta](auto x) { return Add(x, Delta); });
}

template <class A>
  requires oa::NumArray<A>
int AddScalarToArray(const A& Data, oa::ElemOf<A> Value, A& Dest) {
  return MapInto(Data, Dest, [Value](auto x) { return Add(x, Value); });
}

template <class A>
  requires oa::NumArray<A>
int MultiplyArrayByScalar(const A& Data, oa::ElemOf<A> Factor, A& Dest) {
  return MapInto(Data, Dest, [Factor](auto x) { return Mul(x, Factor); });
}

template <class A>
  requires oa::NumArray<A>
int MultiplyArrayByScalar(A& Data, oa::ElemOf<A> Factor) {
  return MapInPlace(Data, [Factor](auto x) { return Mul(x, Factor); });
}

template <class A>
  requires oa::NumArray<A>
int AddArrays(const A& A1, const A& A2, A& Dest) {
  return MapPairs(A1, A2, Dest, [](auto x, auto y) { return Add(x, y); });
}

template <class A>
  requires oa::NumArray<A>
int SubtractArrays(const A& A1, const A& A2, A& Dest) {
  return MapPairs(A1, A2, Dest, [](auto x, auto y) { return Sub(x, y); });
}

template <class A>
  requires oa::NumArray<A, 2>
int MultiplyArraysElemw(const A& A1, const A& A2, A& Dest) {
  return MapPairs(A1, A2, Dest, [](auto x, auto y) { return Mul(x, y); });
}

template <class A>
  requires oa::NumArray<A>
int AccumulateArray(A& Sum, const A& Data, oa::ElemOf<A> Weight) {
  return MapPairs(Sum, Data, Sum, [Weight](auto s, auto x) { return Add(s, Mul(Weight, x)); });
}

template <oa::NumElem E>
int MultiplyArrays(const Arr2<E>& A, const Arr2<E>& B, Arr2<E>& Dest) {
  oa::ShapeOf<Arr2<E>> sa, sb;
  int rc = oa::GetShape(A, sa);
  if (rc == 0) rc = oa::GetShape(B, sb);
  if (rc != 0) return rc;
  if (sa[1] != sb[0]) return -2;
  // i-k-j order reads B row by row; every Dest[i][j] still sums its terms in
  // ascending k from 0, as the inner-product loop would.
  Arr2<E> product(sa[0], Arr1<E>(sb[1], E{0}));
  for (std::size_t i = 0; i < sa[0]; ++i) {
    auto& row = product[i];
    for (std::size_t k = 0; k < sa[1]; ++k) {
      const E aik = A[i][k];
      const auto& bk = B[k];
      for (std::size_t j = 0; j < sb[1]; ++j) row[j] = Add(row[j], Mul(aik, bk[j]));
    }
  }
  Dest = std::move(product);
  return 0;
}

template <oa::NumElem E>
int MultiplyArrays(const Arr1<E>& A, const Arr2<E>& B, Arr1<E>& Dest) {
  oa::ShapeOf<Arr2<E>> sb;
  if (A.empty()) return -1;
  const int rc = oa::GetShape(B, sb);
  if (rc != 0) return rc;
  if (A.size() != sb[0]) return -2;
  Arr1<E> product(sb[1], E{0});
  for (std::size_t k = 0; k < sb[0]; ++k)
    for (std::size_t j = 0; j < sb[1]; ++j) product[j] = Add(product[j], Mul(A[k], B[k][j]));
  Dest = std::move(product);
  return 0;
}

template <oa::NumElem E>
int VectorCrossProduct(const Arr1<E>& A, const Arr1<E>& B, Arr1<E>& Dest) {
  if (A.empty() || B.empty()) return -1;
  if (A.size() != 3 || B.size() != 3) return -2;
  Arr1<E> cross{Sub(Mul(A[1], B[2]), Mul(A[2], B[1])), Sub(Mul(A[2], B[0]), Mul(A[0], B[2])),
                Sub(Mul(A[0], B[1]), Mul(A[1], B[0]))};
  Dest = std::move(cross);
  return 0;
}

template <oa::NumElem E>
int VectorDotProduct(const Arr1<E>& A, const Arr1<E>& B, E& Result) {
  Result = 0;
  if (A.empty() || B.empty()) return -1;
  if (A.size() != B.size()) return -2;
  E sum{0};
  for (std::size_t i = 0; i < A.size(); ++i) sum = Add(sum, Mul(A[i], B[i]));
  Result = sum;
  return 0;
}

namespace {

double SquaredDiffs(const TDoubleArray& A, const TDoubleArray& B) {
  double sum = 0;
  for (std::size_t i = 0; i < A.size(); ++i) {
    const double d = A[i] - B[i];
    sum += d * d;
  }
  return sum;
}

}  // namespace

double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B) {
  if (A.empty()) return -1;
  if (B.size() != A.size()) return -2;
  return SquaredDiffs(A, B);
}

double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& B, int Row) {
  if (A.empty()) return -1;
  oa::ShapeOf<TDouble2DArray> shape;
  if (oa::GetShape(B, shape) != 0) return -2;
  if (Row < 0 || static_cast<std::size_t>(Row) >= shape[0] || shape[1] != A.size()) return -2;
  return SquaredDiffs(A, B[static_cast<std::size_t>(Row)]);
}

template <oa::NumElem E>
int TraceOfArray(const Arr2<E>& Data, E& Trace) {
  Trace = 0;
  oa::ShapeOf<Arr2<E>> shape;
  const int rc = oa::GetShape(Data, shape);
  if (rc != 0) return rc;
  E sum{0};
  for (std::size_t i = 0; i < shape[0] && i < shape[1]; ++i) sum = Add(sum, Data[i][i]);
  Trace = sum;
  return 0;
}

// ---- instantiations ----------------------------------------------------------------

#define ZEL_ARITH(A)                                                         \
  template int AbsValArray<A>(A&);                                           \
  template int IncArray<A>(A&, oa::ElemOf<A>);                               \
  template int AddScalarToArray<A>(const A&, oa::ElemOf<A>, A&);             \
  template int MultiplyArrayByScalar<A>(const A&, oa::ElemOf<A>, A&);        \
  template int MultiplyArrayByScalar<A>(A&, oa::ElemOf<A>);                  \
  template int AddArrays<A>(const A&, const A&, A&);                         \
  template int SubtractArrays<A>(const A&, const A&, A&);                    \
  template int AccumulateArray<A>(A&, const A&, oa::ElemOf<A>);
ZEL_ARITH(TDoubleArray)
ZEL_ARITH(TDouble2DArray)
ZEL_ARITH(TDouble3DArray)
ZEL_ARITH(TDouble4DArray)
ZEL_ARITH(TIntArray)
ZEL_ARITH(TInt2DArray)
ZEL_ARITH(TInt3DArray)
ZEL_ARITH(TInt4DArray)

#define ZEL_PRODUCTS(E)                                                      \
  template int MultiplyArraysElemw<Arr1<E>>(const Arr1<E>&, const Arr1<E>&, Arr1<E>&); \
  template int MultiplyArraysElemw<Arr2<E>>(const Arr2<E>&, const Arr2<E>&, Arr2<E>&); \
  template int MultiplyArrays<E>(const Arr2<E>&, const Arr2<E>&, Arr2<E>&);  \
  template int MultiplyArrays<E>(const Arr1<E>&, const Arr2<E>&, Arr1<E>&);  \
  template int VectorCrossProduct<E>(const Arr1<E>&, const Arr1<E>&, Arr1<E>&); \
  template int VectorDotProduct<E>(const Arr1<E>&, const Arr1<E>&, E&);      \
  template int TraceOfArray<E>(const Arr2<E>&, E&);
ZEL_PRODUCTS(double)
ZEL_PRODUCTS(int)

}  // namespace zel
