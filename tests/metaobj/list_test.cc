// Lists: element checks on every addition, structure lists and their templates, removal,
// capacity, printable form and shape comparison.
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/metaobj.h"

namespace {

using namespace Tarnek::MetaObj;
using Objects = std::vector<std::shared_ptr<MetaObject>>;
using Strings = std::vector<std::string>;

const std::string kInvalidStructure =
    "Invalid structure detected by MetaList::Add.  Type Errors were: (";
const std::string kWrongType = "Invalid type specificed in MetaList.  Expected object of type ";

std::shared_ptr<MetaStruct> Disk(long size, const char* name) {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("size", size);
  disk->SetField("name", name);
  return disk;
}

TEST(MetaListConstruction, RejectsElementTypesOfTheOtherConstructor) {
  const std::string structOnly = "Struct type expected for list.";
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::List); }),
            "Integer, boolean or string type expected for list.");
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::Int, Disk(0, "t")); }), structOnly);
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::String, nullptr); }), structOnly);
}

TEST(MetaListConstruction, EveryFactoryLocksTheTemplate) {
  auto byConstRef = Disk(0, "t"), moved = Disk(0, "t"), asObject = Disk(0, "t");
  const MetaStruct* movedRaw = moved.get();
  EXPECT_EQ(MetaList::New(MetaType::Struct, byConstRef)->GetListStructure(), byConstRef);
  const auto movedList = MetaList::New(MetaType::Struct, std::move(moved));
  MetaList::New(MetaType::Struct, std::shared_ptr<MetaObject>(asObject));
  EXPECT_TRUE(movedRaw->IsLocked());
  EXPECT_TRUE(asObject->IsLocked());
  EXPECT_EQ(ThrownMessage([&] { byConstRef->SetField("serial", "x"); }),
            "Unable to set new field serial on structure. Structure has been locked");
  EXPECT_NO_THROW(byConstRef->SetField("size", 7));  // replacing stays allowed
}

TEST(MetaListAdd, StoresInstancesAndSharesThePrototypes) {
  auto ints = MetaList::New(MetaType::Int);
  const auto big = MetaInt::New(1000L);
  ints->Add(big);  // stored, not copied
  ints->Add(7);
  ints->AddAll(std::vector<std::int64_t>{-1});
  EXPECT_EQ(ints->GetObjects(), (Objects{big, MetaInt::New(7L), MetaInt::New(-1L)}));

  auto bools = MetaList::New(MetaType::Bool);
  bools->AddAll(std::vector<bool>{false});
  EXPECT_EQ(bools->GetObjects(), Objects{MetaBool::New(false)});

  auto strings = MetaList::New(MetaType::String);
  strings->Add("");
  strings->AddAll(Strings{""});
  EXPECT_EQ(strings->GetObjects(), Objects(2, MetaString::New()));
}

TEST(MetaListAdd, RejectsAbsentAndIllTypedItemsAndStaysUnchanged) {
  auto strings = MetaList::New(MetaType::String);
  strings->Add("keep");
  EXPECT_EQ(ThrownMessage([&] { strings->Add(MetaInt::New(3L)); }),
            kWrongType + "String got object of type Int");
  EXPECT_EQ(ThrownMessage([&] { strings->AddAll(std::vector<bool>{true}); }),
            kWrongType + "String got object of type Bool");
  EXPECT_EQ(ThrownMessage([&] { strings->Add(nullptr); }), "Null object passed to Add");
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::Struct, nullptr)->Add(7); }),
            kWrongType + "Struct got object of type Int");
  EXPECT_EQ(strings->ToString(), "keep");
}

TEST(MetaListAdd, ListWithoutStructureAcceptsNoStructure) {
  const std::string reason =
      "List created with NULL structure.  No items can be added to this list.";
  const std::shared_ptr<MetaObject> notAStructure = MetaInt::New(3L);
  for (const auto& list :
       {MetaList::New(MetaType::Struct, nullptr), MetaList::New(MetaType::Struct, notAStructure)}) {
    EXPECT_EQ(list->GetListStructure(), nullptr);
    EXPECT_EQ(ThrownMessage([&] { list->Add(Disk(1, "a")); }),
              kInvalidStructure + "1) : " + reason);
    Strings errors;
    EXPECT_FALSE(list->Validate(Disk(1, "a"), &errors));
    EXPECT_EQ(errors, Strings{reason});
    EXPECT_EQ(list->GetCount(), 0u);
  }
}

