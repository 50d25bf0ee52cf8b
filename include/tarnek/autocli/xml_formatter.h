// The "xml" formatter: a command's result as an XML document for programs and style sheets.
#ifndef TARNEK_AUTOCLI_XML_FORMATTER_H_
#define TARNEK_AUTOCLI_XML_FORMATTER_H_

#include <memory>
#include <ostream>
#include <string>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// Writes the XML prologue, an optional style-sheet instruction (parameter "stylesheet"),
/// every format parameter as meta-data and the result value under `root`, using the element
/// names boolean, integer, string, structure, field and list. The output's error messages
/// are not written. This vocabulary is for readers outside the system; it is never read back.
class TARNEK_EXPORT XmlFormatter : public Formatter {
 public:
  XmlFormatter();
  static std::shared_ptr<XmlFormatter> New();

  /// Writes the whole document and returns true; never throws for the value it is given.
  /// An output without a root value gets an empty `root` element. `display` is not read.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;

  /// Writes `value` with its tags indented by three spaces per `level`, nested elements
  /// two levels deeper. A value that cannot be rendered becomes an unindented error line in
  /// the document; a null value writes nothing.
  void Format(std::shared_ptr<MetaObj::MetaObject> value, std::ostream& out, int level);
};

/// `text` with every '&', '<', '>', '%', '"' and '\'' replaced by its entity or character
/// reference, the ampersand first, so "&lt;" comes out as "&amp;lt;".
TARNEK_EXPORT std::string SantizeString(std::string text);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_XML_FORMATTER_H_
