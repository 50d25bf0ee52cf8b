// Plug-in directories that are unreadable, very large, or change under the scan: each problem is
// one line on standard error and the scan goes on with what can be loaded.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using namespace fault_test;
using Tarnek::AutoCli::Dispatcher;

std::string Skipped(const std::string& path, const std::string& message) {
  return "Error loading plugin " + path + " skipping.  Error was: " + message + "\n";
}

// Scans `directory` in a child process running as an unprivileged user (the test may run as
// root, for whom no permission bit counts); returns what the scan wrote on standard error
// followed by the loaded plug-ins, one per line.
std::string ScanAsUnprivilegedUser(const std::string& directory) {
  CaptureStandardError captured;  // the child writes into it too
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    {
      Dispatcher dispatcher;
      dispatcher.AddExternalDirectory(directory);
      for (const std::string& name : dispatcher.GetPluginNames()) {
        std::fprintf(stderr, "loaded %s\n", name.c_str());
      }
    }
    std::fflush(stderr);
    _exit(0);
  }
  int status = -1;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return captured.Text() + (WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "<scan failed>");
}

TEST(PluginDirectoryFault, UnreadableDirectoryAndFileAreReportedAndSkipped) {
  ScratchDirectory top;
  ASSERT_EQ(chmod(top.path.c_str(), 0755), 0);
  const std::string closed = top.path + "/closed";
  ASSERT_EQ(mkdir(closed.c_str(), 0755), 0);
  top.Write("closed/a.xml", Descriptor(Namespaces("a")));
  ASSERT_EQ(chmod(closed.c_str(), 0), 0);
  const std::string open = top.path + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
  const std::string secret = top.Write("open/a.xml", Descriptor(Namespaces("a")));
  ASSERT_EQ(chmod(secret.c_str(), 0), 0);
  const std::string good = top.Write("open/b.xml", Descriptor(Namespaces("b")));
  ASSERT_EQ(chmod(good.c_str(), 0644), 0);

  // A missing lib64 below is silent; the directory itself is reported once.
  EXPECT_EQ(ScanAsUnprivilegedUser(closed), "Unable to open directory " + closed +
                                                " for plugin registration\n"
                                                "loaded Internal\n");
  EXPECT_EQ(ScanAsUnprivilegedUser(open), secret + ": Permission denied\n" +
                                              Skipped(secret, Refusal(secret)) +
                                              "loaded Internal\nloaded " + good + "\n");
}

TEST(PluginDirectoryFault, TenThousandEntriesAreAllLoadedInOrder) {
  ScratchDirectory directory;
  constexpr int kEntries = 10000;
  char name[32];
  // Half descriptors, half other files, interleaved in name order.
  for (int i = 0; i < kEntries; ++i) {
    std::snprintf(name, sizeof name, "p%05d.%s", i, i % 2 ? "txt" : "xml");
    directory.Write(name, i % 2 ? "notes" : Descriptor(Namespaces("n" + std::to_string(i))));
  }
  Dispatcher dispatcher;
  CaptureStandardError captured;
  dispatcher.AddExternalDirectory(directory.path);
  EXPECT_EQ(captured.Text(), "");
  const std::vector<std::string> names = dispatcher.GetPluginNames();
  ASSERT_EQ(names.size(), 1u + kEntries / 2);
  for (int i = 0; i < kEntries; i += 2) {
    std::snprintf(name, sizeof name, "/p%05d.xml", i);
    ASSERT_EQ(names[1 + i / 2], directory.path + name);
  }
  EXPECT_EQ(dispatcher.GetRootNamespace()->GetNamespaceNodeNames().size(), 1u + kEntries / 2);
}

// What the listing saw may be gone or different by the time it is loaded: a name whose file
// has disappeared (a link to nothing stands for one removed after the listing), a file that
// became a directory or a named pipe (which, opened, would wait for a writer for ever). Each is
// one line and the rest still loads.
TEST(PluginDirectoryFault, EntriesThatVanishOrAreNoFilesAreSkipped) {
  ScratchDirectory directory;
  const std::string gone = directory.path + "/a.xml";
  ASSERT_EQ(symlink((directory.path + "/removed.xml.tmp").c_str(), gone.c_str()), 0);
  const std::string goneLibrary = directory.path + "/b.so";
  ASSERT_EQ(symlink((directory.path + "/removed.so.tmp").c_str(), goneLibrary.c_str()), 0);
  const std::string replaced = directory.path + "/c.xml";
  ASSERT_EQ(mkdir(replaced.c_str(), 0700), 0);
  const std::string good = directory.Write("d.xml", Descriptor(Namespaces("d")));
  const std::string pipeLibrary = directory.path + "/e.so";
  ASSERT_EQ(mkfifo(pipeLibrary.c_str(), 0600), 0);
  const std::string pipeDescriptor = directory.path + "/f.xml";
  ASSERT_EQ(mkfifo(pipeDescriptor.c_str(), 0600), 0);

  Dispatcher dispatcher;
  CaptureStandardError captured;
  dispatcher.AddExternalDirectoryInt(directory.path, true);
  EXPECT_EQ(
      captured.Text(),
      gone + ": No such file or directory\n" + Skipped(gone, Refusal(gone)) +
          Skipped(goneLibrary, "Unable to load plugin from " + goneLibrary + " : " + goneLibrary +
                                   ": cannot open shared object file: No such file or "
                                   "directory") +
          replaced + ": not a regular file\n" + Skipped(replaced, Refusal(replaced)) +
          Skipped(pipeLibrary, "Unable to load plugin from " + pipeLibrary + " : " + pipeLibrary +
                                   ": not a regular file") +
          pipeDescriptor + ": not a regular file\n" +
          Skipped(pipeDescriptor, Refusal(pipeDescriptor)));
  EXPECT_EQ(dispatcher.GetPluginNames(), (std::vector<std::string>{"Internal", good}));
}

}  // namespace
