#include "tarnek/autocli/xml_formatter.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

const char kHead[] =
    "<?xml version=\"1.0\"?>\n"
    "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n";

std::string ReadGolden(const std::string& name) {
  const char* root = std::getenv("TARNEK_TEST_SOURCE_DIR");
  std::string dir = root != nullptr
                        ? std::string(root) + "/tests/format"
                        : std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/'));
  std::ifstream file(dir + "/golden/" + name, std::ios::binary);
  EXPECT_TRUE(file.good()) << "missing golden file " << name << " under " << dir;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Render(const std::shared_ptr<Output>& output, FormatParameters params = {}) {
  XmlFormatter formatter;
  DisplayContext display;
  display.width = 10;  // never read: long lines must not wrap
  std::ostringstream out;
  EXPECT_TRUE(formatter.Format(output, params, display, out));
  return out.str();
}

std::shared_ptr<Output> OutputOf(const std::shared_ptr<MetaObject>& root) {
  auto output = Output::New();
  output->SetRootObject(root);
  return output;
}

// A document without format parameters around `body`, the lines between the root tags.
std::string Document(const std::string& body) {
  return std::string(kHead) + "   <meta-data>\n   </meta-data>\n   <root>\n" + body +
         "   </root>\n</output>\n";
}

// A host value that claims a kind without being of the class that kind belongs to.
class Impostor : public MetaObject {
 public:
  explicit Impostor(MetaType claimed) : MetaObject(claimed) {}
  std::string ToString() const override { return "impostor"; }
};

TEST(XmlFormatter, DescribesItselfAndItsStylesheetParameter) {
  const auto formatter = XmlFormatter::New();
  EXPECT_EQ(formatter->GetName(), "xml");
  EXPECT_EQ(formatter->GetDescription(),
            "Print an XML document to the screen representing the output for a given command");
  ASSERT_EQ(formatter->GetParams().size(), 1u);
  EXPECT_EQ(formatter->GetParams()[0].name, "stylesheet");
  EXPECT_EQ(formatter->GetParams()[0].description,
            "The file name or URL to a stylesheet for this document.  ");
  EXPECT_FALSE(formatter->GetParams()[0].flag);
}

TEST(XmlFormatterGolden, StructureWithListAndNestedStructureUnderAStylesheet) {
  auto inner = MetaStruct::New("U");
  inner->SetField("b", true);
  auto root = MetaStruct::New("T");
  root->SetField("s", inner);
  root->SetField("l", std::vector<std::string>{"x", "y"});
  root->SetField("a", 1);
  FormatParameters params;
  params.SetParameter("stylesheet", "s.xsl");
  EXPECT_EQ(Render(OutputOf(root), params), ReadGolden("xml_stylesheet_struct.xml"));
}

std::shared_ptr<MetaStruct> Disk(long id, const std::string& name, std::vector<std::int64_t> parts,
                                 std::vector<bool> flags) {
  auto info = MetaStruct::New("Info");
  info->SetField("Flags", flags);
  auto disk = MetaStruct::New("Disk");
  disk->SetField("id", id);  // lower case sorts after every upper-case name
  disk->SetField("Parts", parts);
  disk->SetField("Name", name);
  disk->SetField("Info", info);
  return disk;
}

TEST(XmlFormatterGolden, ListOfStructuresNestsTwoLevelsPerElement) {
  auto disks = MetaList::New(MetaType::Struct, Disk(0, "", {}, {}));
  disks->Add(Disk(0, "sda <boot>", {-1, INT64_MAX}, {false, true}));
  disks->Add(Disk(1, "", {}, {}));
  EXPECT_EQ(Render(OutputOf(disks)), ReadGolden("xml_list_of_structures.xml"));
}

TEST(XmlFormatterGolden, ScalarsAndFlatListsAtTheRoot) {
  auto empty = MetaList::New(MetaType::Int);
  auto words = MetaList::New(MetaType::String);
  words->Add("a b");
  struct Case {
    std::shared_ptr<MetaObject> root;
    const char* body;
  };
  const Case cases[] = {
      {MetaBool::New(false), "      <boolean>false</boolean>\n"},
      {MetaInt::New(INT64_MIN), "      <integer>-9223372036854775808</integer>\n"},
      {MetaString::New("a very long text that no width setting may wrap"),
       "      <string>a very long text that no width setting may wrap</string>\n"},
      {MetaString::New("50% <off>"), "      <string>50&#37; &lt;off&gt;</string>\n"},
      {empty, "      <list type=\"integer\">\n      </list>\n"},
      {words, "      <list type=\"string\">\n            <string>a b</string>\n      </list>\n"},
      {nullptr, ""},
  };
  for (const Case& c : cases) {
    auto output = OutputOf(c.root);
    output->AddErrorMessage("disk <sda> failed");  // messages are not part of the document
    EXPECT_EQ(Render(output), Document(c.body)) << (c.root ? c.root->ToString() : "null");
  }
  EXPECT_EQ(Render(nullptr), Document(""));
}

TEST(XmlFormatterGolden, MetaDataListsEveryParameterEscapedInKeyOrder) {
  FormatParameters params;
  params.SetFormatter("xml");  // the name is not a parameter
  params.SetParameter("units:T.Size", "<MB>");
  params.SetParameter("stylesheet", "a\"b&c.xsl");
  params.SetParameter("Fields", "");
  params.SetParameter("fields", "a,b");
  params.SetParameter("printf:T.Pct", "%d%%");
  const std::string expected =
      "<?xml version=\"1.0\"?>\n"
      // The style-sheet reference goes out exactly as given, unescaped.
      "<?xml-stylesheet type=\"text/xsl\" href=\"a\"b&c.xsl\"?>\n"
      "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n"
      "   <meta-data>\n"
      "      <meta-data-field name=\"Fields\" value=\"\"/>\n"
      "      <meta-data-field name=\"fields\" value=\"a,b\"/>\n"
      "      <meta-data-field name=\"printf:T.Pct\" value=\"&#37;d&#37;&#37;\"/>\n"
      "      <meta-data-field name=\"stylesheet\" value=\"a&quot;b&amp;c.xsl\"/>\n"
      "      <meta-data-field name=\"units:T.Size\" value=\"&lt;MB&gt;\"/>\n"
      "   </meta-data>\n"
      "   <root>\n"
      "      <boolean>true</boolean>\n"
      "   </root>\n"
      "</output>\n";
  EXPECT_EQ(Render(OutputOf(MetaBool::New(true)), params), expected);
}

TEST(XmlFormatterGolden, EmptyStylesheetStillWritesTheInstruction) {
  FormatParameters params;
  params.SetParameter("stylesheet", "");
  EXPECT_EQ(Render(Output::New(), params),
            "<?xml version=\"1.0\"?>\n"
            "<?xml-stylesheet type=\"text/xsl\" href=\"\"?>\n"
            "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n"
            "   <meta-data>\n"
            "      <meta-data-field name=\"stylesheet\" value=\"\"/>\n"
            "   </meta-data>\n"
            "   <root>\n"
            "   </root>\n"
            "</output>\n");
}

TEST(XmlFormatterGolden, UnrenderableValuesBecomeUnindentedErrorLinesAmongEscapedFields) {
  auto bad = MetaStruct::New("Bad");
  bad->SetField("a", std::make_shared<Impostor>(MetaType::Bool));
  bad->SetField("b", std::make_shared<Impostor>(MetaType::Int));
  bad->SetField("c", std::make_shared<Impostor>(MetaType::String));
  bad->SetField("d", std::make_shared<Impostor>(MetaType::Struct));
  bad->SetField("e", std::make_shared<Impostor>(MetaType::List));
  bad->SetField("f", std::make_shared<Impostor>(static_cast<MetaType>(9)));
  bad->SetField("g&'h'", "fine");
  const std::string body =
      "      <structure typeName=\"Bad\">\n"
      "         <field name=\"a\">\n"
      "<!-- Error reading a bool -->\n"
      "         </field>\n"
      "         <field name=\"b\">\n"
      "Error reading a int\n"
      "         </field>\n"
      "         <field name=\"c\">\n"
      "Error reading a string\n"
      "         </field>\n"
      "         <field name=\"d\">\n"
      "Error reading a struct from output.\n"
      "         </field>\n"
      "         <field name=\"e\">\n"
      "Error reading a List\n"
      "         </field>\n"
      "         <field name=\"f\">\n"
      "Error Only simple int, bool, string and struct output supported\n"
      "         </field>\n"
      "         <field name=\"g&amp;&apos;h&apos;\">\n"
      "            <string>fine</string>\n"
      "         </field>\n"
      "      </structure>\n";
  EXPECT_EQ(Render(OutputOf(bad)), Document(body));
}

TEST(SantizeString, ReplacesAmpersandFirstThenTheOthers) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"a<b & 50% \"c\" 'd'", "a&lt;b &amp; 50&#37; &quot;c&quot; &apos;d&apos;"},
      // References already in the text are escaped again, not taken as written.
      {"&lt;&#37;", "&amp;lt;&amp;#37;"},
      {"&&<<>>%%\"\"''", "&amp;&amp;&lt;&lt;&gt;&gt;&#37;&#37;&quot;&quot;&apos;&apos;"},
      {"", ""},
      {"plain $1 \\1 .* caf\xc3\xa9", "plain $1 \\1 .* caf\xc3\xa9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SantizeString(c.text), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
