// Reading XML value documents into values. The reader builds the items of a long list while the
// parser is still reading the document; whatever a document holds, the result must be exactly
// that of building the values from the finished tree afterwards, which the public element
// functions do and which serve as the reference here.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "../common/test_util.h"
#include <tarnek/autocli/xml_util.h>

namespace {

using Tarnek::TarnekException;
using Tarnek::AutoCli::XmlUtil_BuildMetaObject;
using Tarnek::AutoCli::XmlUtil_FindChildNode;
using Tarnek::AutoCli::XmlUtil_GetContentForChildByTag;
using Tarnek::AutoCli::XmlUtil_ParseXmlOutput;

const std::string kWrap =
    "Error parsing command output.  Unable to build a proper metaobject from output tag.  output "
    "must contain properly formatted tags of type bool, int, string, structure and list. Error "
    "was : ";

std::string Describe(const std::shared_ptr<Tarnek::MetaObj::MetaObject>& value) {
  return value ? "value " + value->ToString() : "no value";
}

// "value <text>", "no value", or "refused <message>" without the wrapper every refusal carries.
std::string Read(const std::string& text) {
  try {
    return Describe(XmlUtil_ParseXmlOutput(text));
  } catch (const TarnekException& error) {
    const std::string message = error.what();
    return message.rfind(kWrap, 0) == 0 ? "refused " + message.substr(kWrap.size())
                                        : "thrown " + message;
  }
}

// The whole tree first, then the values.
std::string FromTree(const std::string& text) {
  xmlDoc* document =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), "STDOUT", nullptr, 0);
  if (document == nullptr) return "no value";
  std::string result = "no value";
  for (xmlNode* child = xmlDocGetRootElement(document)->children; child; child = child->next) {
    const std::string name = reinterpret_cast<const char*>(child->name);
    if (child->type != XML_ELEMENT_NODE || name == "text" || name == "comment") continue;
    try {
      result = Describe(XmlUtil_BuildMetaObject(child));
    } catch (const TarnekException& error) {
      result = std::string("refused ") + error.what();
    }
    break;
  }
  xmlFreeDoc(document);
  return result;
}

const std::string kRowA =
    "<structure typeName='R'><field name='a'><int>1</int></field></structure>";
const std::string kRowAB =
    "<structure typeName='R'><field name='a'><int>2</int></field>"
    "<field name='b'><string>x</string></field></structure>";

TEST(XmlValueDocument, ReadsValuesAsTheirTextSaysAndRefusesTheRest) {
  const std::string badListType =
      "refused Invalid list type attribute.  Must be one of [string, int, bool, structure, list]";
  const std::pair<std::string, std::string> cases[] = {
      {"<int> 42 </int>", "value 42"},
      {"<int>12abc</int>", "value 12"},
      {"<int>-9223372036854775808</int>", "value -9223372036854775808"},
      {"<int/>", "value 0"},
      {"<bool>False</bool>", "value true"},
      {"<bool/>", "value true"},
      {"<bool>f</bool>", "value false"},
      {"<bool>0</bool>", "value false"},
      {"<string>  a b  </string>", "value   a b  "},
      {"<string>a &amp; &#x41;</string>", "value a & A"},
      {"<!-- c --> text <string>first</string><string>second</string>", "value first"},
      {"   <!-- c -->  ", "no value"},
      {"<![CDATA[x]]><int>3</int>", "value 3"},
      {"<structure typeName='Disk'>\n <field name='name'><string>d0</string></field>\n"
       " <field name='size'><int>512</int></field><field name='mounted'><bool>true</bool></field>"
       "<field name='paths'><list type='string'><string>/a</string><string>/b</string></list>"
       "</field>\n <field name='unset'/>\n</structure>",
       "value {'mounted' => 'true', 'name' => 'd0', 'paths' => '/a, /b', 'size' => '512', }"},
      {"<list type='structure'>" + kRowA + kRowA + "</list>",
       "value {'a' => '1', }, {'a' => '1', }"},
      {"<int>abc</int>", "refused Unable to read an int value from: 'abc'"},
      {"<int>99999999999999999999</int>",
       "refused Unable to read an int value from: '99999999999999999999'"},
      {"<integer>1</integer>",
       "refused Unable to make a MetaObject from a node with tag 'integer'"},
      {"<list type='boolean'/>", badListType},
      {"<list/>", badListType},
      {"<list type='list'/>", "refused Struct type expected for list."},
      {"<list type='int'><int>1</int><string>x</string></list>",
       "refused Invalid type specificed in MetaList.  Expected object of type Int got object of "
       "type String"},
      {"<structure typeName='T'><field><int>1</int></field></structure>",
       "refused Invalid <field> tag found.  <field> requires a 'name' attribute."},
      {"<structure/>", "refused Invalid name specified for MetaStruct: "},
  };
  for (const auto& [body, expected] : cases)
    EXPECT_EQ(Read("<output>" + body + "</output>"), expected) << body;

  // A second row lacking a field of the first is refused by the list's structure check.
  const std::string mismatch =
      Read("<output><list type='structure'>" + kRowAB + kRowA + "</list></output>");
  EXPECT_EQ(mismatch.rfind("refused Invalid structure detected by MetaList::Add.", 0), 0u)
      << mismatch;
  EXPECT_NE(mismatch.find("Missing field in input: b"), std::string::npos);
}

