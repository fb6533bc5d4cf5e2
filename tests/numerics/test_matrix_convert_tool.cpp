// The "zel convert" command, run as the built tool: a table passed through
// every format comes back with the same bits, and bad calls and bad files
// end with a message that names the file.
#include <gtest/gtest.h>

#include <string>

#include "zel_math1_text.h"
#include "zel_matrix.h"
#include "zel_test_env.h"
#include "zel_tool_runner.h"

namespace {

std::string Convert(const std::string& Tool, const std::string& Args, int& ExitCode) {
  return zel::test::RunTool(Tool, "convert", Args, ExitCode);
}

}  // namespace

TEST(MatrixConvertTool, EveryFormatRoundTrips) {
  const std::string Tool = zel::test::ToolPath();
  if (Tool.empty()) GTEST_SKIP() << "the zel tool is not built beside the tests";
  const std::string D = zel::test::TempDir("matrix_convert_tool");
  zel::test::WriteBytes(D + "/in.csv", "a,b,c\n0.1,-2.5e-300,3\n4,5e-324,-0\n1e300,INF,7\n");
  int Rc = -1;
  const char* Chain[][2] = {{"in.csv", "a.xml"}, {"a.xml", "b.bin"}, {"b.bin", "c.asc"},
                            {"c.asc", "d.txt"},  {"d.txt", "e.dat"}, {"e.dat", "f.csv"}};
  for (const auto& Step : Chain) {
    const std::string Out = Convert(Tool, D + "/" + Step[0] + " " + D + "/" + Step[1], Rc);
    ASSERT_EQ(Rc, 0) << Out;
    EXPECT_NE(Out.find("3 columns x 3 rows"), std::string::npos) << Out;
  }
  zel::TMatrix In, Back;
  ASSERT_TRUE(In.LoadFromFile(D + "/in.csv", true, true));
  ASSERT_TRUE(Back.LoadFromFile(D + "/f.csv", true, true));
  ASSERT_EQ(Back.NrOfRows(), 3);
  for (int c = 1; c <= 3; ++c)  // bit for bit, -0 and the denormal included
    for (int r = 1; r <= 3; ++r)
      EXPECT_EQ(zel::FPNumToHex(In.GetVal(c, r)), zel::FPNumToHex(Back.GetVal(c, r))) << c << "," << r;
  EXPECT_EQ(zel::test::ReadBytes(D + "/f.csv").substr(0, 22), "0.1,-2.5E-300,3\r\n4,5E-");

  // Formats named explicitly; the XML element picked by its identifier.
  ASSERT_EQ((Convert(Tool, D + "/a.xml " + D + "/g --to xml --dataid second", Rc), Rc), 0);
  const std::string Out = Convert(Tool, D + "/g " + D + "/h.asc --from xml --element second", Rc);
  EXPECT_EQ(Rc, 0) << Out;
}

TEST(MatrixConvertTool, ErrorsNameTheFileAndTheProblem) {
  const std::string Tool = zel::test::ToolPath();
  if (Tool.empty()) GTEST_SKIP() << "the zel tool is not built beside the tests";
  const std::string D = zel::test::TempDir("matrix_convert_tool_errors");
  zel::test::WriteBytes(D + "/bad.asc", "c\n2\n2\nFALSE FALSE FALSE\n1 2 3 x\n");
  zel::test::WriteBytes(D + "/ragged.csv", "1,2\n3\n");
  struct Case {
    std::string Args;
    int Code;
    std::string Says;
  };
  const Case Cases[] = {
      {"", 2, "IN and OUT are needed"},
      {D + "/a.csv " + D + "/b.xyz", 2, "cannot tell the format of \"" + D + "/b.xyz\""},
      {D + "/a.csv " + D + "/b.xml --to json", 2, "unknown format \"json\""},
      {D + "/a.csv " + D + "/b.xml --bogus", 2, "unknown option"},
      {D + "/none.csv " + D + "/b.xml", 1, "cannot read \"" + D + "/none.csv\" as csv: no such file"},
      {D + "/bad.asc " + D + "/b.xml", 1, "a value is not a number"},
      {D + "/ragged.csv " + D + "/b.xml", 1, "ragged.csv\" as csv: line 2: 1 fields where the first record has 2"},
      {D + "/bad.asc " + D + "/b.xml --from xml", 1, "no complete matrix element"},
      {D + "/ragged.csv " + D + "/b.bin --from txt --to bin", 1, "cannot read"},
  };
  for (const Case& C : Cases) {
    int Rc = -1;
    const std::string Out = Convert(Tool, C.Args, Rc);
    EXPECT_EQ(Rc, C.Code) << C.Args << "\n" << Out;
    EXPECT_NE(Out.find(C.Says), std::string::npos) << C.Args << "\n" << Out;
  }
  zel::test::WriteBytes(D + "/ok.csv", "1,2\n");
  int Rc = -1;
  const std::string Out = Convert(Tool, D + "/ok.csv " + D + "/missing/dir/out.bin", Rc);
  EXPECT_EQ(Rc, 1);
  EXPECT_NE(Out.find("cannot write \"" + D + "/missing/dir/out.bin\""), std::string::npos) << Out;
  EXPECT_EQ((Convert(Tool, "--help", Rc), Rc), 0);
}
