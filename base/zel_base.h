// The base package: shared types and constants, the global progress and
// abort state of long computations, CRC-32, the bit field, the readers of
// text headers, words, lines and XML tags, stream scalars, the mixed file
// stream and the string and colour helpers that every unit uses.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zel_classes.h"
#include "zel_exceptions.h"
#include "zel_streams.h"
#include "zel_textfile.h"
#include "zel_types.h"

namespace zel {

// ---- constants ----------------------------------------------------------------
inline constexpr double uc_MaxDouble = 1.7976931348623157e308;
/// Real is Double in this library.
inline constexpr double uc_MaxReal = uc_MaxDouble;
inline constexpr float uc_MaxSingle = 3.40282347e38f;
inline constexpr std::int64_t uc_MaxInt64 = INT64_MAX;
inline constexpr double uc_sqrt2 = 1.4142135623730950488;
/// 1 / sqrt(2 pi), the normal density at 0.
inline constexpr double uc_sqrt2pitom1 = 0.39894228040143267794;
/// Number of entries of uc_LnFactorial: ln n! for n = 0 .. 1000.
inline constexpr std::size_t uc_LnFactorialSize = 1001;
/// Table of ln n!, n = 0 .. 1000 (entry n is ln n!).
/// (Filled when the library loads: not to be read from static initialisers.)
extern const std::array<double, uc_LnFactorialSize> uc_LnFactorial;

// ---- global progress and abort state ------------------------------------------
/// Feedback procedure of long computations, called with ProcStat after each step.
using TMathFeedBackProc = void (*)(double ProcStat);

/// When true, a long computation stops at its next outer step and reports failure.
extern std::atomic<bool> AbortMathProc;
/// Progress counter: long computations add 1.0 per outer step.
extern std::atomic<double> ProcStat;
/// Called with ProcStat after each outer step when assigned (non-null).
extern std::atomic<TMathFeedBackProc> MathFeedBackProc;

/// One outer step of a long computation: adds 1.0 to ProcStat, calls
/// MathFeedBackProc when assigned and returns false when AbortMathProc is set.
bool MathProcStep();
/// Resets the state to its start: ProcStat 0, AbortMathProc false and no
/// feedback procedure.
void ResetMathProcState();

// ---- CRC-32 -------------------------------------------------------------------
/// Folds one byte into a running CRC-32 (reflected IEEE polynomial 0xEDB88320,
/// as zlib). Start from 0xFFFFFFFF and complement the final value.
std::uint32_t CalcNextCRC32(std::uint8_t B, std::uint32_t Crc) noexcept;
/// Folds Count bytes at once; the same result as CalcNextCRC32 byte by byte.
std::uint32_t CalcNextCRC32(const void* Data, std::size_t Count, std::uint32_t Crc) noexcept;

// ---- bit field ----------------------------------------------------------------
/// A set of bits, indexed from 0. Reads outside the size give false; writes
/// outside it are ignored.
class TBitFld : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TBitFld"; }

  /// Number of bits.
  int Size() const noexcept { return FSize; }
  /// Sets the number of bits (negative is taken as 0); new bits are clear,
  /// existing bits below the new size are kept.
  void SetSize(int NBits);
  /// Clears all bits.
  void Clear() noexcept;
  bool GetBit(int Ix) const noexcept;
  void SetBit(int Ix, bool Value) noexcept;
  /// Inverts every bit.
  void Invert() noexcept;
  int CountTrueBits() const noexcept;
  /// Index of the lowest set bit, -1 when no bit is set.
  int FirstTrueBit() const noexcept;
  /// Makes this a copy of Source (size and bits).
  void Clone(const TBitFld& Source);
  /// Combines each bit with the bit of Other (bits beyond Other's size count
  /// as clear): AND, OR, XOR, and the same with Other's bit inverted.
  void CombineWith(const TBitFld& Other, TLogicOp Op) noexcept;

  void Assign(const TPersistent* Source) override;