TEST(XmlValueDocument, StreamingReadsEveryDocumentAsTheWholeTreeDoes) {
  const std::string entities =
      "<!DOCTYPE output [<!ENTITY e 'ent'><!ATTLIST structure id ID #IMPLIED>]>";
  const std::string cases[] = {
      // Items among white space, comments, processing instructions and CDATA.
      "<output>\n <list type='structure'>\n  " + kRowA + "\n  <!-- c -->\n  " + kRowA +
          "<?pi x?><![CDATA[ z ]]>" + kRowA + "\n </list>\n</output>",
      // The texts of items: the last child with content wins, entity references included.
      entities +
          "<output><list type='string'><string>a<!--c-->b</string><string>a<!--c--></string>"
          "<string>a<![CDATA[c]]></string><string>x&e;</string><string>&e;y</string>"
          "<string>&lt;&#65;</string><string/></list></output>",
      // Elements named like node kinds are passed over where a value is expected.
      "<output><list type='int'><text>9</text><int>1</int><comment/><int>2</int></list></output>",
      // Failures: the first one in reading order, wherever the list sits.
      "<output><list type='structure'>" + kRowAB + kRowA + kRowAB + "</list></output>",
      "<output><list type='int'><int>1</int><int>x</int><string>s</string></list></output>",
      "<output><list type='integer'><int>x</int></list></output>",
      "<output><list type='list'/></output>",
      "<output><list type='list'><list type='int'/></list></output>",
      "<output><list type='structure'><bad/></list></output>",
      "<output><list type='structure'></list></output>",
      // A list inside a structure: earlier fields fail first, later fields after the list.
      "<output><structure typeName='S'><field name='n'><int>q</int></field>"
      "<field name='rows'><list type='structure'>" +
          kRowAB + kRowA + "</list></field></structure></output>",
      "<output><structure typeName='S'><field name='rows'><list type='structure'>" + kRowA + kRowA +
          "</list></field><field name='n'><int>q</int></field></structure></output>",
      "<output><structure typeName='S'><field name='rows'><list type='structure'>" + kRowA + kRowA +
          "</list><list type='bad'/></field><field name='n'><int>3</int></field>"
          "</structure></output>",
      // Lists inside items, and values that are never read.
      "<output><list type='structure'><structure typeName='T'><field name='l'><list type='int'>"
      "<int>1</int></list></field></structure><structure typeName='T'><field name='l'>"
      "<list type='int'><int>2</int><int>3</int></list></field></structure></list>"
      "<list type='bad'/></output>",
      "<output><structure typeName='S'><field name='a'><int>1</int><list type='bad'/></field>"
      "<field><int>2</int></field><field name='z'><list type='int'><int>x</int></list></field>"
      "</structure></output>",
      // Identifiers repeated across items are reported by libxml2 alike, and change nothing.
      entities +
          "<output><list type='structure'><structure id='i1' typeName='R'/>"
          "<structure id='i1' typeName='R'/></list></output>",
      // Malformed or empty text: no value rather than an error, whatever failed before.
      "<output><list type='structure'>" + kRowAB + kRowA + "</list></output><x>",
      "<output><list type='int'><int>x</int><int>1</int></list>",
      "<output><list type='int'><int>1</int></list></outptu>",
      "<output><int>1</int>",
      "",
  };
  for (const std::string& text : cases) EXPECT_EQ(Read(text), FromTree(text)) << text;
  EXPECT_EQ(Read(""), "no value");  // the reference must not hide a refusal of the empty text
}

TEST(XmlValueDocument, StreamingReadsALongListWhole) {
  std::string text = "<output>\n<list type='structure'>\n";
  for (int i = 0; i < 20000; ++i) {
    text += "  <structure typeName='Row'><field name='n'><int>" + std::to_string(i - 10000) +
            "</int></field><field name='s'><string>row " + std::to_string(i) +
            "</string></field></structure>\n";
  }
  text += "</list>\n</output>\n";
  const std::string streamed = Read(text);
  EXPECT_EQ(streamed, FromTree(text));
  EXPECT_NE(streamed.find("{'n' => '9999', 's' => 'row 19999', }"), std::string::npos);
}

