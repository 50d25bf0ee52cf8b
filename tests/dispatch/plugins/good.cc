// A well-behaved plug-in: the namespace "greet" with the command "repeat", which repeats a
// word a given number of times.
#include <memory>
#include <string>

#include "text_command.h"
#include <tarnek/tarnek.h>

namespace {

using namespace Tarnek::CallSpec;
using Tarnek::MetaObj::MetaString;

class RepeatCommand : public Tarnek::AutoCli::Command {
 public:
  RepeatCommand() { SetDescription("Say a word several times."); }

  std::shared_ptr<InputSpec> GetInputSpecInternal() override {
    auto declared = InputSpec::New();
    auto word = ParameterSpec::New("word", ParameterType::String);
    word->SetShortName("w");
    word->SetRequired(true);
    declared->AddParameter(word);
    auto times = ParameterSpec::New("times", ParameterType::Int);
    times->SetRequired(true);
    auto range = ParameterConstraint::New(ParameterConstraintType::IntRange);
    range->SetIntRange(1, 5);
    times->SetConstraint(range);
    declared->AddParameter(times);
    return declared;
  }
  std::shared_ptr<OutputSpec> GetOutputSpecInternal() override {
    auto declared = OutputSpec::New();
    declared->SetRootObject(MetaString::New());
    return declared;
  }
  void ExecuteInternal(const std::shared_ptr<Input>& input,
                       const std::shared_ptr<Output>& output) override {
    std::string text;
    for (std::int64_t i = 0; i < input->GetParameterInt("times"); ++i) {
      if (i > 0) text += ' ';
      text += input->GetParameter("word");
    }
    output->SetRootObject(MetaString::New(text));
  }
};

}  // namespace

TEST_PLUGIN_ENTRY AutoCli_RegisterNamespaces(std::shared_ptr<Tarnek::AutoCli::Namespace> root) {
  auto greet = Tarnek::AutoCli::Namespace::New();
  greet->SetDescription("Greetings from a plug-in library.");
  greet->RegisterNamespaceNode(std::shared_ptr<RepeatCommand>(new RepeatCommand), "repeat");
  root->RegisterNamespaceNode(greet, "greet");
}
