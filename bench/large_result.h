// The large command result every rendering benchmark uses: the 100,000 structures of five
// fields that scripts/bench.sh has a child print, built here directly.
#ifndef TARNEK_BENCH_LARGE_RESULT_H_
#define TARNEK_BENCH_LARGE_RESULT_H_

#include <cstdio>
#include <memory>
#include <string>

#include "tarnek/autocli/format.h"
#include "tarnek/autocli/json_formatter.h"
#include "tarnek/autocli/simple_formatter.h"
#include "tarnek/autocli/table_formatter.h"
#include "tarnek/autocli/xml_formatter.h"
#include "tarnek/callspec.h"
#include "tarnek/metaobj.h"

namespace bench {

constexpr long kLargeResultRows = 100000;

inline std::shared_ptr<Tarnek::CallSpec::Output> LargeResult() {
  using Tarnek::MetaObj::MetaList;
  using Tarnek::MetaObj::MetaStruct;
  auto declaration = MetaStruct::New("Disk");
  declaration->SetField("Name", "");
  declaration->SetField("Size", 0L);
  declaration->SetField("Mounted", false);
  declaration->SetField("Path", "");
  declaration->SetField("Owner", "");
  auto disks = MetaList::New(Tarnek::MetaObj::MetaType::Struct, declaration);
  disks->Reserve(kLargeResultRows);
  char text[64];
  for (long i = 0; i < kLargeResultRows; ++i) {
    auto disk = MetaStruct::New(declaration);
    std::snprintf(text, sizeof text, "disk-%07ld", i);
    disk->SetField("Name", text);
    disk->SetField("Size", i * 7919 % 1000000007);
    disk->SetField("Mounted", i % 3 != 0);
    std::snprintf(text, sizeof text, "/srv/volumes/v%07ld/data", i);
    disk->SetField("Path", text);
    std::snprintf(text, sizeof text, "user%04ld", i % 5000);
    disk->SetField("Owner", text);
    disks->Add(disk);
  }
  auto result = Tarnek::CallSpec::Output::New();
  result->SetRootObject(disks);
  return result;
}

// One of the four main formatters by name, or null.
inline std::shared_ptr<Tarnek::AutoCli::Formatter> NewFormatter(const std::string& name) {
  using namespace Tarnek::AutoCli;
  if (name == "table") return TableFormatter::New();
  if (name == "simple") return SimpleFormatter::New();
  if (name == "json") return JsonFormatter::New();
  if (name == "xml") return XmlFormatter::New();
  return nullptr;
}

}  // namespace bench

#endif  // TARNEK_BENCH_LARGE_RESULT_H_
