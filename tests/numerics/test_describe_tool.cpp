// zel describe, run as a program.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "zel_test_env.h"
#include "zel_tool_runner.h"

namespace zel::test {
namespace {

std::string WinePath() { return std::string(ZEL_TEST_DATA_DIR) + "/../../data/wine.csv"; }

// The words of the output line that starts with Column.
std::vector<std::string> Row(const std::string& Out, const std::string& Column) {
  std::istringstream In(Out);
  for (std::string Line; std::getline(In, Line);) {
    if (Line.rfind(Column + " ", 0) != 0) continue;
    std::istringstream W(Line);
    std::vector<std::string> Words;
    for (std::string X; W >> X;) Words.push_back(X);
    return Words;
  }
  return {};
}

TEST(DescribeTool, WineStatisticsMatchNumpyAndScipy) {
  const std::string Tool = ToolPath();
  if (Tool.empty()) GTEST_SKIP() << "zel is not built";
  int Rc = -1;
  const std::string Out = RunTool(Tool, "describe", "'" + WinePath() + "'", Rc);
  ASSERT_EQ(Rc, 0) << Out;
  EXPECT_NE(Out.find(": 178 rows, 14 columns"), std::string::npos) << Out;
  // numpy: mean, std(ddof=1), quantile(method='weibull') at .25 .5 .75;
  // scipy.stats: skew and kurtosis with bias=False; all to 6 digits.
  const std::vector<std::string> Alcohol = {"alcohol", "Interval", "178",     "-", "13.0006", "0.811827", "11.03",
                                            "12.355",  "13.05",    "13.6825", "14.83",   "-0.0514823", "-0.8525"};
  EXPECT_EQ(Row(Out, "alcohol"), Alcohol) << Out;
  const std::vector<std::string> Proline = {"proline", "Interval", "178",    "-", "746.893", "314.907",  "278",
                                            "500",     "673.5",    "986.25", "1680",    "0.767822", "-0.248403"};
  EXPECT_EQ(Row(Out, "proline"), Proline) << Out;
}

TEST(DescribeTool, MissingCellsNominalColumnsAndOptions) {
  const std::string Tool = ToolPath();
  if (Tool.empty()) GTEST_SKIP() << "zel is not built";
  const std::string Dir = TempDir("describe_tool");
  WriteBytes(Dir + "/m.csv", "id;x;kind;few\r\na;1,5;red;1\r\nb;;blue;\r\nc;NAN;red;2\r\nd;4,5;green;\r\n");
  int Rc = -1;
  const std::string Out = RunTool(Tool, "describe", Dir + "/m.csv --delimiter ';' --row-names", Rc);
  ASSERT_EQ(Rc, 0) << Out;
  EXPECT_NE(Out.find("4 rows, 3 columns"), std::string::npos) << Out;
  // Only the two numbers count; sd and the shape need more.
  const std::vector<std::string> X = {"x", "Interval", "2", "-", "3", "-", "1.5", "-", "3", "-", "4.5", "-", "-"};
  EXPECT_EQ(Row(Out, "x"), X) << Out;
  const std::vector<std::string> Kind = {"kind", "Nominal", "4", "3", "-", "-", "-", "-", "-", "-", "-", "-", "-"};
  EXPECT_EQ(Row(Out, "kind"), Kind) << Out;

  const std::string Plain = RunTool(Tool, "describe", Dir + "/m.csv --delimiter ';' --no-header", Rc);
  ASSERT_EQ(Rc, 0) << Plain;
  EXPECT_NE(Plain.find("5 rows, 4 columns"), std::string::npos) << Plain;

  // A mean that only rounds to an integer keeps its zeros: 3.00000, not 3.
  WriteBytes(Dir + "/near.csv", "v\n1\n5.0000003\n3\n");
  const std::string Near = RunTool(Tool, "describe", Dir + "/near.csv", Rc);
  ASSERT_EQ(Rc, 0) << Near;
  const auto V = Row(Near, "v");
  ASSERT_GT(V.size(), 6u) << Near;
  EXPECT_EQ(V[4], "3.00000") << Near;
  EXPECT_EQ(V[6], "1") << Near;  // an integer stays as it is
}

TEST(DescribeTool, BadFilesAndArguments) {
  const std::string Tool = ToolPath();
  if (Tool.empty()) GTEST_SKIP() << "zel is not built";
  const std::string Dir = TempDir("describe_tool_bad");
  WriteBytes(Dir + "/ragged.csv", "a,b\n1,2\n3\n");
  WriteBytes(Dir + "/quote.csv", "a,b\n\"1,2\n");
  WriteBytes(Dir + "/bad.asc", "c\n2\t;c\n2\t;r\nFALSE FALSE FALSE\n1 2\n3 x\n");
  WriteBytes(Dir + "/bad.xml", "<datatable><size ncols=\"1\" nrows=\"1\"/>");
  int Rc = -1;
  std::string Out = RunTool(Tool, "describe", Dir + "/ragged.csv", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("ragged.csv: line 3"), std::string::npos) << Out;
  Out = RunTool(Tool, "describe", Dir + "/quote.csv", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("quote.csv: line 2: a quoted field is not closed"), std::string::npos) << Out;
  Out = RunTool(Tool, "describe", Dir + "/bad.asc", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("bad.asc: Value 2 of row 2 is not a number"), std::string::npos) << Out;
  WriteBytes(Dir + "/big.asc", "c\n2000\t;c\n2000\t;r\nFALSE FALSE FALSE\n1 2\n");
  Out = RunTool(Tool, "describe", Dir + "/big.asc", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("big.asc: the ASC header announces more values than the file holds"), std::string::npos) << Out;
  Out = RunTool(Tool, "describe", Dir + "/bad.xml", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("bad.xml: the datatable element ends without"), std::string::npos) << Out;
  Out = RunTool(Tool, "describe", Dir + "/none.csv", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("none.csv: no such file"), std::string::npos) << Out;
  Out = RunTool(Tool, "describe", Dir + "/ragged.csv --delimiter x", Rc);
  EXPECT_EQ(Rc, 2);
  Out = RunTool(Tool, "describe", "", Rc);
  EXPECT_EQ(Rc, 2);
}

}  // namespace
}  // namespace zel::test
