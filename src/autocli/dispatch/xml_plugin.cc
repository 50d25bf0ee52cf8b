// Descriptor plug-ins: reading the descriptor into namespaces and extension commands, and
// adding them to the command tree.
#include "tarnek/autocli/xml_plugin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>
#include <typeinfo>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>

#include "tarnek/exception.h"

namespace Tarnek {
namespace AutoCli {

using CallSpec::InputSpec;
using CallSpec::OutputSpec;
using CallSpec::ParameterConstraint;
using CallSpec::ParameterConstraintType;
using CallSpec::ParameterSpec;
using CallSpec::ParameterType;

namespace {

const char kSupportedVersion[] = "1.0.0";

// Far above any real descriptor. The document tree takes up to some thirty times the size of
// the file (a file of nothing but empty elements), so this is also what bounds the memory a
// descriptor can take.
constexpr off_t kMaxDescriptorBytes = off_t{4} << 20;

struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

struct ParserDeleter {
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};
using Parser = std::unique_ptr<xmlParserCtxt, ParserDeleter>;

class OpenFile {
 public:
  explicit OpenFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Why a descriptor could not be read goes where the parser's own diagnostics go, next to them;
// the exception keeps its one fixed text.
[[noreturn]] void RefuseDescriptor(const std::string& path, const std::string& reason) {
  xmlGenericError(xmlGenericErrorContext, "%s: %s\n", path.c_str(), reason.c_str());
  throw TarnekException("Unable to parse XML descriptor: " + path);
}

// A descriptor needs no entities of its own, and declaring them is how a small file makes the
// parser build an enormous one (references nested in references, or one long value referenced
// over and over in attributes, which are always expanded). The first declaration ends the parse.
extern "C" void RefuseEntityDeclaration(void* context, const xmlChar* name, int, const xmlChar*,
                                        const xmlChar*, xmlChar*) {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  xmlParserError(parser, "entity declarations are not allowed in a descriptor: %s\n",
                 reinterpret_cast<const char*>(name));
  parser->wellFormed = 0;
  xmlStopParser(parser);
}

extern "C" void RefuseUnparsedEntityDeclaration(void* context, const xmlChar* name,
                                                const xmlChar* publicId, const xmlChar* systemId,
                                                const xmlChar*) {
  RefuseEntityDeclaration(context, name, 0, publicId, systemId, nullptr);
}

// A parser that refuses entity declarations, or none when libxml2 has no memory for one.
Parser NewDescriptorParser() {
  Parser parser(xmlNewParserCtxt());
  if (parser) {
    parser->sax->entityDecl = RefuseEntityDeclaration;
    parser->sax->unparsedEntityDecl = RefuseUnparsedEntityDeclaration;
  }
  return parser;
}

// The names a parser has interned stay in its dictionary from one document to the next. Past
// this size the parser is thrown away: with at most this much carried over, no descriptor can
// meet the dictionary's own limit sooner than it would in a parser of its own.
constexpr std::size_t kMaxCarriedDictionaryBytes = std::size_t{1} << 20;

// Reads the descriptor at `path` into a document. Only regular files are read (a named pipe
// would block the whole plug-in scan), and only up to kMaxDescriptorBytes. Nothing is fetched
// over the network and no entity is expanded; the parser's own limits bound the depth of the
// document and the length of a text.
//
// A thread reads its descriptors with one parser, which every read resets: setting up a parser
// and its dictionary for each file cost more than parsing a small descriptor.
//
// Short texts (versions, flags, formatter names, short descriptions) are kept inside their nodes
// rather than allocated apart: a tenth fewer allocations for a typical descriptor.
Document ReadDescriptor(const std::string& path) {
  const OpenFile file(path);
  if (file.Get() < 0) RefuseDescriptor(path, std::strerror(errno));
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) RefuseDescriptor(path, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) RefuseDescriptor(path, "not a regular file");
  if (status.st_size > kMaxDescriptorBytes) {
    RefuseDescriptor(path, "larger than the " + std::to_string(kMaxDescriptorBytes) +
                               " bytes a descriptor may have");
  }
  thread_local Parser parser;
  if (!parser) parser = NewDescriptorParser();
  if (!parser) throw TarnekException("Unable to parse XML descriptor: " + path);
  Document document(xmlCtxtReadFd(parser.get(), file.Get(), path.c_str(), nullptr,
                                  XML_PARSE_NONET | XML_PARSE_COMPACT));
  if (parser->dict == nullptr || xmlDictGetUsage(parser->dict) > kMaxCarriedDictionaryBytes) {
    parser.reset();
  }
  if (!document) throw TarnekException("Unable to parse XML descriptor: " + path);
  return document;
}

// An attribute's value exactly as XmlUtil_ExtractAttribute gives it. A value that is one plain
// text is read in place instead of through a copy the parser allocates and frees again; values
// in pieces, and any document with a type declaration (which may give attributes defaults), are
// left to the parser.
std::string AttributeOf(xmlNode* node, const char* name) {
  const xmlChar* wanted = reinterpret_cast<const xmlChar*>(name);
  if (node->type != XML_ELEMENT_NODE) return XmlUtil_ExtractAttribute(node, name);
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    if (!xmlStrEqual(attribute->name, wanted)) continue;
    const xmlNode* value = attribute->children;
    if (value == nullptr) return "";
    if (value->next == nullptr &&
        (value->type == XML_TEXT_NODE || value->type == XML_CDATA_SECTION_NODE)) {
      return value->content ? reinterpret_cast<const char*>(value->content) : "";
    }
    return XmlUtil_ExtractAttribute(node, name);
  }
  if (node->doc != nullptr && node->doc->intSubset != nullptr) {
    return XmlUtil_ExtractAttribute(node, name);
  }
  return "";
}

std::string NameOf(const xmlNode* node) {
  return node->name ? reinterpret_cast<const char*>(node->name) : "";
}

// Only elements are matched by name: a processing instruction or an entity reference may carry
// any name, and CDATA sections carry none.
bool IsElement(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->name &&
         xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// Text and CDATA children are what "the element has text" means for enum values and meta-data
// entries; a comment inside them is not a description.
bool HasText(const xmlNode* node) {
  return (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
         node->content != nullptr && node->content[0] != '\0';
}

// Reads a number the way a stream extraction of a long does: leading blanks skipped, the rest
// after the digits ignored; no digits or an overflow fail.
bool ExtractLong(const std::string& text, long& value) {
  std::istringstream stream(text);
  stream >> value;
  return !stream.fail();
}

bool ParameterTypeFromWord(const std::string& word, ParameterType& type) {
  static const struct {
    const char* word;
    ParameterType type;
  } kWords[] = {{"string", ParameterType::String},
                {"int", ParameterType::Int},
                {"bool", ParameterType::Bool},
                {"flag", ParameterType::Flag},
                {"string-list", ParameterType::StringList},
                {"int-list", ParameterType::IntList},
                {"bool-list", ParameterType::BoolList}};
  for (const auto& entry : kWords) {
    if (word == entry.word) {
      type = entry.type;
      return true;
    }
  }
  return false;
}

bool IsTrueOrFalse(const std::string& word) { return word == "true" || word == "false"; }

// The tree position a dotted path names: the parent's names and the node's own name.
struct SplitRegistrationPath {
  explicit SplitRegistrationPath(const std::string& path)
      : parentNames(XmlPlugin::SplitPath(path)) {
    leaf = parentNames.back();
    parentNames.pop_back();
  }
  std::list<std::string> parentNames;
  std::string leaf;
};

// The parent the names of `path` before position `end` (its last full stop) lead to from
// `root`, or nothing when there is none yet. The names are read in place and the tree's own
// namespaces walked without exceptions: at checking time the parents of most commands a
// descriptor declares do not exist yet, and throwing and catching (or splitting the path into a
// list) for each of them was a large part of loading many descriptors. Any other node resolves
// the rest of the names its own way, and a refusal from it means the same as a missing name.
std::shared_ptr<NamespaceNode> FindExistingParent(const std::shared_ptr<NamespaceNode>& root,
                                                  const std::string& path, std::size_t end) {
  std::shared_ptr<NamespaceNode> node = root;
  std::size_t start = 0;
  for (;;) {
    const NamespaceNode& current = *node;
    if (typeid(current) != typeid(Namespace) && typeid(current) != typeid(RootNamespace)) {
      std::list<std::string> rest = XmlPlugin::SplitPath(path.substr(start, end - start));
      try {
        return node->ResolveNode(rest);
      } catch (const TarnekException&) {
        return nullptr;
      }
    }
    const std::size_t dot = std::min(path.find('.', start), end);
    std::shared_ptr<NamespaceNode> child = node->GetNamespaceNode(path.substr(start, dot - start));
    if (!child) return nullptr;
    node = std::move(child);
    if (dot == end) return node;
    start = dot + 1;
  }
}

// A top-level namespace declared again with the same description is the same namespace: every
// plug-in that declares it adds its commands to the one already there.
bool IsSharedTopLevelNamespace(const std::shared_ptr<NamespaceNode>& parent,
                               const std::shared_ptr<NamespaceNode>& existing,
                               const std::shared_ptr<NamespaceNode>& node) {
  return parent->GetType() == NamespaceNodeType::Root &&
         existing->GetType() == NamespaceNodeType::Namespace &&
         node->GetType() == NamespaceNodeType::Namespace;
}

}  // namespace

XmlPlugin::XmlPlugin(std::string descriptorPath) : name(std::move(descriptorPath)) {}

XmlPlugin::~XmlPlugin() = default;

std::shared_ptr<XmlPlugin> XmlPlugin::New(const std::string& path) {
  return std::make_shared<XmlPlugin>(path);
}

void XmlPlugin::Initialize() {
  // Checked against the headers this library was compiled with: a fixed number would complain
  // on every load about a mismatch nobody running the program can act on.
  xmlCheckVersion(LIBXML_VERSION);
  try {
    const Document document = ReadDescriptor(name);
    xmlNode* top = xmlDocGetRootElement(document.get());
    if (top == nullptr) throw TarnekException("Unable to parse XML descriptor: " + name);
    if (XmlUtil_GetContentForChildByTag(top, "version") != kSupportedVersion) {
      throw TarnekException("Unknown qorcli extention version.  Valid versions are: '" +
                            std::string(kSupportedVersion) + "'");
    }
    xmlNode* namespaces = XmlUtil_FindChildNode(top, "namespaces");
    if (namespaces != nullptr) AddNamespaces(namespaces);
    xmlNode* commands = XmlUtil_FindChildNode(top, "commands");
    if (commands != nullptr) AddCommands(commands);
    if (namespaces == nullptr && commands == nullptr) {
      throw TarnekException("Unable to find any namespaces or commands to register for plugin " +
                            name);
    }
  } catch (const TarnekException& error) {
    // A half-read descriptor must not be registrable.
    registrations.clear();
    throw TarnekException("Unable to handle XML Plugin " + name +
                          ".  There was an error while parsing: " + error.what());
  }
}

const std::string& XmlPlugin::GetName() const { return name; }

void XmlPlugin::RegisterNamespaces(std::shared_ptr<Namespace> root) {
  // Checking pass: refuse what clashes with the tree as it is now, before changing it, so that
  // the usual conflicts leave nothing of this plug-in behind. Parents this descriptor declares
  // itself do not exist yet and are checked by the tree when they are registered.
  for (const Registration& registration : registrations) {
    const std::string& path = registration.first;
    const std::shared_ptr<NamespaceNode>& node = registration.second;
    if (path.empty()) {
      throw TarnekException("Invalid NULL registration found in XML plugin: " + name +
                            " all namespaces and commands must have a valid 'path' field");
    }
    if (!node) throw TarnekException("Invalid null node: " + path);
    const std::size_t lastDot = path.rfind('.');
    std::shared_ptr<NamespaceNode> parent = root;
    if (lastDot != std::string::npos) {
      parent = FindExistingParent(root, path, lastDot);
      if (!parent) continue;
    }
    const std::shared_ptr<NamespaceNode> existing = parent->GetNamespaceNode(
        lastDot == std::string::npos ? path : path.substr(lastDot + 1));
    if (!existing) continue;
    if (!IsSharedTopLevelNamespace(parent, existing, node)) {
      throw TarnekException("Qorcli path is already registered: " + path);
    }
    if (existing->GetDescription() != node->GetDescription()) {
      throw TarnekException("Duplicate top-level namespaces must have the same description: " +
                            path);
    }
  }

  for (const Registration& registration : registrations) {
    const std::shared_ptr<NamespaceNode>& node = registration.second;
    SplitRegistrationPath split(registration.first);
    std::shared_ptr<NamespaceNode> parent = root->ResolveNode(split.parentNames);
    if (!parent) parent = root;
    if (parent->GetType() == NamespaceNodeType::Root) {
      const std::shared_ptr<NamespaceNode> existing = parent->GetNamespaceNode(split.leaf);
      if (existing && IsSharedTopLevelNamespace(parent, existing, node) &&
          existing->GetDescription() == node->GetDescription()) {
        continue;
      }
    }
    parent->RegisterNamespaceNode(node, split.leaf);
  }
}

bool XmlPlugin::HasFormatter(const std::string&) { return false; }

std::shared_ptr<Formatter> XmlPlugin::GetFormatter(const std::string&) {
  throw TarnekException("Xml Plugin doesn't not support formatters");
}

const std::vector<std::shared_ptr<Formatter>>& XmlPlugin::GetFormatters() {
  static const std::vector<std::shared_ptr<Formatter>> none;
  return none;
}

std::list<std::string> XmlPlugin::SplitPath(const std::string& path) {
  // Empty pieces are kept so that a stray full stop reaches the tree's name check instead of
  // silently naming another node.
  std::list<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = path.find('.', start);
    names.emplace_back(path, start, dot == std::string::npos ? std::string::npos : dot - start);
    if (dot == std::string::npos) return names;
    start = dot + 1;
  }
}

void XmlPlugin::AddNamespaces(xmlNode* node) {
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsElement(child, "namespace")) AddNamespace(child);
  }
}

