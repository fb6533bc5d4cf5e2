// The zel tool's conventions end to end: csv and json output of describe
// and pca read back and checked against independent computations, help and
// version on every command, the exit statuses, and the demo.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "zel_test_env.h"
#include "zel_tool_runner.h"

namespace {

using zel::test::RunTool;
using zel::test::ToolPath;

// ---- a small strict JSON reader ---------------------------------------------------------

struct JValue {
  enum Kind { Null, Bool, Number, String, Array, Object } K = Null;
  double X = 0;
  std::string S;
  std::vector<JValue> Items;
  std::map<std::string, JValue> Members;
  const JValue& operator[](const std::string& Key) const { return Members.at(Key); }
};

class JReader {
 public:
  explicit JReader(const std::string& T) : FT(T) {}
  // The document, or throws on any syntax error or trailing text.
  JValue Document() {
    JValue v = Value();
    Blanks();
    if (FP != FT.size()) throw std::runtime_error("text after the value");
    return v;
  }

 private:
  void Blanks() {
    while (FP < FT.size() && std::string(" \t\r\n").find(FT[FP]) != std::string::npos) ++FP;
  }
  void Expect(char C) {
    Blanks();
    if (FP >= FT.size() || FT[FP] != C) throw std::runtime_error(std::string("expected ") + C);
    ++FP;
  }
  bool Take(const char* Word) {
    const std::string w = Word;
    if (FT.compare(FP, w.size(), w) != 0) return false;
    FP += w.size();
    return true;
  }
  std::string Str() {
    Expect('"');
    std::string s;
    while (FP < FT.size() && FT[FP] != '"') {
      char c = FT[FP++];
      if (static_cast<unsigned char>(c) < 0x20) throw std::runtime_error("raw control character");
      if (c == '\\') {
        if (FP >= FT.size()) break;
        c = FT[FP++];
        if (c == 'u') {
          s += static_cast<char>(std::strtol(FT.substr(FP, 4).c_str(), nullptr, 16));
          FP += 4;
          continue;
        }
        const std::string from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
        if (from.find(c) == std::string::npos) throw std::runtime_error("bad escape");
        c = to[from.find(c)];
      }
      s += c;
    }
    Expect('"');
    return s;
  }
  JValue Value() {
    Blanks();
    JValue v;
    if (FP >= FT.size()) throw std::runtime_error("end of text");
    const char c = FT[FP];
    if (c == '{') {
      v.K = JValue::Object;
      ++FP;
      Blanks();
      if (FT[FP] == '}') return ++FP, v;
      do {
        const std::string key = Str();
        Expect(':');
        if (!v.Members.emplace(key, Value()).second) throw std::runtime_error("duplicate key " + key);
        Blanks();
      } while (FT[FP] == ',' && ++FP);
      Expect('}');
    } else if (c == '[') {
      v.K = JValue::Array;
      ++FP;
      Blanks();
      if (FT[FP] == ']') return ++FP, v;
      do {
        v.Items.push_back(Value());
        Blanks();
      } while (FT[FP] == ',' && ++FP);
      Expect(']');
    } else if (c == '"') {
      v.K = JValue::String;
      v.S = Str();
    } else if (Take("null")) {
      v.K = JValue::Null;
    } else if (Take("true") || Take("false")) {
      v.K = JValue::Bool;
    } else {
      // JSON's number grammar: no leading '+', no NaN/Inf, no hex.
      const std::size_t start = FP;
      if (FT[FP] == '-') ++FP;
      if (FP >= FT.size() || !std::isdigit(static_cast<unsigned char>(FT[FP]))) throw std::runtime_error("bad value");
      while (FP < FT.size() && std::string("0123456789.eE+-").find(FT[FP]) != std::string::npos) ++FP;
      v.K = JValue::Number;
      char* end = nullptr;
      const std::string num = FT.substr(start, FP - start);
      v.X = std::strtod(num.c_str(), &end);
      if (*end != '\0') throw std::runtime_error("bad number " + num);
    }
    return v;
  }
  const std::string& FT;
  std::size_t FP = 0;
};

// CSV records of the tool's output (no quoted line breaks in these files).
std::vector<std::vector<std::string>> CsvRecords(const std::string& Out) {
  std::vector<std::vector<std::string>> recs;
  std::istringstream in(Out);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f(1);
    bool q = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (q && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        f.back() += '"';
        ++i;
      } else if (c == '"') {
        q = !q;
      } else if (c == ',' && !q) {
        f.emplace_back();
      } else {
        f.back() += c;
      }
    }
    recs.push_back(f);
  }
  return recs;
}

