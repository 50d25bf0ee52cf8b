// Lists: element checks on every addition, structure lists and their templates, removal,
// capacity, printable form and shape comparison.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/metaobj.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::MetaObj;
using Objects = std::vector<std::shared_ptr<MetaObject>>;

template <typename Fn>
std::string ThrownMessage(Fn&& fn) {
  try {
    fn();
  } catch (const TarnekException& e) {
    return e.what();
  } catch (...) {
    return "<exception of another type>";
  }
  return "<no exception>";
}

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
  const std::string scalarOnly = "Integer, boolean or string type expected for list.";
  const std::string structOnly = "Struct type expected for list.";
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::Struct); }), scalarOnly);
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::List); }), scalarOnly);
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::Int, Disk(0, "t")); }), structOnly);
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::List, Disk(0, "t")); }), structOnly);
  EXPECT_EQ(ThrownMessage([] { MetaList::New(MetaType::String, nullptr); }), structOnly);
}

TEST(MetaListConstruction, EveryFactoryLocksTheTemplate) {
  auto byConstRef = Disk(0, "t"), moved = Disk(0, "t"), asObject = Disk(0, "t");
  const MetaStruct* movedRaw = moved.get();
  EXPECT_EQ(MetaList::New(MetaType::Struct, byConstRef)->GetListStructure(), byConstRef);
  MetaList::New(MetaType::Struct, std::move(moved));
  const std::shared_ptr<MetaObject> object = asObject;
  EXPECT_EQ(MetaList::New(MetaType::Struct, object)->GetListStructure(), asObject);
  EXPECT_TRUE(byConstRef->IsLocked());
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
  ints->Add(20L);
  ints->AddAll(std::vector<std::int64_t>{-1, 0});
  EXPECT_EQ(ints->GetObjects(),
            (Objects{big, MetaInt::New(7L), MetaInt::New(20L), MetaInt::New(-1L), MetaInt::New()}));

  auto bools = MetaList::New(MetaType::Bool);
  bools->Add(true);
  bools->AddAll(std::vector<bool>{false});
  EXPECT_EQ(bools->GetObjects(), (Objects{MetaBool::New(true), MetaBool::New(false)}));

  auto strings = MetaList::New(MetaType::String);
  const std::string empty;
  std::vector<std::string> empties = {"", ""};
  strings->Add("");
  strings->Add(empty);
  strings->Add(std::string());
  strings->AddAll(empties);
  strings->AddAll(std::move(empties));
  EXPECT_EQ(strings->GetObjects(), Objects(7, MetaString::New()));
}

TEST(MetaListAdd, RejectsAbsentAndIllTypedItemsAndStaysUnchanged) {
  auto strings = MetaList::New(MetaType::String);
  strings->Add("keep");
  EXPECT_EQ(ThrownMessage([&] { strings->Add(MetaInt::New(3L)); }),
            kWrongType + "String got object of type Int");
  EXPECT_EQ(ThrownMessage([&] { strings->AddAll(std::vector<bool>{true}); }),
            kWrongType + "String got object of type Bool");
  EXPECT_EQ(ThrownMessage([&] { strings->Add(nullptr); }), "Null object passed to Add");
  EXPECT_EQ(ThrownMessage([&] { strings->Add(std::shared_ptr<MetaObject>()); }),
            "Null object passed to Add");
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
    std::vector<std::string> errors;
    EXPECT_FALSE(list->Validate(Disk(1, "a"), &errors));
    EXPECT_EQ(errors, std::vector<std::string>{reason});
    EXPECT_EQ(list->GetCount(), 0u);
  }
}

TEST(MetaListAdd, StructureItemsMustMatchTheTemplate) {
  auto list = MetaList::New(MetaType::Struct, Disk(0, "template"));
  list->Add(Disk(1, "sda"));
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
  EXPECT_EQ(list->GetCount(), 2u);
}

TEST(MetaListValidate, ReportsWhyAnItemDoesNotFit) {
  const auto ints = MetaList::New(MetaType::Int);
  std::vector<std::string> errors;
  EXPECT_FALSE(ints->Validate(nullptr, &errors));
  EXPECT_FALSE(ints->Validate(MetaBool::New(), &errors));
  EXPECT_TRUE(ints->Validate(MetaInt::New(99L), &errors));
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "Invalid NULL input",
                        "There was an error adding an item to this list.  The item being added "
                        "was not the correct type for this list, so it was not added."}));
}

