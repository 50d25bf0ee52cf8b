// The formatter base: name, help text and the documented parameters.
#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {

Formatter::Formatter(const std::string& formatterName) : name(formatterName) {}

// Defined here so that the vtable is emitted once, in the library.
Formatter::~Formatter() = default;

void Formatter::AddParam(std::string paramName, std::string paramDescription, bool flag) {
  params.emplace_back(std::move(paramName), std::move(paramDescription), flag);
}

}  // namespace AutoCli
}  // namespace Tarnek
