// zel demo: a short tour of what the library does, on the bundled wine data.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "zel_base.h"
#include "zel_extended.h"
#include "zel_format.h"
#include "zel_random.h"
#include "zel_stringlist.h"
#include "zel_strutils.h"
#include "zel_textfile.h"

namespace zeltool {

std::string DataDir() {
  namespace fs = std::filesystem;
  const fs::path source = ZEL_DATA_DIR;
  if (fs::exists(source / "wine.csv")) return source.string();
  // Installed layout: <prefix>/bin/zel and <prefix>/share/zel.
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed = exe.parent_path().parent_path() / "share" / "zel";
    if (fs::exists(installed / "wine.csv")) return installed.string();
  }
  return source.string();
}

namespace {

void Heading(const char* text) { std::printf("\n== %s\n", text); }

struct Table {
  zel::TStrArray names;
  zel::TDouble2DArray columns;  // columns[j][i]
};

Table ReadCsv(const std::string& path) {
  zel::TStringList lines;
  lines.LoadFromFile(path);
  Table t;
  if (lines.Count() == 0) return t;
  zel::Tokenize(lines.Strings(0), ",", t.names);
  t.columns.assign(t.names.size(), {});
  zel::TStrArray cells;
  for (int i = 1; i < lines.Count(); ++i) {
    if (zel::Tokenize(lines.Strings(i), ",", cells) != static_cast<int>(t.names.size())) continue;
    for (std::size_t j = 0; j < cells.size(); ++j) {
      double v = 0;
      if (!zel::TextFileWordToDouble(cells[j], v)) v = NAN;
      t.columns[j].push_back(v);
    }
  }
  return t;
}

}  // namespace

int RunDemo(const Args&) {
  const std::string wine = DataDir() + "/wine.csv";
  std::printf("zel demo: the foundation layer at work on %s\n", wine.c_str());

  Heading("Reading a CSV file into columns (string list, tokenizer, number words)");
  const Table t = ReadCsv(wine);
  if (t.columns.empty()) {
    std::fprintf(stderr, "cannot read %s\n", wine.c_str());
    return 1;
  }
  std::printf("%zu rows, %zu columns\n\n", t.columns[0].size(), t.names.size());
  std::printf("%-22s %12s %12s %14s\n", "column", "mean", "std.dev.", "scientific");
  for (std::size_t j = 0; j < t.names.size(); ++j) {
    const auto& c = t.columns[j];
    double sum = 0, sq = 0;
    for (double v : c) sum += v;
    const double mean = sum / static_cast<double>(c.size());
    for (double v : c) sq += (v - mean) * (v - mean);
    const double sd = std::sqrt(sq / static_cast<double>(c.size() - 1));
    std::printf("%-22s %s %s %s\n", t.names[j].c_str(), zel::strff(mean, 12, 4).c_str(),
                zel::strff(sd, 12, 4).c_str(), zel::FormatScientificWidth(mean, 14).c_str());
  }

  Heading("CRC-32 fingerprint of the file");
  zel::TMemoryStream bytes;
  bytes.LoadFromFile(wine);
  const std::uint32_t crc = ~zel::CalcNextCRC32(bytes.Memory(), static_cast<std::size_t>(bytes.Size()), 0xFFFFFFFFu);
  std::printf("%lld bytes, CRC-32 %08X\n", static_cast<long long>(bytes.Size()), crc);

  Heading("ASC file: write a header and two columns, read the header back");
  const std::string asc = (std::filesystem::temp_directory_path() / "zel_demo_wine.asc").string();
  {
    zel::TTextFile f;
    f.Rewrite(asc);
    f.WriteLn("alcohol and proline of 178 wines");
    f.WriteLn(zel::IntToStr(2) + "\t;nr. of columns");
    f.WriteLn(zel::IntToStr(static_cast<long long>(t.columns[0].size())) + "\t;nr. of rows");
    f.WriteLn(zel::BoolToStr(false) + " " + zel::BoolToStr(true) + " " + zel::BoolToStr(false) + " " +
              zel::BoolToStr(false) + "\t;row attributes, column names, row names, nominal variables");
    f.WriteLn("\"" + t.names[0] + "\" \"" + t.names[12] + "\"");
    for (std::size_t i = 0; i < t.columns[0].size(); ++i)
      f.WriteLn(zel::strff(t.columns[0][i], 12, 2) + zel::strff(t.columns[12][i], 12, 1));
    f.Close();
  }
  std::string comment;
  int ncols = 0, nrows = 0;
  bool rowAttr = false, colNames = false, rowNames = false, nominal = false;
  const int rc = zel::ReadHeaderOfASC(asc, comment, ncols, nrows, rowAttr, colNames, rowNames, nominal);
  std::printf("ReadHeaderOfASC -> %d: \"%s\", %d columns, %d rows, column names %s\n", rc, comment.c_str(), ncols,
              nrows, zel::BoolToStr(colNames, zel::bsLower).c_str());
  zel::DeleteFile(asc);

  Heading("XML tags");
  const std::string xml =
      "<?xml version=\"1.0\"?>\r\n<matrix name=\"demo\">\r\n <numcols>2</numcols>\r\n"
      " <cell ix=\"1\" iy=\"1\">14.23</cell>\r\n <cell ix=\"2\" iy=\"1\">1065</cell>\r\n</matrix>\r\n";
  const zel::TStrArray tags = {"numcols", "numrows", "numplanes", "numtimeslots", "cell", "matrix", "/matrix"};
  std::size_t pos = 0;
  std::string attrs, content;
  for (int ix; (ix = zel::ReadNextTagInString(xml, pos, tags, attrs, content)) != zel::tagEndOfText;) {
    std::printf("  %-8s attributes [%s] content [%s]\n", ix >= 0 ? tags[static_cast<std::size_t>(ix)].c_str() : "?",
                attrs.c_str(), zel::StripLTBlanks(zel::RemoveControlChars(content)).c_str());
  }

  Heading("Numbers: 10-byte extended and the library's random generator");
  const zel::TExtendedBytes b = zel::EncodeExtended(1.0L / 3.0L);
  std::printf("1/3 as 10-byte extended:");
  for (int i = 9; i >= 0; --i) std::printf(" %02X", b[static_cast<std::size_t>(i)]);
  std::printf("\nRandSeed 42 gives:");
  zel::SetRandSeed(42);
  for (int i = 0; i < 4; ++i) std::printf(" %s", zel::strff(zel::Random(), 1, 6).c_str());
  std::printf("\n");
  return 0;
}

}  // namespace zeltool
