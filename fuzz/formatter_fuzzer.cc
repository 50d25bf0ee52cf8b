// Renders value trees decoded from the fuzz bytes with every formatter of the library, under
// fuzzed format parameters and screen widths. The help formatters refuse a root of the wrong
// kind with TarnekException, which is their contract; every other escape is a finding.
//
// The "printf:" parameters are left out: their format string is handed to the C library as
// given, so a conversion that does not match the field's kind is the user's own error.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tarnek/autocli/format.h"
#include "tarnek/autocli/help_formatter.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/table_formatter.h"
#include "tarnek/autocli/xml_formatter.h"
#include "tarnek/callspec.h"
#include "tarnek/exception.h"
#include "value_tree_decoder.h"

namespace {

using namespace Tarnek::AutoCli;
using tarnek_fuzz::Pick;

const char* const kKeyStems[] = {"fields",       "fields:",      "header:",     "align-fields",
                                 "units:",       "show-header",  "wrap-last",   "header-line",
                                 "table-columns", "table-header", "stylesheet"};
const char* const kValues[] = {"true", "false", "Name", "Name,Size", "Size,Name,Type",
                               ",Name", "a,,b", "Description", "0", "3", "MB", ""};

std::vector<std::shared_ptr<Formatter>> MakeFormatters() {
  return {TableFormatter::New(),         SimpleFormatter::New(), JsonFormatter::New(),
          PythonFormatter::New(),        XmlFormatter::New(),    CommandHelpFormatter::New(),
          CliDispatcherHelpFormatter::New()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::shared_ptr<Formatter>> formatters = MakeFormatters();
  FuzzedDataProvider in(data, size);

  DisplayContext display;
  display.width = in.ConsumeIntegral<uint16_t>();
  display.height = in.ConsumeIntegral<uint16_t>();

  FormatParameters params;
  const int count = in.ConsumeIntegralInRange<int>(0, 6);
  for (int i = 0; i < count; ++i) {
    std::string key = Pick(in, kKeyStems);
    if (key.back() == ':') {
      key += Pick(in, tarnek_fuzz::kTypeNames);
      if (key.compare(0, 6, "units:") == 0) {
        key += std::string(".") + Pick(in, tarnek_fuzz::kFieldNames);
      }
    }
    params.SetParameter(key, in.ConsumeBool() ? std::string(Pick(in, kValues))
                                              : in.ConsumeRandomLengthString(24));
  }

  auto output = Tarnek::CallSpec::Output::New();
  const int errors = in.ConsumeIntegralInRange<int>(0, 2);
  for (int i = 0; i < errors; ++i) output->AddErrorMessage(in.ConsumeRandomLengthString(32));
  try {
    tarnek_fuzz::ValueTreeDecoder decoder(in);
    output->SetRootObject(decoder.Value(0));
  } catch (const Tarnek::TarnekException&) {
    return 0;
  }

  for (const auto& formatter : formatters) {
    FormatParameters settings = params;
    settings.SetFormatter(formatter->GetName());
    DisplayContext context = display;
    std::ostringstream text;
    try {
      formatter->Format(output, settings, context, text);
    } catch (const Tarnek::TarnekException&) {
    }
  }
  return 0;
}
