#include "tarnek/autocli/json_formatter.h"

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../common/test_util.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using namespace MetaObj;

std::string Render(Formatter& formatter, const std::shared_ptr<MetaObject>& root) {
  std::shared_ptr<Output> output = Output::New();
  output->SetRootObject(root);
  FormatParameters params;
  DisplayContext display;
  std::ostringstream out;
  EXPECT_TRUE(formatter.Format(output, params, display, out));
  return out.str();
}

// A host's own value class, whose kind need not match its class.
class ForeignValue : public MetaObject {
 public:
  explicit ForeignValue(MetaType kind) : MetaObject(kind) {}
  std::string ToString() const override { return "foreign"; }
};

TEST(JsonAndPythonFormatters, RenderNestedValues) {
  auto inner = MetaStruct::New("Inner");
  inner->SetField("b", true);
  auto root = MetaStruct::New("Example");
  root->SetField("s", inner);
  root->SetField("l", std::vector<std::string>{"x", "y"});
  root->SetField("a", 1);
  // Two structures, each holding a list of integers.
  auto item = MetaStruct::New("Item");
  item->SetField("n", std::vector<std::int64_t>{1, 2});
  auto list = MetaList::New(MetaType::Struct, item);
  list->Add(item);
  list->Add(item);

  JsonFormatter json;
  PythonFormatter python;
  EXPECT_EQ(Render(json, root),
            "\n{\n"
            "   \"a\": 1,\n"
            "   \"l\": \n"
            "   [\n"
            "   \"x\", \n"
            "   \"y\"\n"
            "   ],\n"
            "   \"s\": \n"
            "   {\n"
            "      \"b\": true\n"
            "   }\n"
            "}\n");
  const std::string element =
      "\n      {\n"
      "         \"n\": \n"
      "            [\n"
      "            1, \n"
      "            2\n"
      "            ]\n"
      "      }";
  EXPECT_EQ(Render(json, list), "\n[\n" + element + ", \n" + element + "\n]\n");
  EXPECT_EQ(Render(python, root), R"({"a": 1, "l": ["""x""", """y""", ], "s": {"b": True, }, })"
                                  "\n");
  EXPECT_EQ(Render(python, list), "[{\"n\": [1, 2, ], }, {\"n\": [1, 2, ], }, ]\n");
}

TEST(JsonAndPythonFormatters, RenderRootScalarsAndEmptyContainers) {
  const std::tuple<std::shared_ptr<MetaObject>, const char*, const char*> cases[] = {
      {MetaBool::New(false), "false\n", "False\n"},
      {MetaInt::New(-9000000000L), "-9000000000\n", "-9000000000\n"},
      {MetaStruct::New("Empty"), "\n{\n}\n", "{}\n"},
      {MetaList::New(MetaType::String), "\n[\n]\n", "[]\n"},
  };
  JsonFormatter json;
  PythonFormatter python;
  for (const auto& [root, jsonText, pythonText] : cases) {
    EXPECT_EQ(Render(json, root), jsonText);
    EXPECT_EQ(Render(python, root), pythonText);
  }
  // Without a root JSON still ends the line; Python has nothing it could write.
  EXPECT_EQ(Render(json, nullptr), "\n");
  std::ostringstream out;
  EXPECT_EQ(ThrownMessage([&] { python.Format(nullptr, out, 2); }),
            "Invalid MetaObject passed to Format in PythonFormatter");
}

TEST(JsonAndPythonFormatters, QuoteStrings) {
  const std::pair<std::string, const char*> jsonCases[] = {
      {"a/b", R"("a\/b")"},
      {R"(say "hi" c:\)", R"("say \"hi\" c:\\")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {std::string("\0\x01\x0b\x1f", 4), R"("\u0000\u0001\u000b\u001f")"},
      {" ~AZaz09{}'\x7f", R"(" ~AZaz09{}'\u007f")"},
      {"caf\xc3\xa9\xff", R"("caf\u00c3\u00a9\u00ff")"},
  };
  // Python escapes only quotes and line feeds; a backslash before a quote is not doubled.
  const std::pair<std::string, const char*> pythonCases[] = {
      {"say \"hi\"\n", R"("""say \"hi\"\n""")"},
      {R"(c:\dir \")", R"("""c:\dir \\"""")"},
      {"a\tb\rc/d'e\xc3\xa9\x7f", "\"\"\"a\tb\rc/d'e\xc3\xa9\x7f\"\"\""},
  };
  JsonFormatter json;
  PythonFormatter python;
  for (const auto& [text, quoted] : jsonCases) {
    EXPECT_EQ(Render(json, MetaString::New(text)), std::string(quoted) + "\n");
  }
  for (const auto& [text, quoted] : pythonCases) {
    EXPECT_EQ(Render(python, MetaString::New(text)), std::string(quoted) + "\n");
  }
  EXPECT_TRUE(PythonFormatter::IsAllAscii(std::string("a\0b\x7f", 4)));
  EXPECT_FALSE(PythonFormatter::IsAllAscii("tail\x80"));
}

TEST(JsonAndPythonFormatters, WriteANoteForValuesTheyCannotRead) {
  const std::pair<MetaType, const char*> cases[] = {
      {MetaType::Bool, "Error reading a bool"},
      {MetaType::Int, "Error reading a int"},
      {MetaType::String, "Error reading a string"},
      {MetaType::Struct, "Error reading a struct from output."},
      {MetaType::List, "Error reading a List"},
      {static_cast<MetaType>(7), "Unknown data type"},
  };
  JsonFormatter json;
  PythonFormatter python;
  for (const auto& [kind, note] : cases) {
    auto root = MetaStruct::New("T");
    root->SetField("a/b", std::make_shared<ForeignValue>(kind));
    root->SetField("c", 2);
    const std::string line = std::string(note) + "\n";
    EXPECT_EQ(Render(json, root), "\n{\n   \"a/b\": " + line + ",\n   \"c\": 2\n}\n");
    EXPECT_EQ(Render(python, root), "{\"a/b\": " + line + ", \"c\": 2, }\n");
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
