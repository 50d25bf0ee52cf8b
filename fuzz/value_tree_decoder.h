// Turns fuzz bytes into a value tree of the value model: scalars, structures with fields from
// a small name pool (the names the formatters and help texts look for among them), and lists
// whose structure items share one shape, as real command results do.
#ifndef TARNEK_FUZZ_VALUE_TREE_DECODER_H_
#define TARNEK_FUZZ_VALUE_TREE_DECODER_H_

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tarnek/exception.h"
#include "tarnek/metaobj.h"

namespace tarnek_fuzz {

using namespace Tarnek::MetaObj;

inline const char* const kTypeNames[] = {
    "Disk", "Dev", "T", "QorcliCommandPrint", "NamespaceNode", "QorCliCommandHelp",
    "QorCliCommandParameter", "QorCliCommandExample"};
inline const char* const kFieldNames[] = {
    "Name", "Description", "Type", "Size", "Path", "Dispatcher", "NamespaceNodes", "Param List",
    "Example List", "Required", "Secret", "Syntax", "Short Name", "a", "b", "x.y", ""};

template <size_t N>
const char* Pick(FuzzedDataProvider& in, const char* const (&pool)[N]) {
  return pool[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

class ValueTreeDecoder {
 public:
  explicit ValueTreeDecoder(FuzzedDataProvider& provider) : in(provider) {}

  // Any value, or null (a result without root, a field without value).
  std::shared_ptr<MetaObject> Value(int depth) {
    switch (in.ConsumeIntegralInRange<int>(0, depth >= kMaxDepth ? 3 : 5)) {
      case 0: return MetaInt::New(static_cast<long>(in.ConsumeIntegral<int64_t>()));
      case 1: return MetaBool::New(in.ConsumeBool());
      case 2: return MetaString::New(in.ConsumeRandomLengthString(kMaxString));
      case 3: return nullptr;
      case 4: return Struct(depth);
      default: return List(depth);
    }
  }

  std::shared_ptr<MetaStruct> Struct(int depth) {
    auto value = MetaStruct::New(Pick(in, kTypeNames));
    const int fields = in.ConsumeIntegralInRange<int>(0, kMaxFields);
    for (int i = 0; i < fields && in.remaining_bytes() > 0; ++i) {
      value->SetField(Pick(in, kFieldNames), Value(depth + 1));
    }
    return value;
  }

  std::shared_ptr<MetaList> List(int depth) {
    std::shared_ptr<MetaList> list;
    std::shared_ptr<MetaStruct> exemplar;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: list = MetaList::New(MetaType::Int); break;
      case 1: list = MetaList::New(MetaType::Bool); break;
      case 2: list = MetaList::New(MetaType::String); break;
      default:
        if (in.ConsumeBool()) exemplar = Struct(depth + 1);
        list = MetaList::New(MetaType::Struct, exemplar);
        break;
    }
    const int items = in.ConsumeIntegralInRange<int>(0, kMaxItems);
    for (int i = 0; i < items && in.remaining_bytes() > 0; ++i) {
      try {
        list->Add(Like(exemplar, list->GetListType(), depth + 1));
      } catch (const Tarnek::TarnekException&) {
        // An item the list refuses is simply not part of the tree.
      }
    }
    return list;
  }

 private:
  static constexpr int kMaxDepth = 5;
  static constexpr int kMaxFields = 6;
  static constexpr int kMaxItems = 8;
  static constexpr size_t kMaxString = 48;

  // A new value of the kind `type`, shaped like `exemplar` when it is a structure.
  std::shared_ptr<MetaObject> Like(const std::shared_ptr<MetaStruct>& exemplar, MetaType type,
                                   int depth) {
    switch (type) {
      case MetaType::Int: return MetaInt::New(static_cast<long>(in.ConsumeIntegral<int64_t>()));
      case MetaType::Bool: return MetaBool::New(in.ConsumeBool());
      case MetaType::String: return MetaString::New(in.ConsumeRandomLengthString(kMaxString));
      default: break;
    }
    if (!exemplar) return Struct(depth);
    auto value = MetaStruct::New(exemplar->GetTypeName());
    for (const auto& [name, field] : exemplar->GetFields()) {
      value->SetField(name, LikeValue(field.value, depth + 1));
    }
    return value;
  }

  std::shared_ptr<MetaObject> LikeValue(const std::shared_ptr<MetaObject>& model, int depth) {
    if (!model) return nullptr;
    if (auto structure = std::dynamic_pointer_cast<MetaStruct>(model)) {
      return Like(structure, MetaType::Struct, depth);
    }
    if (auto list = std::dynamic_pointer_cast<MetaList>(model)) {
      auto copy = list->GetListType() == MetaType::Struct
                      ? MetaList::New(MetaType::Struct, list->GetListStructure())
                      : MetaList::New(list->GetListType());
      const int items = in.ConsumeIntegralInRange<int>(0, kMaxItems);
      for (int i = 0; i < items && in.remaining_bytes() > 0; ++i) {
        try {
          copy->Add(Like(list->GetListStructure(), list->GetListType(), depth + 1));
        } catch (const Tarnek::TarnekException&) {
        }
      }
      return copy;
    }
    return Like(nullptr, model->GetType(), depth);
  }

  FuzzedDataProvider& in;
};

}  // namespace tarnek_fuzz

#endif  // TARNEK_FUZZ_VALUE_TREE_DECODER_H_