// A child's output is untrusted: deep nesting and entity expansion end quickly with no value
// (libxml2 says why on standard error), and nothing outside the text is ever read.
TEST(XmlValueDocument, BoundsHostileDocuments) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<list type='structure'>";
  EXPECT_EQ(XmlUtil_ParseXmlOutput("<output>" + deep), nullptr);

  std::string laughs = "<!DOCTYPE output [<!ENTITY a0 'lol'>";
  for (int i = 1; i < 40; ++i) {
    laughs += "<!ENTITY a" + std::to_string(i) + " '&a" + std::to_string(i - 1) + ";&a" +
              std::to_string(i - 1) + ";'>";
  }
  laughs += "]>";
  EXPECT_EQ(XmlUtil_ParseXmlOutput(laughs + "<output><string>&a39;</string></output>"), nullptr);
  EXPECT_EQ(XmlUtil_ParseXmlOutput(laughs + "<output><list type='&a39;'/></output>"), nullptr);

  const char* dir = std::getenv("TMPDIR");
  std::string secret = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  secret += "/xml-entity.XXXXXX";
  const int fd = mkstemp(&secret[0]);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "SECRET", 6), 6);
  close(fd);
  const auto value = XmlUtil_ParseXmlOutput("<!DOCTYPE output [<!ENTITY x SYSTEM 'file://" +
                                            secret + "'><!ENTITY % p SYSTEM 'file://" + secret +
                                            "'>%p;]><output><string>&x;</string></output>");
  std::remove(secret.c_str());
  if (value) {
    EXPECT_EQ(value->ToString().find("SECRET"), std::string::npos);
  }
}

TEST(XmlValueDocument, FieldsInAnyOrderAreKeptInNameOrderAndTheLaterOfTwoWins) {
  std::string document = "<output><structure typeName='S'>";
  // Many fields in descending order, a name given twice among them.
  for (int i = 3000; i > 0; --i) {
    document += "<field name='f" + std::to_string(100000 + i) + "'><int>" + std::to_string(i) +
                "</int></field>";
    if (i == 1500) document += "<field name='f103000'><string>again</string></field>";
  }
  document += "</structure></output>";
  const auto read = std::dynamic_pointer_cast<Tarnek::MetaObj::MetaStruct>(
      Tarnek::AutoCli::XmlUtil_ParseXmlOutput(document));
  ASSERT_TRUE(read);
  const std::vector<std::string> names = read->GetFieldNames();
  ASSERT_EQ(names.size(), 3000u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(read->GetField("f103000")->ToString(), "again");
  EXPECT_EQ(read->GetField("f101499")->ToString(), "1499");

  const auto small = std::dynamic_pointer_cast<Tarnek::MetaObj::MetaStruct>(
      Tarnek::AutoCli::XmlUtil_ParseXmlOutput(
          "<output><structure typeName='S'><field name='b'><int>1</int></field>"
          "<field name='a'><int>2</int></field><field name='b'><int>3</int></field>"
          "</structure></output>"));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->ToString(), "{'a' => '2', 'b' => '3', }");
}

TEST(XmlElementHelpers, RefuseRepeatedTags) {
  const std::string text =
      "<c><description>one</description><description>two</description><x/><x/>"
      "<empty/><empty>late</empty></c>";
  xmlDoc* document = xmlReadMemory(text.data(), static_cast<int>(text.size()), "t", nullptr, 0);
  ASSERT_NE(document, nullptr);
  xmlNode* root = xmlDocGetRootElement(document);
  EXPECT_EQ(ThrownMessage([&] { XmlUtil_GetContentForChildByTag(root, "description"); }),
            "Illegal Duplicate tags found.  The tag description was expected only once, but was "
            "found multiple times.");
  // Repetition is only noticed once an earlier occurrence gave a non-empty text.
  EXPECT_EQ(XmlUtil_GetContentForChildByTag(root, "empty"), "late");
  EXPECT_EQ(XmlUtil_GetContentForChildByTag(root, "none"), "");
  EXPECT_EQ(XmlUtil_FindChildNode(root, "none"), nullptr);
  EXPECT_EQ(ThrownMessage([&] { XmlUtil_FindChildNode(root, "x"); }),
            "More than one instance of x found, expected only one.");
  xmlFreeDoc(document);
}

}  // namespace