void XmlPlugin::AddNamespace(xmlNode* node) {
  const std::string path = AttributeOf(node, "path");
  const std::string description = XmlUtil_GetContentForChildByTag(node, "description");
  if (path.empty() || description.empty()) {
    throw TarnekException(
        "Unable to register a namespace without valid 'path' attribute or <description> being "
        "present.");
  }
  std::shared_ptr<Namespace> declared = Namespace::New();
  declared->SetDescription(description);
  registrations.emplace_back(path, std::move(declared));
}

void XmlPlugin::AddCommands(xmlNode* node) {
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsElement(child, "command")) AddCommand(child);
  }
}

void XmlPlugin::AddCommand(xmlNode* node) {
  const std::string path = AttributeOf(node, "path");
  if (path.empty()) {
    throw TarnekException(
        "Invalid command specification found.  <command> tags must have a non-empty 'path' "
        "attribute");
  }
  const std::string description = XmlUtil_GetContentForChildByTag(node, "description");
  try {
    std::shared_ptr<ExtensionCommand> command = ExtensionCommand::New();
    command->SetDescription(description);

    if (xmlNode* metaData = XmlUtil_FindChildNode(node, "meta-data")) {
      ExtractMetaData(metaData, command);
    }
    xmlNode* inputSpec = XmlUtil_FindChildNode(node, "input-spec");
    if (inputSpec == nullptr) {
      throw TarnekException(
          "Unable to find <input-spec> element, which is required for a command.");
    }
    command->SetInputSpec(ExtractInputSpec(inputSpec));
    xmlNode* outputSpec = XmlUtil_FindChildNode(node, "output-spec");
    if (outputSpec == nullptr) {
      throw TarnekException(
          "Unable to find <output-spec> element, which is required for a command.");
    }
    command->SetOutputSpec(ExtractOutputSpec(outputSpec));
    xmlNode* formatParameters = XmlUtil_FindChildNode(node, "format-parameters");
    if (formatParameters == nullptr) {
      throw TarnekException(
          "Unable to find <format-parameters> element, which is required for a command.");
    }
    ExtractFormatParams(formatParameters, command);

    const std::string execute = XmlUtil_GetContentForChildByTag(node, "execute");
    if (execute.empty()) {
      throw TarnekException(
          "Missing or empty <execute> tag.  This tag must specify a valid execution string for "
          "this command.");
    }
    command->SetExecuteCommand(execute);
    command->SetStdin(XmlUtil_GetContentForChildByTag(node, "stdin"));
    registrations.emplace_back(path, std::move(command));
  } catch (const TarnekException& error) {
    throw TarnekException("Unable to register the command 'qorcli " + path + "'  Error was " +
                          error.what());
  }
}

