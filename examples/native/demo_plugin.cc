// Example of a native plug-in: a shared library that registers its commands through the
// exported entry point. It is written as an outside author would write it: only the public
// header, and commands derived from Command.
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <tarnek/tarnek.h>

namespace {

using Tarnek::AutoCli::Command;
using Tarnek::AutoCli::Namespace;
using Tarnek::CallSpec::Input;
using Tarnek::CallSpec::InputSpec;
using Tarnek::CallSpec::Output;
using Tarnek::CallSpec::OutputSpec;
using Tarnek::CallSpec::ParameterSpec;
using Tarnek::CallSpec::ParameterType;
using Tarnek::MetaObj::MetaInt;
using Tarnek::MetaObj::MetaList;
using Tarnek::MetaObj::MetaString;
using Tarnek::MetaObj::MetaStruct;
using Tarnek::MetaObj::MetaType;

std::shared_ptr<ParameterSpec> Parameter(const char* name, ParameterType type, const char* shortName,
                                         const char* description, bool required) {
  auto parameter = ParameterSpec::New(name, type);
  if (shortName[0] != '\0') parameter->SetShortName(shortName);
  parameter->SetDescription(description);
  parameter->SetRequired(required);
  return parameter;
}

// demo echo --word a --word b: the words back, as a list.
class EchoCommand : public Command {
 public:
  EchoCommand() {
    SetDescription("Repeat the given words, one list item each.");
    AddExample("--word hello --word world", "Echo two words");
    SetDefaultOutputFormatter("simple");
  }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto spec = InputSpec::New();
    spec->AddParameter(Parameter("word", ParameterType::StringList, "w", "A word to repeat.", true));
    return spec;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto spec = OutputSpec::New();
    spec->SetRootObject(MetaList::New(MetaType::String));
    return spec;
  }
  void ExecuteInternal(const std::shared_ptr<Input>& input,
                       const std::shared_ptr<Output>& output) override {
    std::vector<std::string> words;
    input->GetParameterList("word", words);
    auto list = MetaList::New(MetaType::String);
    list->AddAll(std::move(words));
    output->SetRootObject(list);
  }
};

// demo math sum --value 1 --value 2: the sum of integers.
class SumCommand : public Command {
 public:
  SumCommand() {
    SetDescription("Add up integers.");
    AddExample("--value 40 --value 2", "Add two numbers");
    SetDefaultOutputFormatter("simple");
  }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto spec = InputSpec::New();
    auto value = Parameter("value", ParameterType::IntList, "v", "A number to add (%REGEX%).", true);
    auto range = Tarnek::CallSpec::ParameterConstraint::New(
        Tarnek::CallSpec::ParameterConstraintType::IntRange);
    range->SetIntRange(-1000000, 1000000);
    value->SetConstraint(range);
    spec->AddParameter(value);
    return spec;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto spec = OutputSpec::New();
    spec->SetRootObject(MetaInt::New());
    return spec;
  }
  void ExecuteInternal(const std::shared_ptr<Input>& input,
                       const std::shared_ptr<Output>& output) override {
    std::vector<std::int64_t> values;
    input->GetParameterIntList("value", values);
    long sum = 0;
    for (const std::int64_t value : values) sum += static_cast<long>(value);
    output->SetRootObject(MetaInt::New(sum));
  }
};

// demo clock now [--utc]: the current time as a structure.
class ClockCommand : public Command {
 public:
  ClockCommand() {
    SetDescription("Show the current date and time.");
    AddExample("--utc", "The time in UTC");
    SetDefaultOutputFormatter("simple");
    SetDefaultOutputParameter("align-fields", "true");
  }
  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto spec = InputSpec::New();
    spec->AddParameter(Parameter("utc", ParameterType::Flag, "u", "Show UTC instead of local time.", false));
    return spec;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto spec = OutputSpec::New();
    spec->SetRootObject(Now(false));
    return spec;
  }
  void ExecuteInternal(const std::shared_ptr<Input>& input,
                       const std::shared_ptr<Output>& output) override {
    output->SetRootObject(Now(input->IsFlagSet("utc")));
  }

 private:
  static std::shared_ptr<MetaStruct> Now(bool utc) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (utc) {
      gmtime_r(&now, &parts);
    } else {
      localtime_r(&now, &parts);
    }
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    auto clock = MetaStruct::New("Clock");
    clock->SetField("Time", text);
    clock->SetField("Epoch", static_cast<long>(now));
    clock->SetField("Utc", utc);
    return clock;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void AutoCli_RegisterNamespaces(
    std::shared_ptr<Namespace> root) {
  // SubNamespace shares "demo" with any other plug-in that asks for it.
  auto demo = root->SubNamespace("demo");
  demo->SetDescription("Native example commands.");
  demo->RegisterNamespaceNode(std::make_shared<EchoCommand>(), "echo");
  auto math = demo->SubNamespace("math");
  math->SetDescription("Arithmetic.");
  math->RegisterNamespaceNode(std::make_shared<SumCommand>(), "sum");
  auto clock = demo->SubNamespace("clock");
  clock->SetDescription("Date and time.");
  clock->RegisterNamespaceNode(std::make_shared<ClockCommand>(), "now");
}
