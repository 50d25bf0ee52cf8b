// The reader of XML value documents, over libxml2.
#include "tarnek/autocli/xml_util.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <sstream>

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

namespace {

struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

std::string NameOf(const xmlNode* node) {
  return node->name ? reinterpret_cast<const char*>(node->name) : "";
}

bool HasName(const xmlNode* node, const char* name) {
  return node->name && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// Where a value element is expected, white space, comments and every other non-element node
// (CDATA sections, processing instructions) are passed over.
bool IsValueCandidate(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE && !HasName(node, "text") && !HasName(node, "comment");
}

xmlNode* FirstValueChild(xmlNode* node) {
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsValueCandidate(child)) return child;
  }
  return nullptr;
}

bool ListTypeFromWord(const std::string& word, MetaType& type) {
  static const struct {
    const char* word;
    MetaType type;
  } kWords[] = {{"string", MetaType::String},
                {"int", MetaType::Int},
                {"bool", MetaType::Bool},
                {"structure", MetaType::Struct},
                {"list", MetaType::List}};
  for (const auto& entry : kWords) {
    if (word == entry.word) {
      type = entry.type;
      return true;
    }
  }
  return false;
}

}  // namespace

std::shared_ptr<MetaObject> XmlUtil_ParseXmlOutput(const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;  // beyond the parser
  const Document document(
      xmlReadMemory(text.data(), static_cast<int>(text.size()), "STDOUT", nullptr, 0));
  if (!document) return nullptr;
  xmlNode* root = xmlDocGetRootElement(document.get());
  if (root == nullptr) {
    throw TarnekException(
        "Error parsing command output.  Unable to find a properly formatted output tag as the "
        "document root");
  }
  xmlNode* value = FirstValueChild(root);
  if (value == nullptr) return nullptr;
  try {
    return XmlUtil_BuildMetaObject(value);
  } catch (const TarnekException& error) {
    throw TarnekException(
        std::string("Error parsing command output.  Unable to build a proper metaobject from "
                    "output tag.  output must contain properly formatted tags of type bool, "
                    "int, string, structure and list. Error was : ") +
        error.what());
  }
}

std::shared_ptr<MetaObject> XmlUtil_BuildMetaObject(xmlNode* node) {
  if (HasName(node, "text")) throw TarnekException("Trying to make a meta object from a text field");
  if (HasName(node, "comment")) {
    throw TarnekException("Trying to make a meta object from a comment");
  }
  if (HasName(node, "list")) return BuildMetaList(node);
  if (HasName(node, "structure")) return BuildMetaStruct(node);
  if (HasName(node, "int")) {
    const std::string text = XmlUtil_GetContent(node);
    if (text.empty()) return MetaInt::New();
    std::istringstream stream(text);
    long value = 0;
    stream >> value;
    if (stream.fail() || stream.bad()) {
      throw TarnekException("Unable to read an int value from: '" + text + "'");
    }
    return MetaInt::New(value);
  }
  if (HasName(node, "bool")) {
    const std::string text = XmlUtil_GetContent(node);
    return MetaBool::New(!(text == "false" || text == "f" || text == "0"));
  }
  if (HasName(node, "string")) return MetaString::New(XmlUtil_GetContent(node));
  throw TarnekException("Unable to make a MetaObject from a node with tag '" + NameOf(node) + "'");
}

std::shared_ptr<MetaList> BuildMetaList(xmlNode* node) {
  MetaType itemType;
  if (!ListTypeFromWord(XmlUtil_ExtractAttribute(node, "type"), itemType)) {
    throw TarnekException(
        "Invalid list type attribute.  Must be one of [string, int, bool, structure, list]");
  }
  std::shared_ptr<MetaList> list;
  if (itemType == MetaType::Struct || itemType == MetaType::List) {
    // The first item doubles as the declared structure every later item must match.
    xmlNode* first = FirstValueChild(node);
    list = MetaList::New(itemType, first ? XmlUtil_BuildMetaObject(first)
                                         : std::shared_ptr<MetaObject>());
  } else {
    list = MetaList::New(itemType);
  }
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsValueCandidate(child)) list->Add(XmlUtil_BuildMetaObject(child));
  }
  return list;
}

std::shared_ptr<MetaStruct> BuildMetaStruct(xmlNode* node) {
  std::shared_ptr<MetaStruct> structure = MetaStruct::New(XmlUtil_ExtractAttribute(node, "typeName"));
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || !HasName(child, "field")) continue;
    const std::string name = XmlUtil_ExtractAttribute(child, "name");
    if (name.empty()) {
      throw TarnekException(
          "Invalid <field> tag found.  <field> requires a 'name' attribute.");
    }
    xmlNode* value = FirstValueChild(child);
    if (value == nullptr) continue;
    structure->SetField(name, XmlUtil_BuildMetaObject(value), MetaStruct::_docEmpty);
  }
  return structure;
}

std::string XmlUtil_GetContent(xmlNode* node) {
  const xmlChar* content = nullptr;
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE && child->content != nullptr) content = child->content;
  }
  return content ? reinterpret_cast<const char*>(content) : "";
}

std::string XmlUtil_ExtractAttribute(xmlNode* node, const std::string& name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name.c_str()));
  if (value == nullptr) return "";
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

std::string XmlUtil_GetContentForChildByTag(xmlNode* node, const std::string& tag) {
  std::string result;
  for (xmlNode* child = node->children; child; child = child->next) {
    if (!HasName(child, tag.c_str())) continue;
    if (!result.empty()) {
      throw TarnekException("Illegal Duplicate tags found.  The tag " + tag +
                            " was expected only once, but was found multiple times.");
    }
    result = XmlUtil_GetContent(child);
  }
  return result;
}

xmlNode* XmlUtil_FindChildNode(xmlNode* node, const std::string& tag) {
  xmlNode* found = nullptr;
  for (xmlNode* child = node->children; child; child = child->next) {
    if (!HasName(child, tag.c_str())) continue;
    if (found != nullptr) {
      throw TarnekException("More than one instance of " + tag + " found, expected only one.");
    }
    found = child;
  }
  return found;
}

}  // namespace AutoCli
}  // namespace Tarnek
