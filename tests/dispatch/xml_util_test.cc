// Reading XML value documents into values.
#include <libxml/parser.h>

#include <gtest/gtest.h>

#include <tarnek/autocli/xml_util.h>

namespace {

using Tarnek::TarnekException;
using Tarnek::AutoCli::XmlUtil_FindChildNode;
using Tarnek::AutoCli::XmlUtil_GetContentForChildByTag;
using Tarnek::AutoCli::XmlUtil_ParseXmlOutput;
using Tarnek::MetaObj::MetaType;

std::string Parsed(const std::string& body) {
  const auto value = XmlUtil_ParseXmlOutput("<output>" + body + "</output>");
  return value ? value->ToString() : "<none>";
}

std::string Refusal(const std::string& body) {
  try {
    XmlUtil_ParseXmlOutput("<output>" + body + "</output>");
  } catch (const TarnekException& error) {
    return error.what();
  }
  return "<no exception>";
}

const std::string kWrap =
    "Error parsing command output.  Unable to build a proper metaobject from output tag.  output "
    "must contain properly formatted tags of type bool, int, string, structure and list. Error "
    "was : ";

TEST(XmlValueDocument, ReadsScalarsAsTheirTextSays) {
  const struct {
    const char* body;
    const char* text;
  } cases[] = {
      {"<int> 42 </int>", "42"},
      {"<int>12abc</int>", "12"},
      {"<int>-9223372036854775808</int>", "-9223372036854775808"},
      {"<int/>", "0"},
      {"<bool>False</bool>", "true"},
      {"<bool/>", "true"},
      {"<bool>f</bool>", "false"},
      {"<bool>0</bool>", "false"},
      {"<string>  a b  </string>", "  a b  "},
      {"<string>a &amp; &#x41;</string>", "a & A"},
      {"<!-- c --> text <string>first</string><string>second</string>", "first"},
      {"   <!-- c -->  ", "<none>"},
      {"<![CDATA[x]]><int>3</int>", "3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.body), c.text) << c.body;
  EXPECT_EQ(XmlUtil_ParseXmlOutput("<output/>"), nullptr);
}

TEST(XmlValueDocument, BuildsStructuresAndLists) {
  const auto value = XmlUtil_ParseXmlOutput(
      "<output>\n  <structure typeName='Disk'>\n"
      "    <field name='name'><string>d0</string></field>\n"
      "    <field name='size'><int>512</int></field>\n"
      "    <field name='mounted'><bool>true</bool></field>\n"
      "    <field name='paths'><list type='string'><string>/a</string><string>/b</string>"
      "</list></field>\n    <field name='unset'/>\n  </structure>\n</output>");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->ToString(),
            "{'mounted' => 'true', 'name' => 'd0', 'paths' => '/a, /b', 'size' => '512', }");

  const auto rows = XmlUtil_ParseXmlOutput(
      "<output><list type='structure'>"
      "<structure typeName='R'><field name='a'><int>1</int></field></structure>"
      "<structure typeName='R'><field name='a'><int>2</int></field></structure>"
      "</list></output>");
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->GetType(), MetaType::List);
  EXPECT_EQ(rows->ToString(), "{'a' => '1', }, {'a' => '2', }");
}

TEST(XmlValueDocument, RefusesWhatCannotBeAValue) {
  const struct {
    const char* body;
    std::string message;
  } cases[] = {
      {"<int>abc</int>", "Unable to read an int value from: 'abc'"},
      {"<int>99999999999999999999</int>", "Unable to read an int value from: '99999999999999999999'"},
      {"<integer>1</integer>", "Unable to make a MetaObject from a node with tag 'integer'"},
      {"<list type='boolean'/>",
       "Invalid list type attribute.  Must be one of [string, int, bool, structure, list]"},
      {"<list/>", "Invalid list type attribute.  Must be one of [string, int, bool, structure, list]"},
      {"<list type='list'/>", "Struct type expected for list."},
      {"<list type='int'><int>1</int><string>x</string></list>",
       "Invalid type specificed in MetaList.  Expected object of type Int got object of type String"},
      {"<structure typeName='T'><field><int>1</int></field></structure>",
       "Invalid <field> tag found.  <field> requires a 'name' attribute."},
      {"<structure/>", "Invalid name specified for MetaStruct: "},
  };
  for (const auto& c : cases) EXPECT_EQ(Refusal(c.body), kWrap + c.message) << c.body;

  // A second row lacking a field of the first is refused by the list's structure check.
  const std::string mismatch = Refusal(
      "<list type='structure'>"
      "<structure typeName='R'><field name='a'><int>1</int></field>"
      "<field name='b'><int>1</int></field></structure>"
      "<structure typeName='R'><field name='a'><int>2</int></field></structure></list>");
  EXPECT_EQ(mismatch.rfind(kWrap + "Invalid structure detected by MetaList::Add.", 0), 0u)
      << mismatch;
  EXPECT_NE(mismatch.find("Missing field in input: b"), std::string::npos);
}

TEST(XmlValueDocument, MalformedTextIsNoValueRatherThanAnError) {
  EXPECT_EQ(XmlUtil_ParseXmlOutput("<output><int>1</int>"), nullptr);
  EXPECT_EQ(XmlUtil_ParseXmlOutput(""), nullptr);
}

TEST(XmlElementHelpers, RefuseRepeatedTags) {
  const std::string text =
      "<c><description>one</description><description>two</description><x/><x/>"
      "<empty/><empty>late</empty></c>";
  xmlDoc* document = xmlReadMemory(text.data(), static_cast<int>(text.size()), "t", nullptr, 0);
  ASSERT_NE(document, nullptr);
  xmlNode* root = xmlDocGetRootElement(document);
  EXPECT_THROW(
      {
        try {
          XmlUtil_GetContentForChildByTag(root, "description");
        } catch (const TarnekException& error) {
          EXPECT_STREQ(error.what(),
                       "Illegal Duplicate tags found.  The tag description was expected only "
                       "once, but was found multiple times.");
          throw;
        }
      },
      TarnekException);
  // Repetition is only noticed once an earlier occurrence gave a non-empty text.
  EXPECT_EQ(XmlUtil_GetContentForChildByTag(root, "empty"), "late");
  EXPECT_EQ(XmlUtil_GetContentForChildByTag(root, "none"), "");
  EXPECT_EQ(XmlUtil_FindChildNode(root, "none"), nullptr);
  try {
    XmlUtil_FindChildNode(root, "x");
    ADD_FAILURE() << "no exception";
  } catch (const TarnekException& error) {
    EXPECT_STREQ(error.what(), "More than one instance of x found, expected only one.");
  }
  xmlFreeDoc(document);
}

}  // namespace
