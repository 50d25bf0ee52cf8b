// Anchors TarnekException's vtable and type information in the library, so that a plug-in
// or host catching it by type sees the same type the library threw.
#include "tarnek/exception.h"

namespace Tarnek {

TarnekException::~TarnekException() = default;

}  // namespace Tarnek
