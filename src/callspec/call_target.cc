// Anchors the call-target interfaces' type information in the library, so that plug-ins and
// hosts deriving from them share one vtable and type identity with the library.
#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

CallTargetSpec::~CallTargetSpec() = default;
CallTarget::~CallTarget() = default;

}  // namespace CallSpec
}  // namespace Tarnek
