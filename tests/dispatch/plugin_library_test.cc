// Plug-ins loaded from shared libraries built next to this test, singly and by directory scan.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "dispatch_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using namespace Tarnek::AutoCli;
using dispatch_test::CaptureStderr;
using dispatch_test::Execute;
using dispatch_test::ListCommands;
using dispatch_test::RegisterFailure;
using dispatch_test::Row;
using dispatch_test::ScanSkipped;
using dispatch_test::ScratchDirectory;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

std::string Plugin(const std::string& name) {
  return std::string(TARNEK_TEST_PLUGIN_DIR) + "/" + name + ".so";
}

const char kCollision[] =
    "Duplicate registration in namespace  attempt to register two objects with name qorcli";

// What the loader itself says about opening `path`, or about its missing entry point.
std::string LoaderFailure(const std::string& path, bool entryPoint) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  if (handle == nullptr) return entryPoint ? "<not loadable>" : dlerror();
  dlerror();
  const bool found = !entryPoint || dlsym(handle, "AutoCli_RegisterNamespaces") != nullptr;
  const std::string text = found ? "<loadable>" : dlerror();
  dlclose(handle);
  return text;
}

// Whether the library file is mapped into this process.
bool IsMapped(const std::string& path) {
  char real[PATH_MAX];
  if (realpath(path.c_str(), real) == nullptr) return false;
  const std::string suffix(real);
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= suffix.size() &&
        line.compare(line.size() - suffix.size(), std::string::npos, suffix) == 0)
      return true;
  }
  return false;
}

TEST(SharedLibraryPlugin, RegistersACommandThatRunsWithValidatedInput) {
  Dispatcher dispatcher;
  dispatcher.AddPlugin(Plugin("good"));
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", Plugin("good")}));
  const auto run = Execute(dispatcher, {"greet", "repeat"}, {{"w", "ho"}, {"times", "3"}});
  ASSERT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  EXPECT_EQ(run.output->GetRootObject()->ToString(), "ho ho ho");
  const auto refused = Execute(dispatcher, {"greet", "repeat"}, {{"word", "ho"}, {"times", "9"}});
  EXPECT_EQ(refused.output->GetErrors(),
            Names{"Invalid data constraint for parameter 'times'. Expected integer in the range "
                  "1-5"});
  EXPECT_EQ(ListCommands(dispatcher).front(),
            (Row{"greet", "repeat", "Say a word several times."}));
}

TEST(SharedLibraryPlugin, RefusedLibrariesLeaveOnlyTheInternalPlugin) {
  ScratchDirectory scratch;
  const std::string text = scratch.path + "/x.so";
  std::ofstream(text) << "not a shared library\n";
  const std::string noentry = Plugin("noentry");
  const std::string entryText = LoaderFailure(noentry, true);
  EXPECT_NE(entryText.find("AutoCli_RegisterNamespaces"), std::string::npos) << entryText;
  const std::pair<std::string, std::string> cases[] = {
      {text, "Unable to load plugin from " + text + " : " + LoaderFailure(text, false)},
      {noentry, "Unable to get plugin registration point from " + noentry + " : " + entryText},
      {Plugin("collide"), RegisterFailure(Plugin("collide"), kCollision)},
  };
  for (const auto& [path, message] : cases) {
    Dispatcher dispatcher;
    EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }), message);
    EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
    EXPECT_EQ(ListCommands(dispatcher).size(), 1u);
  }
  EXPECT_FALSE(IsMapped(noentry));
}

TEST(SharedLibraryPlugin, TwoLibrariesShareANamespace) {
  Dispatcher dispatcher;
  dispatcher.AddPlugin(Plugin("shared_b"));
  dispatcher.AddPlugin(Plugin("shared_a"));
  EXPECT_EQ(dispatcher.GetRootNamespace()->GetNamespaceNodeNames(), (Names{"qorcli", "shared"}));
  EXPECT_EQ(Execute(dispatcher, {"shared", "cmdA"}).output->GetRootObject()->ToString(),
            "from shared_a");
  EXPECT_EQ(Execute(dispatcher, {"shared", "cmdB"}).output->GetRootObject()->ToString(),
            "from shared_b");
}

// The failing library's command stays in the tree and runs the library's code, so the
// library must stay loaded as long as the tree does, and be closed with it.
TEST(SharedLibraryPlugin, FailedRegistrationLeavesWorkingCommandsAndClosesWithTheTree) {
  const std::string path = Plugin("failing");
  {
    Dispatcher dispatcher;
    EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }),
              RegisterFailure(path, "gave up half way"));
    EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
    EXPECT_EQ(ListCommands(dispatcher).front(),
              (Row{"broken", "half", "Registered before the failure."}));
    EXPECT_EQ(Execute(dispatcher, {"broken", "half"}).output->GetRootObject()->ToString(),
              "still here");
    EXPECT_TRUE(IsMapped(path));
  }
  EXPECT_FALSE(IsMapped(path));
}

TEST(PluginDirectory, LoadsInSortedOrderAndReportsEachBadFileOnce) {
  ScratchDirectory scratch;
  const std::string dir = scratch.path;
  fs::create_symlink(Plugin("good"), dir + "/a_good.so");
  fs::copy_file(Plugin("collide"), dir + "/b_collide.so");
  fs::create_symlink(Plugin("shared_b"), dir + "/e_shared.so");
  fs::create_symlink(Plugin("shared_a"), dir + "/f_shared.so");
  std::ofstream(dir + "/.hidden.so") << "text\n";  // only "." and ".." are skipped
  std::ofstream(dir + "/notes.txt");
  std::ofstream(dir + "/libx.so.1");
  fs::create_directory(dir + "/lib64");
  Dispatcher dispatcher;
  {
    CaptureStderr captured;
    dispatcher.AddExternalDirectoryInt(dir, true);
    EXPECT_EQ(
        captured.captured.str(),
        ScanSkipped(dir + "/.hidden.so", "Unable to load plugin from " + dir + "/.hidden.so : " +
                                             LoaderFailure(dir + "/.hidden.so", false)) +
            ScanSkipped(dir + "/b_collide.so", RegisterFailure(dir + "/b_collide.so", kCollision)));
  }
  EXPECT_EQ(dispatcher.GetPluginNames(),
            (Names{"Internal", dir + "/a_good.so", dir + "/e_shared.so", dir + "/f_shared.so"}));
  EXPECT_TRUE(Execute(dispatcher, {"shared", "cmdA"}).ok);
}

// A missing main directory, and a missing lib64 below it, are covered by the fault tests.
TEST(PluginDirectory, ReadsLib64First) {
  ScratchDirectory scratch;
  const std::string dir = scratch.path;
  fs::create_directory(dir + "/lib64");
  fs::create_symlink(Plugin("shared_a"), dir + "/lib64/z.so");
  fs::create_symlink(Plugin("shared_b"), dir + "/a.so");
  Dispatcher dispatcher;
  CaptureStderr captured;
  dispatcher.AddExternalDirectory(dir);
  EXPECT_EQ(captured.captured.str(), "");
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", dir + "/lib64/z.so", dir + "/a.so"}));
}

}  // namespace
