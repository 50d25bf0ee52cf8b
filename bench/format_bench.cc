// Rendering cost of the main output formatters on a large command result: a list of 100,000
// structures of five fields, written to a regular file and to /dev/null (the latter leaves the
// formatter and the stream machinery without the file system). Reported as rows per second.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "large_result.h"

#include "autocli/cli/result_stream.h"

namespace {

using Tarnek::AutoCli::DisplayContext;
using Tarnek::AutoCli::FormatParameters;
using Tarnek::AutoCli::Formatter;
using Tarnek::CallSpec::Output;

enum class Sink { File, DevNull };

// Built once and shared by every benchmark: building it costs more than some of the renderings.
const std::shared_ptr<Output>& DiskListOutput() {
  static const std::shared_ptr<Output> output = bench::LargeResult();
  return output;
}

// A scratch file that is removed when the benchmark ends, however it ends.
class TemporaryFile {
 public:
  TemporaryFile() {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/format_bench.XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd < 0) {
      path_.clear();
    } else {
      close(fd);
    }
  }
  ~TemporaryFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Path() const { return path_; }  // empty when it could not be created

 private:
  std::string path_;
};

void BM_Format(benchmark::State& state, const char* formatterName, Sink sink) {
  const std::shared_ptr<Output>& output = DiskListOutput();
  const std::shared_ptr<Formatter> formatter = bench::NewFormatter(formatterName);
  if (!formatter) {
    state.SkipWithError("unknown formatter");
    return;
  }
  TemporaryFile file;
  const std::string path = sink == Sink::File ? file.Path() : "/dev/null";
  if (path.empty()) {
    state.SkipWithError("cannot create a temporary file");
    return;
  }
  // As the command line sees it when standard output is not a terminal: no width, and the
  // front end's own stream, which keeps the formatters' per-line flushes cheap.
  DisplayContext display;
  for (auto _ : state) {
    // Opened per run so that the file is rewritten, not grown, and closed inside the timing
    // so that the last buffered write counts too.
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    FormatParameters params;
    params.SetFormatter(formatterName);
    Tarnek::AutoCli::Internal::ResultStream stream(out, false);
    formatter->Format(output, params, display, stream.Get());
    stream.Finish();
    out.close();
    if (!out) {
      state.SkipWithError("write failed");
      return;
    }
  }
  state.counters["rows"] = benchmark::Counter(static_cast<double>(state.iterations() * bench::kLargeResultRows),
                                              benchmark::Counter::kIsRate);
  struct stat written {};
  if (sink == Sink::File && stat(path.c_str(), &written) == 0) {
    state.counters["bytes_per_run"] = static_cast<double>(written.st_size);
  }
}

#define TARNEK_FORMAT_BENCHMARK(formatter)                                              \
  BENCHMARK_CAPTURE(BM_Format, formatter##_file, #formatter, Sink::File)               \
      ->Unit(benchmark::kMillisecond)                                                   \
      ->UseRealTime();                                                                  \
  BENCHMARK_CAPTURE(BM_Format, formatter##_devnull, #formatter, Sink::DevNull)         \
      ->Unit(benchmark::kMillisecond)                                                   \
      ->UseRealTime()

TARNEK_FORMAT_BENCHMARK(table);
TARNEK_FORMAT_BENCHMARK(simple);
TARNEK_FORMAT_BENCHMARK(json);
TARNEK_FORMAT_BENCHMARK(xml);

}  // namespace
