#include "tarnek/autocli/xml_plugin.h"

#include <cstdint>
#include <fstream>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "../dispatch/dispatch_test_helpers.h"
#include "tarnek/tarnek.h"

namespace {

using dispatch_test::CaptureStderr;
using dispatch_test::RegisterFailure;
using dispatch_test::ScanSkipped;
using dispatch_test::ScratchDirectory;
using Tarnek::AutoCli::Dispatcher;
using Tarnek::AutoCli::ExtensionCommand;
using Tarnek::AutoCli::NamespaceNode;
using Tarnek::AutoCli::XmlPlugin;
using Tarnek::CallSpec::ParameterType;

std::string WriteFile(const ScratchDirectory& directory, const std::string& name,
                      const std::string& text) {
  const std::string path = directory.path + "/" + name;
  std::ofstream(path) << text;
  return path;
}

std::string Descriptor(const std::string& body) {
  return "<plugin><version>1.0.0</version>" + body + "</plugin>";
}

// A command at "t.c" with the given children.
std::string CommandDescriptor(const std::string& children) {
  return Descriptor("<commands><command path='t.c'>" + children + "</command></commands>");
}

const char kRequiredParts[] = "<output-spec/><format-parameters/><execute>true</execute>";

// A command whose only parameter is `parameter`.
std::string ParameterDescriptor(const std::string& parameter) {
  return CommandDescriptor("<input-spec>" + parameter + "</input-spec>" + kRequiredParts);
}

// What Initialize() reports for the descriptor at `path` failing with `message`.
std::string ReadMessage(const std::string& path, const std::string& message) {
  return "Unable to handle XML Plugin " + path + ".  There was an error while parsing: " + message;
}

std::shared_ptr<NamespaceNode> Node(Dispatcher& dispatcher, std::list<std::string> path) {
  return dispatcher.GetRootNamespace()->ResolveNode(path);
}

// A command whose one parameter "p" of `type` carries `constraint`.
std::string ConstraintDescriptor(const std::string& type, const std::string& constraint) {
  return ParameterDescriptor("<parameter name='p' type='" + type + "' required='true'>" +
                             "<description>d</description>" + constraint + "</parameter>");
}

// Every piece between full stops is kept, empty ones included, so that a stray full stop reaches
// the tree's name check instead of quietly naming another node.
TEST(XmlPluginPaths, SplitAtEveryFullStop) {
  const struct {
    const char* path;
    std::list<std::string> names;
  } cases[] = {
      {"storage", {"storage"}},        {"storage.disk.list", {"storage", "disk", "list"}},
      {"a..b", {"a", "", "b"}},        {"", {""}},
      {".a", {"", "a"}},               {"a.", {"a", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Tarnek::AutoCli::XmlPlugin::SplitPath(c.path), c.names) << '"' << c.path << '"';
  }
}

TEST(XmlPluginInitialize, RefusesMalformedDescriptorsWithTheirMessage) {
  const std::string command = "Unable to register the command 'qorcli t.c'  Error was ";
  const std::string parameter = command + "Unable to parse Input Paramter p. ";
  const std::string constraint =
      command + "Unable to build parameter constraint for parameter p.  Error was: ";
  const std::string noData = constraint +
                             "Error parsing parameter constraint.  There was no data included "
                             "inside the <constraint> tag for the given constraint type";
  const std::string version = "Unknown qorcli extention version.  Valid versions are: '1.0.0'";
  const std::string stringEnum = "<constraint type='stringenum'><enum>";
  const std::string intEnum = "<constraint type='intenum'><enum><enum-value value='";
  const std::string inputs = std::string("<input-spec/>") + kRequiredParts;
  const struct {
    std::string descriptor;
    std::string message;  // after the plug-in wrapper; %PATH% stands for the file's path
  } cases[] = {
      {"<plugin>", "Unable to parse XML descriptor: %PATH%"},
      {"<plugin><version>1.0</version><namespaces/></plugin>", version},
      {Descriptor(""), "Unable to find any namespaces or commands to register for plugin %PATH%"},
      {Descriptor("<namespaces><namespace path='a'/></namespaces>"),
       "Unable to register a namespace without valid 'path' attribute or <description> being "
       "present."},
      {Descriptor("<commands><command/></commands>"),
       "Invalid command specification found.  <command> tags must have a non-empty 'path' "
       "attribute"},
      {CommandDescriptor("<description>a</description><description>b</description>"),
       "Illegal Duplicate tags found.  The tag description was expected only once, but was found "
       "multiple times."},
      {CommandDescriptor(kRequiredParts),
       command + "Unable to find <input-spec> element, which is required for a command."},
      {CommandDescriptor("<input-spec/><format-parameters/><execute>x</execute>"),
       command + "Unable to find <output-spec> element, which is required for a command."},
      {CommandDescriptor("<input-spec/><output-spec/><execute>x</execute>"),
       command + "Unable to find <format-parameters> element, which is required for a command."},
      {CommandDescriptor("<input-spec/><output-spec/><format-parameters/><execute/>"),
       command + "Missing or empty <execute> tag.  This tag must specify a valid execution string "
                 "for this command."},
      {CommandDescriptor("<meta-data><entry/></meta-data>" + inputs),
       command + "Found unexpected tag while building meta-data set.  Unexpected tag was: entry"},
      {CommandDescriptor("<meta-data><meta-data-entry>v</meta-data-entry></meta-data>" + inputs),
       command + "Error parsing 'meta-data-entry', missing required attribute 'name'"},
      {CommandDescriptor("<input-spec/><output-spec/><format-parameters><formatter>table"
                         "</formatter><formatter/></format-parameters><execute>x</execute>"),
       command + "Invalid plugin format.  Duplicate <formatter> tags found"},
      {CommandDescriptor("<input-spec/><output-spec><int/><bool/></output-spec>"
                         "<format-parameters/><execute>x</execute>"),
       command + "Found more than one node under 'output-spec', where only one node is "
                 "supported.  The tag was bool"},
      {CommandDescriptor("<input-spec/><output-spec><integer/></output-spec>"
                         "<format-parameters/><execute>x</execute>"),
       command + "Unable to build output spec.  Error was Unable to make a MetaObject from a "
                 "node with tag 'integer'"},
      {ParameterDescriptor("<parameter type='int'/>"),
       command + "Unable to parse Input Parameter.  Missing required attribute: 'name'"},
      {ParameterDescriptor("<parameter name='p' type='text'/>"),
       command + "Unable to parse Input Parameter p. Missing or invalid required attribute: "
                 "'type'.  Must be one of [string, string-list, bool, bool-list, int, int-list]"},
      {ParameterDescriptor("<parameter name='p' type='int' required='yes'/>"),
       parameter + "Missing or invalid 'required', must be one of ['true', 'false']"},
      {ParameterDescriptor("<parameter name='p' type='int' required='true'/>"),
       parameter + "Missing command description"},
      {ParameterDescriptor("<parameter name='p' type='string' required='true' secret='yes'>"
                           "<description>d</description></parameter>"),
       parameter + "Invalid 'secret', must be one of ['true', 'false']"},
      {ParameterDescriptor("<parameter name='p' type='int' required='true' secret='true'>"
                           "<description>d</description></parameter>"),
       parameter + "Invalid type int for secret, must be 'string'"},
      {ConstraintDescriptor("string", "<constraint type='set'/>"),
       constraint + "Missing or invalid constraint 'type', must be one of [stringenum, intenum, "
                    "regex, range] got 'set'"},
      {ConstraintDescriptor("string", stringEnum + "<enum-value value='a'/></enum></constraint>"),
       noData},
      {ConstraintDescriptor("string", stringEnum + "<value/></enum></constraint>"),
       constraint + "Found unexpected tag while building an enum.  Unexpected tag was: value"},
      {ConstraintDescriptor("string",
                            stringEnum + "<enum-value>a</enum-value></enum></constraint>"),
       constraint + "Error parsing 'enum-value', missing required attribute 'value'"},
      {ConstraintDescriptor("int", intEnum + "x'>d</enum-value></enum></constraint>"),
       constraint + "Error parsing integer enumeration. Expected integer, but got x"},
      {ConstraintDescriptor("int", intEnum + "99999999999999999999'>d</enum-value></enum>"
                                             "</constraint>"),
       constraint + "Error parsing integer enumeration. Expected integer, but got "
                    "99999999999999999999"},
      {ConstraintDescriptor("string", "<constraint type='regex'><regex/></constraint>"),
       constraint + "Error parsing regex from parameter constraint.Missing or empty 'regex' tag"},
      {ConstraintDescriptor("int",
                            "<constraint type='range'><range min='5' max='x'/></constraint>"),
       constraint + "Error parsing 'range' parameter constraint.  Range requires both 'min' and "
                    "'max' attributes and that both are integers."},
      {ConstraintDescriptor("int", "<constraint type='regex'><regex>x</regex></constraint>"),
       constraint + "Invalid constraint specified for parameter p.  The parameter constraint "
                    "specified is not allowed for a parameter of this type."},
  };
  ScratchDirectory directory;
  for (const auto& c : cases) {
    const std::string path = WriteFile(directory, "plugin.xml", c.descriptor);
    std::string expected = c.message;
    if (const auto at = expected.find("%PATH%"); at != std::string::npos) {
      expected.replace(at, 6, path);
    }
    EXPECT_EQ(ThrownMessage([&] { XmlPlugin::New(path)->Initialize(); }),
              ReadMessage(path, expected))
        << c.descriptor;
  }
}

const char kStorageDescriptor[] = R"(<?xml version="1.0"?>
<qorcli-plugin><version>1.0.0</version>
  <namespaces><namespace path="storage"><description>Storage</description></namespace>
    <namespace path="storage.disk"><description>Disks</description></namespace></namespaces>
  <commands>
    <command path="storage.disk.list"><description>List disks</description>
      <meta-data><!-- kept out --><meta-data-entry name="owner">ops</meta-data-entry></meta-data>
      <input-spec>
        <context-supported>user</context-supported>
        <parameter name="name" type="string" required="true" shortname="n">
          <description>Disk %ENUM%</description>
          <constraint type="stringenum">
            <enum><enum-value value="d0">first</enum-value><enum-value value="d1">second</enum-value></enum>
          </constraint>
        </parameter>
        <parameter name="count" type="int" required="false"><description>How many</description>
          <constraint type="range"><range min="1" max="10"/></constraint></parameter>
        <parameter name="ids" type="int-list" required="false"><description>Ids</description>
          <constraint type="intenum"><enum><enum-value value=" 7">seven</enum-value><enum-value value="9x">nine</enum-value></enum></constraint></parameter>
        <parameter name="label" type="string-list" required="false"><description>Labels</description>
          <constraint type="regex"><regex>[a-z]+</regex></constraint></parameter>
        <parameter name="all" type="flag" required="false"><description>All</description></parameter>
        <parameter name="password" type="string" required="false" secret="true"><description>Pw</description></parameter>
      </input-spec>
      <output-spec><!-- the result --><list type="structure"><structure typeName="Disk">
        <field name="name"><string/></field><field name="size"><int/></field>
      </structure></list></output-spec>
      <format-parameters><formatter>table</formatter>
        <format-parameter name="fields">name</format-parameter></format-parameters>
      <execute>list-disks $val{name}</execute>
      <stdin>count=$val{count}</stdin>
    </command>
    <command path="storage.disk.echo">
      <input-spec><parameter name="text" type="string" required="true"><description>Text</description></parameter></input-spec>
      <output-spec><string/></output-spec>
      <format-parameters/>
      <execute>cat</execute>
      <stdin><![CDATA[<output><string>$val{text}</string></output>]]></stdin>
    </command>
  </commands>
</qorcli-plugin>
)";

TEST(XmlPluginRegister, ValidDescriptorDeclaresNamespacesAndCommands) {
  ScratchDirectory directory;
  const std::string path = WriteFile(directory, "storage.xml", kStorageDescriptor);
  Dispatcher dispatcher;
  dispatcher.AddPlugin(path);

  ASSERT_TRUE(Node(dispatcher, {"storage"}));
  EXPECT_EQ(Node(dispatcher, {"storage"})->GetDescription(), "Storage");
  EXPECT_EQ(Node(dispatcher, {"storage", "disk"})->GetDescription(), "Disks");
  EXPECT_EQ(dispatcher.GetPluginNames(), (std::vector<std::string>{"Internal", path}));

  const auto list =
      std::dynamic_pointer_cast<ExtensionCommand>(Node(dispatcher, {"storage", "disk", "list"}));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->GetDescription(), "List disks");
  EXPECT_EQ(list->GetExecuteCommand(), "list-disks $val{name}");
  EXPECT_EQ(list->GetStdin(), "count=$val{count}");
  const auto format = list->GetDefaultOutputFormatParameters();
  EXPECT_EQ(format.GetFormatter(), "table");
  EXPECT_EQ(format.GetParameters().at("fields"), "name");

