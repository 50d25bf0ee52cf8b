// Line-at-a-time output for the formatters. A formatter describes its text as the pieces it
// would insert into the stream one by one; the writer collects the pieces of a line in one
// string and hands the line to the stream in a single write, then flushes where the piece-wise
// code would have ended the line with a flush. A large result thus costs one stream call per
// line instead of one per piece.
//
// Only a stream that would write each piece as its bytes qualifies: a field width left set by
// the caller pads the first piece alone, `unitbuf` flushes after every piece, and (for
// formatters that let the stream write their numbers) a base, a sign flag or a locale's digit
// grouping change how a number looks. On such a stream every piece goes to the stream itself,
// exactly as it would have without the writer.
//
// On the front end's stream for a file or a pipe, where a flush is only a request kept for the
// end, the lines are not handed over one by one either: they go on in pieces of many lines, in
// the same order, which is all such a stream would have made of them. Internal to the
// formatters.
#ifndef TARNEK_SRC_AUTOCLI_FORMAT_LINE_WRITER_H_
#define TARNEK_SRC_AUTOCLI_FORMAT_LINE_WRITER_H_

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <locale>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <typeinfo>

#include "autocli/cli/result_stream.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace AutoCli {
namespace Internal {

// Whether `value` is of class T itself, not of a subclass. A class has one type description,
// in the library that defines it, so comparing addresses suffices; were a description ever
// duplicated, the answer would be a false "no", which only sends the value the general way.
template <typename T>
bool IsExactly(const MetaObj::MetaObject& value) {
  return &typeid(value) == &typeid(T);
}

// `value` as a T, or null when it is not one; the common case of exactly a T skips the search
// through the class hierarchy.
template <typename T>
const T* As(const MetaObj::MetaObject* value) {
  if (value != nullptr && IsExactly<T>(*value)) return static_cast<const T*>(value);
  return dynamic_cast<const T*>(value);
}

// Decimal digits of `value`, as printf's "%ld" and a plain stream write it.
inline void AppendDecimal(std::string& text, long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, static_cast<std::size_t>(end - digits));
}

// The text a value's ToString gives, appended without building it first where the value is
// exactly one of the scalar classes (a host's subclass may print itself differently).
inline void AppendValueText(std::string& text, const MetaObj::MetaObject& value) {
  if (IsExactly<MetaObj::MetaString>(value)) {
    text += static_cast<const MetaObj::MetaString&>(value).GetValue();
  } else if (IsExactly<MetaObj::MetaInt>(value)) {
    AppendDecimal(text, static_cast<long>(static_cast<const MetaObj::MetaInt&>(value).GetValue()));
  } else if (IsExactly<MetaObj::MetaBool>(value)) {
    text += static_cast<const MetaObj::MetaBool&>(value).GetValue() ? "true" : "false";
  } else {
    text += value.ToString();
  }
}

class LineWriter {
 public:
  // `streamNumbers`: the formatter writes numbers as the stream would (Number below), so the
  // stream's number formatting must be the plain one for lines to be collected.
  LineWriter(std::ostream& out, bool streamNumbers)
      : out_(out),
        direct_(!Collects(out, streamNumbers)),
        manyLines_(!direct_ && dynamic_cast<FlushDeferringBuffer*>(out.rdbuf()) != nullptr) {
    if (!direct_) line_.reserve(kChunk + kChunk / 4);
  }
  // Pieces written before an exception left the formatter stay written, as they would have.
  ~LineWriter() {
    try {
      Hand();
    } catch (...) {
      // The stream reports its own failure through its state.
    }
  }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void Text(std::string_view piece) {
    if (direct_) {
      out_ << piece;
    } else {
      line_.append(piece.data(), piece.size());
      Spill();
    }
  }
  void Char(char c) {
    if (direct_) {
      out_ << c;
    } else {
      line_ += c;
    }
  }
  // `count` spaces as one piece.
  void Spaces(std::size_t count) {
    if (direct_) {
      out_ << std::string(count, ' ');
    } else {
      line_.append(count, ' ');
    }
  }
  // A number as the stream writes a long.
  void Number(long value) {
    if (direct_) {
      out_ << value;
    } else {
      AppendDecimal(line_, value);
    }
  }
  // One piece built by `build(std::string&)`, which only appends.
  template <typename Build>
  void Piece(Build&& build) {
    if (direct_) {
      scratch_.clear();
      build(scratch_);
      out_ << scratch_;
    } else {
      build(line_);
      Spill();
    }
  }
  // The stream's end-of-line with flush.
  void EndLine() {
    if (direct_) {
      out_ << std::endl;
      return;
    }
    line_ += '\n';
    if (manyLines_) {
      Spill();
      return;
    }
    Hand();
    out_.flush();
  }
  // Hands what is collected to the stream without a flush.
  void Hand() {
    if (line_.empty()) return;
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    line_.clear();
  }

 private:
  // A line longer than this (a python result is one line) goes out in pieces of about this
  // size rather than all at once.
  static constexpr std::size_t kChunk = 1 << 14;

  static bool Collects(std::ostream& out, bool streamNumbers) {
    if (out.width() != 0 || (out.flags() & std::ios::unitbuf) != 0) return false;
    if (!streamNumbers) return true;
    const std::ios::fmtflags base = out.flags() & std::ios::basefield;
    if ((base != std::ios::dec && base != std::ios::fmtflags()) ||
        (out.flags() & std::ios::showpos) != 0) {
      return false;
    }
    if (out.getloc() == std::locale::classic()) return true;
    // Another locale may group digits or bring its own number writer: ask it.
    std::ostringstream probe;
    probe.imbue(out.getloc());
    probe.flags(out.flags());
    probe << -1234567890L << ' ' << 9876543210L;
    return probe.str() == "-1234567890 9876543210";
  }

  void Spill() {
    if (line_.size() >= kChunk) Hand();
  }

  std::ostream& out_;
  const bool direct_;
  // Lines may wait for the next ones (a flush of the stream would do nothing now).
  const bool manyLines_;
  std::string line_;
  std::string scratch_;
};

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_SRC_AUTOCLI_FORMAT_LINE_WRITER_H_
