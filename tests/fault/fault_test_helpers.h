// Helpers shared by the fault tests: scratch directories, files, descriptors, capturing what
// reaches the standard error descriptor (the library's messages and the XML parser's alike).
#ifndef TARNEK_TESTS_FAULT_FAULT_TEST_HELPERS_H_
#define TARNEK_TESTS_FAULT_FAULT_TEST_HELPERS_H_

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace fault_test {

// A fresh directory, removed with everything in it at the end of the test.
struct ScratchDirectory {
  ScratchDirectory() {
    path = (std::filesystem::temp_directory_path() / "fault-XXXXXX").string();
    if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path, ignored);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = path + "/" + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  std::string path;
};

// Sends descriptor 2 to a file for its lifetime; Text() is what arrived so far.
class CaptureStandardError {
 public:
  CaptureStandardError() : file_(std::tmpfile()) {
    std::cerr.flush();
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (file_ != nullptr) dup2(fileno(file_), STDERR_FILENO);
  }
  ~CaptureStandardError() {
    std::cerr.flush();
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    if (file_ != nullptr) std::fclose(file_);
  }
  CaptureStandardError(const CaptureStandardError&) = delete;
  CaptureStandardError& operator=(const CaptureStandardError&) = delete;

  std::string Text() {
    std::cerr.flush();
    std::fflush(stderr);
    if (file_ == nullptr) return "<no capture file>";
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
      text.append(buffer, got);
    }
    std::fseek(file_, 0, SEEK_END);
    return text;
  }

 private:
  std::FILE* file_;
  int saved_ = -1;
};

inline long PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

inline std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// The inside of a descriptor declaring one namespace, and a descriptor around `inside`.
inline std::string Namespaces(const std::string& path = "n", const std::string& description = "d") {
  return "<version>1.0.0</version><namespaces><namespace path='" + path + "'><description>" +
         description + "</description></namespace></namespaces>";
}
inline std::string Descriptor(const std::string& inside = Namespaces()) {
  return "<plugin>" + inside + "</plugin>";
}

// The message every unreadable descriptor gets.
inline std::string Refusal(const std::string& path) {
  return "Unable to handle XML Plugin " + path +
         ".  There was an error while parsing: Unable to parse XML descriptor: " + path;
}

}  // namespace fault_test

#endif  // TARNEK_TESTS_FAULT_FAULT_TEST_HELPERS_H_