  const auto input = list->GetInputSpecInternal();
  EXPECT_EQ(input->GetSupportedContexts(), (std::set<std::string>{"user"}));
  const auto name = input->GetParameter("name");
  EXPECT_EQ(name->GetShortName(), "n");
  EXPECT_TRUE(name->IsRequired());
  EXPECT_EQ(name->GetDescription(true), "Disk [d0, d1]");
  EXPECT_EQ(name->GetConstraint()->GetStringEnumWithDesc(),
            (std::map<std::string, std::string>{{"d0", "first"}, {"d1", "second"}}));
  const auto count = input->GetParameter("count");
  EXPECT_FALSE(count->IsRequired());
  long min = 0, max = 0;
  count->GetConstraint()->GetIntRange(min, max);
  EXPECT_EQ(std::make_pair(min, max), std::make_pair(1L, 10L));
  const auto ids = input->GetParameter("ids");
  EXPECT_EQ(ids->GetType(), ParameterType::IntList);
  EXPECT_EQ(ids->GetConstraint()->GetIntEnum(), (std::vector<std::int64_t>{7, 9}));
  EXPECT_EQ(input->GetParameter("label")->GetConstraint()->GetStringRegex(), "[a-z]+");
  EXPECT_EQ(input->GetParameter("all")->GetType(), ParameterType::Flag);
  EXPECT_TRUE(input->GetParameter("password")->IsSecret());

