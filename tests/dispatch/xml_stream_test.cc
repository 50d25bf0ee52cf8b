// The reader builds the items of a long list while the parser is still reading the document.
// Whatever a document holds, the result must be exactly that of building the values from the
// finished tree afterwards; the public element functions, which work on such a tree, are the
// reference here.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <tarnek/autocli/xml_util.h>

namespace {

using Tarnek::TarnekException;
using Tarnek::AutoCli::XmlUtil_BuildMetaObject;
using Tarnek::AutoCli::XmlUtil_ParseXmlOutput;

const std::string kWrap =
    "Error parsing command output.  Unable to build a proper metaobject from output tag.  output "
    "must contain properly formatted tags of type bool, int, string, structure and list. Error "
    "was : ";

std::string Describe(const std::shared_ptr<Tarnek::MetaObj::MetaObject>& value) {
  return value ? "value " + value->ToString() : "no value";
}

std::string Streamed(const std::string& text) {
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
  xmlDoc* document = xmlReadMemory(text.data(), static_cast<int>(text.size()), "STDOUT", nullptr, 0);
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

const char kRowA[] = "<structure typeName='R'><field name='a'><int>1</int></field></structure>";
const char kRowAB[] =
    "<structure typeName='R'><field name='a'><int>2</int></field>"
    "<field name='b'><string>x</string></field></structure>";

TEST(XmlStreamingReader, ReadsEveryDocumentAsTheWholeTreeDoes) {
  const std::string entities =
      "<!DOCTYPE output [<!ENTITY e 'ent'><!ATTLIST structure id ID #IMPLIED>]>";
  const std::string cases[] = {
      // Items among white space, comments, processing instructions and CDATA.
      std::string("<output>\n <list type='structure'>\n  ") + kRowA + "\n  <!-- c -->\n  " + kRowA +
          "<?pi x?><![CDATA[ z ]]>" + kRowA + "\n </list>\n</output>",
      // The texts of items: the last child with content wins, entity references included.
      entities + "<output><list type='string'><string>a<!--c-->b</string><string>a<!--c--></string>"
                 "<string>a<![CDATA[c]]></string><string>x&e;</string><string>&e;y</string>"
                 "<string>&lt;&#65;</string><string/></list></output>",
      // Elements named like node kinds are passed over where a value is expected.
      "<output><list type='int'><text>9</text><int>1</int><comment/><int>2</int></list></output>",
      // Failures: the first one in reading order, wherever the list sits.
      std::string("<output><list type='structure'>") + kRowAB + kRowA + kRowAB + "</list></output>",
      "<output><list type='int'><int>1</int><int>x</int><string>s</string></list></output>",
      "<output><list type='integer'><int>x</int></list></output>",
      "<output><list type='list'/></output>",
      "<output><list type='list'><list type='int'/></list></output>",
      "<output><list type='structure'><bad/></list></output>",
      "<output><list type='structure'></list></output>",
      // A list inside a structure: earlier fields fail first, later fields after the list.
      std::string("<output><structure typeName='S'><field name='n'><int>q</int></field>"
                  "<field name='rows'><list type='structure'>") +
          kRowAB + kRowA + "</list></field></structure></output>",
      std::string("<output><structure typeName='S'><field name='rows'><list type='structure'>") +
          kRowA + kRowA + "</list></field><field name='n'><int>q</int></field></structure></output>",
      std::string("<output><structure typeName='S'><field name='rows'><list type='structure'>") +
          kRowA + kRowA + "</list><list type='bad'/></field><field name='n'><int>3</int></field>"
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
      entities + "<output><list type='structure'><structure id='i1' typeName='R'/>"
                 "<structure id='i1' typeName='R'/></list></output>",
      // Malformed further on: no value, whatever failed before.
      std::string("<output><list type='structure'>") + kRowAB + kRowA + "</list></output><x>",
      "<output><list type='int'><int>x</int><int>1</int></list>",
      "<output><list type='int'><int>1</int></list></outptu>",
  };
  for (const std::string& text : cases) EXPECT_EQ(Streamed(text), FromTree(text)) << text;
}

TEST(XmlStreamingReader, ReadsALongListWhole) {
  std::string text = "<output>\n<list type='structure'>\n";
  for (int i = 0; i < 20000; ++i) {
    text += "  <structure typeName='Row'><field name='n'><int>" + std::to_string(i - 10000) +
            "</int></field><field name='s'><string>row " + std::to_string(i) +
            "</string></field></structure>\n";
  }
  text += "</list>\n</output>\n";
  const std::string streamed = Streamed(text);
  EXPECT_EQ(streamed, FromTree(text));
  EXPECT_NE(streamed.find("{'n' => '9999', 's' => 'row 19999', }"), std::string::npos);
}

// A child's output is untrusted: deep nesting and entity expansion end quickly with no value
// (libxml2 says why on standard error), and nothing outside the text is ever read.
TEST(XmlStreamingReader, BoundsHostileDocuments) {
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
  const auto value = XmlUtil_ParseXmlOutput(
      "<!DOCTYPE output [<!ENTITY x SYSTEM 'file://" + secret +
      "'><!ENTITY % p SYSTEM 'file://" + secret + "'>%p;]><output><string>&x;</string></output>");
  std::remove(secret.c_str());
  if (value) {
    EXPECT_EQ(value->ToString().find("SECRET"), std::string::npos);
  }
}

}  // namespace
