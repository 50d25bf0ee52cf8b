// Help formatters: command "--help" pages and namespace listings, compared byte for byte.
#include "tarnek/autocli/help_formatter.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/tree.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::InputSpec;
using CallSpec::Output;
using CallSpec::ParameterSpec;
using CallSpec::ParameterType;
using namespace MetaObj;

std::string ReadGolden(const std::string& name) {
  const char* root = std::getenv("TARNEK_TEST_SOURCE_DIR");
  const std::string here(__FILE__);
  const std::string dir =
      root != nullptr ? std::string(root) + "/tests/format" : here.substr(0, here.rfind('/'));
  std::ifstream file(dir + "/golden/" + name, std::ios::binary);
  EXPECT_TRUE(file.good()) << "missing golden file " << name << " under " << dir;
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
    AddExample("--device sdb --password",
               "Attach sdb, asking for its password on the terminal before it opens");
  }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto spec = InputSpec::New();
    const auto add = [&](const char* name, const char* description, bool required, bool secret) {
      auto parameter = ParameterSpec::New(name, ParameterType::String);
      parameter->SetDescription(description);
      parameter->SetRequired(required);
      parameter->SetSecret(secret);
      spec->AddParameter(parameter);
      return parameter;
    };
    add("device", "The device to attach, by its name or by its full path under /dev.", true, false)
        ->SetShortName("d");
    add("password", "Password for the device.", false, true);
    add("key", "Shared key.", true, true);
    return spec;
  }
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
    return CallSpec::OutputSpec::New();
  }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>&,
                       const std::shared_ptr<Output>&) override {}
};

// Descriptions and the warning wrap under their column, example descriptions at four; width 0
// never wraps.
TEST(CommandHelpFormat, RendersTheHelpACommandGenerates) {
  auto input = CommandInput::New();
  input->SetDispatcher("qorcli");
  input->SetCommandPath({"storage", "disk", "attach"});
  auto output = CommandOutput::New();
  std::make_shared<AttachCommand>()->GenerateHelpOutput(input, output);
  CommandHelpFormatter formatter;
  for (const auto& [width, golden] : {std::make_pair(0, "help_command_width0.txt"),
                                      std::make_pair(60, "help_command_wrapped_60.txt")}) {
    EXPECT_EQ(Render(formatter, output->GetRootObject(), width), ReadGolden(golden)) << golden;
  }
}

std::shared_ptr<MetaStruct> Parameter(const char* name, std::shared_ptr<MetaObject> flag) {
  auto row = MetaStruct::New("QorCliCommandParameter");
  row->SetField("Name", name);
  row->SetField("Short Name", "");
  row->SetField("Description", "Everything.");
  row->SetField("Required", flag);
  row->SetField("Secret", false);
  return row;
}

TEST(CommandHelpFormat, MissingPartsReadAsEmptyAndNoExamplesMeansNoHeading) {
  for (const bool emptyExampleList : {false, true}) {
    auto help = MetaStruct::New("QorCliCommandHelp");
    help->SetField("Description", "Lists.");
    help->SetField("Path", 7);  // only String fields are read
    // A flag of the wrong kind counts as off: no parenthesis.
    auto parameters = MetaList::New(MetaType::Struct, Parameter("", MetaString::New("true")));
    parameters->Add(Parameter("all", MetaString::New("true")));
    help->SetField("Param List", parameters);
    if (emptyExampleList) {
      auto example = MetaStruct::New("QorCliCommandExample");
      example->SetField("Description", "");
      example->SetField("Syntax", "");
      help->SetField("Example List", MetaList::New(MetaType::Struct, example));
    }
    CommandHelpFormatter formatter;
    EXPECT_EQ(Render(formatter, help, 0),
              "Usage:   <options>\n\nDescription: Lists.\n\n     --all   Everything.\n")
        << "empty example list: " << emptyExampleList;
  }
}

// ---- namespace listing ----

std::shared_ptr<MetaStruct> Listing(const std::vector<std::string>& path,
                                    const std::vector<std::vector<const char*>>& nodes) {
  const auto node = [](const char* name, const char* description, const char* type) {
    auto node = MetaStruct::New("NamespaceNode");
    node->SetField("Name", name);
    node->SetField("Description", description);
    node->SetField("Type", type);
    return node;
  };
  auto listing = MetaStruct::New("QorcliCommandPrint");
  listing->SetField("Dispatcher", "qorcli");
  listing->SetField("Path", path);
  auto list = MetaList::New(MetaType::Struct, node("", "", ""));
  for (const auto& n : nodes) list->Add(node(n[0], n[1], n[2]));
  listing->SetField("NamespaceNodes", list);
  return listing;
}

TEST(CliDispatcherHelpFormat, SplitsChildrenIntoNamespacesAndCommandsAndWrapsDescriptions) {
  const auto listing = Listing(
      {"storage", "disk"},
      {{"adapter", "Storage adapters.", "Namespace"},
       {"attach", "Attach a disk to the host and make it available for new datastores.", "Command"},
       {"list", "List disks.", "Command"},
       {"odd", "Neither kind.", "Unknown"},
       {"partition", "Partitions.", "Namespace"}});
  CliDispatcherHelpFormatter formatter;
  EXPECT_EQ(Render(formatter, listing, 40), ReadGolden("help_listing_wrapped_40.txt"));
}

TEST(CliDispatcherHelpFormat, EmptySelectionsPlaceholdersAndMissingList) {
  auto onlyCommands = Listing({}, {{"list", "List disks.", "Command"}});
  onlyCommands->SetField("Dispatcher", 7);  // only a String counts
  auto withoutNodes = Listing({}, {});
  withoutNodes->RemoveField("NamespaceNodes");
  CliDispatcherHelpFormatter formatter;
  EXPECT_EQ(Render(formatter, onlyCommands, 0),
            "Usage: <Dispatcher> [disp options] <namespaces> <command>\n\n"
            "For help please run <Dispatcher> --help\n\n"
            "Available Namespaces: \n\n\n"
            "Available Commands: \n\nlist  List disks.\n\n");
  EXPECT_EQ(Render(formatter, withoutNodes, 0),
            "Usage: qorcli [disp options] <namespaces> <command>\n\n"
            "For help please run qorcli --help\n\n"
            "Available Namespaces: \n\nERROR, list is bad\n"
            "Available Commands: \n\nERROR, list is bad\n");
}

// ---- shared ----

TEST(HelpFormatRoot, WrongRootThrowsTheFormattersMessage) {
  const std::string listingError =
      "Error: Unexpected type for help output, formatter expected a struct with help data";
  const std::string helpError =
      "Error: Unexpected type for output, formatter expected a struct with help information";
  CliDispatcherHelpFormatter listing;
  CommandHelpFormatter help;
  // The two type names differ only in the case of one letter; the listing's name given to the
  // command help is run end to end.
  EXPECT_EQ(ThrownMessage([&] { Render(listing, MetaStruct::New("QorCliCommandHelp"), 0); }),
            listingError);
  EXPECT_EQ(ThrownMessage([&] { Render(listing, nullptr, 0); }), listingError);
  EXPECT_EQ(ThrownMessage([&] { Render(help, MetaString::New("help"), 0); }), helpError);
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
