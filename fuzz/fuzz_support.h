// Helpers every harness shares: quiet libxml2 and the one exception a harness accepts.
#ifndef TARNEK_FUZZ_FUZZ_SUPPORT_H_
#define TARNEK_FUZZ_FUZZ_SUPPORT_H_

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

namespace tarnek_fuzz {

inline void IgnoreGenericError(void*, const char*, ...) {}
inline void IgnoreStructuredError(void*, xmlErrorPtr) {}

// libxml2 reports every malformed document on standard error; with millions of inputs that
// output would drown the fuzzer's own log and slow it down. The library's results are the
// same either way.
inline void QuietLibxml() {
  xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
  xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
}

}  // namespace tarnek_fuzz

#endif  // TARNEK_FUZZ_FUZZ_SUPPORT_H_
