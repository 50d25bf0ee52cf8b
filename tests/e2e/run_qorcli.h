// Runs the real qorcli program as a child process in a scratch directory and collects what it
// wrote and how it ended.
#ifndef TARNEK_TESTS_E2E_RUN_QORCLI_H_
#define TARNEK_TESTS_E2E_RUN_QORCLI_H_

#include <string>
#include <vector>

namespace e2e_test {

struct Outcome {
  std::string out;
  std::string err;  // without the notes about the default plug-in folders, see RunQorcli
  int status = -1;  // exit status; 128 + signal number when the child was killed
};

// Runs qorcli with `args` and `program` as argv[0] (texts naming the program show it) in
// `directory`, feeding `input` to its standard input. The environment holds only ZN_USERNAME
// and the variables a sanitizer build needs. The default plug-in folders are usually absent;
// the two lines reporting that are removed from the front of standard error so that the
// comparison holds on machines where they exist too.
Outcome RunQorcli(const std::vector<std::string>& args, const std::string& directory,
                  const std::string& input = "", const std::string& program = "qorcli");

}  // namespace e2e_test

#endif  // TARNEK_TESTS_E2E_RUN_QORCLI_H_
