// Word wrapping of free text to the terminal width.
#include <iomanip>
#include <vector>

#include <boost/regex.hpp>

#include "tarnek/autocli/format.h"

namespace Tarnek {
namespace AutoCli {

namespace {

// A token split rather than a plain one: adjacent separators give an empty piece, a trailing
// separator gives no empty last piece and an empty text gives no pieces. Wrapped output
// (double spaces kept as empty words, blank lines kept) depends on exactly this.
std::vector<std::string> SplitAt(const std::string& text, const boost::regex& separator) {
  std::vector<std::string> pieces;
  boost::sregex_token_iterator piece(text.begin(), text.end(), separator, -1);
  const boost::sregex_token_iterator end;
  for (; piece != end; ++piece) {
    pieces.push_back(piece->str());
  }
  return pieces;
}

// Pads to `indent` columns with the stream's fill. The width applies to the one character
// written here and is reset by it, so it never leaks into the caller's next output.
void WriteIndent(std::ostream& out, int indent) { out << std::setw(indent) << ' '; }

void FitLine(int indent, int width, const std::string& text, bool continueLine, std::ostream& out,
             bool endLine, char breakChar) {
  static const boost::regex kSpace(" ");
  if (width <= indent) {
    // No room to wrap into: write the text as it is rather than one word per line.
    if (!continueLine) {
      WriteIndent(out, indent);
    }
    out << text;
    if (endLine) {
      out << std::endl;
    }
    return;
  }

  // Wide enough for any pair of int arguments: a huge width over a negative indent must not
  // overflow.
  const long long avail = static_cast<long long>(width) - indent;
  if (!continueLine) {
    WriteIndent(out, indent);
  }
  if (text.size() <= static_cast<std::size_t>(avail)) {
    out << text;
  } else {
    // Each word is charged one column for the space before it, the first word included, so a
    // full line keeps one column free for the break character.
    long long remaining = avail;
    bool first = true;
    for (const std::string& word : SplitAt(text, kSpace)) {
      const int cost = static_cast<int>(word.size()) + 1;
      remaining -= cost;
      if (remaining < 0) {
        out << (breakChar != '\0' ? breakChar : ' ') << std::endl;
        WriteIndent(out, indent);
        out << word;
        remaining = avail - cost;
      } else {
        if (!first) {
          out << ' ';
        }
        out << word;
      }
      first = false;
    }
  }
  if (endLine) {
    out << std::endl;
  }
}

}  // namespace

void AutoCli_FitString(const int& indent, const int& width, const std::string& text,
                       bool continueLine, std::ostream& out, bool endLine, char breakChar,
                       bool splitLines) {
  if (!splitLines) {
    FitLine(indent, width, text, continueLine, out, endLine, breakChar);
    return;
  }
  static const boost::regex kNewline("\n");
  bool firstLine = true;
  for (const std::string& line : SplitAt(text, kNewline)) {
    // With endLine each fitted line already ended itself.
    if (!firstLine && !endLine) {
      out << std::endl;
    }
    FitLine(indent, width, line, firstLine ? continueLine : false, out, endLine, breakChar);
    firstLine = false;
  }
}

}  // namespace AutoCli
}  // namespace Tarnek
