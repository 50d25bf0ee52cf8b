// Descriptor files that are broken or hostile: each is refused with the one fixed message and
// its reason next to it, quickly and in little memory, and nothing is fetched from anywhere.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "fault_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using namespace fault_test;
using Tarnek::AutoCli::Dispatcher;
using Tarnek::AutoCli::XmlPlugin;

std::string Repeat(const std::string& text, int times) {
  std::string result;
  result.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Ten levels of ten references each: a billion copies once expanded.
std::string NestedEntities() {
  std::string declarations = "<!ENTITY l0 'lol'>";
  for (int level = 1; level <= 10; ++level) {
    declarations += "<!ENTITY l" + std::to_string(level) + " '" +
                    Repeat("&l" + std::to_string(level - 1) + ";", 10) + "'>";
  }
  return "<!DOCTYPE plugin [" + declarations + "]>" + Descriptor(Namespaces("n", "&l10;"));
}

// One 100 kB value referenced a thousand times in an attribute, where references are always
// expanded: 100 MB from a 100 kB file.
std::string RepeatedEntity() {
  return "<!DOCTYPE plugin [<!ENTITY a '" + std::string(100000, 'a') + "'>]>" +
         Descriptor(Namespaces(Repeat("&a;", 1000)));
}

TEST(DescriptorFault, RefusesBrokenAndHostileFilesWithTheirReason) {
  ScratchDirectory directory;
  const struct {
    const char* name;
    std::string content;
    const char* reason;  // what the parser or the reader says on standard error
  } cases[] = {
      {"empty.xml", "", "Document is empty"},
      {"truncated.xml", Descriptor().substr(0, 40), "Premature end of data"},
      {"binary.xml",
       std::string("\x7f"
                   "ELF\x02\x01\x01\0\0\0\xff\xfe\x80",
                   13),
       "Start tag expected"},
      {"huge.xml", Descriptor(Namespaces("n", std::string(10 << 20, 'x'))),
       "larger than the 4194304 bytes a descriptor may have"},
      {"deep.xml", Descriptor(Namespaces() + Repeat("<a>", 100000) + Repeat("</a>", 100000)),
       "Excessive depth in document: 256"},
      {"nested-entities.xml", NestedEntities(),
       "entity declarations are not allowed in a descriptor: l0"},
      {"repeated-entity.xml", RepeatedEntity(),
       "entity declarations are not allowed in a descriptor: a"},
      {"external-entity.xml",
       "<!DOCTYPE plugin [<!ENTITY e SYSTEM '/etc/passwd'>]>" + Descriptor(Namespaces("n", "&e;")),
       "entity declarations are not allowed in a descriptor: e"}};
  for (const auto& c : cases) directory.Write(c.name, c.content);
  const std::string pipePath = directory.path + "/pipe.xml";
  ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);  // opened blocking, it would wait for ever
  ASSERT_EQ(mkdir((directory.path + "/folder.xml").c_str(), 0700), 0);

  const long before = PeakResidentMegabytes();
  const auto refuse = [&](const std::string& name, const std::string& reason) {
    const std::string path = directory.path + "/" + name;
    CaptureStandardError captured;
    EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(path)->Initialize(); }), Refusal(path)) << name;
    EXPECT_NE(captured.Text().find(reason), std::string::npos) << name << ": standard error was\n"
                                                               << captured.Text();
  };
  for (const auto& c : cases) refuse(c.name, c.reason);
  refuse("pipe.xml", "pipe.xml: not a regular file");
  refuse("folder.xml", "folder.xml: not a regular file");
  refuse("vanished.xml", "vanished.xml: No such file or directory");
  // None of them was read into a big tree or expanded.
  EXPECT_LT(PeakResidentMegabytes() - before, 32);
}

// A local listener stands in for any server: a descriptor naming it in its document type, and a
// descriptor path that is a web address, must leave it without a single connection.
TEST(DescriptorFault, NothingIsFetchedOverTheNetwork) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  ScratchDirectory directory;
  const std::string withDtd = directory.Write(
      "remote-dtd.xml", "<!DOCTYPE plugin SYSTEM '" + url + "/d.dtd'>" + Descriptor());
  Dispatcher dispatcher;
  {
    CaptureStandardError captured;
    dispatcher.AddPlugin(withDtd);  // the document type is never loaded: the file is fine
    EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(url + "/remote.xml"); }),
              Refusal(url + "/remote.xml"));
  }
  EXPECT_EQ(dispatcher.GetPluginNames(), (std::vector<std::string>{"Internal", withDtd}));
  EXPECT_LT(accept(listener, nullptr, nullptr), 0);
  EXPECT_EQ(errno, EAGAIN) << "something connected to " << url;
  close(listener);
}

// Descriptors read one after another share the reader's parser: nothing of one may reach the
// next, whether it was refused half-way, declared attribute defaults, or filled the parser's name
// dictionary with names no other file uses.
TEST(DescriptorFault, EachDescriptorIsReadAsIfItWereTheFirst) {
  ScratchDirectory directory;
  const std::string good = directory.Write("good.xml", Descriptor());
  const auto readsFine = [&](const std::string& after) {
    EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(good)->Initialize(); }), "<no exception>")
        << "after " << after;
  };
  const std::string refused[] = {NestedEntities(), Descriptor(Namespaces() + Repeat("<a>", 1000)),
                                 Descriptor().substr(0, 40)};
  for (const std::string& content : refused) {
    const std::string path = directory.Write("refused.xml", content);
    CaptureStandardError captured;
    EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(path)->Initialize(); }), Refusal(path));
    readsFine(content.substr(0, 60));
  }

  // Some 2.5 MB of names in each file: together far past the 10 MB a parser's dictionary holds.
  std::string names;
  for (int file = 0; file < 5; ++file) {
    names.clear();
    for (int i = 0; i < 100000; ++i) {
      names += "<e" + std::to_string(file) + "x" + std::to_string(1000000000 + i) + "/>";
    }
    const std::string path = directory.Write("names.xml", Descriptor(Namespaces() + names));
    EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(path)->Initialize(); }), "<no exception>")
        << "file " << file;
  }
  readsFine("many names");

  // The document type gives the namespace its path; the same file without it has none.
  const std::string unnamed =
      "<plugin><version>1.0.0</version><namespaces><namespace><description>d</description>"
      "</namespace></namespaces></plugin>";
  const std::string defaulted = directory.Write(
      "defaulted.xml", "<!DOCTYPE plugin [<!ATTLIST namespace path CDATA 'n'>]>" + unnamed);
  const std::string plain = directory.Write("plain.xml", unnamed);
  EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(defaulted)->Initialize(); }), "<no exception>");
  EXPECT_NE(ThrownMessage([&] {
              XmlPlugin::New(plain)->Initialize();
            }).find("Unable to register a namespace without valid 'path' attribute"),
            std::string::npos);
}

}  // namespace