double Num(const std::string& S) { return std::strtod(S.c_str(), nullptr); }

const std::string kWine = std::string(ZEL_TEST_DATA_DIR) + "/../../data/wine.csv";

}  // namespace

TEST(ToolFormats, DescribeCsvAndJsonCarryTheSameStatistics) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  const std::string dir = zel::test::TempDir("tool_formats_describe");
  // A quoted name with the delimiter and a quote, a column with a gap, a
  // nominal column.
  zel::test::WriteBytes(dir + "/t.csv", "\"a, \"\"first\"\"\",b,kind\n1,10,x\n2,,y\n4,30,x\n8,40,z\n5,50,x\n");
  const double a[] = {1, 2, 4, 8, 5};
  double mean = 0, ss = 0;
  for (double x : a) mean += x / 5;
  for (double x : a) ss += (x - mean) * (x - mean);
  const double sd = std::sqrt(ss / 4);

  int rc = -1;
  const std::string csv = RunTool(tool, "describe", "'" + dir + "/t.csv' --format csv", rc);
  ASSERT_EQ(rc, 0) << csv;
  const auto recs = CsvRecords(csv);
  ASSERT_EQ(recs.size(), 4u) << csv;
  const std::vector<std::string> keys = {"column", "scale", "n",   "levels", "mean",     "sd",      "min",
                                         "q1",     "median", "q3", "max",    "skewness", "kurtosis"};
  EXPECT_EQ(recs[0], keys);
  EXPECT_EQ(recs[1][0], "a, \"first\"");
  EXPECT_EQ(recs[1][2], "5");
  EXPECT_DOUBLE_EQ(Num(recs[1][4]), mean);
  EXPECT_NEAR(Num(recs[1][5]), sd, 1e-14 * sd);
  EXPECT_EQ(recs[1][6], "1");
  EXPECT_EQ(recs[1][10], "8");
  EXPECT_EQ(recs[2][2], "4");  // the gap does not count
  EXPECT_EQ(recs[3][1], "Nominal");
  EXPECT_EQ(recs[3][3], "3");
  EXPECT_EQ(recs[3][4], "");  // no mean of a nominal column

  const std::string json = RunTool(tool, "describe", "'" + dir + "/t.csv' --format json", rc);
  ASSERT_EQ(rc, 0) << json;
  JValue doc;
  ASSERT_NO_THROW(doc = JReader(json).Document()) << json;
  EXPECT_EQ(doc["rows"].X, 5);
  const auto& cols = doc["columns"].Items;
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(cols[0]["column"].S, "a, \"first\"");
  EXPECT_DOUBLE_EQ(cols[0]["mean"].X, mean);
  EXPECT_EQ(cols[0]["levels"].K, JValue::Null);
  EXPECT_EQ(cols[2]["mean"].K, JValue::Null);
  EXPECT_EQ(cols[2]["levels"].X, 3);
}

TEST(ToolFormats, PcaCsvAndJsonDescribeOrthonormalComponents) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  int rc = -1;
  const std::string csv = RunTool(tool, "pca", "'" + kWine + "' --columns 1-13 --correlation --components 2 --format csv", rc);
  ASSERT_EQ(rc, 0) << csv;
  const auto recs = CsvRecords(csv);
  ASSERT_EQ(recs.size(), 14u) << csv;
  ASSERT_EQ(recs[0].size(), 4u + 13u);
  EXPECT_EQ(recs[0][4], "alcohol");
  // The eigenvalues of a correlation matrix add up to its order; the shares
  // to 100.
  double trace = 0, prev = HUGE_VAL;
  for (std::size_t k = 1; k <= 13; ++k) {
    const double ev = Num(recs[k][1]);
    EXPECT_LE(ev, prev);
    prev = ev;
    trace += ev;
  }
  EXPECT_NEAR(trace, 13.0, 1e-9);
  EXPECT_NEAR(Num(recs[13][3]), 100.0, 1e-9);
  // The two loading vectors shown are orthonormal; the others are left empty.
  double n1 = 0, n2 = 0, dot = 0;
  for (std::size_t j = 4; j < 17; ++j) {
    n1 += Num(recs[1][j]) * Num(recs[1][j]);
    n2 += Num(recs[2][j]) * Num(recs[2][j]);
    dot += Num(recs[1][j]) * Num(recs[2][j]);
    EXPECT_EQ(recs[3][j], "");
  }
  EXPECT_NEAR(n1, 1.0, 1e-12);
  EXPECT_NEAR(n2, 1.0, 1e-12);
  EXPECT_NEAR(dot, 0.0, 1e-12);

  const std::string json = RunTool(tool, "pca", "'" + kWine + "' --columns 1-13 --correlation --format json", rc);
  ASSERT_EQ(rc, 0) << json;
  JValue doc;
  ASSERT_NO_THROW(doc = JReader(json).Document()) << json;
  EXPECT_EQ(doc["observations"].X, 178);
  EXPECT_EQ(doc["matrix"].S, "correlation");
  const auto& comps = doc["components"].Items;
  ASSERT_EQ(comps.size(), 13u);
  EXPECT_NEAR(comps[0]["eigenvalue"].X, Num(recs[1][1]), 1e-12);
  EXPECT_EQ(comps[2]["loadings"].Members.size(), 13u);  // K = 3 by default
  EXPECT_EQ(comps[3].Members.count("loadings"), 0u);
}

