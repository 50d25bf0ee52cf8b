#include "tarnek/autocli/table_formatter.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

struct Disk {
  const char* name;
  long size;
  const char* vendor;
};

std::shared_ptr<MetaStruct> NewDisk(const char* typeName, const Disk& disk) {
  auto info = MetaStruct::New("Info");
  info->SetField("Vendor", disk.vendor);
  auto dev = MetaStruct::New(typeName);
  dev->SetField("Info", info);
  dev->SetField("Name", disk.name);
  dev->SetField("Size", disk.size);
  return dev;
}

std::shared_ptr<MetaList> DiskList(const std::vector<Disk>& disks) {
  auto list = MetaList::New(MetaType::Struct, NewDisk("Dev", {"", 0, ""}));
  for (const Disk& disk : disks) list->Add(NewDisk("Dev", disk));
  return list;
}

const std::vector<Disk> kTwoDisks = {{"sda", 10, "Acme"}, {"sdb", 2000, "Initech Corp"}};

struct Rendered {
  bool result;
  std::string text;
  bool leftAdjusted;  // the stream's adjustment afterwards
};

// Renders `root` onto a right-adjusted stream, so that no padding depends on the caller's
// stream settings.
Rendered Render(const std::shared_ptr<MetaObject>& root,
                const std::vector<std::pair<const char*, const char*>>& params,
                std::uint16_t width = 0) {
  auto output = CallSpec::Output::New();
  output->SetRootObject(root);
  FormatParameters format;
  format.SetFormatter("table");
  for (const auto& param : params) format.SetParameter(param.first, param.second);
  DisplayContext display;
  display.width = width;
  std::ostringstream out;
  out << std::right;
  const bool result = TableFormatter::New()->Format(output, format, display, out);
  return {result, out.str(), (out.flags() & std::ios::left) != 0};
}

TEST(TableLayout, NameAndSizeColumns) {
  const Rendered run = Render(DiskList(kTwoDisks), {{"fields", "Name,Size"}});
  EXPECT_TRUE(run.result);
  EXPECT_TRUE(run.leftAdjusted);
  EXPECT_EQ(run.text,
            "Name  Size\n"
            "----  ----\n"
            "sda     10  \n"
            "sdb   2000  \n");
}

TEST(TableLayout, AllFieldsInNameOrderWithWidthsFromTheLongestCell) {
  // Ints are right-aligned wherever they stand; a last column of text is never padded.
  auto definition = MetaStruct::New("Row");
  definition->SetField("Label", "");
  definition->SetField("Amount", 0);
  definition->SetField("Z", false);
  auto list = MetaList::New(MetaType::Struct, definition);
  for (const auto& row : std::vector<std::pair<long, const char*>>{{7, "x"}, {123456, "longer"}}) {
    auto element = MetaStruct::New(definition);
    element->SetField("Amount", row.first);
    element->SetField("Label", row.second);
    element->SetField("Z", row.first > 100);
    list->Add(element);
  }
  EXPECT_EQ(Render(list, {}).text,
            "Amount  Label   Z\n"
            "------  ------  -\n"
            "     7  x       false\n"
            "123456  longer  true\n");
}

TEST(TableLayout, HeaderSwitches) {
  const std::string header = "Name  Size\n";
  const std::string dashes = "----  ----\n";
  const std::string rows = "sda     10  \nsdb   2000  \n";
  struct Case {
    std::vector<std::pair<const char*, const char*>> params;
    std::string expected;
  };
  const Case cases[] = {
      {{{"show-header", "false"}}, rows},
      {{{"show-header", ""}, {"table-header", "false"}}, rows},
      {{{"show-header", "true"}, {"table-header", "false"}}, header + dashes + rows},
      {{{"show-header", "FALSE"}}, header + dashes + rows},
      {{{"header-line", "false"}}, header + rows},
      {{{"header-line", "no"}}, header + dashes + rows},
      {{{"header-line", "false"}, {"show-header", "false"}}, rows},
  };
  for (const Case& c : cases) {
    auto params = c.params;
    params.emplace_back("fields", "Name,Size");
    EXPECT_EQ(Render(DiskList(kTwoDisks), params).text, c.expected)
        << params.front().first << "=" << params.front().second;
  }
}

TEST(TableLayout, ColumnChoiceAndTrimming) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> params;
    std::string expected;
  };
  const Case cases[] = {
      {{{"table-columns", "Size"}}, "Size\n----\n  10  \n2000  \n"},
      {{{"table-columns", "Size"}, {"fields", " Name\t,\nSize "}},
       "Name  Size\n----  ----\nsda     10  \nsdb   2000  \n"},
      {{{"fields", "Size"}, {"fields:Dev", "Name"}}, "Name\n----\nsda\nsdb\n"},
      {{{"fields:Other", "Size"}, {"fields", "Name"}}, "Name\n----\nsda\nsdb\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Render(DiskList(kTwoDisks), c.params).text, c.expected) << c.params.back().second;
  }
}

TEST(TableLayout, RepeatedLastColumnIsUnpaddedWhereverItAppears) {
  // The header goes by position, the rows by name.
  EXPECT_EQ(Render(DiskList(kTwoDisks), {{"fields", "Name,Size,Name"}}).text,
            "Name  Size  Name\n"
            "----  ----  ----\n"
            "sda  10  sda\n"
            "sdb2000  sdb\n");
}

