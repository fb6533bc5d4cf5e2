// ASC text files: the parts every data component shares.
//
// Layout: line 1 a comment, line 2 the number of columns, line 3 the number
// of rows, line 4 the flags "row attributes, column names, row names,
// nominal variables"; then, when flagged, one double-quoted name per column;
// then per row the row attribute, the row's quoted name (each when flagged)
// and one value per column. Items are separated by white space, so a reader
// does not depend on where the lines break. Writers end lines with CR LF and
// replace a file only with a complete one.
//
// The readers here scan a buffered file with std::from_chars-class number
// conversion; the header reader itself (ReadHeaderOfASC) is in the base
// package and bounds the announced counts by the bytes of the file, so a
// caller may allocate for them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zel_base.h"
#include "zel_textfile.h"
#include "zel_types.h"

namespace zel {

/// Result codes of the ASC importers and exporters; the header reader's
/// own codes (ascErrNoFile = −8 and −11..−15) are in zel_base.h.
enum : int {
  ascErrCreate = -1,        // the file cannot be written (an existing file is left as it was)
  ascErrBadName = -4,       // a quoted name (column, row or table string) is not closed
  ascErrBadRowAttrib = -5,  // a row attribute is not a number
  ascErrBadValue = -6,      // a value is not a number, or the file ends before it
  ascErrTooManyCols = -7,   // a single-column class was given a file of another column count
  ascErrNoRows = -9,        // a file without rows for a class that cannot be empty
  ascErrNoMemory = -10,     // the storage for the file's values cannot be allocated
};

/// Cells a reader of a matrix file may allocate for an input of Bytes bytes
/// when the input itself need not hold every value (an adjusted rectangle,
/// omitted XML cells): 2^20 cells for any input, plus 8 per byte. Without
/// such a bound a header of a few bytes could demand any amount of memory.
std::int64_t MaxCellsForInput(std::int64_t Bytes) noexcept;
/// True when the storage of an NCols × NRows matrix (at least one column
/// and one row, however empty the shape) has at most MaxCells cells;
/// false for a negative count.
bool StorageWithin(std::int64_t NCols, std::int64_t NRows, std::int64_t MaxCells) noexcept;

/// The flags of header line 4.
struct TAscFlags {
  bool RowAttrib = false;
  bool ColNames = false;
  bool RowNames = false;
  bool NominalVars = false;
};

/// A header as ReadAscHeader returns it.
struct TAscHeader {
  std::string Comment;
  int NCols = 0;
  int NRows = 0;
  TAscFlags Flags;
};

/// Header line 1: Comment with CR and LF replaced by blanks, or when Comment
/// is empty "Exported by ZEL <ClassName> component: <FName>".
std::string AscCommentLine(const std::string& Comment, const std::string& ClassName, const std::string& FName);

/// Name in double quotes for the quoted-name parser: a double quote inside
/// the name becomes ', a CR or LF a blank (the parser knows no escapes).
std::string AscQuotedName(std::string_view Name);

/// Creates FName through TTextFile and lets Body write it; the target is
/// replaced only by the complete file. False, with the target left as it
/// was, when the file cannot be created, a write fails or Body raises.
bool WriteWholeTextFile(const std::string& FName, const std::function<void(TTextFile&)>& Body);

/// Writes an ASC file: the four header lines (four flags), then Body writes
/// the rest. Returns 0, or ascErrCreate when the file cannot be created or
/// a write fails (or Body raises); the target is then left untouched.
int WriteAscFile(const std::string& FName, const std::string& CommentLine, int NCols, int NRows,
                 const TAscFlags& Flags, const std::function<void(TTextFile&)>& Body);

/// The header of an ASC file through ReadHeaderOfASC: 0 or its code.
int ReadAscHeader(const std::string& FName, TAscHeader& Header);

/// "NAN", "INF", "+INF" and "-INF" (ASCII case ignored) as the values the
/// number writers use for them; false for any other word.
bool NonFiniteWord(std::string_view Word, double& X) noexcept;

/// A number word: the text-file number syntax (TextFileWordToDouble) or a
/// NonFiniteWord; false otherwise.
bool NumberWord(std::string_view Word, double& X) noexcept;

/// Sequential reader of a text file's words, names and lines. The file is
/// read in large blocks; words longer than MaxWord are consumed but
/// returned cut (they are never numbers).
class TAscReader {
 public:
  static constexpr std::size_t MaxWord = 4096;

  TAscReader() = default;
  ~TAscReader();
  TAscReader(const TAscReader&) = delete;
  TAscReader& operator=(const TAscReader&) = delete;

  /// Opens FName and skips its first SkipLines lines; false when the file
  /// cannot be read.
  bool Open(const std::string& FName, int SkipLines);
  /// Byte size of the open file.
  std::int64_t FileSize() const noexcept { return FFileSize; }

  /// Next word (characters above the blank, delimited by blanks, TABs,
  /// control characters and line breaks); false at the end of the file.
  /// The view lives until the next call.
  bool NextWord(std::string_view& Word);
  /// Next word as a number (NumberWord); false when none is left or it is
  /// not a number (the word is consumed either way).
  bool ReadNumber(double& X);
  /// Next word as an ASC value: "NAN" and "###" are missing values and
  /// read as 0, other words as ReadNumber.
  bool ReadValue(double& X);
  /// Next double-quoted name (ParseQuotedName); false when the file ends
  /// before the closing quote.
  bool ReadQuotedName(std::string& Name);
  /// The rest of the current line (without its line break, CR LF, LF or
  /// CR); false when the file has ended.
  bool ReadLine(std::string& Line);

 private:
  bool Refill(std::size_t Keep);
  bool FastNumber(double& X);
  bool GetChar(char& Ch);

  std::FILE* FFile = nullptr;
  std::vector<char> FBuf;
  std::string FLong;  // start of the last over-long word
  std::size_t FPos = 0;
  std::size_t FEnd = 0;
  bool FEof = false;
  std::int64_t FFileSize = 0;
};

/// One row of an ASC body: its number (from 1), attribute (0 without the
/// flag), name (empty without the flag) and one value per column. Returns
/// 0 to go on or an error code that ends the reading.
using TAscRowHandler =
    std::function<int(int Row, double Attrib, const std::string& Name, std::span<const double> Values)>;

/// Reads the body that Header describes from R (positioned after the header):
/// the column names when flagged (into ColNames, which is resized), then
/// each row, handed to OnRow. Returns 0, ascErrBadName, ascErrBadRowAttrib,
/// ascErrBadValue or OnRow's code; FailRow is the row being read at a
/// failure (1 while the column names are read).
int ReadAscBody(TAscReader& R, const TAscHeader& Header, TStrArray& ColNames, const TAscRowHandler& OnRow,
                int& FailRow);

/// Writes a table of strings, one line per outer element, each string
/// quoted (AscQuotedName) and separated by a blank.
void WriteAscStringTable(TTextFile& F, const TStr2DArray& Table);
/// Reads what follows the body: the rest of the current line is dropped,
/// then every further line becomes one element of Table (an empty line an
/// empty element). Returns 0 or ascErrBadName for a quote left open.
int ReadAscStringTable(TAscReader& R, TStr2DArray& Table);

}  // namespace zel