void ExtractMetaData(xmlNode* node, std::shared_ptr<ExtensionCommand>) {
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || child->name == nullptr) continue;
    if (!IsElement(child, "meta-data-entry")) {
      throw TarnekException(
          "Found unexpected tag while building meta-data set.  Unexpected tag was: " +
          NameOf(child));
    }
    for (xmlNode* text = child->children; text; text = text->next) {
      if (HasText(text) && AttributeOf(child, "name").empty()) {
        throw TarnekException("Error parsing 'meta-data-entry', missing required attribute 'name'");
      }
    }
  }
}

void ExtractFormatParams(xmlNode* node, std::shared_ptr<ExtensionCommand> command) {
  bool haveFormatter = false;
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsElement(child, "formatter")) {
      if (haveFormatter) {
        throw TarnekException("Invalid plugin format.  Duplicate <formatter> tags found");
      }
      haveFormatter = true;
      command->SetDefaultOutputFormatter(XmlUtil_GetContent(child));
    } else if (IsElement(child, "format-parameter")) {
      command->SetDefaultOutputParameter(AttributeOf(child, "name"),
                                         XmlUtil_GetContent(child));
    }
  }
}

std::shared_ptr<OutputSpec> ExtractOutputSpec(xmlNode* node) {
  std::shared_ptr<OutputSpec> spec = OutputSpec::New();
  bool haveRoot = false;
  for (xmlNode* child = node->children; child; child = child->next) {
    // White space, comments, CDATA sections and processing instructions declare nothing.
    if (child->type != XML_ELEMENT_NODE || IsElement(child, "text") ||
        IsElement(child, "comment")) {
      continue;
    }
    if (haveRoot) {
      throw TarnekException(
          "Found more than one node under 'output-spec', where only one node is supported.  The "
          "tag was " +
          NameOf(child));
    }
    haveRoot = true;
    try {
      spec->SetRootObject(XmlUtil_BuildMetaObject(child));
    } catch (const TarnekException& error) {
      throw TarnekException(std::string("Unable to build output spec.  Error was ") + error.what());
    }
  }
  return spec;
}