TEST(ToolFormats, HelpVersionAndExitStatuses) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  int rc = -1;
  std::string out = RunTool(tool, "--version", "", rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out.rfind("zel ", 0), 0u) << out;
  out = RunTool(tool, "--help", "", rc);
  EXPECT_EQ(rc, 0);
  for (const char* cmd : {"demo", "crc", "format", "num", "dist", "convert", "pca", "describe"}) {
    EXPECT_NE(out.find(std::string("  ") + cmd), std::string::npos) << cmd;
    const std::string help = RunTool(tool, cmd, "--help", rc);
    EXPECT_EQ(rc, 0) << cmd;
    EXPECT_NE(help.find("usage: zel " + std::string(cmd)), std::string::npos) << cmd << "\n" << help;
  }
  RunTool(tool, "", "", rc);
  EXPECT_EQ(rc, 2);
  out = RunTool(tool, "frobnicate", "", rc);
  EXPECT_EQ(rc, 2);
  EXPECT_NE(out.find("unknown command"), std::string::npos);
  for (const char* cmd : {"describe", "pca"}) {
    out = RunTool(tool, cmd, "'" + kWine + "' --format xml", rc);
    EXPECT_EQ(rc, 2) << cmd;
    EXPECT_NE(out.find("xml"), std::string::npos) << out;
  }
  // Unreadable or unusable input: exit 1, a message naming the file.
  const std::string dir = zel::test::TempDir("tool_formats_exit");
  zel::test::WriteBytes(dir + "/empty.csv", "");
  zel::test::WriteBytes(dir + "/text.csv", "a,b\n1,x\n2,y\n");
  for (const std::string& args :
       {"'" + dir + "/empty.csv'", "'" + dir + "/text.csv' --columns 2", "'" + dir + "/nothing.csv'"}) {
    out = RunTool(tool, "pca", args, rc);
    EXPECT_EQ(rc, 1) << args;
    EXPECT_EQ(out.rfind("zel pca: " + dir + "/", 0), 0u) << args << "\n" << out;
  }
}

