// Sorting, sorted buffers, selection, interpolation, bounds and plane geometry.
//
// Failures of the interpolation routines raise EZELMath1Error; the other
// routines never raise and ignore positions outside the data.
#pragma once

#include <cstdint>
#include <string>

#include "zel_math1_scalar.h"

namespace zel {

/// The framework's integer point.
struct TPoint {
  int X = 0;
  int Y = 0;
};

/// The framework's integer rectangle.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// ---- sorting ------------------------------------------------------------------

/// Sorts Data in place by comb sort, ascending when Ascending is true and
/// descending otherwise. The gap starts at the length and shrinks by the
/// factor 1.3 (truncated, at least 1) before each pass; a pass exchanges
/// every pair (i, i + gap), in increasing i, whose first element is greater
/// (ascending) or smaller (descending) than the second, so equal values and
/// NaNs are never exchanged. Sorting ends after a pass with gap 1 that
/// exchanged nothing. Each pass is one progress step (MathProcStep); the
/// abort flag is not honoured, so the array is always left completely
/// sorted. Arrays of fewer than 2 elements are left alone.
void SortArray(TDoubleArray& Data, bool Ascending);
void SortArray(TSingleArray& Data, bool Ascending);
void SortArray(TIntArray& Data, bool Ascending);
/// The same on Count elements of the type Kind starting at First (Count <= 0:
/// nothing happens).
void SortArray(void* First, int Count, TVarKind Kind, bool Ascending);

/// Exchanges A and B when they are out of order: when Ascending, unless
/// A < B (so equal values are exchanged too); otherwise when A < B.
/// Returns true when it exchanged.
bool SortSwap(double& A, double& B, bool Ascending) noexcept;

/// Exchanges two values.
void ExChange(int& A, int& B) noexcept;
void ExChange(Byte& A, Byte& B) noexcept;
void ExChange(float& A, float& B) noexcept;
void ExChange(double& A, double& B) noexcept;
void ExChange(Extended& A, Extended& B) noexcept;
void ExChange(std::string& A, std::string& B) noexcept;
void ExChange(bool& A, bool& B) noexcept;
void ExChange(char& A, char& B) noexcept;
void ExChange(std::int8_t& A, std::int8_t& B) noexcept;
void ExChange(std::int16_t& A, std::int16_t& B) noexcept;
void ExChange(Word& A, Word& B) noexcept;
void ExChange(Cardinal& A, Cardinal& B) noexcept;
void ExChange(std::int64_t& A, std::int64_t& B) noexcept;
/// Exchanges two memory blocks of Size bytes, byte by byte (Size <= 0:
/// nothing happens).
void ExChange(void* A, void* B, int Size) noexcept;

// ---- sorted buffers -------------------------------------------------------------

/// Inserts Value into the sorted fixed-size buffer Data, dropping its last
/// element. The position p is the first (searching at most up to the last
/// index) whose element is >= Value (ascending) or <= Value (descending);
/// Value goes in there, shifting p .. last - 1 up by one, when that element
/// really satisfies the comparison and AllowDuplicates is true or it differs
/// from Value. Returns p, or -1 with nothing changed (Value beyond the last
/// element, a duplicate that is not allowed, NaN, or an empty buffer).
int SortIntoArray(TDoubleArray& Data, double Value, bool Ascending, bool AllowDuplicates);
int SortIntoArray(TSingleArray& Data, float Value, bool Ascending, bool AllowDuplicates);
int SortIntoArray(TIntArray& Data, int Value, bool Ascending, bool AllowDuplicates);
/// The same on Count elements of the type Kind starting at First; Value
/// points to one value of that type. Count <= 0 gives -1.
int SortIntoArray(void* First, int Count, TVarKind Kind, const void* Value, bool Ascending, bool AllowDuplicates);

/// Inserts Value at position Ix (0-based), shifting Ix .. last - 1 up by one
/// and dropping the last element; nothing happens when Ix lies outside
/// 0 .. last.
void InsertIntoArray(TDoubleArray& Data, double Value, int Ix);
void InsertIntoArray(TSingleArray& Data, float Value, int Ix);
void InsertIntoArray(TIntArray& Data, int Value, int Ix);
/// The same on Count elements of the type Kind starting at First; Value
/// points to one value of that type. Count <= 0: nothing happens.
void InsertIntoArray(void* First, int Count, TVarKind Kind, const void* Value, int Ix);

// ---- selection ----------------------------------------------------------------

/// The value that belongs at index K when Data[First .. Last] is sorted
/// ascending, the (K - First + 1)-th smallest of the range (NaN counts as
/// larger than every number). The range is reordered so that elements before
/// K are not larger and elements after K not smaller than the result; when
/// all elements equal Data[First], it is returned without reordering.
/// Returns 0 and changes nothing when Last < First, First < 0, Last is not an
/// index of Data or K lies outside First .. Last. Expected time linear in the
/// range, also with many equal values.
double QuickSelect(TDoubleArray& Data, int K, int First, int Last);

// ---- interpolation --------------------------------------------------------------

/// Linear interpolation in Table, whose n values lie at the equally spaced
/// abscissas X0 + i (X1 - X0) / (n - 1) (X1 < X0 reverses the direction).
/// Inside the range the two neighbouring values are interpolated (X1 itself
/// gives the last value); outside it the line through the two nearest end
/// values is extended. Raises EZELMath1Error "InterpolTable: pivot array must
/// contain at least 2 values" for n < 2 and "InterpolTable: specified range
/// of pivot array is zero" for X0 = X1. NaN X gives NaN.
double InterpolTable(double X, double X0, double X1, const TDoubleArray& Table);
double InterpolTable(double X, double X0, double X1, const TIntArray& Table);

/// Linear interpolation in an x/y table: Table[0] holds the abscissas
/// (ascending or descending), Table[1] the ordinates. X strictly between the
/// first and last abscissa interpolates in the neighbouring pair; X at or
/// beyond an end abscissa extrapolates along the end segment when
/// Extrapolate is true and gives 0 otherwise (so also at the end abscissas
/// themselves). A segment of zero length gives its ordinate. Raises
/// EZELMath1Error "InterpolXYTable: pivot array must contain at least 2
/// rows" when Table[0] has fewer than 2 entries, "InterpolXYTable: pivot
/// array must contain 2 columns" unless Table has exactly two arrays, and
/// "InterpolXYTable: abscissas and ordinates differ in length". NaN X gives
/// NaN.
double InterpolXYTable(double X, const TDouble2DArray& Table, bool Extrapolate);

/// Bilinear interpolation between the corner values: (1 - T) (Za + S (Zc -
/// Za)) + T (Zb + S (Zd - Zb)), S and T being the fractional positions along
/// the two axes.
double InterpolZofXYRect(double Za, double Zb, double Zc, double Zd, double S, double T) noexcept;

/// Lower edge of the histogram bin of width Width (bins aligned at Origin)
/// that contains X, Origin + Width floor((X - Origin) / Width); Offset
/// receives X minus that edge. Width 0 gives X itself and Offset 0.
double HistoBinRef(double X, double Origin, double Width, double& Offset) noexcept;

// ---- bounds ---------------------------------------------------------------------

/// True when X lies between B1 and B2 inclusive, in either order of the bounds.
bool WithinBounds(double X, double B1, double B2) noexcept;
/// The same with the interval widened by Margin on both sides.
bool WithinBounds(double X, double B1, double B2, double Margin) noexcept;

/// X clamped into [min(B1, B2), max(B1, B2)] (NaN stays NaN).
double ConfineValue(double X, double B1, double B2) noexcept;
float ConfineValue(float X, float B1, float B2) noexcept;
int ConfineValue(int X, int B1, int B2) noexcept;

/// True when P.x lies between R.Left and R.Right and P.y between R.Top and
/// R.Bottom, inclusive, each pair of bounds in either order.
bool WithinRect(const TPointDouble& P, const TRectDouble& R) noexcept;
/// Clamps P into R (bounds ordered per axis); true when P was changed.
bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R) noexcept;

