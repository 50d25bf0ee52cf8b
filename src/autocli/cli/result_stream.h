// The stream the front end hands a formatter. Formatters end every line with a flush so that a
// person at a terminal sees a long result grow line by line; into a file or a pipe that same
// flush would be a system call per line, the dominant cost of a large result. When nobody
// watches, this stream keeps the flushes cheap: it collects the text in large pieces and hands
// them to the real stream in order, and hands over the rest (with a real flush) when the
// rendering is done, before anything else can write to standard output or standard error.
// Internal to the library and to its benchmarks; header only.
#ifndef TARNEK_SRC_AUTOCLI_CLI_RESULT_STREAM_H_
#define TARNEK_SRC_AUTOCLI_CLI_RESULT_STREAM_H_

#include <ios>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

namespace Tarnek {
namespace AutoCli {
namespace Internal {

// Buffers writes and passes them on to `target` in large pieces; a flush passes nothing on.
class FlushDeferringBuffer : public std::streambuf {
 public:
  explicit FlushDeferringBuffer(std::streambuf* target) : target_(target), space_(kSize) {
    setp(space_.data(), space_.data() + space_.size());
  }

  // Hands every collected byte to the target; false when the target took fewer.
  bool Drain() {
    const std::streamsize pending = pptr() - pbase();
    const bool complete = pending == 0 || target_->sputn(pbase(), pending) == pending;
    setp(space_.data(), space_.data() + space_.size());
    return complete;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    // A piece larger than the buffer goes straight through, after what was collected before it.
    if (count > epptr() - pptr()) {
      if (!Drain()) return 0;
      if (count >= static_cast<std::streamsize>(space_.size())) return target_->sputn(text, count);
    }
    traits_type::copy(pptr(), text, static_cast<std::size_t>(count));
    pbump(static_cast<int>(count));
    return count;
  }

  int sync() override { return 0; }

 private:
  static constexpr std::size_t kSize = 1 << 16;
  std::streambuf* target_;
  std::vector<char> space_;
};

// The stream for one rendering onto `target`: `target` itself when the output is interactive,
// otherwise a flush-deferring stream in front of it that carries the same formatting state
// both ways, so that a formatter sees exactly what it would have seen on `target`.
class ResultStream {
 public:
  ResultStream(std::ostream& target, bool interactive) : target_(target) {
    if (interactive) return;
    buffer_.reset(new FlushDeferringBuffer(target.rdbuf()));
    stream_.reset(new std::ostream(buffer_.get()));
    CopyState(target, *stream_);
  }
  ~ResultStream() {
    try {
      Finish();
    } catch (...) {
      // A failing standard output is the stream's state to show, not a reason to terminate.
    }
  }
  ResultStream(const ResultStream&) = delete;
  ResultStream& operator=(const ResultStream&) = delete;

  std::ostream& Get() { return stream_ ? *stream_ : target_; }

  // Hands over everything written so far and flushes the target; idempotent.
  void Finish() {
    if (!stream_) return;
    if (!buffer_->Drain()) target_.setstate(std::ios::badbit);
    CopyState(*stream_, target_);
    if (stream_->bad()) target_.setstate(std::ios::badbit);
    stream_.reset();
    buffer_.reset();
    target_.flush();
  }

 private:
  static void CopyState(std::ostream& from, std::ostream& to) {
    to.flags(from.flags());
    to.fill(from.fill());
    to.precision(from.precision());
    to.width(from.width());
    if (to.getloc() != from.getloc()) to.imbue(from.getloc());
  }

  std::ostream& target_;
  std::unique_ptr<FlushDeferringBuffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
};

}  // namespace Internal
}  // namespace AutoCli
}  // namespace Tarnek

#endif  // TARNEK_SRC_AUTOCLI_CLI_RESULT_STREAM_H_