  const auto result = std::dynamic_pointer_cast<Tarnek::MetaObj::MetaList>(
      list->GetOutputSpecInternal()->GetRootObject());
  ASSERT_TRUE(result);
  const auto disk = Tarnek::MetaObj::MetaStruct::New("Disk");
  disk->SetField("name", Tarnek::MetaObj::MetaString::New(""));
  disk->SetField("size", Tarnek::MetaObj::MetaInt::New(0));
  std::vector<std::string> reasons;
  EXPECT_TRUE(disk->IsSameStructure(result->GetObjects().front(), &reasons))
      << ::testing::PrintToString(reasons);

  // The second command runs for real.
  const auto run =
      dispatch_test::Execute(dispatcher, {"storage", "disk", "echo"}, {{"text", "hi"}});
  ASSERT_TRUE(run.ok) << ::testing::PrintToString(run.output->GetErrors());
  EXPECT_EQ(run.output->GetRootObject()->ToString(), "hi");
}

// A descriptor declaring the top-level namespace "storage" (with `description`) and, below it,
// whatever `more` declares, plus a command at `commandPath`.
std::string StorageDescriptor(const std::string& description, const std::string& commandPath,
                              const std::string& more = "") {
  return Descriptor("<namespaces><namespace path='storage'><description>" + description +
                    "</description></namespace>" + more + "</namespaces><commands><command path='" +
                    commandPath + "'><input-spec/>" + kRequiredParts + "</command></commands>");
}

