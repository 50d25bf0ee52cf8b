// The reader of XML value documents, over libxml2.
#include "tarnek/autocli/xml_util.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <sstream>
#include <unordered_map>
#include <vector>

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

// A list on the way from the document element to the value that was built while the parser was
// still inside it (see ParseStreaming). Its items are gone from the tree by the time the tree is
// walked; this holds what walking them would have given: the list, or the first failure.
struct StreamedList {
  MetaType itemType = MetaType::String;
  std::shared_ptr<MetaList> list;
  std::exception_ptr failure;
};
using StreamedLists = std::unordered_map<const xmlNode*, std::unique_ptr<StreamedList>>;

std::shared_ptr<MetaObject> Build(xmlNode* node, const StreamedLists* streamed);

// A decimal text of plain digits reads the same through a stream extraction in every locale;
// everything else (blanks, signs, trailing text, overflow) takes the stream's own path.
bool ReadPlainDigits(const std::string& text, long& value) {
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (text.size() <= i || text.size() - i > 18) return false;
  long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    magnitude = magnitude * 10 + (text[i] - '0');
  }
  value = text[0] == '-' ? -magnitude : magnitude;
  return true;
}

std::shared_ptr<MetaList> BuildList(xmlNode* node, const StreamedLists* streamed) {
  if (streamed != nullptr) {
    const auto found = streamed->find(node);
    if (found != streamed->end()) {
      if (found->second->failure) std::rethrow_exception(found->second->failure);
      return found->second->list;
    }
  }
  MetaType itemType;
  if (!ListTypeFromWord(XmlUtil_ExtractAttribute(node, "type"), itemType)) {
    throw TarnekException(
        "Invalid list type attribute.  Must be one of [string, int, bool, structure, list]");
  }
  std::shared_ptr<MetaList> list;
  if (itemType == MetaType::Struct || itemType == MetaType::List) {
    // The first item doubles as the declared structure every later item must match.
    xmlNode* first = FirstValueChild(node);
    list = MetaList::New(itemType, first ? Build(first, streamed) : std::shared_ptr<MetaObject>());
  } else {
    list = MetaList::New(itemType);
  }
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsValueCandidate(child)) list->Add(Build(child, streamed));
  }
  return list;
}

constexpr std::size_t kFieldsSortedInPlace = 16;

std::shared_ptr<MetaStruct> BuildStruct(xmlNode* node, const StreamedLists* streamed) {
  std::shared_ptr<MetaStruct> structure = MetaStruct::New(XmlUtil_ExtractAttribute(node, "typeName"));
  std::size_t fields = 0;
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && HasName(child, "field")) ++fields;
  }
  std::vector<std::pair<std::string, std::shared_ptr<MetaObject>>> read;
  read.reserve(fields);
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || !HasName(child, "field")) continue;
    std::string name = XmlUtil_ExtractAttribute(child, "name");
    if (name.empty()) {
      throw TarnekException(
          "Invalid <field> tag found.  <field> requires a 'name' attribute.");
    }
    xmlNode* value = FirstValueChild(child);
    if (value == nullptr) continue;
    read.emplace_back(std::move(name), Build(value, streamed));
  }
  // The fields are set in name order, each after those already there: a document of very many
  // fields in a shuffled order would otherwise have most of them inserted in the middle, at a
  // cost growing with the square of their number. The sort is stable, so that of two fields of
  // one name the later one is still the one kept.
  // (A structure has a handful of fields as a rule: those are sorted in place, without the
  // buffer a general stable sort asks for.)
  const auto byName = [](const auto& a, const auto& b) { return a.first < b.first; };
  if (read.size() > kFieldsSortedInPlace) {
    std::stable_sort(read.begin(), read.end(), byName);
  } else {
    for (std::size_t i = 1; i < read.size(); ++i) {
      for (std::size_t j = i; j > 0 && byName(read[j], read[j - 1]); --j) {
        std::swap(read[j], read[j - 1]);
      }
    }
  }
  structure->ReserveFields(read.size());
  for (const auto& [name, value] : read) structure->SetField(name, value, MetaStruct::_docEmpty);
  return structure;
}

