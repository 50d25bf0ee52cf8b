#include "tarnek/autocli/xml_formatter.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using namespace MetaObj;

const char kHead[] =
    "<?xml version=\"1.0\"?>\n"
    "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n";

std::string Render(const std::shared_ptr<MetaObject>& root, FormatParameters params = {}) {
  auto output = Output::New();
  output->SetRootObject(root);
  output->AddErrorMessage("disk <sda> failed");  // messages are not part of the document
  DisplayContext display;
  display.width = 10;  // never read: long lines must not wrap
  std::ostringstream out;
  EXPECT_TRUE(XmlFormatter().Format(output, params, display, out));
  return out.str();
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

TEST(XmlFormatter, StructureWithListAndNestedStructureUnderAStylesheet) {
  auto inner = MetaStruct::New("U");
  inner->SetField("b", true);
  auto root = MetaStruct::New("T");
  root->SetField("s", inner);
  root->SetField("l", std::vector<std::string>{"x", "y"});
  root->SetField("a", 1);
  FormatParameters params;
  params.SetParameter("stylesheet", "s.xsl");
  EXPECT_EQ(Render(root, params), R"(<?xml version="1.0"?>
<?xml-stylesheet type="text/xsl" href="s.xsl"?>
<output xmlns:qorcli="http://www.norvane.com/Products/QOR/5.0/qorcli">
   <meta-data>
      <meta-data-field name="stylesheet" value="s.xsl"/>
   </meta-data>
   <root>
      <structure typeName="T">
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
   </root>
</output>
)");
}

TEST(XmlFormatter, RootValues) {
  auto empty = MetaList::New(MetaType::Int);
  auto disk = MetaStruct::New("Disk");
  disk->SetField("Name", "sda <boot>");
  auto disks = MetaList::New(MetaType::Struct, disk);
  disks->Add(disk);
  const std::pair<std::shared_ptr<MetaObject>, const char*> cases[] = {
      {MetaBool::New(false), "      <boolean>false</boolean>\n"},
      {MetaInt::New(INT64_MIN), "      <integer>-9223372036854775808</integer>\n"},
      {MetaString::New("a very long text that no width setting may wrap"),
       "      <string>a very long text that no width setting may wrap</string>\n"},
      {empty, "      <list type=\"integer\">\n      </list>\n"},
      {disks,
       "      <list type=\"structure\">\n"
       "            <structure typeName=\"Disk\">\n"
       "               <field name=\"Name\">\n"
       "                  <string>sda &lt;boot&gt;</string>\n"
       "               </field>\n"
       "            </structure>\n"
       "      </list>\n"},
      {nullptr, ""},
  };
  for (const auto& [root, body] : cases) {
    EXPECT_EQ(Render(root), Document(body)) << (root ? root->ToString() : "null");
  }
}

TEST(XmlFormatter, MetaDataListsEveryParameterEscapedInKeyOrder) {
  FormatParameters params;
  params.SetFormatter("xml");  // the name is not a parameter
  params.SetParameter("units:T.Size", "<MB>");
  params.SetParameter("stylesheet", "a\"b&c.xsl");
  params.SetParameter("Fields", "");
  params.SetParameter("printf:T.Pct", "%d%%");
  EXPECT_EQ(Render(MetaBool::New(true), params),
            "<?xml version=\"1.0\"?>\n"
            // The style-sheet reference goes out exactly as given, unescaped.
            "<?xml-stylesheet type=\"text/xsl\" href=\"a\"b&c.xsl\"?>\n"
            "<output xmlns:qorcli=\"http://www.norvane.com/Products/QOR/5.0/qorcli\">\n"
            "   <meta-data>\n"
            "      <meta-data-field name=\"Fields\" value=\"\"/>\n"
            "      <meta-data-field name=\"printf:T.Pct\" value=\"&#37;d&#37;&#37;\"/>\n"
            "      <meta-data-field name=\"stylesheet\" value=\"a&quot;b&amp;c.xsl\"/>\n"
            "      <meta-data-field name=\"units:T.Size\" value=\"&lt;MB&gt;\"/>\n"
            "   </meta-data>\n"
            "   <root>\n"
            "      <boolean>true</boolean>\n"
            "   </root>\n"
            "</output>\n");
}

TEST(XmlFormatter, UnrenderableValuesBecomeUnindentedErrorLines) {
  const std::pair<MetaType, const char*> cases[] = {
      {MetaType::Bool, "<!-- Error reading a bool -->"},
      {MetaType::Int, "Error reading a int"},
      {MetaType::String, "Error reading a string"},
      {MetaType::Struct, "Error reading a struct from output."},
      {MetaType::List, "Error reading a List"},
      {static_cast<MetaType>(9), "Error Only simple int, bool, string and struct output supported"},
  };
  for (const auto& [kind, line] : cases) {
    auto bad = MetaStruct::New("Bad");
    bad->SetField("a&'b'", std::make_shared<Impostor>(kind));
    EXPECT_EQ(Render(bad), Document("      <structure typeName=\"Bad\">\n"
                                    "         <field name=\"a&amp;&apos;b&apos;\">\n" +
                                    std::string(line) +
                                    "\n"
                                    "         </field>\n"
                                    "      </structure>\n"));
  }
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

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