TEST(TableLayout, PrintfAndUnitsUseTheElementTypeAndTheColumnAsWritten) {
  // The list is declared as Dev, but its element carries the type name Vol.
  auto list = MetaList::New(MetaType::Struct, NewDisk("Dev", {"", 0, ""}));
  list->Add(NewDisk("Vol", {"sda", 10, "Acme"}));
  const Rendered run = Render(list, {{"fields", "Name, Info.Vendor ,Size"},
                                     {"printf:Vol.Size", "%05ld"},
                                     {"units:Vol.Size", "MB"},
                                     {"units:Dev.Name", "ignored"},
                                     {"printf:Vol.Info.Vendor", "<%s>"}});
  EXPECT_EQ(run.text,
            "Name  Info.Vendor  Size\n"
            "----  -----------  ----\n"
            "sda   <Acme>       00010 MB  \n");
}

TEST(TableLayout, EmptyList) {
  EXPECT_EQ(Render(DiskList({}), {{"fields", "Name,Size"}}).text, "Name  Size\n----  ----\n");
  const Rendered untyped = Render(MetaList::New(MetaType::Struct, nullptr), {});
  EXPECT_TRUE(untyped.result);
  EXPECT_EQ(untyped.text, "");
}

TEST(TableWrapLast, WrapsUnderTheLastColumnOnlyWhenItFits) {
  auto definition = MetaStruct::New("Cmd");
  definition->SetField("Name", "");
  definition->SetField("Description", "");
  auto list = MetaList::New(MetaType::Struct, definition);
  for (const auto& command : std::vector<std::pair<const char*, const char*>>{
           {"list", "List all the commands in the namespace tree"}, {"x", "Short"}}) {
    auto row = MetaStruct::New(definition);
    row->SetField("Name", command.first);
    row->SetField("Description", command.second);
    list->Add(row);
  }
  // Units show only where the cell is not wrapped.
  const std::string unwrapped =
      "list  List all the commands in the namespace tree u\n"
      "x     Short u\n";
  struct Case {
    std::uint16_t width;
    std::string expected;
  };
  const Case cases[] = {
      {0, unwrapped},
      {16, unwrapped},  // 6 for the Name column + 11 for "Description" does not fit
      {17,
       "list  List all \n"
       "      the \n"
       "      commands \n"
       "      in the \n"
       "      namespace \n"
       "      tree\n"
       "x     Short\n"},
      {30,
       "list  List all the commands \n"
       "      in the namespace tree\n"
       "x     Short\n"},
  };
  for (const Case& c : cases) {
    const Rendered run = Render(list,
                                {{"fields", "Name,Description"},
                                 {"table-header", "false"},
                                 {"wrap-last", "true"},
                                 {"units:Cmd.Description", "u"}},
                                c.width);
    EXPECT_TRUE(run.result);
    EXPECT_EQ(run.text, c.expected) << "width " << c.width;
  }
}

TEST(TableWrapLast, SingleColumnNeverWraps) {
  const Rendered run = Render(DiskList(kTwoDisks),
                              {{"fields", "Info.Vendor"},
                               {"wrap-last", "true"},
                               {"show-header", "false"},
                               {"units:Dev.Info.Vendor", "u"}},
                              12);
  EXPECT_EQ(run.text, "Acme u\nInitech Corp u\n");
}

TEST(TableErrors, UnresolvedColumnsWriteOnlyTheErrorLine) {
  for (const char* column : {"Missing", "Missing.Vendor", "Name.Vendor", "Info.Serial"}) {
    const std::string fields = std::string("Name,") + column;
    const Rendered run = Render(DiskList(kTwoDisks), {{"fields", fields.c_str()}});
    EXPECT_FALSE(run.result) << column;
    EXPECT_EQ(run.text, std::string("Error: Unknown field in field list: ") + column + "\n");
  }
}

TEST(TableErrors, WrongRootThrows) {
  for (const std::shared_ptr<MetaObject>& root :
       {std::shared_ptr<MetaObject>(), std::shared_ptr<MetaObject>(MetaString::New("x")),
        std::shared_ptr<MetaObject>(MetaList::New(MetaType::Int)),
        std::shared_ptr<MetaObject>(NewDisk("Dev", kTwoDisks[0]))}) {
    try {
      Render(root, {});
      ADD_FAILURE() << "no exception for " << (root ? root->ToString() : "no root");
    } catch (const TarnekException& e) {
      EXPECT_STREQ(
          e.what(),
          "Error: Unexpected type for output, formatter, table, expected a List of structs");
    }
  }
}

TEST(GetSubField, ResolvesNamesAndDottedPaths) {
  // Unresolvable paths inside a table are covered above; these are the shapes a table never
  // reaches with a valid column.
  auto disk = NewDisk("Dev", kTwoDisks[0]);
  const auto info = std::static_pointer_cast<MetaStruct>(disk->GetField("Info"));
  EXPECT_EQ(GetSubField(disk, "Info"), info);
  EXPECT_EQ(GetSubField(disk, "Info.Vendor"), info->GetField("Vendor"));
  for (const char* path : {"Info.", ".Info", "Info.Vendor.X"}) {
    EXPECT_EQ(GetSubField(disk, path), nullptr) << path;
  }
  EXPECT_EQ(GetSubField(nullptr, "Info.Vendor"), nullptr);
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
