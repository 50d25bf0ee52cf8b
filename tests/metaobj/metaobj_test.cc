// Values: shared prototypes, printable forms and type names of scalars; element checks,
// templates and removal of lists; names, fields, definitions and locking of structures; and the
// shape comparison of all of them.
#include "tarnek/metaobj.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"

namespace {

using namespace Tarnek::MetaObj;
using Objects = std::vector<std::shared_ptr<MetaObject>>;
using Strings = std::vector<std::string>;
using FieldList = std::vector<std::pair<std::string, std::shared_ptr<MetaObject>>>;

const std::string kInvalidStructure =
    "Invalid structure detected by MetaList::Add.  Type Errors were: (";
const std::string kWrongType = "Invalid type specificed in MetaList.  Expected object of type ";

std::shared_ptr<MetaStruct> Disk(long size, const char* name) {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("size", size);
  disk->SetField("name", name);
  return disk;
}

std::shared_ptr<MetaStruct> Make(const char* typeName, const FieldList& fields) {
  auto s = MetaStruct::New(typeName);
  for (const auto& [name, value] : fields) s->SetField(name, value);
  return s;
}

std::shared_ptr<MetaObject> Int() { return MetaInt::New(1L); }
std::shared_ptr<MetaObject> Str() { return MetaString::New("x"); }

const std::string kLocked = " on structure. Structure has been locked";

constexpr long kMinLong = std::numeric_limits<long>::min();
constexpr long kMaxLong = std::numeric_limits<long>::max();

TEST(ScalarPrototypes, SharedForSmallIntegersBooleansAndTheEmptyString) {
  // Both neighbours of -1..20, plus the extremes where a careless range test would wrap.
  for (long v : {-2L, -1L, 0L, 20L, 21L, kMinLong, kMaxLong}) {
    EXPECT_EQ(MetaInt::New(v) == MetaInt::New(v), v >= -1 && v <= 20) << v;
    EXPECT_EQ(MetaInt::New(v)->GetValue(), v);
  }
  EXPECT_EQ(MetaInt::New(), MetaInt::New(0L));
  EXPECT_EQ(MetaBool::New(), MetaBool::New(false));
  EXPECT_EQ(MetaBool::New(true), MetaBool::New(true));

  const auto empty = MetaString::New();
  const char* nullText = nullptr;
  EXPECT_EQ(MetaString::New(""), empty);
  EXPECT_EQ(MetaString::New(nullText), empty);
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string()), empty);
  EXPECT_NE(MetaString::New("disk0"), MetaString::New("disk0"));
}

TEST(ScalarToString, PrintsTheBareValue) {
  const std::pair<std::shared_ptr<MetaObject>, const char*> cases[] = {
      {MetaInt::New(kMinLong), "-9223372036854775808"},
      {MetaBool::New(true), "true"},
      {MetaString::New("it's \"q\", \\ \t"), "it's \"q\", \\ \t"}};
  for (const auto& [value, text] : cases) {
    std::ostringstream stream;
    stream << "[" << *value << "]";
    EXPECT_EQ(stream.str(), std::string("[") + text + "]");
  }
}

TEST(MetaTypeNames, NamesTheFiveKindsAndNothingElse) {
  const char* const names[] = {"Int", "Bool", "String", "Struct", "List", "", ""};
  for (std::int32_t value = 0; value <= 6; ++value) {
    const MetaType type = static_cast<MetaType>(value == 6 ? -1 : value);
    EXPECT_EQ(MetaTypeString(type), names[value]) << value;
    // A reference to a string that outlives the call, not to a temporary.
    EXPECT_EQ(&MetaTypeString(type), &MetaTypeString(type)) << value;
  }
}

