// Whether a rendering carries per-field settings at all. Internal to the formatters.
#ifndef TARNEK_SRC_AUTOCLI_FORMAT_FIELD_SETTINGS_H_
#define TARNEK_SRC_AUTOCLI_FORMAT_FIELD_SETTINGS_H_

#include <map>
#include <string>

#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {
namespace Internal {

inline const std::string kPrintfPrefix = "printf:";
inline const std::string kUnitsPrefix = "units:";

// Whether some parameter's name starts with `prefix` (one search in the ordered parameters).
inline bool HasParameterWithPrefix(const FormatParameters& params, const std::string& prefix) {
  const std::map<std::string, std::string>& all = params.GetParameters();
  const auto candidate = all.lower_bound(prefix);
  return candidate != all.end() && candidate->first.compare(0, prefix.size(), prefix) == 0;
}

// Without any "printf:" or "units:" setting, AutoCli_FormatField gives every value its plain
// text: most renderings set neither, and then no per-field key needs to be built or looked up.
inline bool HasFieldSettings(const FormatParameters& params) {
  return HasParameterWithPrefix(params, kPrintfPrefix) ||
         HasParameterWithPrefix(params, kUnitsPrefix);
}

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_SRC_AUTOCLI_FORMAT_FIELD_SETTINGS_H_
