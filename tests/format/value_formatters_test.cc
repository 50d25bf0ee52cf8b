// The formatters that write values as text: simple, JSON, Python and XML, compared byte for byte.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/xml_formatter.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using namespace MetaObj;
using Settings = std::vector<std::pair<const char*, const char*>>;

std::string Render(Formatter& formatter, const std::shared_ptr<MetaObject>& root,
                   FormatParameters params = {}) {
  auto output = Output::New();
  output->SetRootObject(root);
  output->AddErrorMessage("disk <sda> failed");  // messages are not part of the text
  DisplayContext display;
  display.width = 10;  // never read: long lines must not wrap
  std::ostringstream out;
  EXPECT_TRUE(formatter.Format(output, params, display, out));
  return out.str();
}

std::string Render(Formatter& formatter, const std::shared_ptr<MetaObject>& root,
                   const Settings& settings) {
  FormatParameters params;
  for (const auto& [name, value] : settings) params.SetParameter(name, value);
  return Render(formatter, root, params);
}

// A host's own value class, claiming a kind whose class it is not.
class Impostor : public MetaObject {
 public:
  explicit Impostor(MetaType claimed) : MetaObject(claimed) {}
  std::string ToString() const override { return "impostor"; }
};

std::shared_ptr<MetaStruct> NewDev(const char* name, long size) {
  auto dev = MetaStruct::New("Dev");
  dev->SetField("Name", name);
  dev->SetField("Size", size);
  return dev;
}

const char kXmlHead[] =
    "<?xml version=\"1.0\"?>\n"
    "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n";

// An XML document without format parameters around `body`, the lines between the root tags.
std::string XmlDocument(const std::string& body) {
  return std::string(kXmlHead) + "   <meta-data>\n   </meta-data>\n   <root>\n" + body +
         "   </root>\n</output>\n";
}