TEST(MetaListIndexing, OutOfRangeIndicesThrow) {
  auto list = MetaList::New(MetaType::String);
  const std::string badDelete = "Delete requested on invalid index of MetaList";
  const std::string badGet = "Get requested on invalid index of MetaList";
  EXPECT_EQ(ThrownMessage([&] { list->Delete(0); }), badDelete);
  EXPECT_EQ(ThrownMessage([&] { list->GetItem(0); }), badGet);
  list->AddAll(std::vector<std::string>{"a", "b", "c"});
  EXPECT_EQ(ThrownMessage([&] { list->GetItem(list->GetCount()); }), badGet);
  EXPECT_EQ(ThrownMessage([&] { list->Delete(3); }), badDelete);
  EXPECT_EQ(list->ToString(), "a, b, c");
}

TEST(MetaListIndexing, DeleteKeepsTheOrderOfTheRest) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "b, c, d"}, {1, "a, c, d"}, {3, "a, b, c"}};
  for (const auto& [index, after] : cases) {
    auto list = MetaList::New(MetaType::String);
    list->AddAll(std::vector<std::string>{"a", "b", "c", "d"});
    list->Delete(index);
    EXPECT_EQ(list->ToString(), after) << index;
  }
}

// Exactly what is needed, without a growth factor: callers size a list once.
TEST(MetaListCapacity, ReservesExactlyWhatIsNeeded) {
  auto list = MetaList::New(MetaType::Int);
  list->EnsureCapacity(5);
  EXPECT_EQ(list->GetObjects().capacity(), 5u);
  for (long v = 0; v < 5; ++v) list->Add(v);
  list->EnsureCapacity(3);
  EXPECT_EQ(list->GetObjects().capacity(), 8u);
  list->EnsureCapacity(2);  // 5 + 2 already fits
  EXPECT_EQ(list->GetObjects().capacity(), 8u);

  auto grown = MetaList::New(MetaType::Int);
  grown->Reserve(2);
  grown->Add(100);
  grown->Add(200);
  grown->AddAll(std::vector<std::int64_t>{1, 2, 3});
  EXPECT_EQ(grown->GetObjects().capacity(), 5u);
}

TEST(MetaListToString, JoinsItemTextsWithoutBrackets) {
  auto ints = MetaList::New(MetaType::Int);
  EXPECT_EQ(ints->ToString(), "");
  ints->AddAll(std::vector<std::int64_t>{1, 2, 3});
  EXPECT_EQ(ints->ToString(), "1, 2, 3");

  auto strings = MetaList::New(MetaType::String);
  strings->AddAll(std::vector<std::string>{"a, b", "", "c"});
  EXPECT_EQ(strings->ToString(), "a, b, , c");

  auto disks = MetaList::New(MetaType::Struct, Disk(0, "t"));
  disks->Add(Disk(1, "sda"));
  disks->Add(Disk(2, "sdb"));
  EXPECT_EQ(disks->ToString(),
            "{'name' => 'sda', 'size' => '1', }, {'name' => 'sdb', 'size' => '2', }");
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

  struct Case {
    const char* label;
    std::shared_ptr<MetaList> declared;
    std::shared_ptr<MetaObject> candidate;
    bool same;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"lengths differ", ints(), oneInt, true, {}},
      {"element types", ints(), MetaList::New(MetaType::String), false, {"Mismatch on list type"}},
      {"structure list", ints(), disks(nullptr), false, {"Mismatch on list type"}},
      {"not a list",
       ints(),
       MetaInt::New(1L),
       false,
       {"Type mismatch!  Was expecting a List, but got a Int"}},
      {"absent", ints(), nullptr, false, {"Mismatch on structure, NULL comparison"}},
      {"equal templates", disks(Disk(0, "a")), disks(Disk(9, "b")), true, {}},
      {"declared template only", disks(Disk(0, "a")), disks(nullptr), true, {}},
      {"candidate template only", disks(nullptr), disks(Disk(0, "a")), true, {}},
      {"templates differ",
       disks(Disk(0, "a")),
       disks(serialAndName),
       false,
       {"Missing field in input: size", "List type mismatch list and input"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> errors;
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate, &errors), c.same) << c.label;
    EXPECT_EQ(errors, c.messages) << c.label;
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate), c.same) << c.label;
  }
}

}  // namespace
