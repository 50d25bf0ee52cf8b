// Cost of the value model at the size of a large command result: a list of 100,000 structures
// of five fields, built item by item (each Add checks the item against the list's structure)
// and then checked against a declaration as a command's result is.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "tarnek/metaobj.h"

namespace {

using Tarnek::MetaObj::MetaList;
using Tarnek::MetaObj::MetaStruct;
using Tarnek::MetaObj::MetaType;

constexpr long kItems = 100000;

std::shared_ptr<MetaStruct> NewDiskDeclaration() {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("name", "");
  disk->SetField("size", 0L);
  disk->SetField("online", false);
  disk->SetField("path", "");
  disk->SetField("tags", std::vector<std::string>{});
  return disk;
}

std::shared_ptr<MetaList> NewDiskList(const std::shared_ptr<MetaStruct>& declaration) {
  auto disks = MetaList::New(MetaType::Struct, declaration);
  disks->Reserve(kItems);
  for (long i = 0; i < kItems; ++i) {
    auto disk = MetaStruct::New(declaration);
    disk->SetField("name", "disk" + std::to_string(i));
    disk->SetField("size", i * 4096);
    disk->SetField("online", i % 2 == 0);
    disk->SetField("path", "/dev/disks/" + std::to_string(i));
    disk->SetField("tags", std::vector<std::string>{"local", "ssd"});
    disks->Add(disk);
  }
  return disks;
}

void BM_BuildStructList(benchmark::State& state) {
  const auto declaration = NewDiskDeclaration();
  for (auto _ : state) {
    auto disks = NewDiskList(declaration);
    benchmark::DoNotOptimize(disks);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_BuildStructList)->Unit(benchmark::kMillisecond);

// The list as a whole against a declared list: shapes only, so its cost must not grow with
// the number of items.
void BM_ListIsSameStructure(benchmark::State& state) {
  const auto declaration = MetaList::New(MetaType::Struct, NewDiskDeclaration());
  const std::shared_ptr<Tarnek::MetaObj::MetaObject> disks = NewDiskList(NewDiskDeclaration());
  for (auto _ : state) {
    std::vector<std::string> errors;
    benchmark::DoNotOptimize(declaration->IsSameStructure(disks, &errors));
  }
}
BENCHMARK(BM_ListIsSameStructure);

// Every item against the declaration, as a per-item check of a result does.
void BM_EveryItemIsSameStructure(benchmark::State& state) {
  const auto declaration = NewDiskDeclaration();
  const auto disks = NewDiskList(declaration);
  for (auto _ : state) {
    bool same = true;
    for (const auto& disk : disks->GetObjects()) same &= declaration->IsSameStructure(disk);
    benchmark::DoNotOptimize(same);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_EveryItemIsSameStructure)->Unit(benchmark::kMillisecond);

}  // namespace
