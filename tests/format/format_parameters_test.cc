#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {
namespace {

TEST(FormatParameters, ListCutsAtEveryCommaWithoutTrimming) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"", {}}, {",a", {"", "a"}}, {"a,,b,", {"a", "", "b"}}, {" a , b", {" a ", " b"}}};
  for (const auto& [value, pieces] : cases) {
    FormatParameters params;
    params.SetParameter("fields", value);
    EXPECT_EQ(params.GetParameterAsList("fields"), pieces) << "value '" << value << "'";
  }
  FormatParameters empty;
  EXPECT_TRUE(empty.GetParameterAsList("absent").empty());
  EXPECT_EQ(empty.GetParameter("absent"), "");
  EXPECT_TRUE(empty.GetParameters().empty());  // reading must not insert
}

TEST(FormatParameters, OverrideLetsOtherWinButEmptyNameKeepsOursAndMoveEmpties) {
  FormatParameters ours, unnamed, named;
  ours.SetFormatter("table");
  ours.SetParameter("show-header", "true");
  ours.SetParameter("fields", "a,b");
  unnamed.SetParameter("fields", "c");
  ours.OverrideValues(unnamed);
  EXPECT_EQ(ours.GetFormatter(), "table");
  EXPECT_EQ(ours.GetParameter("fields"), "c");
  EXPECT_EQ(ours.GetParameter("show-header"), "true");
  named.SetFormatter(std::string("json"));
  ours.OverrideValues(named);
  EXPECT_EQ(ours.GetFormatter(), "json");
  EXPECT_EQ(ours.GetParameters().size(), 2u);

  // A move leaves the source empty, whatever the target held.
  named = std::move(ours);
  EXPECT_EQ(named.GetParameters().size(), 2u);
  EXPECT_TRUE(ours.GetFormatter().empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(ours.GetParameters().empty());
}

// Deriving from outside the library checks that the base is exported in full.
class QuietFormatter : public Formatter {
 public:
  QuietFormatter() : Formatter("quiet") {
    description = "Writes nothing.";
    AddParam("header:<TypeName>", "Title of a structure.");
    AddParam("fields:<TypeName>", "Fields to show.", true);
  }
  bool Format(const std::shared_ptr<CallSpec::Output>&, FormatParameters&, DisplayContext&,
              std::ostream&) override {
    return true;
  }
};

TEST(Formatter, DerivedFormatterKeepsItsDocumentationInOrder) {
  const std::shared_ptr<Formatter> formatter = std::make_shared<QuietFormatter>();
  EXPECT_EQ(formatter->GetName(), "quiet");
  EXPECT_EQ(formatter->GetDescription(), "Writes nothing.");
  ASSERT_EQ(formatter->GetParams().size(), 2u);
  EXPECT_EQ(formatter->GetParams()[0].name, "header:<TypeName>");
  EXPECT_TRUE(formatter->GetParams()[1].flag);
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