TEST(ValueFormatters, RenderRootValues) {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("Name", "sda <boot>");
  auto disks = MetaList::New(MetaType::Struct, disk);
  disks->Add(disk);
  disks->Add(disk);
  const std::string xmlDisk =
      "            <structure typeName=\"Disk\">\n               <field name=\"Name\">\n"
      "                  <string>sda &lt;boot&gt;</string>\n"
      "               </field>\n            </structure>\n";
  const std::string jsonDisk = "\n      {\n         \"Name\": \"sda <boot>\"\n      }";
  const std::string longText = "a  b, longer than the width";
  const struct {
    std::shared_ptr<MetaObject> root;
    std::string simple, json, python, xml;  // xml: the lines between the root tags
  } cases[] = {
      {MetaBool::New(false), "false\n", "false\n", "False\n", "      <boolean>false</boolean>\n"},
      {MetaInt::New(INT64_MIN), "-9223372036854775808\n", "-9223372036854775808\n",
       "-9223372036854775808\n", "      <integer>-9223372036854775808</integer>\n"},
      {MetaString::New(longText), longText + "\n", "\"" + longText + "\"\n",
       "\"\"\"" + longText + "\"\"\"\n", "      <string>" + longText + "</string>\n"},
      {MetaStruct::New("Empty"), "Empty:\n", "\n{\n}\n", "{}\n",
       "      <structure typeName=\"Empty\">\n      </structure>\n"},
      {MetaList::New(MetaType::Int), "\n", "\n[\n]\n", "[]\n",
       "      <list type=\"integer\">\n      </list>\n"},
      {disks, "\nDisk:\n   Name: sda <boot>\n\nDisk:\n   Name: sda <boot>\n\n",
       "\n[\n" + jsonDisk + ", \n" + jsonDisk + "\n]\n",
       "[{\"Name\": \"\"\"sda <boot>\"\"\", }, {\"Name\": \"\"\"sda <boot>\"\"\", }, ]\n",
       "      <list type=\"structure\">\n" + xmlDisk + xmlDisk + "      </list>\n"},
      // Without a root JSON still ends the line; Python has nothing it could write.
      {nullptr, "", "\n", "", ""},
  };
  SimpleFormatter simple;
  JsonFormatter json;
  PythonFormatter python;
  XmlFormatter xml;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root ? c.root->ToString() : "null");
    EXPECT_EQ(Render(simple, c.root), c.simple);
    EXPECT_EQ(Render(json, c.root), c.json);
    if (c.root) {
      EXPECT_EQ(Render(python, c.root), c.python);
    }
    EXPECT_EQ(Render(xml, c.root), XmlDocument(c.xml));
  }
  std::ostringstream out;
  EXPECT_EQ(ThrownMessage([&] { python.Format(nullptr, out, 2); }),
            "Invalid MetaObject passed to Format in PythonFormatter");
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
  SimpleFormatter simple;
  EXPECT_EQ(Render(simple, dev, Settings{{"printf:Dev.Size", "%04ld"}, {"units:Dev.Size", "MB"}}),
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
  SimpleFormatter simple;
  for (const auto& [settings, expected] : cases) {
    EXPECT_EQ(Render(simple, dev, settings), expected) << settings.back().first;
  }
}

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
            "\n{\n   \"a\": 1,\n   \"l\": \n   [\n   \"x\", \n   \"y\"\n   ],\n"
            "   \"s\": \n   {\n      \"b\": true\n   }\n}\n");
  const std::string element =
      "\n      {\n         \"n\": \n            [\n            1, \n            2\n"
      "            ]\n      }";
  EXPECT_EQ(Render(json, list), "\n[\n" + element + ", \n" + element + "\n]\n");
  EXPECT_EQ(Render(python, root), R"({"a": 1, "l": ["""x""", """y""", ], "s": {"b": True, }, })"
                                  "\n");
  EXPECT_EQ(Render(python, list), "[{\"n\": [1, 2, ], }, {\"n\": [1, 2, ], }, ]\n");
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

TEST(XmlFormatter, StructureWithListAndNestedStructure) {
  auto inner = MetaStruct::New("U");
  inner->SetField("b", true);
  auto root = MetaStruct::New("T");
  root->SetField("s", inner);
  root->SetField("l", std::vector<std::string>{"x", "y"});
  root->SetField("a", 1);
  XmlFormatter xml;
  EXPECT_EQ(Render(xml, root), XmlDocument(R"(      <structure typeName="T">
         <field name="a">
            <integer>1</integer>
         </field>
         <field name="l">
            <list type="string">
                  <string>x</string>
                  <string>y</string>
            </list>
         </field>
         <field name="s">
            <structure typeName="U">
               <field name="b">
                  <boolean>true</boolean>
               </field>
            </structure>
         </field>
      </structure>
)"));
}

TEST(XmlFormatter, MetaDataListsEveryParameterEscapedInKeyOrder) {
  FormatParameters params;
  params.SetFormatter("xml");  // the name is not a parameter
  params.SetParameter("units:T.Size", "<MB>");
  params.SetParameter("stylesheet", "a\"b&c.xsl");
  params.SetParameter("Fields", "");
  params.SetParameter("printf:T.Pct", "%d%%");
  XmlFormatter xml;
  EXPECT_EQ(Render(xml, MetaBool::New(true), params),
            "<?xml version=\"1.0\"?>\n"
            // The style-sheet reference goes out exactly as given, unescaped.
            "<?xml-stylesheet type=\"text/xsl\" href=\"a\"b&c.xsl\"?>\n"
            "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n"
            "   <meta-data>\n"
            "      <meta-data-field name=\"Fields\" value=\"\"/>\n"
            "      <meta-data-field name=\"printf:T.Pct\" value=\"&#37;d&#37;&#37;\"/>\n"
            "      <meta-data-field name=\"stylesheet\" value=\"a&quot;b&amp;c.xsl\"/>\n"
            "      <meta-data-field name=\"units:T.Size\" value=\"&lt;MB&gt;\"/>\n"
            "   </meta-data>\n   <root>\n      <boolean>true</boolean>\n   </root>\n</output>\n");
}

TEST(XmlFormatter, SantizeStringReplacesAmpersandFirstThenTheOthers) {
  const std::pair<const char*, const char*> cases[] = {
      {"a<b & 50% \"c\" 'd'", "a&lt;b &amp; 50&#37; &quot;c&quot; &apos;d&apos;"},
      // References already in the text are escaped again, not taken as written.
      {"&lt;&#37;", "&amp;lt;&amp;#37;"},
      {"&&<<>>%%\"\"''", "&amp;&amp;&lt;&lt;&gt;&gt;&#37;&#37;&quot;&quot;&apos;&apos;"},
      {"plain $1 \\1 .* caf\xc3\xa9", "plain $1 \\1 .* caf\xc3\xa9"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(SantizeString(text), expected) << text;
}

// A value the formatter cannot read becomes a note in the text; the XML note stands unindented
// on a line of its own.
TEST(ValueFormatters, WriteANoteForValuesTheyCannotRead) {
  const struct {
    MetaType kind;
    const char* simple;  // nullptr: not a kind the simple formatter is handed
    const char* json;
    const char* xml;
  } cases[] = {
      {MetaType::Bool, "Error reading a bool", "Error reading a bool",
       "<!-- Error reading a bool -->"},
      {MetaType::Int, "Error reading a int", "Error reading a int", "Error reading a int"},
      {MetaType::String, "Error reading a string", "Error reading a string",
       "Error reading a string"},
      {MetaType::Struct, "Error reading a struct from output.",
       "Error reading a struct from output.", "Error reading a struct from output."},
      {MetaType::List, "Error reading a List", "Error reading a List", "Error reading a List"},
      {static_cast<MetaType>(7), nullptr, "Unknown data type",
       "Error Only simple int, bool, string and struct output supported"},
  };
  JsonFormatter json;
  PythonFormatter python;
  XmlFormatter xml;
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    if (c.simple != nullptr) {
      FormatParameters params;
      std::ostringstream out;
      SimpleFormatter().Format(std::make_shared<Impostor>(c.kind), params, out, 0);
      EXPECT_EQ(out.str(), std::string(c.simple) + "\n");
    }
    auto root = MetaStruct::New("T");
    root->SetField("a/b&'c'", std::make_shared<Impostor>(c.kind));
    root->SetField("c", 2);
    const std::string line = std::string(c.json) + "\n";
    EXPECT_EQ(Render(json, root), "\n{\n   \"a/b&'c'\": " + line + ",\n   \"c\": 2\n}\n");
    EXPECT_EQ(Render(python, root), "{\"a/b&'c'\": " + line + ", \"c\": 2, }\n");
    EXPECT_EQ(Render(xml, root), XmlDocument("      <structure typeName=\"T\">\n"
                                             "         <field name=\"a/b&amp;&apos;c&apos;\">\n" +
                                             std::string(c.xml) +
                                             "\n         </field>\n         <field name=\"c\">\n"
                                             "            <integer>2</integer>\n         </field>\n"
                                             "      </structure>\n"));
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
