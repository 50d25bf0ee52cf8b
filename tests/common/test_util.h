// Helpers shared by the test programs.
#ifndef TARNEK_TESTS_COMMON_TEST_UTIL_H_
#define TARNEK_TESTS_COMMON_TEST_UTIL_H_

#include <string>

#include "tarnek/exception.h"

// What `fn` threw: the library exception's message, or a marker for anything else.
template <typename Fn>
std::string ThrownMessage(Fn&& fn) {
  try {
    fn();
  } catch (const Tarnek::TarnekException& e) {
    return e.what();
  } catch (...) {
    return "<exception of another type>";
  }
  return "<no exception>";
}

#endif  // TARNEK_TESTS_COMMON_TEST_UTIL_H_
