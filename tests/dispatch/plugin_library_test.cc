// Plug-ins loaded from shared libraries built next to this test, singly and by directory scan.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>
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
using dispatch_test::Row;
using dispatch_test::ScratchDirectory;
using Names = std::vector<std::string>;

std::string Plugin(const std::string& name) {
  return std::string(TARNEK_TEST_PLUGIN_DIR) + "/" + name + ".so";
}

std::string Wrapped(const std::string& path, const std::string& reason) {
  return "Error while trying to register the plugin " + path + " " + reason +
         " The functionality in " + path + " will not be available until this issue is resolved.";
}

// What the loader itself says about opening `path`, and about the missing entry point.
std::string OpenFailure(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  if (handle != nullptr) {
    dlclose(handle);
    return "<loadable>";
  }
  return dlerror();
}

std::string EntryPointFailure(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  if (handle == nullptr) return "<not loadable>";
  dlerror();
  const bool found = dlsym(handle, "AutoCli_RegisterNamespaces") != nullptr;
  const std::string text = found ? "<found>" : dlerror();
  dlclose(handle);
  return text;
}

// Whether the library file is mapped into this process.
bool IsMapped(const std::string& path) {
  char real[PATH_MAX];
  if (realpath(path.c_str(), real) == nullptr) return false;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= std::strlen(real) &&
        line.compare(line.size() - std::strlen(real), std::string::npos, real) == 0)
      return true;
  }
  return false;
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(SharedLibraryPlugin, RegistersACommandThatRunsWithValidatedInput) {
  Dispatcher dispatcher;
  dispatcher.AddPlugin(Plugin("good"));
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", Plugin("good")}));
  EXPECT_EQ(dispatcher.GetFormatters().size(), 6u);

  const auto run = Execute(dispatcher, {"greet", "repeat"}, {{"w", "ho"}, {"times", "3"}});
  ASSERT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  EXPECT_EQ(run.output->GetRootObject()->ToString(), "ho ho ho");

  const auto refused = Execute(dispatcher, {"greet", "repeat"}, {{"word", "ho"}, {"times", "9"}});
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.output->GetErrors(),
            Names{"Invalid data constraint for parameter 'times'. Expected integer in the range "
                  "1-5"});
  EXPECT_EQ(refused.output->GetRootObject(), nullptr);

  const auto rows = ListCommands(dispatcher);
  EXPECT_EQ(rows.front(), (Row{"greet", "repeat", "Say a word several times."}));
}

TEST(SharedLibraryPlugin, NeverInitializedRegistersNothing) {
  Dispatcher dispatcher;
  SharedLibraryPlugin::New(Plugin("good"))->RegisterNamespaces(dispatcher.GetRootNamespace());
  EXPECT_EQ(dispatcher.GetRootNamespace()->GetNamespaceNodeNames(), Names{"qorcli"});
}

TEST(SharedLibraryPlugin, FileThatIsNotALibraryFailsWithTheLoaderMessage) {
  ScratchDirectory scratch;
  const std::string path = scratch.Path() + "/x.so";
  WriteFile(path, "not a shared library\n");
  Dispatcher dispatcher;
  const std::string message = ThrownMessage([&] { dispatcher.AddPlugin(path); });
  const std::string prefix = "Unable to load plugin from " + path + " : ";
  ASSERT_EQ(message.substr(0, prefix.size()), prefix);
  EXPECT_EQ(message.substr(prefix.size()), OpenFailure(path));
  EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
}

TEST(SharedLibraryPlugin, LibraryWithoutEntryPointFailsAndIsClosedAgain) {
  const std::string path = Plugin("noentry");
  const std::string loaderText = EntryPointFailure(path);
  EXPECT_NE(loaderText.find("AutoCli_RegisterNamespaces"), std::string::npos) << loaderText;
  Dispatcher dispatcher;
  EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }),
            "Unable to get plugin registration point from " + path + " : " + loaderText);
  EXPECT_FALSE(IsMapped(path));
  EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
}

TEST(SharedLibraryPlugin, TakingTheBuiltInNamespaceNameIsWrapped) {
  const std::string path = Plugin("collide");
  Dispatcher dispatcher;
  EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }),
            Wrapped(path,
                    "Duplicate registration in namespace  attempt to register two objects with "
                    "name qorcli"));
  EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
  EXPECT_EQ(ListCommands(dispatcher).size(), 1u);
}

TEST(SharedLibraryPlugin, TwoLibrariesShareANamespace) {
  Dispatcher dispatcher;
  dispatcher.AddPlugin(Plugin("shared_b"));
  dispatcher.AddPlugin(Plugin("shared_a"));
  EXPECT_EQ(dispatcher.GetRootNamespace()->GetNamespaceNodeNames(), (Names{"qorcli", "shared"}));
  for (const char* name : {"cmdA", "cmdB"}) {
    const auto run = Execute(dispatcher, {"shared", name});
    ASSERT_TRUE(run.ok) << name << ::testing::PrintToString(run.output->GetErrors());
    EXPECT_EQ(run.output->GetRootObject()->ToString(),
              std::string("from shared_") + static_cast<char>(name[3] - 'A' + 'a'));
  }
}

