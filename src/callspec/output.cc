// The result of a call and its declared shape.
#include <utility>

#include "tarnek/callspec.h"

namespace Tarnek {
namespace CallSpec {

namespace {

const char kNullRootMessage[] = "Root object cannot be set to null";
const char kNoDeclaredRootMessage[] =
    "No root object set for output spec. Root object for output spec must be set for proper "
    "validation of output.";
const char kNoActualRootMessage[] =
    "No root object set for output. The command did not provide proper output.";

}  // namespace

// ---- Output ----

Output::Output() = default;
Output::~Output() = default;

// make_shared cannot reach the protected constructor.
std::shared_ptr<Output> Output::New() { return std::shared_ptr<Output>(new Output()); }

void Output::AddErrorMessage(const std::string& message) { errors.push_back(message); }

void Output::AddErrorMessage(const char* message) { errors.emplace_back(message ? message : ""); }

void Output::AddErrorMessage(std::string&& message) { errors.push_back(std::move(message)); }

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaObject>& value) {
  rootObject = value;
}

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaBool>& value) { rootObject = value; }

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaInt>& value) { rootObject = value; }

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaString>& value) {
  rootObject = value;
}

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaList>& value) { rootObject = value; }

void Output::SetRootObject(const std::shared_ptr<MetaObj::MetaStruct>& value) {
  rootObject = value;
}

// ---- OutputSpec ----

const std::string OutputSpec::_docMissingStaticString = "Documentation missing";

std::shared_ptr<OutputSpec> OutputSpec::New() { return std::make_shared<OutputSpec>(Key()); }

void OutputSpec::SetDescription(const std::string& text) { description = text; }

const std::string& OutputSpec::GetDescription() const noexcept {
  return description.empty() ? _docMissingStaticString : description;
}

void OutputSpec::SetRootObject(std::shared_ptr<MetaObj::MetaObject>&& value) {
  // Validation compares against the declared root; an OutputSpec that once had a shape
  // must never lose it.
  if (!value) throw TarnekException(kNullRootMessage);
  rootObject = std::move(value);
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaBool>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaInt>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaString>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaList>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaStruct>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

void OutputSpec::SetRootObject(const std::shared_ptr<MetaObj::MetaObject>& value) {
  SetRootObject(std::shared_ptr<MetaObj::MetaObject>(value));
}

bool OutputSpec::Validate(const std::shared_ptr<Output>& output,
                          std::vector<std::string>* errors) const {
  if (!rootObject) {
    if (errors) errors->emplace_back(kNoDeclaredRootMessage);
    return false;
  }
  // A missing output record is treated like an output without result.
  std::shared_ptr<MetaObj::MetaObject> actual = output ? output->GetRootObject() : nullptr;
  if (!actual) {
    if (errors) errors->emplace_back(kNoActualRootMessage);
    return false;
  }
  return rootObject->IsSameStructure(actual, errors);
}

}  // namespace CallSpec
}  // namespace Tarnek
