// Number text: scanning numbers at a moving position and writing them in
// the library's notations (fixed-width digit strings, bit patterns, Roman
// numerals, engineering and exponent notation, angles).
//
// Positions are 1-based character indices. A scanner takes the position by
// reference: on entry it names the first character to look at, on return the
// first character that was not consumed. A position below 1 or beyond the
// end of the text plus one is never read: the scanner returns 0 and leaves
// it unchanged. Scanners never raise.
//
// Every text written here is independent of the process locale. Texts are
// single-byte (Windows-1252): the degree sign is the byte 0xB0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zel_math1_scalar.h"

namespace zel {

/// The degree sign in the library's code page (Windows-1252).
inline constexpr char kDegreeSign = '\xB0';

// ---- scanning -----------------------------------------------------------------

/// Decimal-separator modes of ScanFPNum: point only, comma only, either.
/// Any other value recognises no separator.
inline constexpr int dsPoint = 1;
inline constexpr int dsComma = 2;
inline constexpr int dsBoth = 3;

/// Scans one floating-point number at CurPos: leading blanks, an optional
/// sign, digits with an optional separator (DecPSep: 1 point, 2 comma,
/// 3 either), and with AllowExp an exponent "E" (either case), optional sign
/// and digits. ".5", "-.5" and "5." are numbers; "1E" and "1E+" read as 1.
/// Returns the value, correctly rounded to double; values beyond the double
/// range give +-uc_MaxDouble, values below it 0 (or the denormal). On return
/// CurPos names the character that ended the number. A malformed number (a
/// lone sign, a mantissa without digits, a second separator, a blank inside
/// the exponent) gives 0 with CurPos at the offending character; a mantissa
/// without digits that the machine carries to its end (".E5") gives 0 with
/// CurPos after what was consumed.
double ScanFPNum(std::string_view Instring, bool AllowExp, int DecPSep, int& CurPos);

/// Scans one signed decimal integer at CurPos: blanks are skipped (up to the
/// last character), an optional "-" or "+" is consumed, then digits. The
/// value wraps modulo 2^32 like 32-bit arithmetic. Without digits the result
/// is 0 with CurPos after any sign. An empty text, or CurPos outside
/// 1..length, returns 0 and leaves CurPos unchanged.
int ScanDecimal(std::string_view Instring, int& CurPos);

/// Scans hexadecimal digits (0-9, A-F in either case) at CurPos after
/// skipping blanks; no sign or prefix. The value is unsigned 32-bit; more
/// digits shift the high ones out (only the lowest 32 bits are kept, as Hex
/// writes only the lowest ones). Without a digit the result is 0 and CurPos
/// is unchanged; otherwise CurPos names the first character after the digits.
std::uint32_t ScanHex(std::string_view Instring, int& CurPos);
/// The same as ScanHex with the octal digits 0-7.
std::uint32_t ScanOctal(std::string_view Instring, int& CurPos);
/// The same as ScanHex with the binary digits 0 and 1.
std::uint32_t ScanBin(std::string_view Instring, int& CurPos);

/// Scans an angle at CurPos in one of the notations DegreeToStr writes:
/// decimal degrees "12.5" or "12.5°", degrees and decimal minutes
/// "12° 30.5'", or degrees, minutes and decimal seconds "12° 30' 15.2\"".
/// Blanks may precede the angle, the minutes and the seconds; an optional
/// sign comes first and applies to the whole angle. The degree sign is the
/// byte 0xB0 or its UTF-8 form. Only the last part may have decimals;
/// minutes and seconds must lie in 0..60. With AllowComma the decimal separator is "." or ",",
/// otherwise "." only. A part that is incomplete (minutes without "'",
/// seconds without "\"") is not consumed. Returns decimal degrees and sets
/// Format to the notation found (0, 1 or 2 as in TDegreeFormat). When no
/// angle is found the result is 0, Format is -1 and CurPos unchanged.
double ScanDegrees(std::string_view Instring, int& CurPos, bool AllowComma, int& Format);

/// Scans a date and/or time at CurPos as described by Format, a text of
/// fields and literals:
///   d, dd     day (1-2 digits / exactly 2)      m, mm  month (1-2 / 2 digits)
///   mmm       month abbreviation (3 letters)    mmmm   full month name
///   yy        year, 2 digits (00-49 are 2000-2049, 50-99 are 1950-1999)
///   yyyy      year, 4 digits (0001-9999)
///   h, hh     hour 0-23    n, nn  minute 0-59    s, ss  second 0-59
///   z, zzz    milliseconds (1-3 / exactly 3 digits)
/// Field letters are case-insensitive. A blank in Format matches one or more
/// blanks; any other character must appear as it is (letters in either
/// case). Month names are English or German (Language), case-insensitive;
/// "März" may be written in Windows-1252 or UTF-8. A format with a date must
/// hold day, month and year. Returns the date serial of the framework: days
/// since 1899-12-30 plus the time of day as a fraction (a format without a
/// date gives the fraction alone); before 1899-12-30 the time is subtracted
/// from the negative day number (-1.25 is 1899-12-29 06:00). When the text
/// does not match the format, or a field is out of range (31 February, hour
/// 24), the result is 0 and CurPos is unchanged: success always moves CurPos.
double ScanDateTime(std::string_view Instring, std::string_view Format, TLanguage Language, int& CurPos);

/// True when Instring (blanks around it are ignored) is exactly one number
/// as ScanFPNum reads it with the separator Sep, exponents only when
/// AllowExp, with at least one exponent digit after an "E", and a value
/// within the double range (1E400 is not valid).
bool IsValidDouble(std::string_view Instring, bool AllowExp, TDecPSep Sep);
/// As IsValidDouble with exponents allowed and no range limit.
bool IsValidFPNum(std::string_view Instring, TDecPSep Sep);
/// True when Instring (blanks around it are ignored) is hexadecimal digits
/// of either case whose value fits into 32 bits (leading zeros are allowed).
bool IsValidHex(std::string_view Instring);
/// The same for octal digits (at most 37777777777).
bool IsValidOct(std::string_view Instring);
/// The same for binary digits (at most 32 significant ones).
bool IsValidBin(std::string_view Instring);
/// True when Instring (blanks around it are ignored) is an optional sign and
/// decimal digits within the 32-bit range, as StrToIntDefault accepts.
bool IsValidDecInt(std::string_view Instring);

// ---- integer to text ------------------------------------------------------------

/// Exactly Digits decimal digits (0 is taken as 1, at most 255) of |Value|,
/// with leading zeros; higher digits are dropped. A "-" precedes negative
/// values: Decimal(-1234, 2) is "-34".
std::string Decimal(int Value, int Digits);
/// Exactly Digits upper-case hexadecimal digits (0 taken as 1, more than 8
/// as 8) of Value taken as unsigned 32-bit: Hex(255, 4) is "00FF".
std::string Hex(int Value, int Digits);
/// Exactly Digits octal digits (1..11) of Value as unsigned 32-bit.
std::string Octal(int Value, int Digits);
/// Exactly Digits binary digits (1..32) of Value as unsigned 32-bit.
std::string Bin(int Value, int Digits);
/// Roman numeral of N by the greedy table (M CM D CD C XC L XL X IX V IV I);
/// empty for N <= 0 and N >= 30000 (4000 is "MMMM").
std::string Roman(int N);
/// Strict decimal conversion of Instring (optional blanks around, optional
/// sign, digits, within 32 bits); Default for an empty or rejected text
/// ("12ab" gives Default). Never raises.
int StrToIntDefault(std::string_view Instring, int Default);

// ---- floating-point bit patterns ----------------------------------------------------

/// The 8 bytes of X as 16 upper-case hexadecimal digits, most significant
/// byte (sign and exponent) first: FPNumToHex(1.0) is "3FF0000000000000".
std::string FPNumToHex(double X);
/// The 10 bytes of the 80-bit extended X as 20 hexadecimal digits.
std::string FPNumToHex(long double X);
/// The 4 bytes of X as 8 hexadecimal digits.
std::string FPNumToHex(float X);

/// The double whose bytes Hex gives (16 digits of either case, most
/// significant byte first; the inverse of FPNumToHex). Every bit pattern is
/// kept, signalling NaNs included. Raises EZELError "HexToDouble: invalid
/// hex string \"<Hex>\"" for a wrong length or a character that is not a
/// hexadecimal digit.
double HexToDouble(std::string_view Hex);
/// The 80-bit extended value of 20 hexadecimal digits; raises EZELError
/// "HexToExtended: invalid hex string \"<Hex>\"".
long double HexToExtended(std::string_view Hex);
/// The single of 8 hexadecimal digits; raises EZELError "HexToSingle:
/// invalid hex string \"<Hex>\"".
float HexToSingle(std::string_view Hex);

/// X with its 8 bytes in reverse order (bit patterns are kept exactly).
double ConvertEndian(double X);
/// X with its 4 bytes in reverse order.
float ConvertEndian(float X);
/// X with its 2 bytes exchanged.
std::uint16_t ConvertEndian(std::uint16_t X);
/// X with its 4 bytes in reverse order.
std::int32_t ConvertEndian(std::int32_t X);

// ---- bit helpers ----------------------------------------------------------------

/// 2^N for 0 <= N <= 7, otherwise 0.
Byte DecodeBit(int N);
/// 2^N for 0 <= N <= 31, otherwise 0.
std::uint32_t DecodeLong(int N);
/// Index of the lowest set bit of X; 31 when no bit below bit 31 is set
/// (so EncodeLong(0) is 31).
int EncodeLong(std::uint32_t X);

// ---- floating point to text -------------------------------------------------------

/// X with Decimals decimals right-aligned in at least Width characters
/// (scientific in Width characters for negative Decimals, see zel_format.h).
/// Decimals = -2 gives a two-digit exponent in exactly Width characters
/// (" 1.500E+00" for 1.5 in 10), or Width "*" when the exponent needs more
/// than two digits; below Width 8 the text keeps its two mantissa digits and
/// is longer. Infinities and NaN are "INF", "-INF", "NAN" right-aligned.
std::string strf(double X, int Width, int Decimals);

/// Engineering notation of X with an SI prefix letter (a f p n u m k M G T
/// for 10^-18 .. 10^12): Digits (clamped to -9..9) significant digits while
/// the mantissa lies below 10; a negative count puts the letter in place of
/// the decimal point. EEngStr(4700, 2) is "4.7k", EEngStr(4700, -2) "4k7",
/// EEngStr(0.00047, 3) "470u"; beyond 10^15 the prefix stays T and the
/// mantissa grows. Exact powers of ten get their own prefix (1000 with 3
/// digits is "1.00k"). Infinities and NaN give "INF", "-INF", "NAN".
std::string EEngStr(double X, int Digits);

/// X as sign position (blank or "-"), "0.", Digits digits (clamped to 2..15),
/// "E", exponent sign and two exponent digits, right-aligned in Width
/// (clamped to 8..40) characters: 1.2345 with 5 digits in 12 is
/// " 0.12345E+01", 0 is " 0.00000E+00". An exponent of three digits is
/// written without the "E" (" 0.12345+101"), as Fortran's Ew.d does.
/// Infinities and NaN give "INF", "-INF", "NAN" right-aligned.
std::string MakeEFormat(double X, int Width, int Digits);

// ---- angles ---------------------------------------------------------------------------

/// X degrees as text with Decimals (clamped to 0..8) decimals:
/// dfDeg "12.50°"; dfDegMin "12° 30.00'" (rounded in minutes, half away
/// from zero, minutes right-aligned in Decimals + 3); dfDegMinSec
/// "12° 30' 15.00\"" (whole minutes in 2, seconds in Decimals + 3); dfPlain
/// the number alone. "-0" marks a negative angle below one degree. Another
/// format value gives an empty text; infinities and NaN give "INF", "-INF",
/// "NAN" alone.
std::string DegreeToStr(double X, TDegreeFormat Format, int Decimals);

/// Converts an angle between the notations of TDegreeFormat in place:
/// decimal degrees (minutes and seconds 0), degrees and decimal minutes,
/// degrees, minutes and decimal seconds. The sign is carried by Degrees
/// alone (-0 degrees marks a negative angle below one degree) and is kept
/// in every direction: -12.5 becomes -12 degrees 30 minutes and back.
/// Raises EZELMath1Error "ConvertDegrees: invalid range of minutes" (or
/// "... of seconds") when Minutes (Seconds) lies outside 0..60; nothing is
/// changed then. Conversions to or from dfPlain change nothing.
void ConvertDegrees(double& Degrees, double& Minutes, double& Seconds, TDegreeFormat FromFormat,
                    TDegreeFormat ToFormat);

/// Rounds an angle down (RoundUp false) or up to a scale step: degrees to
/// 1 2 3 5 10 15 20 30 60 90 180 360, minutes and seconds to 1 2 3 5 10 15
/// 20 30 60; only the leading non-zero part is kept (0° 0' 40" up is
/// 0° 1' 0"). A negative part clears all three.
void RoundDegrees(int& Degrees, int& Minutes, int& Seconds, bool RoundUp);

}  // namespace zel
