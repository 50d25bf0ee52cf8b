// A command for the test plug-ins: answers with a fixed text.
#ifndef TARNEK_TESTS_DISPATCH_PLUGINS_TEXT_COMMAND_H_
#define TARNEK_TESTS_DISPATCH_PLUGINS_TEXT_COMMAND_H_

#include <memory>
#include <string>

#include <tarnek/tarnek.h>

// Each plug-in gets its own copy: nothing here may be shared between libraries. Plug-ins build
// their commands with `new` rather than std::make_shared, whose type tag is a unique symbol
// that would keep a library mapped after dlclose and hide a too-early close.
namespace {

class TextCommand : public Tarnek::AutoCli::Command {
 public:
  TextCommand(std::string answerText, const char* description) : answer(std::move(answerText)) {
    SetDescription(description);
  }

  std::shared_ptr<Tarnek::CallSpec::InputSpec> GetInputSpecInternal() override {
    return Tarnek::CallSpec::InputSpec::New();
  }
  std::shared_ptr<Tarnek::CallSpec::OutputSpec> GetOutputSpecInternal() override {
    auto declared = Tarnek::CallSpec::OutputSpec::New();
    declared->SetRootObject(Tarnek::MetaObj::MetaString::New());
    return declared;
  }
  void ExecuteInternal(const std::shared_ptr<Tarnek::CallSpec::Input>&,
                       const std::shared_ptr<Tarnek::CallSpec::Output>& output) override {
    output->SetRootObject(Tarnek::MetaObj::MetaString::New(answer));
  }

 private:
  std::string answer;
};

}  // namespace

#define TEST_PLUGIN_ENTRY extern "C" __attribute__((visibility("default"))) void

#endif  // TARNEK_TESTS_DISPATCH_PLUGINS_TEXT_COMMAND_H_
