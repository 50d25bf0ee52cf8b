#include "tarnek/autocli/table_formatter.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;
using Params = std::vector<std::pair<const char*, const char*>>;

std::shared_ptr<MetaStruct> NewDisk(const char* typeName, const char* name, long size,
                                    const char* vendor) {
  auto info = MetaStruct::New("Info");
  info->SetField("Vendor", vendor);
  auto dev = MetaStruct::New(typeName);
  dev->SetField("Info", info);
  dev->SetField("Name", name);
  dev->SetField("Size", size);
  return dev;
}

// Declared as a list of Dev, while the elements carry the type name Vol: column choice goes by
// the declared type, printf and units by the element's.
std::shared_ptr<MetaList> TwoDisks() {
  auto list = MetaList::New(MetaType::Struct, NewDisk("Dev", "", 0, ""));
  list->Add(NewDisk("Vol", "sda", 10, "Acme"));
  list->Add(NewDisk("Vol", "sdb", 2000, "Initech Corp"));
  return list;
}

struct Rendered {
  bool result;
  std::string text;
};

// Renders onto a right-adjusted stream, so that no padding depends on the caller's settings;
// a printed table leaves the stream left-adjusted.
Rendered Render(const std::shared_ptr<MetaObject>& root, const Params& params,
                std::uint16_t width = 0) {
  auto output = CallSpec::Output::New();
  output->SetRootObject(root);
  FormatParameters format;
  for (const auto& param : params) format.SetParameter(param.first, param.second);
  DisplayContext display;
  display.width = width;
  std::ostringstream out;
  out << std::right;
  const bool result = TableFormatter::New()->Format(output, format, display, out);
  EXPECT_TRUE(out.str().empty() || !result || (out.flags() & std::ios::left) != 0);
  return {result, out.str()};
}

TEST(TableFormatter, ColumnsHeadersAndCells) {
  const std::string header = "Name  Size\n----  ----\n";
  const std::string rows = "sda     10  \nsdb   2000  \n";
  const std::pair<Params, std::string> cases[] = {
      {{{"fields", "Name,Size"}}, header + rows},
      {{},  // every field in name order; a structure cell shows its text
       "Info                            Name  Size\n------------------------------  ----  ----\n"
       "{'Vendor' => 'Acme', }          sda     10  \n"
       "{'Vendor' => 'Initech Corp', }  sdb   2000  \n"},
      {{{"fields", "Name,Size"}, {"show-header", "false"}}, rows},
      {{{"fields", "Name,Size"}, {"show-header", ""}, {"table-header", "false"}}, rows},
      {{{"fields", "Name,Size"}, {"show-header", "true"}, {"table-header", "false"}},
       header + rows},
      {{{"fields", "Name,Size"}, {"show-header", "FALSE"}}, header + rows},
      {{{"fields", "Name,Size"}, {"header-line", "false"}}, "Name  Size\n" + rows},
      {{{"table-columns", "Size"}}, "Size\n----\n  10  \n2000  \n"},
      {{{"table-columns", "Size"}, {"fields", " Name\t,\nSize "}}, header + rows},
      {{{"fields", "Size"}, {"fields:Dev", "Name"}}, "Name\n----\nsda\nsdb\n"},
      // The header goes by position, the rows by name.
      {{{"fields", "Name,Size,Name"}},
       "Name  Size  Name\n----  ----  ----\nsda  10  sda\nsdb2000  sdb\n"},
      {{{"fields", "Name, Info.Vendor ,Size"},
        {"printf:Vol.Size", "%05ld"},
        {"units:Vol.Size", "MB"},
        {"units:Dev.Name", "ignored"},
        {"printf:Vol.Info.Vendor", "<%s>"}},
       "Name  Info.Vendor     Size\n"
       "----  --------------  ----\n"
       "sda   <Acme>          00010 MB  \n"
       "sdb   <Initech Corp>  02000 MB  \n"},
  };
  for (const auto& [params, expected] : cases) {
    const Rendered run = Render(TwoDisks(), params);
    EXPECT_TRUE(run.result);
    EXPECT_EQ(run.text, expected) << ::testing::PrintToString(params);
  }
}

TEST(TableFormatter, WrapsTheLastColumnOnlyWhenItFits) {
  auto definition = MetaStruct::New("Cmd");
  definition->SetField("Name", "");
  definition->SetField("Description", "");
  auto list = MetaList::New(MetaType::Struct, definition);
  for (const auto& [name, description] : std::vector<std::pair<const char*, const char*>>{
           {"list", "List all the commands in the namespace tree"}, {"x", "Short"}}) {
    auto row = MetaStruct::New(definition);
    row->SetField("Name", name);
    row->SetField("Description", description);
    list->Add(row);
  }
  // Units show only where the cell is not wrapped.
  const std::string unwrapped = "list  List all the commands in the namespace tree u\nx     Short u\n";
  const std::pair<std::uint16_t, std::string> cases[] = {
      {0, unwrapped},
      {16, unwrapped},  // 6 for the Name column + 11 for "Description" does not fit
      {17, "list  List all \n      the \n      commands \n      in the \n      namespace \n"
           "      tree\nx     Short\n"},
  };
  for (const auto& [width, expected] : cases) {
    EXPECT_EQ(Render(list,
                     {{"fields", "Name,Description"},
                      {"table-header", "false"},
                      {"wrap-last", "true"},
                      {"units:Cmd.Description", "u"}},
                     width)
                  .text,
              expected)
        << "width " << width;
  }
  // A single column has no indent to wrap under.
  EXPECT_EQ(Render(TwoDisks(),
                   {{"fields", "Info.Vendor"}, {"wrap-last", "true"}, {"show-header", "false"},
                    {"units:Vol.Info.Vendor", "u"}},
                   12)
                .text,
            "Acme u\nInitech Corp u\n");
}

TEST(TableFormatter, EmptyListsUnresolvedColumnsAndWrongRoots) {
  EXPECT_EQ(Render(MetaList::New(MetaType::Struct, NewDisk("Dev", "", 0, "")),
                   {{"fields", "Name,Size"}})
                .text,
            "Name  Size\n----  ----\n");
  const Rendered untyped = Render(MetaList::New(MetaType::Struct, nullptr), {});
  EXPECT_TRUE(untyped.result);
  EXPECT_EQ(untyped.text, "");
  for (const char* column : {"Missing.Vendor", "Name.Vendor", "Info.Serial"}) {
    const std::string fields = std::string("Name,") + column;
    const Rendered run = Render(TwoDisks(), {{"fields", fields.c_str()}});
    EXPECT_FALSE(run.result) << column;
    EXPECT_EQ(run.text, std::string("Error: Unknown field in field list: ") + column + "\n");
  }
  for (const std::shared_ptr<MetaObject>& root :
       {std::shared_ptr<MetaObject>(MetaString::New("x")),
        std::shared_ptr<MetaObject>(MetaList::New(MetaType::Int))}) {
    EXPECT_EQ(ThrownMessage([&] { Render(root, {}); }),
              "Error: Unexpected type for output, formatter, table, expected a List of structs");
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
