// Format parameters and the field, indent and wrapping helpers the formatters share.
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {
namespace {

using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaList;
using MetaObj::MetaObject;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaType;

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

TEST(FormatField, AppliesPrintfAndUnitsOfTheTypedField) {
  struct Case {
    std::shared_ptr<MetaObject> value;
    const char* printf;  // nullptr: parameter not set
    const char* units;
    std::string expected;
  };
  const Case cases[] = {
      {MetaInt::New(42), "%5ld", "MB", "   42 MB"},
      {MetaBool::New(true), "%d", nullptr, "1"},
      {MetaBool::New(true), nullptr, nullptr, "true"},
      {MetaString::New("ab"), "%-6s|", nullptr, "ab    |"},
      {MetaStruct::New("Inner"), "%d", "MB", " MB"},
      {MetaList::New(MetaType::Int), "%d", nullptr, ""},
      {nullptr, "%d", "MB", "NULL Object"},
      // The buffer holds format (6) + text (1) + 65 bytes, one of them the terminating zero.
      {MetaInt::New(1), "%-200d", nullptr, "1" + std::string(70, ' ')},
      {MetaInt::New(1), "%2147483648d", "MB",  // width beyond int: snprintf fails
       std::string("Error while handling formatting parameter printf:Dev.Size.  Unable to "
                   "format field: ") +
           std::strerror(EOVERFLOW)},
  };
  for (const Case& c : cases) {
    FormatParameters params;
    params.SetParameter("printf:Other.Size", "%x");  // another type's key must not apply
    if (c.printf != nullptr) params.SetParameter("printf:Dev.Size", c.printf);
    if (c.units != nullptr) params.SetParameter("units:Dev.Size", c.units);
    EXPECT_EQ(AutoCli_FormatField("Dev", "Size", c.value, params), c.expected)
        << "printf " << (c.printf ? c.printf : "-") << ", units " << (c.units ? c.units : "-");
  }
}

TEST(GetIndent, ThreeSpacesPerLevel) {
  EXPECT_EQ(GetIndent(-1) + "|" + GetIndent(0) + "|" + GetIndent(3), "||         ");
}

TEST(FitString, WrapsAndIndentsExactly) {
  struct Case {
    const char* name;
    int indent, width;
    std::string text;
    bool continueLine, endLine;
    char breakChar;
    bool splitLines;
    std::string expected;
  };
  const Case cases[] = {
      {"wraps before the word that overflows", 4, 20, "aaa bbb ccc ddd eee", false, true, '\0',
       false, "    aaa bbb ccc ddd \n    eee\n"},
      {"fits exactly", 2, 9, "abc def", false, false, '\0', false, "  abc def"},
      {"width not above indent", 5, 5, "x y", false, false, '\0', false, "     x y"},
      {"indent 0 still writes one space", 0, 3, "ab cd", false, false, '\0', false, " ab \n cd"},
      {"continuing line", 4, 10, "aaaa bbbb cccc", true, false, '\0', false,
       "aaaa \n    bbbb \n    cccc"},
      {"break character", 4, 10, "aaaa bbbb cccc", false, false, '\\', false,
       "    aaaa\\\n    bbbb\\\n    cccc"},
      {"long word overflows its own line", 1, 6, "ab abcdefghij cd", false, false, '\0', false,
       " ab \n abcdefghij \n cd"},
      {"first word not fitting", 2, 6, "abcdefgh xy", false, false, '+', false,
       "  +\n  abcdefgh+\n  xy"},
      {"double space is an empty word", 2, 8, "ab  cd ef", false, false, '\0', false,
       "  ab  \n  cd ef"},
      {"split lines, each ended", 2, 10, "a\n\nb", false, true, '\0', true, "  a\n  \n  b\n"},
      {"split lines, ended between", 2, 10, "a\n\nb\n", true, false, '\0', true, "a\n  \n  b"},
      {"split lines, empty text", 2, 10, "", false, true, '\0', true, ""},
      {"widest width over a negative indent", -2, INT_MAX, "ab cd", false, true, '\0', false,
       " ab cd\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    AutoCli_FitString(c.indent, c.width, c.text, c.continueLine, out, c.endLine, c.breakChar,
                      c.splitLines);
    out << "|";  // no field width may be left behind
    EXPECT_EQ(out.str(), c.expected + "|") << c.name;
  }
}

}  // namespace
}  // namespace AutoCli
}  // namespace Tarnek
