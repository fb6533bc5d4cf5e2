// Data table: CSV files.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

#include "test_datatable_io_util.h"
#include "zel_datatable.h"
#include "zel_test_env.h"

namespace zel::test {
namespace {

std::string FromHex(const std::string& H) {
  std::string S;
  for (std::size_t i = 0; i + 1 < H.size(); i += 2)
    S.push_back(static_cast<char>(std::stoi(H.substr(i, 2), nullptr, 16)));
  return S;
}

double FromBits(const std::string& H) {
  const std::uint64_t B = std::stoull(H, nullptr, 16);
  double X;
  std::memcpy(&X, &B, sizeof X);
  return X;
}

// The file of Python's csv writer against what its csv reader makes of it.
TEST(DataTableCsv, ReadsWhatPythonsCsvModuleWrites) {
  TDataTable T;
  ASSERT_EQ(T.ImportFromCSV(DataPath("datatable_ref.csv"), csvComma, true, true), 0) << T.LastIOError();
  std::ifstream F(DataPath("datatable_ref_csv.tsv"));
  int Checked = 0;
  for (std::string Line; std::getline(F, Line);) {
    std::istringstream In(Line);
    std::string Kind;
    In >> Kind;
    if (Kind == "shape") {
      int C, R;
      In >> C >> R;
      ASSERT_EQ(T.NrOfColumns(), C);
      ASSERT_EQ(T.NrOfRows(), R);
    } else if (Kind == "colname" || Kind == "rowname") {
      int Ix;
      std::string H;
      In >> Ix >> H;
      EXPECT_EQ(Kind == "colname" ? T.GetColName(Ix) : T.GetRowName(Ix), FromHex(H)) << Line;
    } else if (Kind == "cell") {
      int C, R, St;
      std::string H;
      In >> C >> R >> St >> H;
      EXPECT_EQ(T.GetCellState(C, R), St) << Line;
      EXPECT_EQ(Bits(Stored(T, C, R)), Bits(FromBits(H))) << Line;
      EXPECT_EQ(T.GetMScaleType(C), stInterval) << Line;
    } else if (Kind == "ident") {
      int C, R, Slot;
      std::string H;
      In >> C >> R >> Slot >> H;
      EXPECT_EQ(T.GetMScaleType(C), stNominal);
      EXPECT_EQ(T.GetElem(C, R), Slot) << Line;
      EXPECT_EQ(T.GetElemNominal(C, R), FromHex(H)) << Line;
    }
    ++Checked;
  }
  EXPECT_GT(Checked, 30);
}

TEST(DataTableCsv, LineEndsAndTrailingLinesDoNotMatter) {
  const std::string Dir = TempDir("dt_csv_ends");
  const std::string Body = "a,b\n1,\"x\ny\"\n2,z\n";
  auto With = [&](const std::string& Brk, const std::string& Tail) {
    std::string S;
    for (const char Ch : Body) S += Ch == '\n' ? Brk : std::string(1, Ch);
    return S + Tail;
  };
  TDataTable Ref;
  WriteBytes(Dir + "/lf.csv", Body);
  ASSERT_EQ(Ref.ImportFromCSV(Dir + "/lf.csv", csvComma, true, false), 0);
  ASSERT_EQ(Ref.NrOfRows(), 2);
  EXPECT_EQ(Ref.GetElemNominal(2, 1), "x\ny");
  for (const auto& [Brk, Tail] : {std::pair<std::string, std::string>{"\r\n", ""}, {"\r", ""}, {"\r\n", "\r\n\r\n"},
                                  {"\n", "\n\n"}}) {
    TDataTable T;
    WriteBytes(Dir + "/v.csv", "\xEF\xBB\xBF" + With(Brk, Tail));
    ASSERT_EQ(T.ImportFromCSV(Dir + "/v.csv", csvComma, true, false), 0) << T.LastIOError();
    EXPECT_EQ(T.GetColName(1), "a");  // the mark is no part of the first name
    EXPECT_EQ(T.NrOfRows(), 2);
    EXPECT_EQ(T.GetElemNominal(2, 1), "x" + Brk + "y");  // a quoted line break is kept as written
    EXPECT_EQ(T.GetElem(1, 2), 2);
  }
}

TEST(DataTableCsv, SemicolonWithDecimalCommaRoundTrips) {
  const std::string Dir = TempDir("dt_csv_semicolon");
  WriteBytes(Dir + "/in.csv", "x;y\r\n1,5;\"2;5\"\r\n-0,25;1.75\r\n3;NaN\r\n");
  TDataTable T;
  ASSERT_EQ(T.ImportFromCSV(Dir + "/in.csv", csvSemicolon, true, false), 0) << T.LastIOError();
  EXPECT_EQ(T.GetElem(1, 1), 1.5);
  EXPECT_EQ(T.GetElem(1, 2), -0.25);
  EXPECT_EQ(T.GetMScaleType(2), stNominal);  // "2;5" is a text, not a number
  EXPECT_EQ(T.GetCellState(2, 3), csNoNumber);
  ASSERT_EQ(T.ExportAsCSV(Dir + "/out.csv", 0, csvSemicolon, true, false), "");
  EXPECT_EQ(ReadBytes(Dir + "/out.csv"), "x;y\r\n1,5;\"2;5\"\r\n-0,25;1.75\r\n3;NAN\r\n");
}

TEST(DataTableCsv, ExportImportRoundTrip) {
  const std::string Dir = TempDir("dt_csv_roundtrip");
  TDataTable A;
  A.Resize(3, 4);
  A.SetColName(1, "with \"quote\", comma");
  A.SetColName(2, " blank");
  A.SetColName(3, "two\r\nlines");
  for (int r = 1; r <= 4; ++r) A.SetRowName(r, r == 2 ? "" : "row " + std::to_string(r));
  const double V[4] = {-0.0, 5e-324, 0.1, 1.7976931348623157e308};
  for (int r = 1; r <= 4; ++r) A.SetElem(1, r, V[r - 1]);
  for (const char* ID : {"a,b", "q\"q", "plain"}) A.AddNominalID(2, ID);
  for (int r = 1; r <= 4; ++r) A.SetElem(2, r, r % 3 + 1);
  A.SetElem(3, 1, 12.5);
  A.SetCellState(3, 2, csEmpty);
  A.SetCellState(3, 3, csNoNumber);
  A.SetElem(3, 4, -3);
  for (const TCSVDelimiters D : {csvComma, csvSemicolon, csvTab, csvBlank}) {
    ASSERT_EQ(A.ExportAsCSV(Dir + "/t.csv", 0, D, true, true), "");
    TDataTable B;
    ASSERT_EQ(B.ImportFromCSV(Dir + "/t.csv", D, true, true), 0) << B.LastIOError();
    ASSERT_EQ(B.NrOfColumns(), 3);
    ASSERT_EQ(B.NrOfRows(), 4);
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(B.GetColName(c), A.GetColName(c));
    for (int r = 1; r <= 4; ++r) {
      EXPECT_EQ(B.GetRowName(r), A.GetRowName(r));
      EXPECT_EQ(Bits(B.GetElem(1, r)), Bits(V[r - 1]));
      EXPECT_EQ(B.GetElemNominal(2, r), A.GetElemNominal(2, r));
      EXPECT_EQ(B.GetCellState(3, r), A.GetCellState(3, r));
    }
    EXPECT_EQ(B.GetElem(3, 1), 12.5);
    EXPECT_EQ(B.GetElem(3, 4), -3);
  }
  // One column whose last cell is empty: no bare empty line at the end.
  TDataTable One, Back;
  One.Resize(1, 2);
  One.SetCellState(1, 2, csEmpty);
  ASSERT_EQ(One.ExportAsCSV(Dir + "/one.csv", 0, csvComma, false, false), "");
  ASSERT_EQ(Back.ImportFromCSV(Dir + "/one.csv", csvComma, false, false), 0);
  EXPECT_EQ(Back.NrOfRows(), 2);
  EXPECT_EQ(Back.GetCellState(1, 2), csEmpty);

  // Attributes and the comment are extra fields and records for people.
  A.SetComment("title, with comma");
  A.SetRowAttrib(1, 300);
  ASSERT_EQ(A.ExportAsCSV(Dir + "/x.csv", 3, csvComma, true, true, true, true), "");
  std::string Text = ReadBytes(Dir + "/x.csv");
  EXPECT_EQ(Text.substr(0, Text.find("\r\n")), "\"title, with comma\",,,,");
  EXPECT_NE(Text.find("\r\nrow 1,300,-0,"), std::string::npos) << Text;
}

TEST(DataTableCsv, NominalColumnsAndTheirLimit) {
  const std::string Dir = TempDir("dt_csv_nominal");
  std::string S = "kind,many\n";
  for (int i = 0; i < 160; ++i) S += std::string(i % 2 ? "Red" : "red ") + ",v" + std::to_string(i) + "\n";
  S += "7,8\n";
  WriteBytes(Dir + "/n.csv", S);
  TDataTable T;
  ASSERT_EQ(T.ImportFromCSV(Dir + "/n.csv", csvComma, true, false), 0);
  EXPECT_EQ(T.GetMScaleType(1), stNominal);
  EXPECT_EQ(T.CountNominalIDs(1), 2);  // "red", and "7": case and blanks do not count
  EXPECT_EQ(T.GetElemNominal(1, 2), "red");
  EXPECT_EQ(T.GetElemNominal(1, 161), "7");
  // 161 distinct texts do not fit the identifier slots: numbers stay numbers.
  EXPECT_EQ(T.GetMScaleType(2), stInterval);
  EXPECT_EQ(T.GetCellState(2, 1), csNoNumber);
  EXPECT_EQ(T.GetElem(2, 161), 8);
  EXPECT_TRUE(T.IsNumber(2, 161));
}

TEST(DataTableCsv, BadFilesFailWithTheirLineAndLeaveTheTable) {
  const std::string Dir = TempDir("dt_csv_bad");
  const struct {
    const char* Name;
    std::string Text;
    int Code;
    int Line;
  } Cases[] = {
      {"ragged", "a,b\n1,2\n3,4,5\n", TDataTable::csvErrRagged, 3},
      {"ragged after quoted break", "a,b\n\"1\n2\",3\n4\n", TDataTable::csvErrRagged, 4},
      {"short row", "a,b\r\n1,2\r\n3\r\n5,6\r\n", TDataTable::csvErrRagged, 3},
      {"blank line inside", "a,b\n1,2\n\n3,4\n", TDataTable::csvErrRagged, 3},
      {"open quote", "a,b\n1,2\n\"3,4\n5,6\n", TDataTable::csvErrOpenQuote, 3},
      {"empty", "", TDataTable::csvErrEmpty, 0},
      {"only line breaks", "\r\n\r\n", TDataTable::csvErrEmpty, 0},
      {"only row names", "a\nb\n", TDataTable::csvErrEmpty, 1},
  };
  for (const auto& C : Cases) {
    WriteBytes(Dir + "/bad.csv", C.Text);
    TDataTable T;
    FillRichTable(T);
    const std::string Before = Snapshot(T);
    int Events = 0;
    T.OnChange = T.OnChangeSetup = T.OnChangeNames = [&](TObject*) { ++Events; };
    EXPECT_EQ(T.ImportFromCSV(Dir + "/bad.csv", csvComma, true, C.Line == 1), C.Code) << C.Name;
    EXPECT_EQ(T.LastIOErrorLine(), C.Line) << C.Name << ": " << T.LastIOError();
    EXPECT_FALSE(T.LastIOError().empty());
    EXPECT_EQ(Snapshot(T), Before) << C.Name;
    EXPECT_EQ(Events, 0) << C.Name;
  }
  TDataTable T;
  EXPECT_EQ(T.ImportFromCSV(Dir + "/missing.csv", csvComma, true, false), TDataTable::csvErrNoFile);
  // A header alone is a table without rows.
  WriteBytes(Dir + "/head.csv", "a,b\n");
  ASSERT_EQ(T.ImportFromCSV(Dir + "/head.csv", csvComma, true, false), 0);
  EXPECT_EQ(T.NrOfColumns(), 2);
  EXPECT_EQ(T.NrOfRows(), 0);
  // A file that cannot be created is reported and nothing is left behind.
  EXPECT_NE(T.ExportAsCSV(Dir, 0, csvComma, true, false), "");
  EXPECT_NE(T.ExportAsCSV(Dir + "/no/such/dir.csv", 0, csvComma, true, false), "");
}

TEST(DataTableCsv, BlankDelimiterRunsAndQuotedEmptyFields) {
  const std::string Dir = TempDir("dt_csv_blank");
  WriteBytes(Dir + "/b.txt", "  x   y  z\n1 \"\"  3\n\"a b\"   2 \"\"\n");
  TDataTable T;
  ASSERT_EQ(T.ImportFromCSV(Dir + "/b.txt", csvBlank, true, false), 0) << T.LastIOError();
  ASSERT_EQ(T.NrOfColumns(), 3);
  EXPECT_EQ(T.GetColName(3), "z");
  EXPECT_EQ(T.GetCellState(2, 1), csEmpty);
  EXPECT_EQ(T.GetElemNominal(1, 2), "a b");
  EXPECT_EQ(T.GetElem(2, 2), 2);
  EXPECT_EQ(T.GetCellState(3, 2), csEmpty);
}

}  // namespace
}  // namespace zel::test

// A line of 400,000 empty fields is a table of that many columns; the
// columns' identifier slots must not cost 150 strings each (which would be
// about 2 GB here).
TEST(DataTableCsv, WideFileCostsLittleMemoryPerColumn) {
  const std::string dir = zel::test::TempDir("dt_csv_wide");
  zel::test::WriteBytes(dir + "/wide.csv", std::string(399999, ',') + "\n");
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  zel::TDataTable t;
  ASSERT_EQ(t.ImportFromCSV(dir + "/wide.csv", zel::csvComma, false, false), 0) << t.LastIOError();
  getrusage(RUSAGE_SELF, &after);
  EXPECT_EQ(t.NrOfColumns(), 400000);
  EXPECT_EQ(t.NrOfRows(), 1);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 400L * 1024) << "kB";
}
