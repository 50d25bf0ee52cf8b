// Call results: error collection and checking a result against its declared shape.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/callspec.h"

namespace {

using Tarnek::TarnekException;
using namespace Tarnek::CallSpec;
using namespace Tarnek::MetaObj;

using Strings = std::vector<std::string>;

const char kNoSpecRoot[] =
    "No root object set for output spec. Root object for output spec must be set for proper "
    "validation of output.";
const char kNoOutputRoot[] =
    "No root object set for output. The command did not provide proper output.";

TEST(OutputErrors, KeepsEveryMessageUnchangedInOrder) {
  auto output = Output::New();
  EXPECT_FALSE(output->HasError());
  EXPECT_EQ(output->GetRootObject(), nullptr);
  EXPECT_EQ(output->GetOutputType(), Output::OutputType::Default);
  output->AddErrorMessage("first");
  EXPECT_TRUE(output->HasError());
  const std::string again = "first";
  output->AddErrorMessage(again);
  output->AddErrorMessage(std::string("line\n"));
  EXPECT_EQ(output->GetErrors(), (Strings{"first", "first", "line\n"}));
}

TEST(OutputSpecBuild, DefaultDescriptionAndNoEmptyRoot) {
  auto spec = OutputSpec::New();
  EXPECT_EQ(spec->GetDescription(), "Documentation missing");
  spec->SetDescription("Disks");
  EXPECT_EQ(spec->GetDescription(), "Disks");

  spec->SetRootObject(MetaString::New("x"));
  const std::shared_ptr<MetaObject> empty;
  EXPECT_THROW(spec->SetRootObject(empty), TarnekException);
  try {
    spec->SetRootObject(std::shared_ptr<MetaList>());
    ADD_FAILURE() << "no exception";
  } catch (const TarnekException& e) {
    EXPECT_STREQ(e.what(), "Root object cannot be set to null");
  }
  ASSERT_NE(spec->GetRootObject(), nullptr);
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
    const char* label;
    std::shared_ptr<MetaObject> declared;  // empty: no shape declared
    std::shared_ptr<MetaObject> actual;    // empty: the command set no root
    bool valid;
    Strings messages;
  };
  const Case cases[] = {
      {"no declared root", nullptr, MetaInt::New(1), false, {kNoSpecRoot}},
      {"no declared, no actual root", nullptr, nullptr, false, {kNoSpecRoot}},
      {"no actual root", MetaInt::New(), nullptr, false, {kNoOutputRoot}},
      {"values are ignored", MetaInt::New(), MetaInt::New(987654321L), true, {}},
      {"scalar kind differs",
       MetaInt::New(),
       MetaString::New("x"),
       false,
       {"Type mismatch in structure.  Expecting Int got String"}},
      {"structure list, any row count", DiskList(0), DiskList(3), true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto spec = OutputSpec::New();
    if (c.declared) spec->SetRootObject(c.declared);
    auto output = Output::New();
    output->SetRootObject(c.actual);
    Strings messages;
    EXPECT_EQ(spec->Validate(output, &messages), c.valid);
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(spec->Validate(output), c.valid) << "without a message list";
  }
  // A missing output record is judged like an output without root.
  auto spec = OutputSpec::New();
  spec->SetRootObject(MetaBool::New(true));
  Strings messages;
  EXPECT_FALSE(spec->Validate(nullptr, &messages));
  EXPECT_EQ(messages, Strings{kNoOutputRoot});
}

}  // namespace