std::shared_ptr<MetaObject> Build(xmlNode* node, const StreamedLists* streamed) {
  if (HasName(node, "text")) throw TarnekException("Trying to make a meta object from a text field");
  if (HasName(node, "comment")) {
    throw TarnekException("Trying to make a meta object from a comment");
  }
  if (HasName(node, "list")) return BuildList(node, streamed);
  if (HasName(node, "structure")) return BuildStruct(node, streamed);
  if (HasName(node, "int")) {
    const std::string text = XmlUtil_GetContent(node);
    if (text.empty()) return MetaInt::New();
    long value = 0;
    if (ReadPlainDigits(text, value)) return MetaInt::New(value);
    std::istringstream stream(text);
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

// Streaming. A large result is a long list: building the whole tree first and the values after
// holds the text, the tree and the values at once. Instead libxml2 builds the tree as always,
// but every item of a list that is going to be built is turned into its value as soon as its
// end tag is read, and its nodes are freed. The values and the messages stay exactly those of
// walking the whole tree afterwards:
//  - only lists the walk would reach are streamed: the document element's first value child,
//    and the first value child of each field of a structure reached that way; lists inside
//    list items are built with their item;
//  - a failure inside a streamed list is kept, not thrown: the walk over the finished tree
//    meets the failures in the order it always did and throws the first, and a document that
//    turns out malformed further on still gives no value at all;
//  - the nodes are created by libxml2's own tree builder, so texts, entities, CDATA and
//    comments read as they always did.

enum class Role { Ignored, DocumentElement, Value, Field, StreamedList, Item };

struct OpenElement {
  xmlNode* node;
  Role role;
  bool sawValueChild;
  StreamedList* list;  // the list's state, for Role::StreamedList
};

struct StreamState {
  xmlParserCtxt* context = nullptr;
  startElementNsSAX2Func startElement = xmlSAX2StartElementNs;
  endElementNsSAX2Func endElement = xmlSAX2EndElementNs;
  std::vector<OpenElement> open;
  StreamedLists lists;
  std::exception_ptr fatal;  // only running out of memory; thrown once the parser is done
};

// The state of the parse, or null for a context that is not ours to follow (entity contents
// are parsed by a context of their own, with the same callbacks).
StreamState* OwnState(void* userData) {
  auto* context = static_cast<xmlParserCtxt*>(userData);
  auto* state = context != nullptr ? static_cast<StreamState*>(context->_private) : nullptr;
  return state != nullptr && state->context == context && !state->fatal ? state : nullptr;
}

StreamState* AnyState(void* userData) {
  auto* context = static_cast<xmlParserCtxt*>(userData);
  return context != nullptr ? static_cast<StreamState*>(context->_private) : nullptr;
}

Role RoleOf(xmlNode* node, OpenElement* parent) {
  if (parent == nullptr) return Role::DocumentElement;
  switch (parent->role) {
    case Role::DocumentElement:
    case Role::Field:
      if (!IsValueCandidate(node) || parent->sawValueChild) return Role::Ignored;
      parent->sawValueChild = true;
      return HasName(node, "list") ? Role::StreamedList : Role::Value;
    case Role::Value:
      return HasName(parent->node, "structure") && HasName(node, "field") ? Role::Field
                                                                         : Role::Ignored;
    case Role::StreamedList:
      return IsValueCandidate(node) ? Role::Item : Role::Ignored;
    default:
      return Role::Ignored;
  }
}

void OnStartElement(void* userData, const xmlChar* localName, const xmlChar* prefix,
                    const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                    int attributeCount, int defaultedCount, const xmlChar** attributes) {
  StreamState* any = AnyState(userData);
  StreamState* state = OwnState(userData);
  auto* context = static_cast<xmlParserCtxt*>(userData);
  xmlNode* parentNode = state != nullptr ? context->node : nullptr;
  (any != nullptr ? any->startElement : xmlSAX2StartElementNs)(
      userData, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
      defaultedCount, attributes);
  if (state == nullptr) return;
  try {
    xmlNode* node = context->node;
    if (node == nullptr || node == parentNode) {  // libxml2 could not make the node
      state->open.push_back({nullptr, Role::Ignored, false, nullptr});
      return;
    }
    OpenElement* parent = state->open.empty() ? nullptr : &state->open.back();
    const Role role = RoleOf(node, parent);
    StreamedList* list = nullptr;
    if (role == Role::StreamedList) {
      auto entry = std::make_unique<StreamedList>();
      list = entry.get();
      try {
        if (!ListTypeFromWord(XmlUtil_ExtractAttribute(node, "type"), list->itemType)) {
          throw TarnekException(
              "Invalid list type attribute.  Must be one of [string, int, bool, structure, "
              "list]");
        }
        if (list->itemType != MetaType::Struct && list->itemType != MetaType::List) {
          list->list = MetaList::New(list->itemType);
        }
      } catch (const TarnekException&) {
        list->failure = std::current_exception();
      }
      state->lists[node] = std::move(entry);
    }
    state->open.push_back({node, role, false, list});
  } catch (...) {
    state->fatal = std::current_exception();
    xmlStopParser(context);
  }
}

// Builds a finished item into its list, as the walk over the whole tree would have.
void AddItem(StreamedList& list, xmlNode* item) {
  if (list.failure) return;
  try {
    if (!list.list) list.list = MetaList::New(list.itemType, Build(item, nullptr));
    list.list->Add(Build(item, nullptr));
  } catch (const TarnekException&) {
    list.failure = std::current_exception();
  }
}

// An ID attribute of a freed node stays registered with the document, as if the node were still
// there: a later duplicate is then reported just as it is in a whole tree. The document's table
// only compares the attribute's address and never reads through it.
void KeepIds(xmlNode* node) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
      if (attribute->atype == XML_ATTRIBUTE_ID) attribute->atype = XML_ATTRIBUTE_CDATA;
    }
    KeepIds(node->children);
  }
}