 private:
  void ClearTail() noexcept;
  int FSize = 0;
  std::vector<std::uint64_t> FWords;
};

// ---- text readers ---------------------------------------------------------------
/// Error codes of ReadHeaderOfASC.
enum : int {
  ascErrNoFile = -8,        // the file is missing or cannot be read
  ascErrTruncated = -11,    // fewer than four header lines
  ascErrBadNCols = -12,     // line 2 does not start with a column count >= 0
  ascErrBadNRows = -13,     // line 3 does not start with a row count >= 0
  ascErrBadFlags = -14,     // line 4 does not start with three or four TRUE/FALSE flags
  ascErrTooLarge = -15,     // the counts announce more items (values, names, row attributes) than the file can hold
};

/// Reads the four header lines of an ASC file: the comment (line 1, without
/// a UTF-8 byte-order mark), the numbers of columns and rows (lines 2 and 3)
/// and the flags of line 4: row attributes, column names, row names, nominal
/// variables (the older three-flag form leaves NominalVars false). Returns 0
/// or one of the negative ascErr codes; the outputs are set only on success.
int ReadHeaderOfASC(const std::string& FileName, std::string& Comment, int& NCols, int& NRows,
                    bool& RowAttrib, bool& ColNames, bool& RowNames, bool& NominalVars);

/// The next blank-delimited word of a text file (blanks, TABs and line
/// breaks delimit); empty at the end of the file.
std::string ReadNextWordInTextFile(TTextFile& InFile);

/// The next text line of a stream, read from its position up to CR LF, LF or
/// CR (not included). EndOfStream is true when the stream holds no further
/// character after this line.
std::string ReadLnStream(TStream& Stream, bool& EndOfStream);

/// Result of the tag readers when no further tag exists (end of the text, or
/// a tag that the text ends inside).
inline constexpr int tagEndOfText = -2;
/// Result of the tag readers for a tag that is not in the list.
inline constexpr int tagNotInList = -1;

/// Finds the next XML tag in Text from byte offset Pos (0-based) on.
/// Comments, processing instructions and declarations are skipped. Returns
/// the index of the tag's name in TagNames (exact match; a closing tag is
/// named with its "/", as "/matrix"), tagNotInList for any other tag, or
/// tagEndOfText. Attributes receives the text between the name and the end
/// of the tag (without a self-closing "/"), Content the text from the end of
/// the tag up to the next tag with the entities &lt; &gt; &amp; &quot; &apos;
/// and numeric character references decoded. When the next tag is the
/// closing tag of this one it is consumed too, unless that closing tag is
/// itself in TagNames (then it is returned by the next call, so that the end
/// of an empty "<matrix></matrix>" is seen). Pos is moved past what was
/// read. TagName, when given, receives the tag's name. Runs in time linear
/// in the text read.
int ReadNextTagInString(std::string_view Text, std::size_t& Pos, const TStrArray& TagNames,
                        std::string& Attributes, std::string& Content, std::string* TagName = nullptr);
/// The same on a text file opened for reading, from its current position.
int ReadNextTagInTextFile(TTextFile& InFile, const TStrArray& TagNames, std::string& Attributes,
                          std::string& Content, std::string* TagName = nullptr);

/// The decoded value of attribute Name in an attribute text as the tag
/// readers return it; false when the attribute is absent or unterminated.
bool XmlAttributeValue(std::string_view Attributes, std::string_view Name, std::string& Value);
/// Text with & < > " ' written as entities, for XML writers.
std::string XmlEscape(std::string_view Text);
/// XmlEscape, and in addition every byte outside printable ASCII written as
/// a character reference of its Windows-1252 character (TAB, CR and LF
/// included, so that attribute values keep them), so the text is plain
/// ASCII in any encoding; the controls XML cannot carry at all become '?'.
std::string XmlEscapeAscii(std::string_view Text);

