// The "table" formatter: a list of structures as rows and columns, with an optional header,
// a dash line under it and the last column wrapped to the terminal width.
#ifndef TARNEK_AUTOCLI_TABLE_FORMATTER_H_
#define TARNEK_AUTOCLI_TABLE_FORMATTER_H_

#include <memory>
#include <ostream>
#include <string>

#include "tarnek/autocli/format.h"
#include "tarnek/callspec.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {

/// Prints a list of structures, one row per element and one column per selected field.
/// Columns come from "fields:<TypeName>", "fields" or "table-columns" (comma-separated, each
/// name trimmed), else every field of the element structure; a column may be a dotted path
/// into nested structures. Also reads "show-header" (falling back to "table-header"),
/// "header-line", "wrap-last" and the per-field "printf:" and "units:" settings.
class TARNEK_EXPORT TableFormatter : public Formatter {
 public:
  TableFormatter();
  static std::shared_ptr<TableFormatter> New();

  /// Throws TarnekException when the root is not a List of structures, or when a non-empty
  /// list carries no element structure (an empty one prints nothing and returns true).
  /// Returns false after writing an error line into `out` when an element is not a
  /// structure or a column does not resolve; true when the table was printed. Leaves `out`
  /// in left adjustment.
  bool Format(const std::shared_ptr<CallSpec::Output>& output, FormatParameters& params,
              DisplayContext& display, std::ostream& out) override;
};

/// The field of `value` named by `path`, or by a dotted path ("Info.Vendor") walked through
/// nested structures. Null when `value` is null, a part is missing, or a part other than the
/// last is not a structure.
TARNEK_EXPORT std::shared_ptr<MetaObj::MetaObject> GetSubField(
    std::shared_ptr<MetaObj::MetaStruct> value, const std::string& path);

}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_AUTOCLI_TABLE_FORMATTER_H_
