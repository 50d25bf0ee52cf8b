// Reads arbitrary bytes as the XML value document an extension command prints. The reader
// may refuse a document with TarnekException; anything else escaping, a crash, a leak or
// undefined behaviour is a finding.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "tarnek/autocli/xml_util.h"
#include "tarnek/exception.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarnek_fuzz::QuietLibxml();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const auto value = Tarnek::AutoCli::XmlUtil_ParseXmlOutput(text);
    // Printing walks the whole tree that was built, so a value the reader assembled in a
    // half-finished state shows up here too.
    if (value) {
      std::ostringstream out;
      out << *value;
    }
  } catch (const Tarnek::TarnekException&) {
  }
  return 0;
}
