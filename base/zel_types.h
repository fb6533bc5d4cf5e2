// Shared types of the library: dynamic arrays, points, rectangles, the event
// signatures and the small enumerations that several units pass around.
#pragma once

#include <cfloat>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel {

/// 80-bit extended precision. The library stores and computes extended values
/// in this format, so it is built only where long double is the x87 type.
using Extended = long double;
static_assert(sizeof(long double) >= 10 && LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "zel requires long double to be the 80-bit extended format (x86-64)");

using Byte = std::uint8_t;
using Word = std::uint16_t;
using Longint = std::int32_t;
using Cardinal = std::uint32_t;

// Dynamic arrays, indexed from 0. Arrays of arrays are indexed [i][j], the
// first index selecting the outer array; inner arrays may differ in length.
using TDoubleArray = std::vector<double>;
using TSingleArray = std::vector<float>;
using TIntArray = std::vector<int>;
using TBoolArray = std::vector<bool>;
using TStrArray = std::vector<std::string>;
using TDouble2DArray = std::vector<TDoubleArray>;
using TInt2DArray = std::vector<TIntArray>;
using TBool2DArray = std::vector<TBoolArray>;
using TStr2DArray = std::vector<TStrArray>;
using TDouble3DArray = std::vector<TDouble2DArray>;
using TInt3DArray = std::vector<TInt2DArray>;
using TDouble4DArray = std::vector<TDouble3DArray>;
using TInt4DArray = std::vector<TInt3DArray>;

struct TPointDouble {
  double x = 0;
  double y = 0;
};

struct TRectDouble {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

class TObject;

/// The framework's event with the sender as only argument (every OnChange).
using TNotifyEvent = std::function<void(TObject* Sender)>;
/// Sort exchange: kind 0 = elements, 1 = columns, 2 = rows; the two exchanged
/// positions and two further integers (the range that was exchanged).
using TSortExchgEvent =
    std::function<void(TObject* Sender, Byte ExchgWhat, int Index1, int Index2, int LowBound, int HighBound)>;
using TOnPercentDoneEvent = std::function<void(TObject* Sender, int Percent)>;

/// Distance and similarity measures, in this order.
enum class TDistMode { dmTanimoto, dmManhattan, dmEuclid, dmEuclidSqr, dmDice, dmUser };
using enum TDistMode;

/// First value: one result per row; second: one result per column.
enum class TOrientation { orRowWise, orColumnWise };
using enum TOrientation;

/// Aggregation along an edge of a matrix.
enum class TEdgeOp { eoMin, eoMax, eoSum, eoMean };
using enum TEdgeOp;

/// Angle notation: decimal degrees, degrees and decimal minutes, degrees,
/// minutes and decimal seconds, plain number (ordinals 0 to 3).
enum class TDegreeFormat { dfDeg = 0, dfDegMin = 1, dfDegMinSec = 2, dfPlain = 3 };
using enum TDegreeFormat;

/// Decimal separator accepted by the number tests.
enum class TDecPSep { dpsPoint, dpsComma, dpsBoth };
using enum TDecPSep;

/// Language of month and day names in date scanning.
enum class TLanguage { lanEnglish, lanGerman };
using enum TLanguage;

/// Element type of an untyped array.
enum class TVarKind { vkByte, vkShortint, vkSmallint, vkWord, vkInteger, vkLongword, vkInt64, vkSingle, vkDouble, vkExtended };
using enum TVarKind;

/// Bitwise combination of two bit sets.
enum class TLogicOp { loAND, loOR, loXOR, loANDNOT, loORNOT, loXORNOT };
using enum TLogicOp;

/// The two dimensions of a matrix: columns, rows.
enum class TDims { dimColumns, dimRows };
using enum TDims;

/// Delimiter between the fields of a CSV line.
enum class TCSVDelimiters { csvComma, csvSemicolon, csvTab, csvBlank };
using enum TCSVDelimiters;

/// State of the character-by-character quoted-name parser.
enum class TQuotedStrState { qsUndef, qsBeforeName, qsInName, qsNameDone };
using enum TQuotedStrState;

/// Colour schemes of array images.
enum class TColorScheme { csGray, csRainbow, csRedGreen, csBlueRed, csUser };
using enum TColorScheme;

/// Frame drawn around a display element.
enum class TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised };
using enum TFrameStyle;

}  // namespace zel
