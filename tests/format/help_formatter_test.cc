// Help formatters: command "--help" pages and namespace listings, compared byte for byte.
#include <cstdlib>
#include <fstream>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/help_formatter.h"
#include "tarnek/autocli/tree.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::InputSpec;
using CallSpec::Output;
using CallSpec::OutputSpec;
using CallSpec::ParameterSpec;
using CallSpec::ParameterType;
using MetaObj::MetaBool;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

std::string ReadGolden(const std::string& name) {
  const char* root = std::getenv("TARNEK_TEST_SOURCE_DIR");
  std::string dir = root ? std::string(root) + "/tests/format" : std::string(__FILE__);
  if (!root) dir.erase(dir.find_last_of('/'));
  std::ifstream file(dir + "/golden/" + name, std::ios::binary);
  EXPECT_TRUE(file.good()) << "missing golden file " << name;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Render(Formatter& formatter, const std::shared_ptr<MetaObject>& root, int width) {
  auto output = Output::New();
  output->SetRootObject(root);
  FormatParameters params;
  DisplayContext display;
  display.width = static_cast<std::uint16_t>(width);
  std::ostringstream out;
  EXPECT_TRUE(formatter.Format(output, params, display, out));
  return out.str();
}

// ---- command help ----

class AttachCommand : public Command {
 public:
  AttachCommand() {
    SetDescription("Attach a disk to the host.");
    AddExample("--device sda", "Attach sda");
    AddExample("--device sdb --password", "Attach sdb, asking for its password");
  }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto spec = InputSpec::New();
    auto device = ParameterSpec::New("device", ParameterType::String);
    device->SetShortName("d");
    device->SetDescription("The device to attach.");
    spec->AddParameter(device);
    auto password = ParameterSpec::New("password", ParameterType::String);
    password->SetDescription("Password for the device.");
    password->SetRequired(false);
    password->SetSecret(true);
    spec->AddParameter(password);
    return spec;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override { return OutputSpec::New(); }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>&,
                       const std::shared_ptr<Output>&) override {}
};

TEST(CommandHelpFormat, RendersTheHelpACommandGeneratesWithFinishedExampleTexts) {
  auto input = CommandInput::New();
  input->SetDispatcher("qorcli");
  input->SetCommandPath({"storage", "disk", "attach"});
  auto output = CommandOutput::New();
  std::make_shared<AttachCommand>()->GenerateHelpOutput(input, output);

  CommandHelpFormatter formatter;
  EXPECT_EQ(Render(formatter, output->GetRootObject(), 0), ReadGolden("help_command_width0.txt"));
}

std::shared_ptr<MetaStruct> Parameter(const char* name, const char* shortName,
                                      const char* description, std::shared_ptr<MetaObject> required,
                                      bool secret) {
  auto row = MetaStruct::New("QorCliCommandParameter");
  row->SetField("Name", name);
  row->SetField("Short Name", shortName);
  row->SetField("Description", description);
  row->SetField("Required", required);
  row->SetField("Secret", secret);
  return row;
}

std::shared_ptr<MetaStruct> Example(const char* description, const char* syntax) {
  auto row = MetaStruct::New("QorCliCommandExample");
  row->SetField("Description", description);
  row->SetField("Syntax", syntax);
  return row;
}

TEST(CommandHelpFormat, WrapsDescriptionsAndWarningUnderTheirColumnAndExamplesAtFour) {
  auto help = MetaStruct::New("QorCliCommandHelp");
  help->SetField("Dispatcher", "qorcli");
  help->SetField("Path", "net nic set");
  help->SetField("Description", "Change the settings of one network interface card.");
  auto parameters =
      MetaList::New(MetaType::Struct, Parameter("", "", "", MetaBool::New(), false));
  parameters->Add(Parameter("key", "", "Shared key.", MetaBool::New(true), true));
  parameters->Add(Parameter("mtu", "m", "Maximum transmission unit in bytes, between 68 and 9000.",
                            MetaBool::New(true), false));
  parameters->Add(Parameter("wake-on-lan", "", "Wake up", MetaBool::New(false), false));
  help->SetField("Param List", parameters);
  auto examples = MetaList::New(MetaType::Struct, Example("", ""));
  examples->Add(Example("Set a jumbo frame size on the first card of the host :",
                        "# qorcli net nic set --nic vmnic0 --mtu 9000 --wake-on-lan"));
  help->SetField("Example List", examples);

  CommandHelpFormatter formatter;
  EXPECT_EQ(Render(formatter, help, 40), ReadGolden("help_command_wrapped_40.txt"));
}

