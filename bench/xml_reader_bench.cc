// Reading an extension command's result: the XML value document of a list of structures, as a
// command prints it, turned into values. Reported as rows per second.
#include <string>

#include <benchmark/benchmark.h>

#include "tarnek/autocli/xml_util.h"

namespace {

std::string RowsDocument(long rows) {
  std::string text = "<output>\n<list type=\"structure\">\n";
  for (long i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    text += "  <structure typeName=\"Disk\">\n    <field name=\"Name\"><string>disk-" + n +
            "</string></field>\n    <field name=\"Size\"><int>" + std::to_string(i * 7919) +
            "</int></field>\n    <field name=\"Mounted\"><bool>true</bool></field>\n"
            "    <field name=\"Path\"><string>/srv/volumes/v" + n +
            "/data</string></field>\n    <field name=\"Owner\"><string>user" + n +
            "</string></field>\n  </structure>\n";
  }
  return text + "</list>\n</output>\n";
}

void BM_ReadRows(benchmark::State& state) {
  const std::string text = RowsDocument(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(Tarnek::AutoCli::XmlUtil_ParseXmlOutput(text));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_ReadRows)->Arg(1)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
