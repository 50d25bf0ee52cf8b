// Helpers shared by the dispatcher tests: running a command line, reading listing rows, the
// messages of refused plug-ins, capturing standard error, scratch directories.
#ifndef TARNEK_TESTS_DISPATCH_DISPATCH_TEST_HELPERS_H_
#define TARNEK_TESTS_DISPATCH_DISPATCH_TEST_HELPERS_H_

#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <list>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/tarnek.h"

namespace dispatch_test {

using Params = std::vector<std::pair<std::string, std::string>>;
using Row = std::tuple<std::string, std::string, std::string>;  // namespace, command, description

struct Run {
  bool ok;
  std::shared_ptr<Tarnek::AutoCli::CommandOutput> output;
};

inline Run Execute(Tarnek::AutoCli::Dispatcher& dispatcher, const std::list<std::string>& path,
                   const Params& params = {}) {
  auto input = Tarnek::AutoCli::CommandInput::New();
  input->SetDispatcher("qorcli");
  input->SetCommandPath(path);
  for (const auto& [name, value] : params) input->AddParameter(name, value);
  auto output = Tarnek::AutoCli::CommandOutput::New();
  return {dispatcher.ExecuteCommand(input, output), output};
}

// The rows of a listing result; an empty vector when the root is not a list.
inline std::vector<Row> Rows(const Tarnek::CallSpec::Output& output) {
  std::vector<Row> rows;
  const auto list = std::dynamic_pointer_cast<Tarnek::MetaObj::MetaList>(output.GetRootObject());
  if (!list) return rows;
  for (const auto& item : list->GetObjects()) {
    const auto row = std::dynamic_pointer_cast<Tarnek::MetaObj::MetaStruct>(item);
    rows.emplace_back(row->GetField("Namespace")->ToString(), row->GetField("Command")->ToString(),
                      row->GetField("Description")->ToString());
  }
  return rows;
}

inline std::vector<Row> ListCommands(Tarnek::AutoCli::Dispatcher& dispatcher,
                                     const Params& filters = {}) {
  const Run run = Execute(dispatcher, {"qorcli", "command", "list"}, filters);
  EXPECT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  return Rows(*run.output);
}

// What AddPlugin throws when registering the plug-in at `path` fails for `reason`.
inline std::string RegisterFailure(const std::string& path, const std::string& reason) {
  return "Error while trying to register the plugin " + path + " " + reason +
         " The functionality in " + path + " will not be available until this issue is resolved.";
}

// The line a directory scan writes for the plug-in file at `path` that it skips.
inline std::string ScanSkipped(const std::string& path, const std::string& message) {
  return "Error loading plugin " + path + " skipping.  Error was: " + message + "\n";
}

// Redirects std::cerr into a string for its lifetime.
struct CaptureStderr {
  CaptureStderr() : saved(std::cerr.rdbuf(captured.rdbuf())) {}
  ~CaptureStderr() { std::cerr.rdbuf(saved); }
  std::ostringstream captured;
  std::streambuf* saved;
};

// A fresh directory, removed with everything in it at the end of the test.
struct ScratchDirectory {
  ScratchDirectory() {
    path = (std::filesystem::temp_directory_path() / "dispatch-XXXXXX").string();
    if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

}  // namespace dispatch_test

#endif  // TARNEK_TESTS_DISPATCH_DISPATCH_TEST_HELPERS_H_
