// MetaList: the homogeneous list, checked item by item as it grows.
#include <utility>

#include "tarnek/metaobj.h"

namespace Tarnek {
namespace MetaObj {

namespace {

bool IsScalarType(MetaType type) {
  return type == MetaType::Int || type == MetaType::Bool || type == MetaType::String;
}

std::string JoinMessages(const std::vector<std::string>& messages) {
  std::string joined;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (i != 0) joined += ", ";
    joined += messages[i];
  }
  return joined;
}

}  // namespace

MetaList::MetaList(MetaType elementType, FactoryFlag)
    : MetaObject(MetaType::List), listType(elementType) {
  if (!IsScalarType(elementType)) {
    throw TarnekException("Integer, boolean or string type expected for list.");
  }
}

MetaList::MetaList(MetaType elementType, std::shared_ptr<MetaStruct>&& structure, FactoryFlag)
    : MetaObject(MetaType::List), listStructure(std::move(structure)), listType(elementType) {
  if (elementType != MetaType::Struct) throw TarnekException("Struct type expected for list.");
  // The template fixes the shape of every row; it must not change under the list.
  if (listStructure) listStructure->LockStructure();
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType) {
  return std::make_shared<MetaList>(elementType, FactoryFlag::Factory);
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType,
                                        const std::shared_ptr<MetaObject>& structure) {
  return std::make_shared<MetaList>(elementType, std::dynamic_pointer_cast<MetaStruct>(structure),
                                    FactoryFlag::Factory);
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType,
                                        std::shared_ptr<MetaStruct>&& structure) {
  return std::make_shared<MetaList>(elementType, std::move(structure), FactoryFlag::Factory);
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType,
                                        const std::shared_ptr<MetaStruct>& structure) {
  return std::make_shared<MetaList>(elementType, std::shared_ptr<MetaStruct>(structure),
                                    FactoryFlag::Factory);
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType, std::nullptr_t) {
  return std::make_shared<MetaList>(elementType, std::shared_ptr<MetaStruct>(),
                                    FactoryFlag::Factory);
}

std::shared_ptr<MetaObject> MetaList::GetItem(std::uint32_t index) const {
  if (index >= GetCount()) throw TarnekException("Get requested on invalid index of MetaList");
  return objects[index];
}

void MetaList::Delete(std::uint32_t index) {
  if (index >= GetCount()) throw TarnekException("Delete requested on invalid index of MetaList");
  objects.erase(objects.begin() + index);
}

void MetaList::EnsureCapacity(std::uint64_t n) {
  const std::uint64_t needed = objects.size() + n;
  if (needed > objects.capacity()) objects.reserve(needed);
}

void MetaList::Reserve(std::uint64_t n) { objects.reserve(n); }

void MetaList::Add(const std::shared_ptr<MetaObject>& item) {
  if (!item) throw TarnekException("Null object passed to Add");
  if (item->GetType() != listType) {
    throw TarnekException("Invalid type specificed in MetaList.  Expected object of type " +
                          MetaTypeString(listType) + " got object of type " +
                          MetaTypeString(item->GetType()));
  }
  if (IsScalarType(listType)) {  // nothing more to check, and no message list to build
    objects.push_back(item);
    return;
  }
  std::vector<std::string> errors;
  if (!Validate(item, &errors)) {
    throw TarnekException("Invalid structure detected by MetaList::Add.  Type Errors were: (" +
                          std::to_string(errors.size()) + ") : " + JoinMessages(errors));
  }
  objects.push_back(item);
}

void MetaList::Add(const std::shared_ptr<MetaBool>& item) { Add(std::shared_ptr<MetaObject>(item)); }
void MetaList::Add(const std::shared_ptr<MetaInt>& item) { Add(std::shared_ptr<MetaObject>(item)); }
void MetaList::Add(const std::shared_ptr<MetaString>& item) {
  Add(std::shared_ptr<MetaObject>(item));
}
void MetaList::Add(const std::shared_ptr<MetaStruct>& item) {
  Add(std::shared_ptr<MetaObject>(item));
}
void MetaList::Add(std::nullptr_t) { Add(std::shared_ptr<MetaObject>()); }
void MetaList::Add(bool b) { Add(MetaBool::New(b)); }
void MetaList::Add(long v) { Add(MetaInt::New(v)); }
void MetaList::Add(int v) { Add(MetaInt::New(static_cast<long>(v))); }
void MetaList::Add(const char* text) { Add(MetaString::New(text)); }
void MetaList::Add(const std::string& text) { Add(MetaString::New(text)); }
void MetaList::Add(std::string&& text) { Add(MetaString::New(std::move(text))); }

void MetaList::AddAll(const std::vector<bool>& values) {
  EnsureCapacity(values.size());
  for (const bool value : values) Add(MetaBool::New(value));
}

void MetaList::AddAll(const std::vector<std::int64_t>& values) {
  EnsureCapacity(values.size());
  for (const std::int64_t value : values) Add(MetaInt::New(static_cast<long>(value)));
}

void MetaList::AddAll(const std::vector<std::string>& values) {
  EnsureCapacity(values.size());
  for (const std::string& value : values) Add(MetaString::New(value));
}

void MetaList::AddAll(std::vector<std::string>&& values) {
  EnsureCapacity(values.size());
  for (std::string& value : values) Add(MetaString::New(std::move(value)));
}

bool MetaList::Validate(const std::shared_ptr<MetaObject>& item,
                        std::vector<std::string>* errors) const {
  if (!item) {
    if (errors) errors->emplace_back("Invalid NULL input");
    return false;
  }
  if (item->GetType() != listType) {
    if (errors) {
      errors->emplace_back(
          "There was an error adding an item to this list.  The item being added was not the "
          "correct type for this list, so it was not added.");
    }
    return false;
  }
  if (IsScalarType(listType)) return true;
  if (!listStructure) {
    if (errors) {
      errors->emplace_back(
          "List created with NULL structure.  No items can be added to this list.");
    }
    return false;
  }
  const bool same = listStructure->IsSameStructure(item, errors);
  if (!same && errors) {
    errors->emplace_back(
        "There was an error adding an item to this list.  The item being added did not match "
        "the declared structure of this list, so it was not added.");
  }
  return same;
}

bool MetaList::IsSameStructure(const std::shared_ptr<MetaObject>& other,
                               std::vector<std::string>* errors) const {
  if (!other) {
    if (errors) errors->emplace_back("Mismatch on structure, NULL comparison");
    return false;
  }
  if (other->GetType() != MetaType::List) {
    if (errors) {
      errors->push_back("Type mismatch!  Was expecting a " + MetaTypeString(type) +
                        ", but got a " + MetaTypeString(other->GetType()));
    }
    return false;
  }
  const auto* candidate = dynamic_cast<const MetaList*>(other.get());
  if (candidate == nullptr || candidate->listType != listType) {
    if (errors) errors->emplace_back("Mismatch on list type");
    return false;
  }
  if (IsScalarType(listType)) return true;
  if (!listStructure || !candidate->listStructure) return true;
  const bool same = listStructure->IsSameStructure(candidate->listStructure, errors);
  if (!same && errors) errors->emplace_back("List type mismatch list and input");
  return same;
}

std::string MetaList::ToString() const {
  std::string text;
  text.reserve(objects.size() * 15);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (i != 0) text += ", ";
    text += objects[i]->ToString();
  }
  return text;
}

}  // namespace MetaObj
}  // namespace Tarnek