std::shared_ptr<InputSpec> ExtractInputSpec(xmlNode* node) {
  std::shared_ptr<InputSpec> spec = InputSpec::New();
  for (xmlNode* child = node->children; child; child = child->next) {
    if (IsElement(child, "parameter")) {
      ExtractInputParam(child, spec);
    } else if (IsElement(child, "context-supported")) {
      spec->SetContextSupported(XmlUtil_GetContent(child));
    }
  }
  return spec;
}

void ExtractInputParam(xmlNode* node, std::shared_ptr<InputSpec> spec) {
  const std::string parameterName = AttributeOf(node, "name");
  const std::string typeWord = AttributeOf(node, "type");
  const std::string required = AttributeOf(node, "required");
  std::string secret = AttributeOf(node, "secret");
  const std::string shortName = AttributeOf(node, "shortname");
  const std::string description = XmlUtil_GetContentForChildByTag(node, "description");

  if (parameterName.empty()) {
    throw TarnekException("Unable to parse Input Parameter.  Missing required attribute: 'name'");
  }
  ParameterType type = ParameterType::String;
  if (!ParameterTypeFromWord(typeWord, type)) {
    // "flag" is accepted but, as ever, not advertised.
    throw TarnekException("Unable to parse Input Parameter " + parameterName +
                          ". Missing or invalid required attribute: 'type'.  Must be one of "
                          "[string, string-list, bool, bool-list, int, int-list]");
  }
  if (!IsTrueOrFalse(required)) {
    throw TarnekException("Unable to parse Input Paramter " + parameterName +
                          ". Missing or invalid 'required', must be one of ['true', 'false']");
  }
  if (description.empty()) {
    throw TarnekException("Unable to parse Input Paramter " + parameterName +
                          ". Missing command description");
  }
  if (secret.empty()) secret = "false";
  if (!IsTrueOrFalse(secret)) {
    throw TarnekException("Unable to parse Input Paramter " + parameterName +
                          ". Invalid 'secret', must be one of ['true', 'false']");
  }
  if (secret == "true" && type != ParameterType::String) {
    throw TarnekException("Unable to parse Input Paramter " + parameterName + ". Invalid type " +
                          typeWord + " for secret, must be 'string'");
  }

  std::shared_ptr<ParameterSpec> parameter = ParameterSpec::New(parameterName, type);
  if (!shortName.empty()) parameter->SetShortName(shortName);
  parameter->SetDescription(description);
  parameter->SetRequired(required == "true");
  if (secret == "true") parameter->SetSecret(true);

  for (xmlNode* child = node->children; child; child = child->next) {
    if (!IsElement(child, "constraint")) continue;
    try {
      parameter->SetConstraint(ExtractParamConstraint(child));
    } catch (const TarnekException& error) {
      throw TarnekException("Unable to build parameter constraint for parameter " + parameterName +
                            ".  Error was: " + error.what());
    }
  }
  spec->AddParameter(parameter);
}

