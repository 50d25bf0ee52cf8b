// A fixture for tests that run hostile values through a real shell.
#ifndef TARNEK_TESTS_COMMON_CANARY_DIRECTORY_H_
#define TARNEK_TESTS_COMMON_CANARY_DIRECTORY_H_

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

namespace TarnekTest {

// Every test runs in a fresh empty directory, which also keeps unescaped glob characters from
// matching anything; a CANARY file there means a value ran as a command.
class CanaryDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnek-canary-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    ASSERT_EQ(chdir(directory_.c_str()), 0);
  }
  void TearDown() override {
    unlink("CANARY");
    EXPECT_EQ(chdir("/"), 0);
    EXPECT_EQ(rmdir(directory_.c_str()), 0) << "a value or its child left files behind";
  }
  static bool CanaryExists() { return access("CANARY", F_OK) == 0; }
  std::string directory_;
};

}  // namespace TarnekTest

#endif  // TARNEK_TESTS_COMMON_CANARY_DIRECTORY_H_
