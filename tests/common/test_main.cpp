// Test main shared by the test executables: every test starts from the same
// process-wide state (progress, abort flag, random seed), so tests do not
// depend on their order.
#include <gtest/gtest.h>

#include "zel_test_env.h"

namespace {

class ResetProcessState : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { zel::test::ResetProcessState(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ResetProcessState);
  return RUN_ALL_TESTS();
}
