// Rendering side by side with its floor: the 100,000-row result of the benchmark script rendered
// by each main formatter into a file, through the stream the command-line front end hands the
// formatters when standard output is not a terminal, against writing the very same bytes line by
// line through a buffered stream. The two alternate; the medians of the processor time
// (user and system) each takes, and their ratio, are printed.
//
//   render_compare REPS SCRATCH_FILE
//
// One line per formatter: render-NAME ratio R formatter A ms floor B ms bytes N
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "large_result.h"

// The front end's own stream and qorcli's heap, so that the formatters are measured as qorcli
// runs them.
#include "autocli/cli/result_stream.h"
#include "heap_reserve.h"

namespace {

using Tarnek::AutoCli::DisplayContext;
using Tarnek::AutoCli::FormatParameters;
using Tarnek::AutoCli::Formatter;
using Tarnek::CallSpec::Output;

// Processor time (user and system) of this process: on a shared machine, waiting for a core
// inflates wall time by chance; the work done by either side is what is compared.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// What the front end does with a result when standard output is a file.
void Render(Formatter& formatter, const std::string& name, const std::shared_ptr<Output>& rows,
            const std::string& path) {
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  FormatParameters params;
  params.SetFormatter(name);
  DisplayContext display;
  Tarnek::AutoCli::Internal::ResultStream out(file, false);
  formatter.Format(rows, params, display, out.Get());
  out.Finish();
  file.close();
}

void WriteLines(const std::vector<std::string>& lines, const std::string& path) {
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  for (const std::string& line : lines) file << line << '\n';
  file.close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s REPS SCRATCH_FILE\n", argv[0]);
    return 2;
  }
  Qorcli::ReserveHugePageHeap();
  const int reps = std::max(1, std::atoi(argv[1]));
  const std::string path = argv[2];
  const std::shared_ptr<Output> rows = bench::LargeResult();
  for (const std::string name : {"table", "simple", "json", "xml"}) {
    const std::shared_ptr<Formatter> formatter = bench::NewFormatter(name);
    Render(*formatter, name, rows, path);
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    {
      std::ifstream in(path);
      for (std::string line; std::getline(in, line);) {
        bytes += line.size() + 1;
        lines.push_back(std::move(line));
      }
    }
    std::vector<double> rendered, floor;
    for (int r = 0; r < reps; ++r) {
      double start = Now();
      Render(*formatter, name, rows, path);
      rendered.push_back(Now() - start);
      start = Now();
      WriteLines(lines, path);
      floor.push_back(Now() - start);
    }
    const double a = Median(rendered), b = Median(floor);
    std::printf("render-%s ratio %.3f formatter %.2f ms floor %.2f ms bytes %zu\n", name.c_str(),
                a / b, a, b, bytes);
    std::fflush(stdout);
  }
  std::remove(path.c_str());
  return 0;
}
