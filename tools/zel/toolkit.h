// What the commands of the zel tool share: reading a table file, the output
// formats (aligned text, CSV, JSON) and the statistics behind describe and
// pca, which the demo reuses.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zel_datatable.h"

namespace zeltool {

/// The whole of S as an int (an optional leading '+').
bool ToInt(const std::string& S, int& N);

// ---- reading ---------------------------------------------------------------------------

/// The delimiter of a CSV file from its first line: the most frequent of
/// TAB, ';' and ',' outside quotes (';' before ',' on a tie); ',' for none.
zel::TCSVDelimiters SniffDelimiter(const std::string& FName);

struct TLoadOptions {
  std::optional<zel::TCSVDelimiters> Delimiter;  // CSV; default: sniffed
  bool Header = true;                            // CSV: first record names the columns
  bool RowNames = false;                         // CSV: first field names the row
  std::string DataID;                            // XML: the element (default: the first)
};

/// Loads FName (.asc: ASC file, .xml: datatable element, else CSV) into T.
/// Empty when it worked, else the table's account of the problem.
std::string LoadTableFile(const std::string& FName, const TLoadOptions& O, zel::TDataTable& T);

// ---- output ----------------------------------------------------------------------------

enum class TOutFormat { Text, Csv, Json };

/// "text", "csv" or "json"; false for anything else.
bool ParseOutFormat(const std::string& S, TOutFormat& F);

/// Removes "--format F" from A (commands whose other arguments are
/// positional) and sets F; false with Why set when the value is missing or
/// unknown.
bool TakeFormatOption(std::vector<std::string>& A, TOutFormat& F, std::string& Why);

/// A value of a report cell: text, a number, or nothing (printed "-" in
/// text, empty in CSV, null in JSON).
struct TCell {
  enum class Kind { None, Text, Number, Integer } K = Kind::None;
  std::string S;
  double X = 0;
  static TCell Text(std::string V) { return {Kind::Text, std::move(V), 0}; }
  static TCell Num(const std::optional<double>& V) { return V ? TCell{Kind::Number, {}, *V} : TCell{}; }
  static TCell Int(long long V) { return {Kind::Integer, {}, static_cast<double>(V)}; }
};

/// A table of a report: column keys (also the JSON member names) and rows.
struct TReportTable {
  std::vector<std::string> Keys;
  std::vector<std::vector<TCell>> Rows;
};

/// The cell as CSV field (RFC 4180 quoting; numbers in shortest round-trip
/// form, NAN / INF / -INF when not finite).
std::string CsvCell(const TCell& C);
/// The cell as JSON value (strings escaped, non-finite numbers null).
std::string JsonCell(const TCell& C);
/// S as JSON string literal (text that is not UTF-8 is read as CP1252).
std::string JsonString(std::string_view S);

/// Writes T as CSV: the keys, then one line per row.
void PrintCsv(const TReportTable& T);
/// One row as a JSON object of the given member names, on one line.
std::string JsonObject(const std::vector<std::string>& Keys, const std::vector<TCell>& Row);
/// T as a JSON array of objects, one per row, indented by Indent blanks.
std::string JsonRows(const TReportTable& T, int Indent);
/// Writes T as aligned text: text cells left-aligned, numbers right-aligned
/// with Digits significant digits (Fixed: Digits decimals); Heads replace
/// the keys when given.
void PrintAligned(const TReportTable& T, int Digits, bool Fixed = false, const std::vector<std::string>& Heads = {});

// ---- statistics ------------------------------------------------------------------------

/// Statistics of one column; absent ones are empty.
struct TColumnStats {
  std::string Name, Scale;
  int N = 0;
  int Levels = -1;  // nominal and ordinal columns: their identifiers
  std::optional<double> Mean, Sd, Min, Q1, Median, Q3, Max, Skewness, Kurtosis;
};

/// The statistics of column Col of T (cells holding a number only).
TColumnStats DescribeColumn(const zel::TDataTable& T, int Col);
/// The describe report of the given statistics.
TReportTable DescribeTable(const std::vector<TColumnStats>& Cols);

/// A principal component analysis of columns of a table.
struct TPcaResult {
  int Observations = 0;
  std::vector<std::string> Variables;
  std::vector<double> Eigenvalues, Explained, Cumulative;  // per component, percent
  std::vector<std::vector<double>> Loadings;               // [k][variable], largest component positive
  zel::TMatrix Data;                                       // the observations used
};

enum class TPcaOutcome { Ok, Interrupted, Failed };

/// Whether column Col of T holds nominal or ordinal values (text in the
/// file), which the PCA leaves out unless asked for.
bool IsTextColumn(const zel::TDataTable& T, int Col);

/// PCA of the columns Cols (1-based; empty: every column that is not
/// nominal or ordinal) of T. Failed with Why set for bad input (a nominal
/// column, a cell without a finite number, too few rows) or no convergence; Interrupted when AbortMathProc was raised.
TPcaOutcome ComputePca(const zel::TDataTable& T, std::vector<int> Cols, bool Correlation, TPcaResult& R,
                       std::string& Why);

/// The scores of the first K components of every observation.
std::vector<std::vector<double>> PcaScores(const TPcaResult& R, int K, bool Correlation);

}  // namespace zeltool
