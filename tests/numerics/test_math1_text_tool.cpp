// The "zel num" command, run as the built tool (beside this test executable
// in the build tree: tests/test_zelnum and tools/zel/zel).
#include <gtest/gtest.h>

#include "zel_tool_runner.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using zel::test::ToolPath;

// Output and exit code of "zel num ARGS".
std::string RunNum(const std::string& Tool, const std::string& Args, int& ExitCode) {
  return zel::test::RunTool(Tool, "num", Args, ExitCode);
}

}  // namespace

TEST(Math1TextTool, NumShowsEveryNotation) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "the zel tool is not built beside the tests";
  int rc = -1;
  const std::string table = RunNum(tool, "255", rc);
  EXPECT_EQ(rc, 0);
  for (const char* s : {"hexadecimal    000000FF", "octal          00000000377", "Roman          CCLV",
                        "binary         00000000000000000000000011111111", "deg min        255\xC2\xB0  0.00'"})
    EXPECT_NE(table.find(s), std::string::npos) << s << "\n" << table;
  // Every input notation of 255 gives the same table (after the title line).
  for (const char* in : {"0xFF", "FFh", "0o377", "0b11111111", "CCLV", "255d", "0.255k"}) {
    const std::string out = RunNum(tool, in, rc);
    EXPECT_EQ(rc, 0) << in;
    EXPECT_EQ(out.substr(out.find('\n')), table.substr(table.find('\n'))) << in;
  }
  const std::string more = RunNum(tool,
                                  "\"12\xC2\xB0"
                                  "30'\" 4k7 470u",
                                  rc);
  for (const char* s : {"value          12.5\n", "value          4700\n", "value          0.00047\n"})
    EXPECT_NE(more.find(s), std::string::npos) << s << "\n" << more;
  for (const char* bad : {"", "xyz", "IIII", "0x1FFFFFFFF", "1,5", "12d61m"}) {
    EXPECT_NE(RunNum(tool, bad, rc).find("usage: zel num VALUE..."), std::string::npos) << bad;
    EXPECT_EQ(rc, 2) << bad;
  }
}
