// A fixture for tables of qorcli runs: each case runs the real program in a scratch directory
// and compares everything it wrote and its exit status.
#ifndef TARNEK_TESTS_E2E_QORCLI_FIXTURE_H_
#define TARNEK_TESTS_E2E_QORCLI_FIXTURE_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "run_qorcli.h"

namespace e2e_test {

struct Case {
  const char* what;
  std::vector<std::string> args;
  std::string out;
  std::string err;
  int status;
  std::string input = "";
};

class QorcliRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qorcli-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
  }
  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      const Outcome outcome = RunQorcli(c.args, scratch.string(), c.input);
      EXPECT_EQ(outcome.out, c.out) << c.what;
      EXPECT_EQ(outcome.err, c.err) << c.what;
      EXPECT_EQ(outcome.status, c.status) << c.what;
    }
  }
  // Writes `text` to `name` in the scratch directory and returns its path.
  std::string WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(scratch / name) << text;
    return (scratch / name).string();
  }

  std::filesystem::path scratch;
};

}  // namespace e2e_test

#endif  // TARNEK_TESTS_E2E_QORCLI_FIXTURE_H_