// ---- plane geometry -------------------------------------------------------------

/// Distance between two points.
double EuclideanDistance(const TPointDouble& P1, const TPointDouble& P2) noexcept;
double EuclideanDistance(double X1, double Y1, double X2, double Y2) noexcept;

/// Angle of the vector (Dx, Dy) against the positive x axis, in [0, 2 pi].
/// Dx = 0 gives pi/2 for Dy > 0 and 3 pi/2 otherwise (also for the null
/// vector).
double AngleToXAxis(double Dx, double Dy) noexcept;

/// X brought into [-pi, pi]: beyond +-2 pi it is first reduced to 2 pi times
/// the fractional part of X / 2 pi (keeping the sign), then 2 pi is
/// subtracted above pi or added below -pi. An infinite X gives NaN.
double CanonicalAngleRadians(double X) noexcept;
/// The same in degrees, with 360 and 180.
double CanonicalAngleDegrees(double X) noexcept;

/// Sign of the cross product (P2 - P1) x (P3 - P1): 1 for counter-clockwise,
/// -1 for clockwise, 0 for collinear points.
int CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3) noexcept;

/// True when the segments A1-A2 and B1-B2 intersect or touch. Collinear
/// segments count as intersecting even when they are disjoint.
bool SegmentsIntersect(const TPointDouble& A1, const TPointDouble& A2, const TPointDouble& B1,
                       const TPointDouble& B2) noexcept;

/// Distance from P to the segment S1-S2 (to S1 when the segment has zero
/// length).
double DistanceToSegment(const TPointDouble& P, const TPointDouble& S1, const TPointDouble& S2) noexcept;

/// Integer distance of P from the rectangle R: 0 inside and on its edges,
/// the horizontal or vertical distance beside it, otherwise the distance to
/// the nearest corner rounded to the nearest integer. Results beyond the
/// integer range saturate at INT_MAX.
int DistFromRect(const TPoint& P, const TRect& R) noexcept;

/// Distance from P to the axis-parallel ellipse with centre (Cx, Cy) and
/// semi-axes Ax (along x) and Ay (along y); Closest receives the nearest
/// point of the ellipse. A semi-axis is taken by its absolute value; a zero
/// semi-axis makes the ellipse the segment along the other axis (both zero:
/// the centre).
double DistFromEllipse(const TPointDouble& P, double Cx, double Cy, double Ax, double Ay,
                       TPointDouble& Closest) noexcept;

/// The gap rule of the library's comb sorts: trunc(Gap / 1.3) computed in
/// double, at least 1.
std::size_t CombSortNextGap(std::size_t Gap) noexcept;

namespace detail {
/// For tests and benchmarks: when Restrict is true, SortArray uses only its
/// SSE2 kernels even where AVX2 is available. Returns the previous setting.
bool CombSortRestrictToBaseline(bool Restrict) noexcept;
}  // namespace detail

}  // namespace zel