TEST(MetaListAdd, StructureItemsMustMatchTheTemplate) {
  auto list = MetaList::New(MetaType::Struct, Disk(0, "template"));
  // Only the shape counts: another type name with the same fields is accepted.
  auto volume = MetaStruct::New("Volume");
  volume->SetField("name", "v0");
  volume->SetField("size", 2);
  list->Add(volume);

  auto missing = MetaStruct::New("Disk");
  missing->SetField("name", "sdb");
  missing->SetField("serial", "S1");
  EXPECT_EQ(ThrownMessage([&] { list->Add(missing); }),
            kInvalidStructure +
                "2) : Missing field in input: size, There was an error adding an item to this "
                "list.  The item being added did not match the declared structure of this list, "
                "so it was not added.");
  EXPECT_EQ(list->GetCount(), 1u);

  Strings errors;
  EXPECT_FALSE(MetaList::New(MetaType::Int)->Validate(nullptr, &errors));
  EXPECT_FALSE(MetaList::New(MetaType::Int)->Validate(MetaBool::New(), &errors));
  EXPECT_EQ(errors,
            (Strings{"Invalid NULL input",
                     "There was an error adding an item to this list.  The item being "
                     "added was not the correct type for this list, so it was not added."}));
}

TEST(MetaListIndexing, DeleteKeepsOrderAndBadIndicesThrow) {
  for (const auto& [index, after] :
       {std::pair<std::uint32_t, const char*>{0, "b, c, d"}, {1, "a, c, d"}, {3, "a, b, c"}}) {
    auto list = MetaList::New(MetaType::String);
    list->AddAll(Strings{"a", "b", "c", "d"});
    list->Delete(index);
    EXPECT_EQ(list->ToString(), after) << index;
    EXPECT_EQ(ThrownMessage([&] { list->Delete(3); }),
              "Delete requested on invalid index of MetaList");
    EXPECT_EQ(ThrownMessage([&] { list->GetItem(3); }),
              "Get requested on invalid index of MetaList");
  }
}

TEST(MetaListIsSameStructure, ComparesElementTypesAndTemplatesNeverItems) {
  const auto ints = [] { return MetaList::New(MetaType::Int); };
  const auto disks = [](std::shared_ptr<MetaStruct> t) {
    return MetaList::New(MetaType::Struct, std::move(t));
  };
  auto oneInt = ints();
  oneInt->Add(1);
  auto serialAndName = MetaStruct::New("Disk");
  serialAndName->SetField("serial", 1);
  serialAndName->SetField("name", "x");

  const std::tuple<std::shared_ptr<MetaList>, std::shared_ptr<MetaObject>, Strings> cases[] = {
      {ints(), oneInt, {}},  // lengths differ
      {ints(), MetaList::New(MetaType::String), {"Mismatch on list type"}},
      {ints(), MetaInt::New(1L), {"Type mismatch!  Was expecting a List, but got a Int"}},
      {ints(), nullptr, {"Mismatch on structure, NULL comparison"}},
      {disks(Disk(0, "a")), disks(Disk(9, "b")), {}},
      {disks(Disk(0, "a")), disks(nullptr), {}},
      {disks(nullptr), disks(Disk(0, "a")), {}},
      {disks(Disk(0, "a")),
       disks(serialAndName),
       {"Missing field in input: size", "List type mismatch list and input"}},
  };
  for (const auto& [declared, candidate, messages] : cases) {
    Strings errors;
    EXPECT_EQ(declared->IsSameStructure(candidate, &errors), messages.empty())
        << ::testing::PrintToString(messages);
    EXPECT_EQ(errors, messages);
    EXPECT_EQ(declared->IsSameStructure(candidate), messages.empty());
  }
}

}  // namespace
