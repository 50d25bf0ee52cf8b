#include "tarnek/autocli/json_formatter.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../common/test_util.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

// Multi-line texts live in files: their lines end in significant spaces.
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

std::string Render(Formatter& formatter, const std::shared_ptr<MetaObject>& root) {
  std::shared_ptr<Output> output = Output::New();
  output->SetRootObject(root);
  FormatParameters params;
  DisplayContext display;
  std::ostringstream out;
  EXPECT_TRUE(formatter.Format(output, params, display, out));
  return out.str();
}

// a = 1, l = ["x", "y"], s = {b = true}
std::shared_ptr<MetaStruct> StructWithList() {
  auto inner = MetaStruct::New("Inner");
  inner->SetField("b", true);
  auto root = MetaStruct::New("Example");
  root->SetField("s", inner);
  root->SetField("l", std::vector<std::string>{"x", "y"});
  root->SetField("a", 1);
  return root;
}

// Two structures, each with an integer list and a nested structure.
std::shared_ptr<MetaList> ListOfStructures() {
  const auto makeItem = [](const char* text) {
    auto inner = MetaStruct::New("Inner");
    inner->SetField("u", text);
    auto item = MetaStruct::New("Item");
    item->SetField("n", std::vector<std::int64_t>{1, 2});
    item->SetField("t", inner);
    return item;
  };
  auto list = MetaList::New(MetaType::Struct, makeItem(""));
  list->Add(makeItem("v"));
  list->Add(makeItem("w"));
  return list;
}

// A host's own value class, whose kind need not match its class.
class ForeignValue : public MetaObject {
 public:
  explicit ForeignValue(MetaType kind) : MetaObject(kind) {}
  std::string ToString() const override { return "foreign"; }
};

TEST(JsonAndPythonFormatters, RenderNestedValues) {
  JsonFormatter json;
  PythonFormatter python;
  EXPECT_EQ(Render(json, StructWithList()), ReadGolden("json_struct_with_list.json"));
  EXPECT_EQ(Render(json, ListOfStructures()), ReadGolden("json_list_of_structures.json"));
  EXPECT_EQ(Render(python, StructWithList()),
            R"({"a": 1, "l": ["""x""", """y""", ], "s": {"b": True, }, })"
            "\n");
  EXPECT_EQ(
      Render(python, ListOfStructures()),
      R"([{"n": [1, 2, ], "t": {"u": """v""", }, }, {"n": [1, 2, ], "t": {"u": """w""", }, }, ])"
      "\n");
}

TEST(JsonAndPythonFormatters, RenderRootScalarsAndEmptyContainers) {
  struct Case {
    std::shared_ptr<MetaObject> root;
    const char* json;
    const char* python;
  };
  const Case cases[] = {
      {MetaBool::New(true), "true\n", "True\n"},
      {MetaBool::New(false), "false\n", "False\n"},
      {MetaInt::New(-9000000000L), "-9000000000\n", "-9000000000\n"},
      {MetaStruct::New("Empty"), "\n{\n}\n", "{}\n"},
      {MetaList::New(MetaType::String), "\n[\n]\n", "[]\n"},
  };
  JsonFormatter json;
  PythonFormatter python;
  for (const Case& c : cases) {
    EXPECT_EQ(Render(json, c.root), c.json);
    EXPECT_EQ(Render(python, c.root), c.python);
  }
  // Without a root JSON still ends the line; Python has nothing it could write.
  EXPECT_EQ(Render(json, nullptr), "\n");
  std::ostringstream out;
  EXPECT_EQ(ThrownMessage([&] { python.Format(nullptr, out, 2); }),
            "Invalid MetaObject passed to Format in PythonFormatter");
}

TEST(JsonFormatter, EscapesStringsByteByByte) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case cases[] = {
      {"a/b", R"("a\/b")"},
      {R"(say "hi" c:\)", R"("say \"hi\" c:\\")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {std::string("\0\x01\x0b\x1f", 4), R"("\u0000\u0001\u000b\u001f")"},
      {" ~AZaz09{}'\x7f", R"(" ~AZaz09{}'\u007f")"},
      {"caf\xc3\xa9\xff", R"("caf\u00c3\u00a9\u00ff")"},
  };
  JsonFormatter json;
  for (const Case& c : cases) {
    EXPECT_EQ(Render(json, MetaString::New(c.text)), std::string(c.quoted) + "\n");
  }
}

TEST(PythonFormatter, EscapesOnlyQuotesAndLineFeeds) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case cases[] = {
      {"say \"hi\"\n", R"("""say \"hi\"\n""")"},
      {"", R"("""""")"},
      {R"(c:\dir \")", R"("""c:\dir \\"""")"},  // a backslash before a quote is not doubled
      {"a\tb\rc/d'e", "\"\"\"a\tb\rc/d'e\"\"\""},
      {"caf\xc3\xa9\x7f", "\"\"\"caf\xc3\xa9\x7f\"\"\""},
  };
  PythonFormatter python;
  for (const Case& c : cases) {
    EXPECT_EQ(Render(python, MetaString::New(c.text)), std::string(c.quoted) + "\n");
  }
}

TEST(PythonFormatter, IsAllAsciiLooksAtEveryByte) {
  EXPECT_TRUE(PythonFormatter::IsAllAscii(""));
  EXPECT_TRUE(PythonFormatter::IsAllAscii(std::string("a\0b\x7f", 4)));
  EXPECT_FALSE(PythonFormatter::IsAllAscii("\x80"));
  EXPECT_FALSE(PythonFormatter::IsAllAscii("caf\xc3\xa9"));
  EXPECT_FALSE(PythonFormatter::IsAllAscii("tail\xff"));
}

TEST(JsonAndPythonFormatters, WriteANoteForValuesTheyCannotRead) {
  struct Case {
    MetaType kind;
    const char* note;
  };
  const Case cases[] = {
      {MetaType::Bool, "Error reading a bool"},
      {MetaType::Int, "Error reading a int"},
      {MetaType::String, "Error reading a string"},
      {MetaType::Struct, "Error reading a struct from output."},
      {MetaType::List, "Error reading a List"},
      {static_cast<MetaType>(7), "Unknown data type"},
  };
  JsonFormatter json;
  PythonFormatter python;
  for (const Case& c : cases) {
    auto root = MetaStruct::New("T");
    root->SetField("a/b", std::make_shared<ForeignValue>(c.kind));
    root->SetField("c", 2);
    const std::string note = std::string(c.note) + "\n";
    EXPECT_EQ(Render(json, root), "\n{\n   \"a/b\": " + note + ",\n   \"c\": 2\n}\n");
    EXPECT_EQ(Render(python, root), "{\"a/b\": " + note + ", \"c\": 2, }\n");
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