void OnEndElement(void* userData, const xmlChar* localName, const xmlChar* prefix,
                  const xmlChar* uri) {
  StreamState* any = AnyState(userData);
  StreamState* state = OwnState(userData);
  if (state == nullptr || state->open.empty()) {
    (any != nullptr ? any->endElement : xmlSAX2EndElementNs)(userData, localName, prefix, uri);
    return;
  }
  auto* context = static_cast<xmlParserCtxt*>(userData);
  const OpenElement closing = state->open.back();
  state->open.pop_back();
  state->endElement(userData, localName, prefix, uri);
  if (closing.node == nullptr) return;
  try {
    if (closing.role == Role::StreamedList && !closing.list->failure && !closing.list->list) {
      // No items: a list of structures without a declared structure.
      try {
        closing.list->list =
            MetaList::New(closing.list->itemType, std::shared_ptr<MetaObject>());
      } catch (const TarnekException&) {
        closing.list->failure = std::current_exception();
      }
    }
    if (closing.role != Role::Item || state->open.empty()) return;
    OpenElement& parent = state->open.back();
    if (parent.role != Role::StreamedList || context->node != parent.node) return;
    AddItem(*parent.list, closing.node);
  } catch (...) {
    state->fatal = std::current_exception();
    xmlStopParser(context);
    return;
  }
  // Everything the list element holds so far has been read; from now on only the list's state
  // is needed. Emptying it also leaves libxml2 no earlier text node to append later text to.
  xmlNode* parentNode = state->open.back().node;
  if (context->myDoc != nullptr && context->myDoc->ids != nullptr) KeepIds(parentNode->children);
  xmlNode* child = parentNode->children;
  while (child != nullptr) {
    xmlNode* next = child->next;
    xmlUnlinkNode(child);
    xmlFreeNode(child);
    child = next;
  }
}

struct ContextDeleter {
  void operator()(xmlParserCtxt* context) const {
    if (context->myDoc != nullptr) xmlFreeDoc(context->myDoc);
    context->myDoc = nullptr;
    xmlFreeParserCtxt(context);
  }
};
using Context = std::unique_ptr<xmlParserCtxt, ContextDeleter>;

struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

// The same parse as reading the text from memory under the name "STDOUT" (so libxml2 reports
// malformed text exactly as it would then), with the streaming above. The one option only changes
// where short texts are stored. Returns the document when the text is well-formed.
Document ParseStreaming(const std::string& text, StreamState& state) {
  Context context(xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size())));
  if (!context) return nullptr;
  // Short texts (most values of a large result) are kept inside their nodes instead of in
  // allocations of their own.
  xmlCtxtUseOptions(context.get(), XML_PARSE_COMPACT);
  if (context->input != nullptr && context->input->filename == nullptr) {
    context->input->filename = reinterpret_cast<char*>(xmlStrdup(BAD_CAST "STDOUT"));
  }
  if (context->sax != nullptr && context->sax->initialized == XML_SAX2_MAGIC &&
      context->sax->startElementNs != nullptr && context->sax->endElementNs != nullptr) {
    state.context = context.get();
    state.startElement = context->sax->startElementNs;
    state.endElement = context->sax->endElementNs;
    context->_private = &state;
    context->sax->startElementNs = OnStartElement;
    context->sax->endElementNs = OnEndElement;
  }
  xmlParseDocument(context.get());
  Document document(context->myDoc);
  context->myDoc = nullptr;
  if (state.fatal) std::rethrow_exception(state.fatal);
  if (!context->wellFormed) return nullptr;
  return document;
}

}  // namespace

std::shared_ptr<MetaObject> XmlUtil_ParseXmlOutput(const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;  // beyond the parser
  StreamState state;
  const Document document = ParseStreaming(text, state);
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
    return Build(value, &state.lists);
  } catch (const TarnekException& error) {
    throw TarnekException(
        std::string("Error parsing command output.  Unable to build a proper metaobject from "
                    "output tag.  output must contain properly formatted tags of type bool, "
                    "int, string, structure and list. Error was : ") +
        error.what());
  }
}

std::shared_ptr<MetaObject> XmlUtil_BuildMetaObject(xmlNode* node) { return Build(node, nullptr); }

std::shared_ptr<MetaList> BuildMetaList(xmlNode* node) { return BuildList(node, nullptr); }

std::shared_ptr<MetaStruct> BuildMetaStruct(xmlNode* node) { return BuildStruct(node, nullptr); }

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
