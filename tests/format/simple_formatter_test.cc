#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/simple_formatter.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using namespace MetaObj;
using Settings = std::vector<std::pair<const char*, const char*>>;

std::string Render(const std::shared_ptr<MetaObject>& root, const Settings& settings = {}) {
  FormatParameters params;
  for (const auto& setting : settings) params.SetParameter(setting.first, setting.second);
  auto output = Output::New();
  output->SetRootObject(root);
  DisplayContext display;
  std::ostringstream out;
  EXPECT_TRUE(SimpleFormatter::New()->Format(output, params, display, out));
  return out.str();
}

std::shared_ptr<MetaStruct> NewDev(const char* name, long size) {
  auto dev = MetaStruct::New("Dev");
  dev->SetField("Name", name);
  dev->SetField("Size", size);
  return dev;
}

// Claims a kind whose class it is not, as a foreign MetaObject subclass might.
class Impostor : public MetaObject {
 public:
  explicit Impostor(MetaType claimed) : MetaObject(claimed) {}
  std::string ToString() const override { return "impostor"; }
};

TEST(SimpleFormatter, RootsScalarsAndListsOfStructures) {
  auto list = MetaList::New(MetaType::Struct, NewDev("", 0));
  EXPECT_EQ(Render(list), "\n");
  list->Add(NewDev("sda", 1));
  list->Add(NewDev("sdb", 2));
  EXPECT_EQ(Render(list), "\nDev:\n   Name: sda\n   Size: 1\n\nDev:\n   Name: sdb\n   Size: 2\n\n");
  EXPECT_EQ(Render(MetaInt::New(-9223372036854775807L - 1)), "-9223372036854775808\n");
  EXPECT_EQ(Render(MetaString::New("a  b")), "a  b\n");
  EXPECT_EQ(Render(MetaBool::New(false)), "false\n");
  EXPECT_EQ(Render(nullptr), "");
}

TEST(SimpleFormatter, IndentsNestedStructuresAndListsByLevel) {
  auto geo = MetaStruct::New("Geo");
  geo->SetField("Heads", 16L);
  auto part = MetaStruct::New("Part");
  part->SetField("Id", 0L);
  auto parts = MetaList::New(MetaType::Struct, part);
  parts->Add(part);
  auto dev = NewDev("sda", 42);
  dev->SetField("Geometry", geo);
  dev->SetField("Parts", parts);
  dev->SetField("Paths", std::vector<std::string>{"p0", "p1"});
  dev->SetField("Spare", MetaList::New(MetaType::Struct, part));
  EXPECT_EQ(Render(dev, {{"printf:Dev.Size", "%04ld"}, {"units:Dev.Size", "MB"}}),
            "Dev:\n   Geometry: \n      Geo:\n         Heads: 16\n   Name: sda\n"
            "   Parts: \n         Part:\n            Id: 0\n\n"
            "   Paths: p0, p1\n   Size: 0042 MB\n   Spare: \n");
}

TEST(SimpleFormatter, FieldsHeaderAndAlignShapeTheStructure) {
  auto geo = MetaStruct::New("Geo");
  geo->SetField("Heads", 16L);
  geo->SetField("Size", 7L);
  auto dev = NewDev("sda", 42);
  dev->SetField("Geometry", geo);
  const std::pair<Settings, const char*> cases[] = {
      {{{"fields:Dev", "Size,Name"}}, "Dev:\n   Size: 42\n   Name: sda\n"},
      {{{"fields:Dev", "Name,Bogus,Size"}}, "Dev:\n   Name: sda\nError getting field Bogus\n"},
      {{{"fields", "Size,Geometry"}},  // reaches the nested structure too
       "Dev:\n   Size: 42\n   Geometry: \n      Geo:\n         Size: 7\n"
       "Error getting field Geometry\n"},
      {{{"fields", "Heads"}, {"fields:Dev", "Geometry"}},
       "Dev:\n   Geometry: \n      Geo:\n         Heads: 16\n"},
      {{{"fields:Dev", "Name"}, {"header:Dev", "Device %Name%"}}, "Device sda:\n   Name: sda\n"},
      {{{"fields:Dev", "Name"}, {"header:Dev", "%Size%/%Serial%"}},  // only the last tag counts
       "%Size%/%Serial%:\n   Name: sda\n"},
      {{{"fields:Dev", "Geometry"}, {"header:Dev", "<NONE>"}, {"header:Geo", "<NONE>"}},
       "   Geometry: \n         Heads: 16\n         Size: 7\n"},
      {{{"fields:Dev", "Name,LongName"}, {"align-fields", "true"}},
       "Dev:\n   Name    : sda\nError getting field LongName\n"},
      {{{"fields:Dev", "Name,LongName"}, {"align-fields", "TRUE"}},
       "Dev:\n   Name: sda\nError getting field LongName\n"},
  };
  for (const auto& [settings, expected] : cases) {
    EXPECT_EQ(Render(dev, settings), expected) << settings.back().first;
  }
}

TEST(SimpleFormatter, WritesProblemsIntoTheText) {
  const std::pair<MetaType, const char*> cases[] = {
      {MetaType::Bool, "Error reading a bool\n"},
      {MetaType::Int, "Error reading a int\n"},
      {MetaType::String, "Error reading a string\n"},
      {MetaType::Struct, "Error reading a struct from output.\n"},
      {MetaType::List, "Error reading a List\n"},
  };
  FormatParameters params;
  for (const auto& [kind, message] : cases) {
    std::ostringstream out;
    SimpleFormatter().Format(std::make_shared<Impostor>(kind), params, out, 0);
    EXPECT_EQ(out.str(), message) << MetaTypeString(kind);
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
