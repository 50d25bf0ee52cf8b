// Rendering into a file or a pipe goes through the front end's flush-deferring stream, where the
// formatters hand over many lines at once: the bytes must be those of rendering line by line.
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../../src/autocli/cli/result_stream.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/table_formatter.h"
#include "tarnek/autocli/xml_formatter.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using CallSpec::Output;
using namespace MetaObj;

// Enough rows for many of the writers' pieces, with texts long enough to cross piece borders
// at varying places.
std::shared_ptr<Output> Rows() {
  auto row = MetaStruct::New("Disk");
  row->SetField("Name", "");
  row->SetField("Size", 0L);
  row->SetField("Mounted", false);
  auto rows = MetaList::New(MetaType::Struct, row);
  for (long i = 0; i < 3000; ++i) {
    auto disk = MetaStruct::New(row);
    disk->SetField("Name", "disk-" + std::string(static_cast<std::size_t>(i % 37), 'x') +
                               std::to_string(i));
    disk->SetField("Size", i * 7919 % 1000003 - 500000);
    disk->SetField("Mounted", i % 3 != 0);
    rows->Add(disk);
  }
  auto output = Output::New();
  output->SetRootObject(rows);
  return output;
}

// Counts the flushes that reach it.
class CountingBuffer : public std::stringbuf {
 public:
  int syncs = 0;

 protected:
  int sync() override {
    ++syncs;
    return 0;
  }
};

TEST(FileOutput, EveryFormatterWritesTheSameBytesAsLineByLine) {
  const std::shared_ptr<Output> rows = Rows();
  const std::shared_ptr<Formatter> formatters[] = {
      TableFormatter::New(), SimpleFormatter::New(), JsonFormatter::New(), XmlFormatter::New()};
  for (const auto& formatter : formatters) {
    FormatParameters params;
    DisplayContext display;
    std::ostringstream direct;
    ASSERT_TRUE(formatter->Format(rows, params, display, direct));

    CountingBuffer target;
    std::ostream file(&target);
    {
      Internal::ResultStream out(file, false);
      ASSERT_TRUE(formatter->Format(rows, params, display, out.Get()));
    }
    EXPECT_EQ(target.str(), direct.str()) << formatter->GetName();
    EXPECT_EQ(target.syncs, 1) << formatter->GetName() << ": one flush, at the end";
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
