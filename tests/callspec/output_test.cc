// Call results: error collection and checking a result against its declared shape.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/test_util.h"
#include "tarnek/callspec.h"

namespace {

using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

using Strings = std::vector<std::string>;

const char kNoSpecRoot[] =
    "No root object set for output spec. Root object for output spec must be set for proper "
    "validation of output.";
const char kNoOutputRoot[] =
    "No root object set for output. The command did not provide proper output.";

TEST(OutputSpecBuild, DefaultDescriptionAndNoEmptyRoot) {
  auto spec = OutputSpec::New();
  EXPECT_EQ(spec->GetDescription(), "Documentation missing");
  spec->SetRootObject(MetaString::New("x"));
  EXPECT_EQ(ThrownMessage([&] { spec->SetRootObject(std::shared_ptr<MetaList>()); }),
            "Root object cannot be set to null");
  EXPECT_EQ(spec->GetRootObject()->GetType(), MetaType::String);
}

std::shared_ptr<MetaList> DiskList(int rows) {
  auto disk = MetaStruct::New("Disk");
  disk->SetField("name", "");
  disk->SetField("size", 0L);
  auto list = MetaList::New(MetaType::Struct, disk);
  for (int i = 0; i < rows; ++i) {
    auto row = MetaStruct::New(list->GetListStructure());
    row->SetField("name", "sda");
    row->SetField("size", 512L * i);
    list->Add(row);
  }
  return list;
}

TEST(OutputSpecValidate, ComparesShapesAndNamesWhatIsMissing) {
  struct Case {
    std::shared_ptr<MetaObject> declared;  // empty: no shape declared
    std::shared_ptr<MetaObject> actual;    // empty: the command set no root
    Strings messages;                      // empty: valid
  };
  const Case cases[] = {
      {nullptr, MetaInt::New(1), {kNoSpecRoot}},
      {nullptr, nullptr, {kNoSpecRoot}},
      {MetaInt::New(), nullptr, {kNoOutputRoot}},
      {MetaInt::New(), MetaInt::New(987654321L), {}},
      {MetaInt::New(),
       MetaString::New("x"),
       {"Type mismatch in structure.  Expecting Int got String"}},
      {DiskList(0), DiskList(3), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    auto spec = OutputSpec::New();
    if (c.declared) spec->SetRootObject(c.declared);
    auto output = Output::New();
    output->SetRootObject(c.actual);
    Strings messages;
    EXPECT_EQ(spec->Validate(output, &messages), c.messages.empty());
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(spec->Validate(output), c.messages.empty()) << "without a message list";
  }
  // A missing output record is judged like an output without root.
  auto spec = OutputSpec::New();
  spec->SetRootObject(MetaBool::New(true));
  Strings messages;
  EXPECT_FALSE(spec->Validate(nullptr, &messages));
  EXPECT_EQ(messages, Strings{kNoOutputRoot});
}

}  // namespace
