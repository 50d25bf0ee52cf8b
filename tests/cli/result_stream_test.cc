// The stream the front end hands formatters: into a file or pipe their per-line flushes must
// not reach the real stream, into a terminal every one must; the bytes are the same either way.
#include <gtest/gtest.h>

#include <iomanip>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "../../src/autocli/cli/result_stream.h"

namespace {

using Tarnek::AutoCli::Internal::ResultStream;

// Collects what it is given and counts the flushes that reach it.
class CountingBuffer : public std::stringbuf {
 public:
  int syncs = 0;
  std::size_t bytesAtFirstSync = std::string::npos;

 protected:
  int sync() override {
    if (syncs++ == 0) bytesAtFirstSync = str().size();
    return 0;
  }
};

// Writes like a formatter: short pieces, a flush per line, a change of adjustment left behind.
void Render(std::ostream& out, int lines) {
  for (int i = 0; i < lines; ++i) out << std::setw(6) << i << " row " << i << std::endl;
  out << std::left;
}

std::string Expected(int lines) {
  std::ostringstream out;
  Render(out, lines);
  return out.str();
}

TEST(ResultStream, DefersFlushesOnlyWhenNobodyWatches) {
  const struct {
    bool interactive;
    int lines;
  } cases[] = {{true, 3}, {false, 3}, {false, 20000}};  // the last one spans many buffers
  for (const auto& c : cases) {
    CountingBuffer target;
    std::ostream targetStream(&target);
    {
      ResultStream stream(targetStream, c.interactive);
      Render(stream.Get(), c.lines);
      if (!c.interactive) {
        EXPECT_EQ(target.syncs, 0) << c.lines;
      }
      stream.Finish();
    }
    EXPECT_EQ(target.str(), Expected(c.lines)) << c.interactive << c.lines;
    if (c.interactive) {
      EXPECT_EQ(target.syncs, c.lines);
      EXPECT_EQ(target.bytesAtFirstSync, Expected(1).size());
    } else {
      EXPECT_EQ(target.syncs, 1);
    }
    // Formatting state the formatter left behind is the target's afterwards, as it would be
    // had the formatter written to the target itself.
    EXPECT_TRUE(targetStream.flags() & std::ios::left) << c.interactive;
  }
}

TEST(ResultStream, HandsOverWhatWasWrittenWhenLeftEarly) {
  CountingBuffer target;
  std::ostream targetStream(&target);
  try {
    ResultStream stream(targetStream, false);
    stream.Get() << "partial line";
    throw std::runtime_error("formatter gave up");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(target.str(), "partial line");
  EXPECT_EQ(target.syncs, 1);
}

}  // namespace
