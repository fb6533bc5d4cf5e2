// zel describe: per-column statistics of a data table file.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "toolkit.h"
#include "zel_strutils.h"

namespace zeltool {

namespace {

const char* const kDescribeUsage =
    "usage: zel describe FILE [--format text|csv|json] [--delimiter ,|;|tab|blank]\n"
    "                         [--no-header] [--row-names] [--dataid ID]\n"
    "Reads FILE into a data table and prints statistics of every column: the\n"
    "number n of cells that hold a number, mean, standard deviation, minimum,\n"
    "quartiles (Q1, median, Q3), maximum, skewness and excess kurtosis (both\n"
    "corrected for sample size). Cells that are empty, marked as holding no\n"
    "number, or NaN do not count; sd needs 3 numbers, Q1, Q3, skewness and\n"
    "kurtosis 4 (else \"-\", empty in csv, null in json). Nominal columns show n\n"
    "and their number of levels.\n"
    "  --format F  text (aligned, the default), csv (one line per column) or json\n"
    "  .asc  the library's ASC file        .xml  a datatable element (--dataid)\n"
    "  other files: CSV with a header line (--no-header: none), fields separated\n"
    "        by --delimiter (default: whichever of ',', ';' and TAB the first line\n"
    "        has most of; with ';' a decimal comma is read),\n"
    "        --row-names: the first field of each line names the row.\n"
    "Exit status: 0 done, 1 the file cannot be read, 2 wrong usage.\n";

int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel describe: %s\n", Why.c_str());
  std::fputs(kDescribeUsage, stderr);
  return 2;
}

}  // namespace

int RunDescribe(const Args& args) {
  std::string file;
  TLoadOptions O;
  TOutFormat format = TOutFormat::Text;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& A = args[i];
    if (A == "--help" || A == "-h") {
      std::fputs(kDescribeUsage, stdout);
      return 0;
    }
    if (A == "--no-header") {
      O.Header = false;
    } else if (A == "--row-names") {
      O.RowNames = true;
    } else if (A == "--delimiter" || A == "--dataid" || A == "--format") {
      if (i + 1 >= args.size()) return Usage(A + " needs a value");
      const std::string& V = args[++i];
      if (A == "--format") {
        if (!ParseOutFormat(V, format)) return Usage("unknown format \"" + V + "\" (text, csv or json)");
      } else if (A == "--dataid") {
        O.DataID = zel::UTF8ToCP1252(V);
      } else if (V == ",") {
        O.Delimiter = zel::csvComma;
      } else if (V == ";") {
        O.Delimiter = zel::csvSemicolon;
      } else if (V == "tab" || V == "\t") {
        O.Delimiter = zel::csvTab;
      } else if (V == "blank" || V == " ") {
        O.Delimiter = zel::csvBlank;
      } else {
        return Usage("unknown delimiter \"" + V + "\"");
      }
    } else if (!A.empty() && A[0] == '-') {
      return Usage("unknown option \"" + A + "\"");
    } else if (file.empty()) {
      file = A;
    } else {
      return Usage("only one file");
    }
  }
  if (file.empty()) return Usage("no file");

  zel::TDataTable T;
  if (const std::string why = LoadTableFile(file, O, T); !why.empty()) {
    std::fprintf(stderr, "zel describe: %s: %s\n", file.c_str(), why.c_str());
    return 1;
  }
  std::vector<TColumnStats> cols;
  for (int c = 1; c <= T.NrOfColumns(); ++c) cols.push_back(DescribeColumn(T, c));
  const TReportTable report = DescribeTable(cols);
  switch (format) {
    case TOutFormat::Csv: PrintCsv(report); break;
    case TOutFormat::Json:
      std::printf("{\n  \"file\": %s,\n  \"rows\": %d,\n  \"columns\": %s\n}\n", JsonString(file).c_str(),
                  T.NrOfRows(), JsonRows(report, 2).c_str());
      break;
    case TOutFormat::Text:
      std::printf("%s: %d rows, %d columns\n\n", file.c_str(), T.NrOfRows(), T.NrOfColumns());
      PrintAligned(report, 6);
      break;
  }
  return 0;
}

}  // namespace zeltool