// Escaped text must be valid UTF-8 however the host library spells an escape; for ASCII text
// with stray bytes that means nothing but ASCII may come back.
TEST(MetaStringUtf8WithEscapes, KeepsValidTextAndEscapesInvalidBytes) {
  const std::string valid = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(MetaString::NewUtf8WithEscapes(std::string(valid))->GetValue(), valid);
  for (const std::string text : {"a\xFFz", "\x80x\xC3y"}) {
    const std::string escaped = MetaString::NewUtf8WithEscapes(std::string(text))->GetValue();
    EXPECT_GT(escaped.size(), text.size()) << escaped;
    EXPECT_EQ(escaped.back(), text.back()) << escaped;
    for (unsigned char byte : escaped) EXPECT_LT(byte, 0x80) << escaped;
  }
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
  EXPECT_TRUE(byConstRef->IsLocked());
  EXPECT_TRUE(movedRaw->IsLocked());
  EXPECT_TRUE(asObject->IsLocked());
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

TEST(MetaStructNames, TypeNamesAreLettersAndDigitsOnly) {
  // The neighbours of each accepted range are refused too.
  const std::pair<const char*, bool> cases[] = {
      {"ScsiDevice", true}, {"9", true},         {"", false},   {"a_b", false},  {"a b", false},
      {"a\n", false},       {"\xC3\xA9", false}, {"a/", false}, {"a:", false},   {"a@", false},
      {"a[", false},        {"a`", false},       {"a{", false}, {"azAZ09", true}};
  for (const auto& [name, valid] : cases) {
    EXPECT_EQ(IsValidStructName(name), valid) << '"' << name << '"';
    const std::string expected =
        valid ? "<no exception>" : std::string("Invalid name specified for MetaStruct: ") + name;
    const std::string lvalue = name;
    EXPECT_EQ(ThrownMessage([&] { MetaStruct::New(name); }), expected);
    EXPECT_EQ(ThrownMessage([&] { MetaStruct::New(lvalue); }), expected);
    EXPECT_EQ(ThrownMessage([&] { MetaStruct::New(std::string(name)); }), expected);
  }
  for (const char* name : {"", "Device Name", "x.y", "\xC3\xA9t\xC3\xA9"}) {
    EXPECT_TRUE(IsValidFieldName(name)) << name;
  }
}

TEST(MetaStructFields, ListedInByteWiseNameOrder) {
  auto s = MetaStruct::New("Order");
  for (const char* name : {"b", "\xC3\xA9", "a", "Device Name", "B", " ", "a1"}) {
    s->SetField(name, 1);
  }
  EXPECT_EQ(s->GetFieldNames(), (Strings{" ", "B", "Device Name", "a", "a1", "b", "\xC3\xA9"}));
}

// The overloads a caller is most likely to land in by accident: a literal must not become a
// bool, a long must not be narrowed, and a vector<bool> must not become a list of integers.
TEST(MetaStructFields, OverloadsStoreTheMatchingKind) {
  auto s = MetaStruct::New("Kinds");
  s->SetField("t", true);
  s->SetField("l", 1L << 40);
  s->SetField("c", "");
  s->SetField("strs", std::vector<std::string>{"a", "b"});
  s->SetField("bools", std::vector<bool>{true});
  EXPECT_EQ(s->GetField("t"), MetaBool::New(true));
  EXPECT_EQ(s->GetField("l")->ToString(), "1099511627776");
  EXPECT_EQ(s->GetField("c"), MetaString::New());
  EXPECT_EQ(s->GetField("strs")->ToString(), "a, b");
  EXPECT_EQ(std::static_pointer_cast<MetaList>(s->GetField("bools"))->GetListType(),
            MetaType::Bool);
}

TEST(MetaStructFields, AbsentValuesAndAbsentFields) {
  auto s = MetaStruct::New("Disk");
  EXPECT_EQ(ThrownMessage([&] { s->SetField("a", nullptr); }),
            "Invalid NULL value was assigned to the field a in the structure Disk");
  EXPECT_FALSE(s->HasField("a"));
  EXPECT_EQ(s->GetField("a"), nullptr);
  EXPECT_EQ(ThrownMessage([&] { s->GetFieldDocumentation("a"); }),
            "Field a is not present in the structure Disk");
  EXPECT_THROW(s->GetFieldType("a"), int);
  s->RemoveField("a");  // absent: nothing to do
}

TEST(MetaStructFields, DocumentationIsClearedByEveryOtherSetField) {
  auto s = MetaStruct::New("Disk");
  s->SetField(std::string("size"), MetaInt::New(5L), "Size in bytes");
  EXPECT_EQ(s->GetFieldDocumentation("size"), "Size in bytes");
  s->SetField("size", 6);
  EXPECT_EQ(s->GetFieldDocumentation("size"), "Documentation missing");
  s->SetField(std::string("size"), MetaInt::New(5L), "Size in bytes");
  s->SetField(std::string("size"), Int());
  EXPECT_EQ(s->GetFieldDocumentation("size"), "Documentation missing");
}

TEST(MetaStructLocking, LockedStructureOnlyReplaces) {
  auto s = Make("Disk", {{"a", Int()}, {"b", Int()}});
  s->RemoveField("b");
  s->LockStructure();
  s->SetField(std::string("a"), Str(), "now a string");
  EXPECT_EQ(s->GetFieldDocumentation("a"), "now a string");
  EXPECT_EQ(ThrownMessage([&] { s->SetField("b", 2); }), "Unable to set new field b" + kLocked);
  EXPECT_EQ(ThrownMessage([&] { s->RemoveField("absent"); }),
            "Structure is locked, unable to remove fields");
  EXPECT_EQ(s->ToString(), "{'a' => 'x', }");
}

TEST(MetaStructDefinition, InstanceTakesOnlyTheDefinitionsFieldNames) {
  auto definition = Make("Disk", {{"size", Int()}, {"name", Str()}});
  auto disk = MetaStruct::New(definition);
  EXPECT_EQ(disk->GetTypeName(), "Disk");
  EXPECT_TRUE(definition->IsLocked());
  EXPECT_THROW(MetaStruct::New(std::shared_ptr<MetaStruct>()), Tarnek::TarnekException);

  EXPECT_EQ(ThrownMessage([&] { disk->SetField("serial", 1); }),
            "Unable to set new field serial on structure.  The field does not match the "
            "Structure definition for this MetaStruct.");
  disk->SetField("size", 512);
  EXPECT_FALSE(disk->MatchesStructureDefinition());  // "name" still missing
  disk->SetField("name", "sda");
  EXPECT_TRUE(disk->MatchesStructureDefinition());
  disk->SetField("size", "big");  // the type is not checked on assignment
  EXPECT_FALSE(disk->MatchesStructureDefinition());
  EXPECT_TRUE(MetaStruct::New("Free")->MatchesStructureDefinition());

  // Once locked, a definition field not yet set can no longer be added.
  auto partial = MetaStruct::New(definition);
  partial->LockStructure();
  EXPECT_EQ(ThrownMessage([&] { partial->SetField("name", "x"); }),
            "Unable to set new field name" + kLocked);
}

TEST(MetaStructToString, FieldsInNameOrderEachClosedByQuoteComma) {
  auto s = MetaStruct::New("Disk");
  EXPECT_EQ(s->ToString(), "{}");
  s->SetField("b", "x");
  s->SetField("a", 1);
  s->SetField("c", Make("Inner", {{"ok", MetaBool::New(true)}}));
  s->SetField("d", std::vector<std::int64_t>{1, 2});
  EXPECT_EQ(s->ToString(),
            "{'a' => '1', 'b' => 'x', 'c' => '{'ok' => 'true', }', 'd' => '1, 2', }");
}

// Reasons are appended to what the caller collected; a differing type name alone is reported
// without making the shapes differ.
TEST(IsSameStructure, ComparesShapesNeverValuesAndGivesReasonsInOrder) {
  const auto ints = [] { return MetaList::New(MetaType::Int); };
  const auto disks = [](std::shared_ptr<MetaStruct> t) {
    return MetaList::New(MetaType::Struct, std::move(t));
  };
  auto oneInt = ints();
  oneInt->Add(1);
  const FieldList ab = {{"a", Int()}, {"b", Str()}};
  const FieldList abc = {{"a", Int()}, {"b", Str()}, {"c", Int()}};
  const auto nested = [](const char* f) { return Make("A", {{"in", Make("In", {{f, Int()}})}}); };
  const auto list = [](MetaType t) { return Make("A", {{"l", MetaList::New(t)}}); };
  const std::string count = "Mismatch on number of fields set in struct. Expected ";
  const std::string missing = "Missing field in input: ", field = "Type mismatch on field: ";
  const std::string kind = "Type mismatch in structure.  Expecting ";
  const struct {
    std::shared_ptr<MetaObject> declared, candidate;
    bool same;
    Strings messages;
  } cases[] = {
      {MetaInt::New(1L), MetaInt::New(123456L), true, {}},
      {MetaInt::New(1L), MetaString::New("1"), false, {kind + "Int got String"}},
      {ints(), oneInt, true, {}},  // lengths differ
      {ints(), MetaList::New(MetaType::String), false, {"Mismatch on list type"}},
      {ints(), MetaInt::New(1L), false, {"Type mismatch!  Was expecting a List, but got a Int"}},
      {ints(), nullptr, false, {"Mismatch on structure, NULL comparison"}},
      {disks(Disk(0, "a")), disks(Disk(9, "b")), true, {}},
      {disks(Disk(0, "a")), disks(nullptr), true, {}},
      {disks(nullptr), disks(Disk(0, "a")), true, {}},
      {disks(Disk(0, "a")),
       disks(Make("Disk", {{"serial", Int()}, {"name", Str()}})),
       false,
       {missing + "size", "List type mismatch list and input"}},
      {Make("A", ab), Make("A", {{"a", MetaInt::New(99L)}, {"b", Str()}}), true, {}},
      {Make("A", ab), Make("B", ab), true, {"Type names do not match."}},
      {Make("A", ab), Make("B", abc), false, {"Type names do not match.", count + "2 found 3"}},
      {Make("A", abc), Make("A", ab), false, {count + "3 found 2", missing + "c"}},
      {Make("A", ab), Make("A", {{"a", Int()}, {"c", Str()}}), false, {missing + "b"}},
      {nested("x"), nested("y"), false, {missing + "x", field + "in"}},
      {list(MetaType::Int), list(MetaType::String), false, {"Mismatch on list type", field + "l"}},
      {Make("A", ab), nullptr, false, {"Invalid NULL input to MetaStruct validation."}},
      {Make("A", ab),
       Int(),
       false,
       {"Type Mismatch in MetaStruct Validation: Expected type Struct got type Int"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Strings errors = {"earlier"}, expected = {"earlier"};
    expected.insert(expected.end(), c.messages.begin(), c.messages.end());
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate, &errors), c.same);
    EXPECT_EQ(errors, expected);
    EXPECT_EQ(c.declared->IsSameStructure(c.candidate), c.same);
  }
  EXPECT_FALSE(MetaBool::New()->IsSameStructure(nullptr));

  // Whether the scalar comparison also runs when field kinds differ is left open, so only the
  // last reason is fixed here.
  Strings errors;
  EXPECT_FALSE(Make("A", {{"a", Int()}, {"b", Int()}})
                   ->IsSameStructure(Make("A", {{"a", Str()}, {"b", Str()}}), &errors));
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back(), field + "a");
  for (const std::string& message : errors) EXPECT_EQ(message.find("field: b"), std::string::npos);
}

}  // namespace