// ---- stream scalars -----------------------------------------------------------------
/// Writes X as 10 bytes of the extended format; false when not all were written.
bool WriteExtendedToStream(TStream& Stream, long double X);
/// Reads 10 bytes of the extended format; false (X unchanged) when fewer remain.
bool ReadExtendedFromStream(TStream& Stream, long double& X);
/// Writes a little-endian 32-bit integer; false when not all bytes were written.
bool WriteLongintToStream(TStream& Stream, std::int32_t X);
/// Reads a little-endian 32-bit integer; false (X unchanged) when fewer remain.
bool ReadLongintFromStream(TStream& Stream, std::int32_t& X);

/// A file stream of mixed binary and text items. Binary items are
/// little-endian; text lines end with CR LF and are read up to CR LF, LF or CR.
class TMixedFStream : public TFileStream {
 public:
  using TFileStream::TFileStream;
  std::string ClassName() const override { return "TMixedFStream"; }

  bool WriteByte(std::uint8_t B);
  bool ReadByte(std::uint8_t& B);
  /// 32-bit integer.
  bool WriteInteger(std::int32_t X);
  bool ReadInteger(std::int32_t& X);
  /// 8-byte IEEE double.
  bool WriteDouble(double X);
  bool ReadDouble(double& X);
  /// Writes Line and CR LF.
  bool WriteLn(std::string_view Line);
  /// Reads the next line; false at the end of the file (Line then empty).
  bool ReadLn(std::string& Line);
};

// ---- strings ----------------------------------------------------------------------
/// S without leading and trailing blanks and TABs.
std::string StripLTBlanks(std::string_view S);
/// S without the trailing characters equal to Ch.
std::string StripTrailingChars(char Ch, std::string_view S);
/// S without control characters (codes 0..31 and 127).
std::string RemoveControlChars(std::string_view S);
/// S with every OldCh replaced by NewCh.
std::string ReplaceCharInString(std::string_view S, char OldCh, char NewCh);
/// Whether S contains Part; within Part the sequence "//dig" matches any
/// decimal digit.
bool StringContains(std::string_view S, std::string_view Part);
/// Index (0-based) of S in List, -1 when absent; IgnoreCase folds ASCII case.
int StringIx(std::string_view S, const TStrArray& List, bool IgnoreCase = false);
/// Splits S at any of the characters of Delimiters into Tokens (runs of
/// delimiters produce no empty tokens); returns the number of tokens.
int Tokenize(std::string_view S, std::string_view Delimiters, TStrArray& Tokens);
/// Feeds one character to the quoted-name parser. Before the name every
/// character up to the opening Quote is skipped; inside it characters are
/// collected into Name up to the closing Quote. Returns true when the
/// character completed a name (State then qsNameDone); the next call starts
/// a new name.
bool ParseQuotedName(char Ch, char Quote, std::string& Name, TQuotedStrState& State);
/// Fixed-point text of X with Decimals decimals, right-aligned in at least
/// Width characters (scientific in Width characters for negative Decimals);
/// see zel_format.h for the layouts.
std::string strff(double X, int Width, int Decimals);

/// Spellings of BoolToStr.
enum class TBoolStrStyle { bsUpper, bsMixed, bsLower, bsLetter, bsDigit, bsYesNo };
using enum TBoolStrStyle;
/// "TRUE"/"FALSE", "True"/"False", "true"/"false", "T"/"F", "1"/"0" or "Yes"/"No".
std::string BoolToStr(bool B, TBoolStrStyle Style = bsUpper);

/// Appends Line and CR LF to a text file, creating it when missing; false
/// when the file cannot be written.
bool AppendToTextFile(const std::string& FileName, std::string_view Line);

// ---- colours ----------------------------------------------------------------------
/// Luminance 0.299 r + 0.587 g + 0.114 b of an RGB colour (0..255).
double RGBtoGray(int R, int G, int B);
/// Hue (degrees, 0 <= H < 360; 0 for grays), saturation (0..1) and
/// intensity ((r + g + b) / 3, 0..255) of an RGB colour.
void RGBtoHSI(int R, int G, int B, double& H, double& S, double& I);

}  // namespace zel
