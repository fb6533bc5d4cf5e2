// The "zel dist" command, run as the built tool (beside this test executable
// in the build tree: tests/test_zelnum and tools/zel/zel).
#include <gtest/gtest.h>

#include "zel_tool_runner.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "zel_statis.h"

namespace {

using zel::test::ToolPath;

// Output and exit code of "zel dist ARGS".
std::string RunDist(const std::string& Tool, const std::string& Args, int& ExitCode) {
  return zel::test::RunTool(Tool, "dist", Args, ExitCode);
}

}  // namespace

// The tool prints what the library computes (round trip of the shortest
// text), and every malformed call ends in the usage text with exit code 2.
TEST(StatisDistTool, PrintsTheLibraryValuesAndRejectsBadInput) {
  const std::string tool = ToolPath();
  if (tool.empty()) GTEST_SKIP() << "the zel tool is not built beside the tests";
  struct Case {
    const char* args;
    double want;
  };
  const Case cases[] = {
      {"normal p 1.96", zel::nDistriIntegral(1.96)},
      {"normal q 0.975", zel::nDistriQuantile(0.975)},
      {"t p 2.1 10", zel::tDistriIntegral(2.1, 10)},
      {"t d -0.5 3", zel::tDistriDensity(-0.5, 3)},
      {"chi2 q 0.95 3", zel::chi2DistriQuantile(0.95, 3)},
      {"F q 0.99 3 20", zel::FDistriQuantile(0.99, 3, 20)},
      {"binom d 3 10 0.5", zel::BinomDistriDensity(10, 0.5, 3)},
      {"binom q 0.9 10 0.5", 7},  // P(X <= 6) = 0.828, P(X <= 7) = 0.945
      {"u p 4 3 5", zel::UDistriIntegral(3, 5, 4)},
      {"hyper d 2 0.5 10 4", zel::HyperGeoDistriDensity(0.5, 10, 4, 2)},
      {"weibull d 1.5 2 3", zel::WeibullDensity(1.5, 2, 3)},
  };
  int rc = -1;
  for (const Case& c : cases) {
    const std::string out = RunDist(tool, c.args, rc);
    EXPECT_EQ(rc, 0) << c.args << "\n" << out;
    EXPECT_EQ(std::strtod(out.c_str(), nullptr), c.want) << c.args << "\n" << out;
  }
  for (const char* bad : {"", "gamma p 1", "normal x 1", "normal p", "normal p 1 2", "t p 1 0", "t p 1 2.5",
                          "chi2 q 1 3", "normal q 0", "binom d 1.5 10 0.5", "binom p 1 10 1.5", "u p 1 101 100",
                          "hyper d 1 0.5 10 11", "weibull p 1 2 3", "normal p abc", "normal p nan"}) {
    const std::string out = RunDist(tool, bad, rc);
    EXPECT_EQ(rc, 2) << bad;
    EXPECT_NE(out.find("usage: zel dist LAW WHAT VALUE"), std::string::npos) << bad << "\n" << out;
  }
  // The usage names every law the command offers.
  const std::string usage = RunDist(tool, "", rc);
  for (const char* law : {"normal", "t ", "F ", "chi2", "binom", "u ", "hyper", "weibull"})
    EXPECT_NE(usage.find(std::string("\n  ") + law), std::string::npos) << law;
}