TEST(XmlPluginRegister, SharesTopLevelNamespacesAndRefusesConflictsBeforeChangingTheTree) {
  ScratchDirectory directory;
  Dispatcher dispatcher;
  dispatcher.AddPlugin(WriteFile(directory, "a.xml",
                                 StorageDescriptor("Storage", "storage.disk.one",
                                                   "<namespace path='storage.disk'><description>"
                                                   "Disks</description></namespace>")));
  const struct {
    const char* label;
    std::string descriptor;
    std::string message;
  } cases[] = {
      {"other description", StorageDescriptor("Store", "storage.two"),
       "Duplicate top-level namespaces must have the same description: storage"},
      {"nested namespace again",
       StorageDescriptor("Storage", "storage.two",
                         "<namespace path='storage.disk'><description>Disks</description>"
                         "</namespace>"),
       "Qorcli path is already registered: storage.disk"},
      {"built-in namespace", StorageDescriptor("Storage", "qorcli"),
       "Qorcli path is already registered: qorcli"},
  };
  for (const auto& c : cases) {
    const std::string path = WriteFile(directory, "b.xml", c.descriptor);
    EXPECT_EQ(ThrownMessage([&] { dispatcher.AddPlugin(path); }), RegisterFailure(path, c.message))
        << c.label;
    // The entries that came before the conflict were not registered either.
    EXPECT_FALSE(Node(dispatcher, {"storage"})->HasNamespaceNode("two")) << c.label;
  }
  EXPECT_EQ(dispatcher.GetPluginNames().size(), 2u);
  // A top-level namespace of the same description is shared.
  dispatcher.AddPlugin(WriteFile(directory, "c.xml", StorageDescriptor("Storage", "storage.two")));
  EXPECT_EQ(Node(dispatcher, {"storage"})->GetNamespaceNodeNames(),
            (std::vector<std::string>{"disk", "two"}));
}

TEST(XmlPluginLoad, DirectoryScanReportsEachBadDescriptorAndGoesOn) {
  ScratchDirectory directory;
  const std::string broken = WriteFile(directory, "a.xml", "<plugin><version>");
  const std::string good = WriteFile(directory, "b.xml", StorageDescriptor("Storage", "storage.x"));
  const std::string clash =
      WriteFile(directory, "c.xml", StorageDescriptor("Storage", "storage.x"));
  WriteFile(directory, "e.XML", "not a plug-in");
  Dispatcher dispatcher;
  CaptureStderr captured;
  dispatcher.AddExternalDirectoryInt(directory.path, true);

  EXPECT_EQ(captured.captured.str(),
            ScanSkipped(broken, ReadMessage(broken, "Unable to parse XML descriptor: " + broken)) +
                ScanSkipped(
                    clash, RegisterFailure(clash, "Qorcli path is already registered: storage.x")));
  EXPECT_EQ(dispatcher.GetPluginNames(), (std::vector<std::string>{"Internal", good}));
}

TEST(XmlPluginFormatters, ProvidesNone) {
  EXPECT_EQ(ThrownMessage([] { XmlPlugin::New("x.xml")->GetFormatter("table"); }),
            "Xml Plugin doesn't not support formatters");
}

}  // namespace
