// zel convert: a matrix from one file format into another.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "commands.h"
#include "toolkit.h"
#include "zel_ascfile.h"
#include "zel_blockfile.h"
#include "zel_format.h"
#include "zel_matrix.h"
#include "zel_datatable.h"
#include "zel_strutils.h"
#include "zel_textfile.h"

namespace zeltool {

namespace {

const char* const kConvertUsage =
    "usage: zel convert IN OUT [--from FMT] [--to FMT] [--element ID] [--dataid ID]\n"
    "Reads a matrix from IN and writes it to OUT. The formats follow from the\n"
    "file extensions unless --from / --to name them:\n"
    "  csv  (.csv)         numbers separated by commas, one row per line\n"
    "  txt  (.txt .dat)    numbers separated by TABs, one row per line\n"
    "  asc  (.asc)         the library's ASC text file\n"
    "  xml  (.xml)         the library's XML matrix element\n"
    "  bin  (.bin .mat)    the library's binary block file\n"
    "Reading csv, fields are separated by commas, semicolons (with a decimal\n"
    "comma) or TABs, whichever the first line has most of, and may be quoted;\n"
    "every field must hold a number. Reading txt, by blanks, TABs, commas or\n"
    "semicolons. A first line that is not all numbers (captions) is skipped;\n"
    "NAN and INF are read as such. Values are written with the shortest text\n"
    "that reads back as the same number. --element picks the XML element with\n"
    "that data identifier (default: the first); --dataid sets the identifier\n"
    "written to xml and bin files (default: the one read from a bin file).\n"
    "Exit status: 0 done, 1 a file cannot be read or written, 2 wrong usage.\n";

enum class Fmt { None, Csv, Txt, Asc, Xml, Bin };

int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel convert: %s\n", Why.c_str());
  std::fputs(kConvertUsage, stderr);
  return 2;
}

Fmt FormatByName(const std::string& Name) {
  const std::string N = zel::LowerCase(Name);
  if (N == "csv") return Fmt::Csv;
  if (N == "txt" || N == "dat") return Fmt::Txt;
  if (N == "asc") return Fmt::Asc;
  if (N == "xml") return Fmt::Xml;
  if (N == "bin" || N == "mat") return Fmt::Bin;
  return Fmt::None;
}

Fmt FormatByExtension(const std::string& File) {
  const std::string Ext = zel::ExtractFileExt(File);
  return Ext.size() > 1 ? FormatByName(Ext.substr(1)) : Fmt::None;
}

const char* FormatName(Fmt F) {
  switch (F) {
    case Fmt::Csv: return "csv";
    case Fmt::Txt: return "txt";
    case Fmt::Asc: return "asc";
    case Fmt::Xml: return "xml";
    case Fmt::Bin: return "bin";
    case Fmt::None: break;
  }
  return "?";
}

std::string AscProblem(int Code) {
  switch (Code) {
    case zel::ascErrNoFile: return "the file is missing or cannot be read";
    case zel::ascErrTruncated: return "the header has fewer than four lines";
    case zel::ascErrBadNCols: return "line 2 holds no column count";
    case zel::ascErrBadNRows: return "line 3 holds no row count";
    case zel::ascErrBadFlags: return "line 4 holds no TRUE/FALSE flags";
    case zel::ascErrTooLarge: return "the header announces more values than the file holds";
    case zel::ascErrBadName: return "a quoted name is not closed";
    case zel::ascErrBadRowAttrib: return "a row attribute is not a number";
    case zel::ascErrBadValue: return "a value is not a number, or the file ends too early";
    case zel::ascErrNoMemory: return "not enough memory for the values";
    default: return "error " + std::to_string(Code);
  }
}

std::string BinProblem(int Code) {
  switch (Code) {
    case zel::binErrNoFile: return "the file is missing or cannot be read";
    case zel::binErrShort: return "the file is shorter than the 4096-byte header";
    case zel::binErrForeign: return "the file holds no matrix of doubles";
    case zel::binErrBadDims: return "the header holds a negative size";
    case zel::binErrTruncated: return "the file holds fewer values than its header announces";
    case zel::binErrNoMemory: return "not enough memory for the values";
    default: return "error " + std::to_string(Code);
  }
}

// Whether the first line of a CSV file holds captions: a field that is not
// a number (NAN and INF count as numbers).
bool HasCaptionLine(const std::string& File, char Delim) {
  std::ifstream in(File, std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) return false;
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::size_t pos = 0;
  while (pos <= line.size()) {
    const std::size_t end = std::min(line.find(Delim, pos), line.size());
    std::string field = zel::Trim(line.substr(pos, end - pos));
    if (Delim == ';') std::replace(field.begin(), field.end(), ',', '.');  // decimal comma
    double x;
    const std::string word = zel::UpperCase(field);
    const bool special = word == "NAN" || word == "INF" || word == "+INF" || word == "-INF";
    if (!field.empty() && !special && !zel::TextFileWordToDouble(field, x)) return true;
    pos = end + 1;
  }
  return false;
}

// A CSV file of numbers through the data table: captions when the first
// line has them, every other cell a number (NAN included).
bool ReadCsvMatrix(zel::TMatrix& Mat, const std::string& File, std::string& Problem) {
  const zel::TCSVDelimiters delim = SniffDelimiter(File);
  const char delimChar = delim == zel::csvSemicolon ? ';' : delim == zel::csvTab ? '\t' : ',';
  TLoadOptions O;
  O.Delimiter = delim;
  O.Header = HasCaptionLine(File, delimChar);
  zel::TDataTable T;
  if (std::string why = LoadTableFile(File, O, T); !why.empty()) {
    Problem = why;
    return false;
  }
  for (int c = 1; c <= T.NrOfColumns(); ++c)
    for (int r = 1; r <= T.NrOfRows(); ++r) {
      const zel::Byte st = T.GetCellState(c, r);
      const bool text = T.GetMScaleType(c) == zel::stNominal || T.GetMScaleType(c) == zel::stOrdinal;
      if (text || (st != 0 && st != zel::csNoNumber)) {
        Problem = "line " + std::to_string(r + (O.Header ? 1 : 0)) + ", column " + std::to_string(c) + ": " +
                  (text ? "text where a number is needed" : "empty field");
        return false;
      }
    }
  Mat.Assign(T.NumericData());
  for (int c = 1; c <= T.NrOfColumns(); ++c)
    for (int r = 1; r <= T.NrOfRows(); ++r)
      if (T.GetCellState(c, r) == zel::csNoNumber) Mat.SetVal(c, r, std::numeric_limits<double>::quiet_NaN());
  return true;
}

// Reads Mat from File; Problem says why not.
bool ReadMatrix(zel::TMatrix& Mat, const std::string& File, Fmt F, const std::string& DataID, std::string& Comment,
                std::string& Problem) {
  if (!zel::FileExists(File)) {
    Problem = "no such file";
    return false;
  }
  switch (F) {
    case Fmt::Csv: return ReadCsvMatrix(Mat, File, Problem);
    case Fmt::Txt:
      if (Mat.LoadFromFile(File, true, true)) return true;
      Problem = "no table of numbers (every row must hold the same number of numbers)";
      return false;
    case Fmt::Asc: {
      const int Rc = Mat.ImportASC(File, Comment);
      if (Rc == 0) return true;
      Problem = AscProblem(Rc);
      return false;
    }
    case Fmt::Xml:
      if (Mat.LoadFromXMLFile(File, DataID)) return true;
      Problem = DataID.empty() ? "no complete matrix element" : "no complete matrix element with that dataid";
      return false;
    case Fmt::Bin: {
      const int Rc = Mat.LoadBinary(File);
      if (Rc == 0) return true;
      Problem = BinProblem(Rc);
      return false;
    }
    case Fmt::None: break;
  }
  Problem = "unknown format";
  return false;
}

bool WriteTable(const zel::TMatrix& Mat, const std::string& File, char Delimiter) {
  return zel::WriteWholeTextFile(File, [&](zel::TTextFile& F) {
    std::string Line;
    for (int r = 1; r <= Mat.NrOfRows() && Mat.NrOfColumns() > 0; ++r) {
      Line.clear();
      for (int c = 1; c <= Mat.NrOfColumns(); ++c) {
        if (c > 1) Line.push_back(Delimiter);
        Line += zel::FloatToStrShortest(Mat.GetVal(c, r));
      }
      F.WriteLn(Line);
    }
  });
}

// Writes Mat to File; Problem says why not.
bool WriteMatrix(const zel::TMatrix& Mat, const std::string& File, Fmt F, const std::string& DataID,
                 const std::string& Comment, std::string& Problem) {
  try {
    switch (F) {
      case Fmt::Csv:
      case Fmt::Txt:
        if (WriteTable(Mat, File, F == Fmt::Csv ? ',' : '\t')) return true;
        break;
      case Fmt::Asc:
        if (Mat.ExportAsASC(File, -1, Comment) == 0) return true;
        break;
      case Fmt::Xml:
        Mat.SaveAsXMLFile(File, DataID);
        return true;
      case Fmt::Bin:
        Mat.SaveBinary(File);
        return true;
      case Fmt::None:
        Problem = "unknown format";
        return false;
    }
    Problem = "the file cannot be written";
  } catch (const zel::Exception& E) {
    Problem = E.Message();
  }
  return false;
}

}  // namespace