std::shared_ptr<ParameterConstraint> ExtractParamConstraint(xmlNode* node) {
  const std::string type = AttributeOf(node, "type");
  const bool isStringEnum = type == "stringenum";
  const bool isIntEnum = type == "intenum";
  const bool isRegex = type == "regex";
  const bool isRange = type == "range";
  if (!isStringEnum && !isIntEnum && !isRegex && !isRange) {
    throw TarnekException(
        "Missing or invalid constraint 'type', must be one of [stringenum, intenum, regex, "
        "range] got '" +
        type + "'");
  }

  // Each data element starts over, so the last one of the constraint's kind wins.
  std::shared_ptr<ParameterConstraint> constraint;
  bool haveData = false;
  for (xmlNode* child = node->children; child; child = child->next) {
    if ((isStringEnum || isIntEnum) && IsElement(child, "enum")) {
      const std::vector<std::pair<std::string, std::string>> values = ExtractEnum(child);
      if (!values.empty()) haveData = true;
      constraint = ParameterConstraint::New(isStringEnum ? ParameterConstraintType::StringEnum
                                                         : ParameterConstraintType::IntEnum);
      for (const auto& [value, description] : values) {
        if (isStringEnum) {
          constraint->AddStringEnum(value, description);
          continue;
        }
        long number = 0;
        if (!ExtractLong(value, number)) {
          throw TarnekException("Error parsing integer enumeration. Expected integer, but got " +
                                value);
        }
        constraint->AddIntEnum(number);
      }
    } else if (isRegex && IsElement(child, "regex")) {
      constraint = ParameterConstraint::New(ParameterConstraintType::StringRegex);
      const std::string expression = XmlUtil_GetContent(child);
      if (expression.empty()) {
        throw TarnekException(
            "Error parsing regex from parameter constraint.Missing or empty 'regex' tag");
      }
      constraint->SetStringRegex(expression);
      haveData = true;
    } else if (isRange && IsElement(child, "range")) {
      const std::string minText = AttributeOf(child, "min");
      const std::string maxText = AttributeOf(child, "max");
      constraint = ParameterConstraint::New(ParameterConstraintType::IntRange);
      long min = 0;
      long max = 0;
      if (minText.empty() || maxText.empty() || !ExtractLong(minText, min) ||
          !ExtractLong(maxText, max)) {
        throw TarnekException(
            "Error parsing 'range' parameter constraint.  Range requires both 'min' and 'max' "
            "attributes and that both are integers.");
      }
      constraint->SetIntRange(min, max);
      haveData = true;
    }
  }
  if (!haveData) {
    throw TarnekException(
        "Error parsing parameter constraint.  There was no data included inside the "
        "<constraint> tag for the given constraint type");
  }
  return constraint;
}

std::vector<std::pair<std::string, std::string>> ExtractEnum(xmlNode* node) {
  std::vector<std::pair<std::string, std::string>> values;
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || child->name == nullptr) continue;
    if (!IsElement(child, "enum-value")) {
      throw TarnekException("Found unexpected tag while building an enum.  Unexpected tag was: " +
                            NameOf(child));
    }
    for (xmlNode* text = child->children; text; text = text->next) {
      if (!HasText(text)) continue;
      const std::string value = AttributeOf(child, "value");
      if (value.empty()) {
        throw TarnekException("Error parsing 'enum-value', missing required attribute 'value'");
      }
      values.emplace_back(value, reinterpret_cast<const char*>(text->content));
    }
  }
  return values;
}

}  // namespace AutoCli
}  // namespace Tarnek