// The failing library's command stays in the tree and runs the library's code, so the
// library must stay loaded as long as the tree does, and be closed with it.
TEST(SharedLibraryPlugin, FailedRegistrationLeavesWorkingCommandsAndClosesWithTheTree) {
  const std::string path = Plugin("failing");
  {
    Dispatcher dispatcher;
    EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }),
              Wrapped(path, "gave up half way"));
    EXPECT_EQ(dispatcher.GetPluginNames(), Names{"Internal"});
    EXPECT_EQ(ListCommands(dispatcher).front(),
              (Row{"broken", "half", "Registered before the failure."}));
    const auto run = Execute(dispatcher, {"broken", "half"});
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.output->GetRootObject()->ToString(), "still here");
    EXPECT_TRUE(IsMapped(path));
  }
  EXPECT_FALSE(IsMapped(path));
}

TEST(PluginDirectory, LoadsInSortedOrderAndReportsEachBadFileOnce) {
  ScratchDirectory scratch;
  const std::string dir = scratch.Path();
  namespace fs = std::filesystem;
  fs::create_symlink(Plugin("good"), dir + "/a_good.so");
  fs::copy_file(Plugin("collide"), dir + "/b_collide.so");
  fs::create_symlink(Plugin("noentry"), dir + "/c_noentry.so");
  WriteFile(dir + "/d_x.so", "text\n");
  fs::create_symlink(Plugin("shared_b"), dir + "/e_shared.so");
  fs::create_symlink(Plugin("shared_a"), dir + "/f_shared.so");
  WriteFile(dir + "/.hidden.so", "");  // only "." and ".." are skipped
  WriteFile(dir + "/notes.txt", "");
  WriteFile(dir + "/libx.so.1", "");
  fs::create_directory(dir + "/lib64");
  const std::string expected =
      "Error loading plugin " + dir +
      "/.hidden.so skipping.  Error was: Unable to load plugin "
      "from " +
      dir + "/.hidden.so : " + OpenFailure(dir + "/.hidden.so") + "\n" + "Error loading plugin " +
      dir + "/b_collide.so skipping.  Error was: " +
      Wrapped(dir + "/b_collide.so",
              "Duplicate registration in namespace  attempt to register two objects with name "
              "qorcli") +
      "\n" + "Error loading plugin " + dir +
      "/c_noentry.so skipping.  Error was: Unable to get plugin "
      "registration point from " +
      dir + "/c_noentry.so : " + EntryPointFailure(dir + "/c_noentry.so") + "\n" +
      "Error loading plugin " + dir + "/d_x.so skipping.  Error was: Unable to load plugin from " +
      dir + "/d_x.so : " + OpenFailure(dir + "/d_x.so") + "\n";

  Dispatcher dispatcher;
  {
    CaptureStderr captured;
    dispatcher.AddExternalDirectoryInt(dir, true);
    EXPECT_EQ(captured.Text(), expected);
  }
  EXPECT_EQ(dispatcher.GetPluginNames(),
            (Names{"Internal", dir + "/a_good.so", dir + "/e_shared.so", dir + "/f_shared.so"}));
  EXPECT_TRUE(Execute(dispatcher, {"greet", "repeat"}, {{"word", "a"}, {"times", "1"}}).ok);
  EXPECT_TRUE(Execute(dispatcher, {"shared", "cmdA"}).ok);
  EXPECT_TRUE(Execute(dispatcher, {"shared", "cmdB"}).ok);
}

TEST(PluginDirectory, ReadsLib64FirstAndReportsOnlyAMissingMainDirectory) {
  ScratchDirectory scratch;
  const std::string dir = scratch.Path();
  Dispatcher dispatcher;
  {
    CaptureStderr captured;
    dispatcher.AddExternalDirectory(dir + "/missing");
    EXPECT_EQ(captured.Text(),
              "Unable to open directory " + dir + "/missing for plugin registration\n");
  }
  {
    CaptureStderr captured;
    dispatcher.AddExternalDirectoryInt(dir + "/missing", false);
    EXPECT_EQ(captured.Text(), "");
  }

  std::filesystem::create_directory(dir + "/lib64");
  std::filesystem::create_symlink(Plugin("shared_a"), dir + "/lib64/z.so");
  std::filesystem::create_symlink(Plugin("shared_b"), dir + "/a.so");
  CaptureStderr captured;
  dispatcher.AddExternalDirectory(dir);
  EXPECT_EQ(captured.Text(), "");
  EXPECT_EQ(dispatcher.GetPluginNames(), (Names{"Internal", dir + "/lib64/z.so", dir + "/a.so"}));
}

}  // namespace
