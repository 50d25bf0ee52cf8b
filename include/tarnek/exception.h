// The library's one exception type, thrown for programming and plug-in errors.
#ifndef TARNEK_EXCEPTION_H_
#define TARNEK_EXCEPTION_H_

#include <exception>
#include <string>

#include "tarnek/export.h"

namespace Tarnek {

/// Thrown for misuse of the interface (bad names, duplicates, bad indices, locked structures,
/// malformed descriptors, unloadable plug-ins). Failures of a call never throw: they become
/// messages on the call's Output.
class TARNEK_EXPORT TarnekException : public std::exception {
 public:
  explicit TarnekException(std::string message) : message_(std::move(message)) {}
  explicit TarnekException(const char* message) : message_(message) {}
  ~TarnekException() override;

  /// The message the exception was made with.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace Tarnek

#endif  // TARNEK_EXCEPTION_H_
