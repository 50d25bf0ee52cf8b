// MetaStruct: named records, structure definitions and structure comparison.
#include <utility>

#include "tarnek/metaobj.h"

namespace Tarnek {
namespace MetaObj {

const std::string MetaStruct::_docEmpty;
const std::string MetaStruct::_docMissingStaticString = "Documentation missing";

// The whole name matches [a-zA-Z0-9]+. Checked by hand: every structure created passes here
// (each row of a listing, each item read from a command's output), and running the pattern
// took more than the rest of creating the structure.
bool IsValidStructName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

bool IsValidFieldName(const std::string&) { return true; }

MetaStruct::MetaStruct(std::string name, FactoryFlag)
    : MetaObject(MetaType::Struct), typeName(std::move(name)) {
  if (!IsValidStructName(typeName)) {
    throw TarnekException("Invalid name specified for MetaStruct: " + typeName);
  }
}

MetaStruct::MetaStruct(const std::shared_ptr<MetaStruct>& structureDefinition, FactoryFlag)
    : MetaObject(MetaType::Struct) {
  if (!structureDefinition) {
    throw TarnekException("A structure definition is required to create a MetaStruct from it");
  }
  definition = structureDefinition;
  typeName = structureDefinition->typeName;
  // An instance mostly gets every field of its definition.
  fields.reserve(definition->fields.size());
  // Instances rely on the definition's field set staying as it is.
  definition->LockStructure();
}

std::shared_ptr<MetaStruct> MetaStruct::New(const std::string& name) {
  return std::make_shared<MetaStruct>(name, FactoryFlag::Factory);
}

std::shared_ptr<MetaStruct> MetaStruct::New(std::string&& name) {
  return std::make_shared<MetaStruct>(std::move(name), FactoryFlag::Factory);
}

std::shared_ptr<MetaStruct> MetaStruct::New(const char* name) {
  return std::make_shared<MetaStruct>(std::string(name ? name : ""), FactoryFlag::Factory);
}

std::shared_ptr<MetaStruct> MetaStruct::New(const std::shared_ptr<MetaStruct>& structureDefinition) {
  return std::make_shared<MetaStruct>(structureDefinition, FactoryFlag::Factory);
}

void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaObject>& value,
                          const std::string& documentation) {
  if (!value) {
    throw TarnekException("Invalid NULL value was assigned to the field " + name +
                          " in the structure " + typeName);
  }
  if (!locked) {
    if (definition && !definition->HasField(name)) {
      throw TarnekException("Unable to set new field " + name +
                            " on structure.  The field does not match the Structure definition "
                            "for this MetaStruct.");
    }
    fields.insert_or_assign(name, Field(value, documentation));
    return;
  }
  // A locked structure keeps its field set but its values stay replaceable.
  const auto existing = fields.find(name);
  if (existing == fields.end()) {
    throw TarnekException("Unable to set new field " + name +
                          " on structure. Structure has been locked");
  }
  existing->second = Field(value, documentation);
}

// Every shorter form stores its value without documentation through the full form.
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaObject>& value) {
  SetField(std::string(name), value);
}
void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaBool>& value) {
  SetField(name, std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaBool>& value) {
  SetField(std::string(name), std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaInt>& value) {
  SetField(name, std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaInt>& value) {
  SetField(std::string(name), std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaString>& value) {
  SetField(name, std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaString>& value) {
  SetField(std::string(name), std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaList>& value) {
  SetField(name, std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaList>& value) {
  SetField(std::string(name), std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const std::string& name, const std::shared_ptr<MetaStruct>& value) {
  SetField(name, std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const char* name, const std::shared_ptr<MetaStruct>& value) {
  SetField(std::string(name), std::shared_ptr<MetaObject>(value));
}
void MetaStruct::SetField(const std::string& name, std::nullptr_t) {
  SetField(name, std::shared_ptr<MetaObject>());
}
void MetaStruct::SetField(const char* name, std::nullptr_t) {
  SetField(std::string(name), std::shared_ptr<MetaObject>());
}
void MetaStruct::SetField(const std::string& name, bool value) {
  SetField(name, MetaBool::New(value));
}
void MetaStruct::SetField(const char* name, bool value) {
  SetField(std::string(name), MetaBool::New(value));
}
void MetaStruct::SetField(const std::string& name, long value) {
  SetField(name, MetaInt::New(value));
}
void MetaStruct::SetField(const char* name, long value) {
  SetField(std::string(name), MetaInt::New(value));
}
void MetaStruct::SetField(const std::string& name, int value) {
  SetField(name, MetaInt::New(static_cast<long>(value)));
}
void MetaStruct::SetField(const char* name, int value) {
  SetField(std::string(name), MetaInt::New(static_cast<long>(value)));
}
void MetaStruct::SetField(const std::string& name, const std::string& value) {
  SetField(name, MetaString::New(value));
}
void MetaStruct::SetField(const char* name, const std::string& value) {
  SetField(std::string(name), MetaString::New(value));
}
void MetaStruct::SetField(const std::string& name, std::string&& value) {
  SetField(name, MetaString::New(std::move(value)));
}
void MetaStruct::SetField(const char* name, std::string&& value) {
  SetField(std::string(name), MetaString::New(std::move(value)));
}
void MetaStruct::SetField(const std::string& name, const char* value) {
  SetField(name, MetaString::New(value));
}
void MetaStruct::SetField(const char* name, const char* value) {
  SetField(std::string(name), MetaString::New(value));
}

namespace {

template <typename Values>
std::shared_ptr<MetaList> ListOf(MetaType elementType, Values&& values) {
  auto list = MetaList::New(elementType);
  list->AddAll(std::forward<Values>(values));
  return list;
}

}  // namespace

void MetaStruct::SetField(const std::string& name, const std::vector<std::string>& values) {
  SetField(name, ListOf(MetaType::String, values));
}
void MetaStruct::SetField(const char* name, const std::vector<std::string>& values) {
  SetField(std::string(name), ListOf(MetaType::String, values));
}
void MetaStruct::SetField(const std::string& name, std::vector<std::string>&& values) {
  SetField(name, ListOf(MetaType::String, std::move(values)));
}
void MetaStruct::SetField(const char* name, std::vector<std::string>&& values) {
  SetField(std::string(name), ListOf(MetaType::String, std::move(values)));
}
void MetaStruct::SetField(const std::string& name, const std::vector<std::int64_t>& values) {
  SetField(name, ListOf(MetaType::Int, values));
}
void MetaStruct::SetField(const char* name, const std::vector<std::int64_t>& values) {
  SetField(std::string(name), ListOf(MetaType::Int, values));
}
void MetaStruct::SetField(const std::string& name, const std::vector<bool>& values) {
  SetField(name, ListOf(MetaType::Bool, values));
}
void MetaStruct::SetField(const char* name, const std::vector<bool>& values) {
  SetField(std::string(name), ListOf(MetaType::Bool, values));
}

bool MetaStruct::HasField(const std::string& name) const { return fields.count(name) != 0; }

std::shared_ptr<MetaObject> MetaStruct::GetField(const std::string& name) const {
  const auto found = fields.find(name);
  return found == fields.end() ? std::shared_ptr<MetaObject>() : found->second.value;
}

MetaType MetaStruct::GetFieldType(const std::string& name) const {
  const auto found = fields.find(name);
  if (found == fields.end()) throw 1;
  return found->second.value->GetType();
}

const std::string& MetaStruct::GetFieldDocumentation(const std::string& name) const {
  const auto found = fields.find(name);
  if (found == fields.end()) {
    throw TarnekException("Field " + name + " is not present in the structure " + typeName);
  }
  const std::string& documentation = found->second.documentation;
  return documentation.empty() ? _docMissingStaticString : documentation;
}

void MetaStruct::RemoveField(const std::string& name) {
  if (locked) throw TarnekException("Structure is locked, unable to remove fields");
  fields.erase(name);
}

std::vector<std::string> MetaStruct::GetFieldNames() const {
  std::vector<std::string> names;
  names.reserve(fields.size());
  for (const auto& entry : fields) names.push_back(entry.first);
  return names;
}

bool MetaStruct::MatchesStructureDefinition() const {
  if (!definition) return true;
  return IsSameStructure(definition, nullptr);
}

bool MetaStruct::IsSameStructure(const std::shared_ptr<MetaObject>& other,
                                 std::vector<std::string>* errors) const {
  if (!other) {
    if (errors) errors->emplace_back("Invalid NULL input to MetaStruct validation.");
    return false;
  }
  if (other->GetType() != MetaType::Struct) {
    if (errors) {
      errors->push_back("Type Mismatch in MetaStruct Validation: Expected type " +
                        MetaTypeString(type) + " got type " + MetaTypeString(other->GetType()));
    }
    return false;
  }
  const auto* candidate = dynamic_cast<const MetaStruct*>(other.get());
  if (candidate == nullptr) {
    if (errors) errors->emplace_back("Unable to cast to MetaStruct, runtime error?");
    return false;
  }
  // A differing type name is reported but, on its own, does not make the shapes differ.
  if (errors && candidate->typeName != typeName) errors->emplace_back("Type names do not match.");

  bool same = fields.size() == candidate->fields.size();
  if (!same && errors) {
    errors->push_back("Mismatch on number of fields set in struct. Expected " +
                      std::to_string(fields.size()) + " found " +
                      std::to_string(candidate->fields.size()));
  }
  for (const auto& [name, field] : fields) {
    const auto match = candidate->fields.find(name);
    if (match == candidate->fields.end()) {
      if (errors) errors->push_back("Missing field in input: " + name);
      return false;
    }
    const std::shared_ptr<MetaObject>& theirs = match->second.value;
    if (field.value->GetType() != theirs->GetType() ||
        !field.value->IsSameStructure(theirs, errors)) {
      if (errors) errors->push_back("Type mismatch on field: " + name);
      return false;
    }
  }
  return same;
}

std::string MetaStruct::ToString() const {
  std::string text;
  text.reserve(2 + fields.size() * 15);
  text += '{';
  for (const auto& [name, field] : fields) {
    text += '\'';
    text += name;
    text += "' => '";
    text += field.value->ToString();
    text += "', ";
  }
  text += '}';
  return text;
}

}  // namespace MetaObj
}  // namespace Tarnek
