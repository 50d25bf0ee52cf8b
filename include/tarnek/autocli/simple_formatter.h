// The "simple" formatter: any result as indented text, one "name: value" line per field.
#ifndef TARNEK_AUTOCLI_SIMPLE_FORMATTER_H_
#define TARNEK_AUTOCLI_SIMPLE_FORMATTER_H_

#include <memory>
#include <ostream>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// Prints scalars on a line of their own and structures as a "<header>:" line followed by
/// one indented "name: value" line per field, nested values indented further. Reads the
/// parameters "fields", "fields:<Type>", "header:<Type>", "align-fields" and the per-field
/// "printf:" and "units:" keys. Problems are written into the text; nothing is thrown.
class TARNEK_EXPORT SimpleFormatter : public Formatter {
 public:
  /// Named "simple", with its description and five documented parameters.
  SimpleFormatter();
  static std::shared_ptr<SimpleFormatter> New();

  /// Renders the output's root value; a root list puts its elements at the outermost level.
  /// An absent output or root writes nothing. The display context is not used. Always true.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;

  /// Renders one value at nesting `level` (three spaces of indentation per level). An absent
  /// value writes nothing.
  void Format(std::shared_ptr<MetaObj::MetaObject> value, FormatParameters& params,
              std::ostream& out, int level);
  /// Header line, then the selected fields. A field name the structure lacks is reported in
  /// the text and ends the structure.
  void FormatStruct(std::shared_ptr<MetaObj::MetaStruct> value, FormatParameters& params,
                    std::ostream& out, int level);
  /// A scalar list as one line of comma-separated values; a structure list as its elements
  /// one level deeper, each preceded by a line end, with a line end after the last.
  void FormatList(std::shared_ptr<MetaObj::MetaList> value, FormatParameters& params,
                  std::ostream& out, int level);
};

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_SIMPLE_FORMATTER_H_