TEST(ToolFormats, ConvertReadsRealCsv) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  const std::string dir = zel::test::TempDir("tool_formats_convert");
  // A BOM, CR LF line ends, quoted captions, decimal commas under ';'.
  zel::test::WriteBytes(dir + "/in.csv", "\xEF\xBB\xBF\"x;1\";\"y\"\r\n1,5;-2\r\n\"3,25\";NAN\r\n");
  int rc = -1;
  std::string out = RunTool(tool, "convert", "'" + dir + "/in.csv' '" + dir + "/out.txt'", rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(zel::test::ReadBytes(dir + "/out.txt"), "1.5\t-2\r\n3.25\tNAN\r\n");
  // No captions: a first line of numbers, NAN among them, is data.
  zel::test::WriteBytes(dir + "/plain.csv", "NAN,1\n2,-INF\n");
  out = RunTool(tool, "convert", "'" + dir + "/plain.csv' '" + dir + "/plain.txt'", rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(zel::test::ReadBytes(dir + "/plain.txt"), "NAN\t1\r\n2\t-INF\r\n");
  zel::test::WriteBytes(dir + "/quote.csv", "a,b\n1,\"2\n");
  out = RunTool(tool, "convert", "'" + dir + "/quote.csv' '" + dir + "/q.txt'", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("quote.csv\" as csv: line 2"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir + "/q.txt"));
}

TEST(ToolFormats, DemoReportsDescribeAndPca) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  int rc = -1;
  const std::string out = RunTool(tool, "demo", "", rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_NE(out.find("178 wines"), std::string::npos) << out;
  // The first eigenvalue of the wine correlation matrix (numpy: 4.70585).
  EXPECT_NE(out.find("4.706"), std::string::npos) << out;
  EXPECT_NE(out.find("flavanoids"), std::string::npos) << out;
  int lines = 0;
  for (const char c : out) lines += c == '\n';
  EXPECT_LT(lines, 80);
}

TEST(ToolFormats, DistAndNumWriteCsvAndJson) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  int rc = -1;
  std::string out = RunTool(tool, "dist", "normal p 1.96 --format json", rc);
  ASSERT_EQ(rc, 0) << out;
  JValue doc;
  ASSERT_NO_THROW(doc = JReader(out).Document()) << out;
  EXPECT_EQ(doc["law"].S, "normal");
  EXPECT_EQ(doc["value"].X, 1.96);
  // The tool reports the library's value; that value's accuracy is tested
  // with the distributions.
  EXPECT_NEAR(doc["result"].X, 0.5 * std::erfc(-1.96 / std::sqrt(2.0)), 1e-9);
  // The option may stand anywhere; a discrete value stays an integer.
  out = RunTool(tool, "dist", "--format csv binom d 3 10 0.5", rc);
  ASSERT_EQ(rc, 0) << out;
  const auto recs = CsvRecords(out);
  ASSERT_EQ(recs.size(), 2u) << out;
  EXPECT_EQ(recs[0], (std::vector<std::string>{"law", "what", "value", "parameters", "result"}));
  EXPECT_EQ(recs[1][2], "3");
  EXPECT_EQ(recs[1][3], "10 0.5");
  double c103 = 1;  // C(10, 3)
  for (int i = 0; i < 3; ++i) c103 = c103 * (10 - i) / (i + 1);
  EXPECT_DOUBLE_EQ(Num(recs[1][4]), c103 / 1024);
  for (const char* bad : {"normal p 1 --format", "normal p 1 --format yaml"}) {
    RunTool(tool, "dist", bad, rc);
    EXPECT_EQ(rc, 2) << bad;
  }

  out = RunTool(tool, "num", "255 1.5 --format json", rc);
  ASSERT_EQ(rc, 0) << out;
  ASSERT_NO_THROW(doc = JReader(out).Document()) << out;
  ASSERT_EQ(doc.Items.size(), 2u);
  const auto& n255 = doc.Items[0]["notations"];
  char hex[16], oct[16];
  std::snprintf(hex, sizeof hex, "%08X", 255u);
  std::snprintf(oct, sizeof oct, "%011o", 255u);
  EXPECT_EQ(n255["hexadecimal"].S, hex);
  EXPECT_EQ(n255["octal"].S, oct);
  EXPECT_EQ(n255["binary"].S, std::string(24, '0') + std::string(8, '1'));
  EXPECT_EQ(n255["deg_min_sec"].S.back(), '"');  // escaped inside the string
  EXPECT_EQ(doc.Items[1]["notations"]["hexadecimal"].K, JValue::Null);  // 1.5 has no integer forms
  // csv: one line per notation, the same notations as json.
  out = RunTool(tool, "num", "255 --format csv", rc);
  ASSERT_EQ(rc, 0) << out;
  const auto lines = CsvRecords(out);
  ASSERT_EQ(lines.size(), 1 + n255.Members.size()) << out;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 4u) << i;
    EXPECT_EQ(lines[i][3], n255[lines[i][2]].S) << lines[i][2];
  }
}

TEST(ToolFormats, NotesWriteErrorsAndForeignFileNames) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  const std::string dir = zel::test::TempDir("tool_formats_notes");
  // pca leaves text columns out unless asked for them, and says so.
  zel::test::WriteBytes(dir + "/t.csv", "a,kind,b\n1,x,2\n2,y,1\n4,x,5\n");
  int rc = -1;
  std::string out = RunTool(tool, "pca", "'" + dir + "/t.csv'", rc);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_NE(out.find("t.csv: column 2 (kind) holds nominal values, left out"), std::string::npos) << out;
  EXPECT_NE(out.find("2 variables"), std::string::npos) << out;
  // A full device is an error, not a silent success.
  if (std::filesystem::exists("/dev/full")) {
    RunTool(tool, "describe", "'" + dir + "/t.csv' >/dev/full", rc);
    EXPECT_EQ(rc, 1);
  }
  // JSON is UTF-8 even when a file name is not: its bytes are read as CP1252.
  zel::test::WriteBytes(dir + "/caf\xE9.csv", "x\n1\n2\n");
  out = RunTool(tool, "describe", "'" + dir + "/caf\xE9.csv' --format json", rc);
  ASSERT_EQ(rc, 0) << out;
  JValue doc;
  ASSERT_NO_THROW(doc = JReader(out).Document()) << out;
  EXPECT_EQ(doc["file"].S, dir + "/caf\xC3\xA9.csv");
}
