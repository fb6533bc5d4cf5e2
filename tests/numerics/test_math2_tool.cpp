// zel pca end to end on the bundled wine data (CSV), the same data as an
// ASC file, the command's input errors and Ctrl-C.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <sstream>
#include <string>
#include <vector>

#include "math2_test_util.h"
#include "zel_random.h"
#include "zel_tool_runner.h"

using namespace zel;
using zel::test::CommaList;
using zel::test::Math2Refs;

namespace {

const std::string kWine = std::string(ZEL_TEST_DATA_DIR) + "/../../data/wine.csv";

// The eigenvalue column of the tool's table (lines "  k  value  %  %").
std::vector<double> Eigenvalues(const std::string& Out) {
  std::vector<double> v;
  std::istringstream in(Out);
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    int k;
    std::string val, pct, cum;
    if (f >> k >> val >> pct >> cum && k == static_cast<int>(v.size()) + 1) v.push_back(std::strtod(val.c_str(), nullptr));
  }
  return v;
}

}  // namespace

TEST(Math2Tool, PcaOfWineAgreesWithNumpy) {
  const std::string tool = zel::test::ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  const auto ref = Math2Refs("wine").at(0);
  const auto want = CommaList(ref[0]), scores = CommaList(ref[1]);
  const std::string dir = zel::test::TempDir("math2_tool");
  int rc = -1;
  const std::string out =
      zel::test::RunTool(tool, "pca", "'" + kWine + "' --columns 1-13 --correlation --scores '" + dir + "/s.csv'", rc);
  ASSERT_EQ(rc, 0) << out;
  const auto got = Eigenvalues(out);
  ASSERT_EQ(got.size(), want.size()) << out;
  for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-7 * want[0]) << k;
  EXPECT_NE(out.find("36.20"), std::string::npos) << out;  // PC1's share of the variance

  // Scores: header, 178 rows, the first row as numpy's.
  const std::string csv = zel::test::ReadBytes(dir + "/s.csv");
  std::istringstream lines(csv);
  std::string header, first;
  std::getline(lines, header);
  std::getline(lines, first);
  EXPECT_EQ(header.substr(0, 11), "PC1,PC2,PC3");
  const auto row = CommaList(first);
  ASSERT_EQ(row.size(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(row[k], scores[k], 1e-8) << k;
  int n = 1;
  for (std::string l; std::getline(lines, l);) n += !l.empty() && l != "\r";
  EXPECT_EQ(n, 178);
}

TEST(Math2Tool, AscInputGivesTheSameComponents) {
  const std::string tool = zel::test::ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  // The wine measurements written as an ASC matrix file.
  const std::string dir = zel::test::TempDir("math2_tool_asc");
  int rc = -1;
  const std::string csvOut = zel::test::RunTool(tool, "pca", "'" + kWine + "' --columns 1-13", rc);
  ASSERT_EQ(rc, 0) << csvOut;
  std::istringstream in(zel::test::ReadBytes(kWine));
  std::string line;
  std::getline(in, line);
  TMatrix m(nullptr);
  m.Resize(13, 178);
  for (int r = 1; std::getline(in, line) && r <= 178; ++r) {
    const auto v = CommaList(line);
    for (int c = 1; c <= 13; ++c) m.SetVal(c, r, v.at(static_cast<std::size_t>(c - 1)));
  }
  ASSERT_EQ(m.ExportAsASC(dir + "/wine.asc", 10, "wine"), 0);
  const std::string ascOut = zel::test::RunTool(tool, "pca", "'" + dir + "/wine.asc'", rc);
  ASSERT_EQ(rc, 0) << ascOut;
  const auto a = Eigenvalues(csvOut), b = Eigenvalues(ascOut);
  ASSERT_EQ(a.size(), 13u);
  ASSERT_EQ(b.size(), 13u);
  for (int k = 0; k < 13; ++k) EXPECT_NEAR(a[k], b[k], 1e-6 * a[0]) << k;
}

TEST(Math2Tool, InputErrors) {
  const std::string tool = zel::test::ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  int rc = -1;
  zel::test::RunTool(tool, "pca", "", rc);
  EXPECT_EQ(rc, 2);
  zel::test::RunTool(tool, "pca", "'" + kWine + "' --components 0", rc);
  EXPECT_EQ(rc, 2);
  zel::test::RunTool(tool, "pca", "'" + kWine + "' --columns 3-1", rc);
  EXPECT_EQ(rc, 2);
  std::string out = zel::test::RunTool(tool, "pca", "'" + kWine + "' --columns 1-20", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("only 14 columns"), std::string::npos) << out;
  const std::string dir = zel::test::TempDir("math2_tool_err");
  zel::test::WriteBytes(dir + "/gap.csv", "a,b\n1,2\n3,\n5,7\n");
  out = zel::test::RunTool(tool, "pca", "'" + dir + "/gap.csv'", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("no number in data row 2"), std::string::npos) << out;
  out = zel::test::RunTool(tool, "pca", "'" + dir + "/missing.csv'", rc);
  EXPECT_EQ(rc, 1);
}

namespace {

// Whether process Pid has a SIGINT handler installed (SigCgt of Linux's
// /proc/PID/status): from then on an interrupt reaches the tool's code.
bool CatchesSigInt(pid_t Pid) {
  std::ifstream f("/proc/" + std::to_string(Pid) + "/status");
  for (std::string line; std::getline(f, line);)
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1u;
  return false;
}

void WriteRandomCsv(const std::string& File, int Rows, int Cols) {
  std::ofstream f(File);
  for (int c = 1; c <= Cols; ++c) f << (c > 1 ? "," : "") << "v" << c;
  f << "\n";
  SetRandSeed(3);
  for (int r = 0; r < Rows; ++r) {
    for (int c = 0; c < Cols; ++c) f << (c ? "," : "") << Random();
    f << "\n";
  }
}

}  // namespace

TEST(Math2Tool, InterruptStopsWithAMessage) {
  const std::string tool = zel::test::ToolPath();
  if (tool.empty()) GTEST_SKIP() << "zel not built";
  const std::string dir = zel::test::TempDir("math2_tool_int");
  const std::string big = dir + "/big.csv", err = dir + "/err.txt";
  WriteRandomCsv(big, 1500, 350);
  // The tool itself is the child (no shell that could take the signal).
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&io, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const char* argv[] = {tool.c_str(), "pca", big.c_str(), nullptr};
  pid_t pid;
  const int spawned = posix_spawn(&pid, tool.c_str(), &io, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&io);
  ASSERT_EQ(spawned, 0);
  // The interrupt goes out once the tool catches SIGINT, which it does
  // before reading the file: whatever the machine's load, the signal is
  // then handled before the work can end, so no timing is involved.
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!CatchesSigInt(pid)) {
    ASSERT_NE(waitpid(pid, &status, WNOHANG), pid) << "the tool ended without catching SIGINT";
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "the tool did not catch SIGINT within 20 s";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGINT);
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(zel::test::ReadBytes(err), "zel pca: interrupted\n");
}
