// Reading XML value documents (the result an extension command prints, and the result shape a
// descriptor declares) into values, and the element helpers the descriptor reader uses.
#ifndef TARNEK_AUTOCLI_XML_UTIL_H_
#define TARNEK_AUTOCLI_XML_UTIL_H_

#include <memory>
#include <string>

#include "tarnek/export.h"
#include "tarnek/metaobj.h"

// libxml2's node type, declared here so that users of this header need not see libxml2's.
struct _xmlNode;
typedef struct _xmlNode xmlNode;

namespace Tarnek {
namespace AutoCli {

/// The value of an XML value document: the first element child of the document element.
/// Empty when the text is not well-formed XML or there is no value element. Throws
/// TarnekException when a value element cannot be turned into a value.
TARNEK_EXPORT std::shared_ptr<MetaObj::MetaObject> XmlUtil_ParseXmlOutput(const std::string& text);
/// The value of one value element ("string", "int", "bool", "structure" or "list").
TARNEK_EXPORT std::shared_ptr<MetaObj::MetaObject> XmlUtil_BuildMetaObject(xmlNode* node);
/// The value of a "list" element; its "type" attribute names the item kind.
TARNEK_EXPORT std::shared_ptr<MetaObj::MetaList> BuildMetaList(xmlNode* node);
/// The value of a "structure" element with its "field" children.
TARNEK_EXPORT std::shared_ptr<MetaObj::MetaStruct> BuildMetaStruct(xmlNode* node);
/// The element's text: the content of its last direct child that has content.
TARNEK_EXPORT std::string XmlUtil_GetContent(xmlNode* node);
/// The attribute's value, or the empty string when it is absent.
TARNEK_EXPORT std::string XmlUtil_ExtractAttribute(xmlNode* node, const std::string& name);
/// The text of the direct child named `tag`, or the empty string. Throws when the tag appears
/// again after a non-empty occurrence.
TARNEK_EXPORT std::string XmlUtil_GetContentForChildByTag(xmlNode* node, const std::string& tag);
/// The one direct child named `tag`, or null. Throws when there are several.
TARNEK_EXPORT xmlNode* XmlUtil_FindChildNode(xmlNode* node, const std::string& tag);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_XML_UTIL_H_