int RunConvert(const Args& args) {
  std::string In, Out, Element, DataID;
  bool HaveId = false;
  Fmt From = Fmt::None, To = Fmt::None;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& A = args[i];
    if (A == "--help" || A == "-h") {
      std::fputs(kConvertUsage, stdout);
      return 0;
    }
    if (A == "--from" || A == "--to" || A == "--element" || A == "--dataid") {
      if (i + 1 >= args.size()) return Usage(A + " needs a value");
      const std::string& V = args[++i];
      if (A == "--element") {
        Element = zel::UTF8ToCP1252(V);
        continue;
      }
      if (A == "--dataid") {
        DataID = zel::UTF8ToCP1252(V);
        HaveId = true;
        continue;
      }
      const Fmt F = FormatByName(V);
      if (F == Fmt::None) return Usage("unknown format \"" + V + "\"");
      (A == "--from" ? From : To) = F;
    } else if (A.size() > 1 && A[0] == '-') {
      return Usage("unknown option \"" + A + "\"");
    } else if (In.empty()) {
      In = A;
    } else if (Out.empty()) {
      Out = A;
    } else {
      return Usage("too many files");
    }
  }
  if (Out.empty()) return Usage("IN and OUT are needed");
  if (From == Fmt::None) From = FormatByExtension(In);
  if (To == Fmt::None) To = FormatByExtension(Out);
  if (From == Fmt::None) return Usage("cannot tell the format of \"" + In + "\" (use --from)");
  if (To == Fmt::None) return Usage("cannot tell the format of \"" + Out + "\" (use --to)");

  zel::TMatrix Mat;
  std::string Comment, Problem;
  if (!ReadMatrix(Mat, In, From, Element, Comment, Problem)) {
    std::fprintf(stderr, "zel convert: cannot read \"%s\" as %s: %s\n", In.c_str(), FormatName(From), Problem.c_str());
    return 1;
  }
  if (HaveId) Mat.SetDataID(DataID);
  if (!WriteMatrix(Mat, Out, To, Mat.DataID(), Comment, Problem)) {
    std::fprintf(stderr, "zel convert: cannot write \"%s\": %s\n", Out.c_str(), zel::CP1252ToUTF8(Problem).c_str());
    return 1;
  }
  std::printf("%s (%s) -> %s (%s): %d columns x %d rows\n", In.c_str(), FormatName(From), Out.c_str(),
              FormatName(To), Mat.NrOfColumns(), Mat.NrOfRows());
  return 0;
}

}  // namespace zeltool