TEST(CommandHelpFormat, MissingPartsReadAsEmptyAndNoExamplesMeansNoHeading) {
  const std::string expected =
      "Usage:   <options>\n"
      "\n"
      "Description: Lists.\n"
      "\n"
      "     --all   Everything.\n";
  for (const bool emptyExampleList : {false, true}) {
    auto help = MetaStruct::New("QorCliCommandHelp");
    help->SetField("Description", "Lists.");
    help->SetField("Path", 7);  // only String fields are read
    // A flag of the wrong kind counts as off: no parenthesis.
    auto parameters =
        MetaList::New(MetaType::Struct, Parameter("", "", "", MetaString::New("true"), false));
    parameters->Add(Parameter("all", "", "Everything.", MetaString::New("true"), false));
    help->SetField("Param List", parameters);
    if (emptyExampleList) {
      help->SetField("Example List", MetaList::New(MetaType::Struct, Example("", "")));
    }
    CommandHelpFormatter formatter;
    EXPECT_EQ(Render(formatter, help, 0), expected) << "empty example list: " << emptyExampleList;
  }
}

// ---- namespace listing ----

std::shared_ptr<MetaStruct> Node(const char* name, const char* description, const char* type) {
  auto node = MetaStruct::New("NamespaceNode");
  node->SetField("Name", name);
  node->SetField("Description", description);
  node->SetField("Type", type);
  return node;
}

std::shared_ptr<MetaStruct> Listing(const char* dispatcher, std::vector<std::string> path,
                                    const std::vector<std::shared_ptr<MetaStruct>>& nodes) {
  auto listing = MetaStruct::New("QorcliCommandPrint");
  if (dispatcher) listing->SetField("Dispatcher", dispatcher);
  listing->SetField("Path", std::move(path));
  auto list = MetaList::New(MetaType::Struct, Node("", "", ""));
  for (const auto& node : nodes) list->Add(node);
  listing->SetField("NamespaceNodes", list);
  return listing;
}

TEST(CliDispatcherHelpFormat, SplitsChildrenIntoNamespacesAndCommandsAndWrapsDescriptions) {
  const auto listing = Listing(
      "qorcli", {"storage", "disk"},
      {Node("adapter", "Storage adapters.", "Namespace"),
       Node("attach", "Attach a disk to the host and make it available for new datastores.",
            "Command"),
       Node("list", "List disks.", "Command"), Node("odd", "Neither kind.", "Unknown"),
       Node("partition", "Partitions.", "Namespace")});
  CliDispatcherHelpFormatter formatter;
  EXPECT_EQ(Render(formatter, listing, 40), ReadGolden("help_listing_wrapped_40.txt"));
}

TEST(CliDispatcherHelpFormat, EmptySelectionsPlaceholdersAndMissingList) {
  auto withoutNodes = Listing("qorcli", {}, {});
  withoutNodes->RemoveField("NamespaceNodes");
  auto numberDispatcher = Listing(nullptr, {}, {Node("list", "List disks.", "Command")});
  numberDispatcher->SetField("Dispatcher", 7);  // only a String counts
  struct Case {
    const char* what;
    std::shared_ptr<MetaStruct> listing;
    std::string expected;
  };
  const Case cases[] = {
      {"only commands, dispatcher not a string", numberDispatcher,
       "Usage: <Dispatcher> [disp options] <namespaces> <command>\n\n"
       "For help please run <Dispatcher> --help\n\n"
       "Available Namespaces: \n\n\n"
       "Available Commands: \n\nlist  List disks.\n\n"},
      {"no node list", withoutNodes,
       "Usage: qorcli [disp options] <namespaces> <command>\n\n"
       "For help please run qorcli --help\n\n"
       "Available Namespaces: \n\nERROR, list is bad\n"
       "Available Commands: \n\nERROR, list is bad\n"},
  };
  for (const Case& c : cases) {
    CliDispatcherHelpFormatter formatter;
    EXPECT_EQ(Render(formatter, c.listing, 0), c.expected) << c.what;
  }
}

// ---- shared ----

TEST(HelpFormatRoot, WrongRootThrowsTheFormattersMessage) {
  const char listingError[] =
      "Error: Unexpected type for help output, formatter expected a struct with help data";
  const char helpError[] =
      "Error: Unexpected type for output, formatter expected a struct with help information";
  struct Case {
    std::shared_ptr<Formatter> formatter;
    std::shared_ptr<MetaObject> root;
    std::string message;
  };
  // The two type names differ only in the case of one letter.
  const Case cases[] = {
      {CliDispatcherHelpFormatter::New(), MetaStruct::New("QorCliCommandHelp"), listingError},
      {CliDispatcherHelpFormatter::New(), MetaList::New(MetaType::String), listingError},
      {CliDispatcherHelpFormatter::New(), nullptr, listingError},
      {CommandHelpFormatter::New(), MetaStruct::New("QorcliCommandPrint"), helpError},
      {CommandHelpFormatter::New(), MetaString::New("help"), helpError},
  };
  for (const Case& c : cases) {
    try {
      Render(*c.formatter, c.root, 0);
      ADD_FAILURE() << c.formatter->GetName() << ": no exception";
    } catch (const TarnekException& e) {
      EXPECT_EQ(e.what(), c.message) << c.formatter->GetName();
    }
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
