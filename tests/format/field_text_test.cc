#include <cerrno>
#include <climits>
#include <cstring>
#include <sstream>
#include <string>

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
      {"width 0 never wraps", 6, 0, "aaa bbb ccc", false, false, '\0', false, "      aaa bbb ccc"},
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
