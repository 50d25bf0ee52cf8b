// The value model: every value that crosses a command boundary is a tree of these.
//
// Values are immutable once built (lists and structures only grow or get fields replaced),
// are created only through the static New(...) factories and are always held by shared
// pointers, so one instance may be shared by any number of lists, structures and outputs.
#ifndef TARNEK_METAOBJ_H_
#define TARNEK_METAOBJ_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tarnek/exception.h"
#include "tarnek/export.h"

namespace Tarnek {
namespace MetaObj {

class MetaStruct;

/// The kind of a value. The numbering is part of the interface.
enum class MetaType : std::int32_t { Int = 0, Bool = 1, String = 2, Struct = 3, List = 4 };

/// "Int", "Bool", "String", "Struct" or "List"; the empty string for any other value.
/// The reference is to a static string that lives as long as the library.
TARNEK_EXPORT const std::string& MetaTypeString(const MetaType& type);

/// Abstract base of all values.
class TARNEK_EXPORT MetaObject {
 public:
  /// Construction tag: constructors are public (the factories build through make_shared)
  /// but take this tag so that only the factories call them.
  enum class FactoryFlag { Factory };

  virtual ~MetaObject();

  /// Compares kinds and shapes, never values. This value is the declaration, `other` the
  /// candidate; reasons for a mismatch are appended to `errors` when it is given.
  virtual bool IsSameStructure(const std::shared_ptr<MetaObject>& other,
                               std::vector<std::string>* errors = nullptr) const;

  /// Printable form of the value.
  virtual std::string ToString() const = 0;

  MetaType GetType() const noexcept { return type; }

 protected:
  explicit MetaObject(MetaType kind) noexcept : type(kind) {}
  MetaObject(const MetaObject&) = delete;
  MetaObject& operator=(const MetaObject&) = delete;

  const MetaType type;
};

/// Writes value.ToString() to the stream.
TARNEK_EXPORT std::ostream& operator<<(std::ostream& stream, const MetaObject& value);

/// A boolean. Both values are shared prototypes: New never allocates.
class TARNEK_EXPORT MetaBool : public MetaObject {
 public:
  MetaBool(bool b, FactoryFlag) noexcept;

  /// The false prototype.
  static std::shared_ptr<MetaBool> New();
  /// The prototype for `b`.
  static std::shared_ptr<MetaBool> New(bool b);

  bool GetValue() const noexcept { return value; }
  /// "true" or "false".
  std::string ToString() const override;

  /// Builds the prototypes; run once at library load.
  static bool Init();
  static bool _sInitialized;

 private:
  const bool value;
};

/// A signed 64-bit integer. The values -1 through 20 are shared prototypes.
class TARNEK_EXPORT MetaInt : public MetaObject {
 public:
  MetaInt(long v, FactoryFlag) noexcept;

  /// The prototype for 0.
  static std::shared_ptr<MetaInt> New();
  /// The prototype for -1 <= v <= 20, otherwise a new instance.
  static std::shared_ptr<MetaInt> New(long v);

  std::int64_t GetValue() const noexcept { return value; }
  /// Decimal, as printf's "%ld" writes it.
  std::string ToString() const override;

  /// Builds the prototypes; run once at library load.
  static bool Init();
  static bool _sInitialized;

 private:
  const long value;
};

/// A byte string (expected, but only checked by NewUtf8WithEscapes, to be UTF-8).
/// Every factory hands out the one empty prototype for an empty text.
class TARNEK_EXPORT MetaString : public MetaObject {
 public:
  MetaString(std::string text, FactoryFlag) noexcept;

  static std::shared_ptr<MetaString> New();
  /// A null `text` is taken as the empty string.
  static std::shared_ptr<MetaString> New(const char* text);
  static std::shared_ptr<MetaString> New(const std::string& text);
  static std::shared_ptr<MetaString> New(std::string&& text);
  /// As New(string&&), but invalid UTF-8 is replaced by its escaped form first.
  static std::shared_ptr<MetaString> NewUtf8WithEscapes(std::string&& text);

  const std::string& GetValue() const noexcept { return value; }
  /// The stored text, unquoted and unescaped.
  std::string ToString() const override;

  /// Builds the empty prototype; run once at library load.
  static bool Init();
  static bool _sInitialized;

 private:
  const std::string value;
};

/// A homogeneous list: scalars of one type, or structures of one declared structure.
/// Every item is checked when added, so a list that exists is always well-formed.
class TARNEK_EXPORT MetaList : public MetaObject {
 public:
  /// REQUIRES: listType is Int, Bool or String.
  MetaList(MetaType listType, FactoryFlag);
  /// REQUIRES: listType is Struct. Locks `structure` when it is present.
  MetaList(MetaType listType, std::shared_ptr<MetaStruct>&& structure, FactoryFlag);

  /// A scalar list. Throws for Struct and List.
  static std::shared_ptr<MetaList> New(MetaType listType);
  /// A structure list; a `structure` that is not a MetaStruct gives a list without structure.
  static std::shared_ptr<MetaList> New(MetaType listType,
                                       const std::shared_ptr<MetaObject>& structure);
  static std::shared_ptr<MetaList> New(MetaType listType, std::shared_ptr<MetaStruct>&& structure);
  static std::shared_ptr<MetaList> New(MetaType listType,
                                       const std::shared_ptr<MetaStruct>& structure);
  /// A structure list without structure (it accepts no items).
  static std::shared_ptr<MetaList> New(MetaType listType, std::nullptr_t);

  MetaType GetListType() const noexcept { return listType; }
  const std::shared_ptr<MetaStruct>& GetListStructure() const noexcept { return listStructure; }
  const std::vector<std::shared_ptr<MetaObject>>& GetObjects() const noexcept { return objects; }
  std::uint32_t GetCount() const noexcept { return static_cast<std::uint32_t>(objects.size()); }

  /// REQUIRES: index < GetCount(); unchecked.
  const std::shared_ptr<MetaObject>& operator[](std::uint32_t index) const { return objects[index]; }
  /// Throws TarnekException when index >= GetCount().
  std::shared_ptr<MetaObject> GetItem(std::uint32_t index) const;
  /// Removes one item, keeping the order of the rest. Throws when index >= GetCount().
  void Delete(std::uint32_t index);

  /// Reserves exactly count + n slots when the capacity is smaller than that.
  void EnsureCapacity(std::uint64_t n);
  /// Reserves n slots; never shrinks.
  void Reserve(std::uint64_t n);

  /// Appends `item` after checking its type (and, in a structure list, its structure).
  /// Throws TarnekException and leaves the list unchanged when the item does not fit.
  void Add(const std::shared_ptr<MetaObject>& item);
  void Add(const std::shared_ptr<MetaBool>& item);
  void Add(const std::shared_ptr<MetaInt>& item);
  void Add(const std::shared_ptr<MetaString>& item);
  void Add(const std::shared_ptr<MetaStruct>& item);
  void Add(std::nullptr_t);
  void Add(bool b);
  void Add(long v);
  void Add(int v);
  void Add(const char* text);
  void Add(const std::string& text);
  void Add(std::string&& text);

  /// Reserves once, then adds element by element; stops at the first failure, keeping the
  /// elements added before it.
  void AddAll(const std::vector<bool>& values);
  void AddAll(const std::vector<std::int64_t>& values);
  void AddAll(const std::vector<std::string>& values);
  void AddAll(std::vector<std::string>&& values);

  /// Whether `item` may be added; reasons are appended to `errors` when it is given.
  bool Validate(const std::shared_ptr<MetaObject>& item,
                std::vector<std::string>* errors = nullptr) const;

  /// Compares element types and list structures; the items are never compared.
  bool IsSameStructure(const std::shared_ptr<MetaObject>& other,
                       std::vector<std::string>* errors = nullptr) const override;
  /// The items' texts separated by ", ".
  std::string ToString() const override;

 private:
  std::shared_ptr<MetaStruct> listStructure;
  std::vector<std::shared_ptr<MetaObject>> objects;
  const MetaType listType;
};

/// True when the whole name is one or more ASCII letters or digits.
TARNEK_EXPORT bool IsValidStructName(const std::string& name);
/// Field names are free text: every name is valid.
TARNEK_EXPORT bool IsValidFieldName(const std::string& name);

/// A named record: a type name and fields kept in ascending byte-wise order of field name.
/// A structure may serve as the definition of other structures of its type.
class TARNEK_EXPORT MetaStruct : public MetaObject {
 public:
  struct Field {
    Field(std::shared_ptr<MetaObject> fieldValue, std::string fieldDocumentation)
        : value(std::move(fieldValue)), documentation(std::move(fieldDocumentation)) {}

    std::shared_ptr<MetaObject> value;
    std::string documentation;  // empty: not documented
  };
  /// The fields of one structure: in ascending byte-wise order of name, at most one entry per
  /// name, kept in one block rather than one allocation per field, so that building a structure
  /// costs one allocation and walking its fields (every formatter does, for every element of a
  /// result) reads contiguous memory. The interface is the part of an ordered map the library
  /// and its formatters use.
  class FieldMap {
   public:
    using value_type = std::pair<std::string, Field>;
    using iterator = std::vector<value_type>::iterator;
    using const_iterator = std::vector<value_type>::const_iterator;

   private:
    // Defined ahead of their callers, which need their deduced return types.
    template <typename Entries>
    static auto LowerBound(Entries& entries, const std::string& name) {
      return std::lower_bound(
          entries.begin(), entries.end(), name,
          [](const value_type& entry, const std::string& key) { return entry.first < key; });
    }
    template <typename Entries>
    static auto Find(Entries& entries, const std::string& name) {
      const auto found = LowerBound(entries, name);
      return found != entries.end() && found->first == name ? found : entries.end();
    }

   public:
    iterator begin() noexcept { return entries_.begin(); }
    iterator end() noexcept { return entries_.end(); }
    const_iterator begin() const noexcept { return entries_.begin(); }
    const_iterator end() const noexcept { return entries_.end(); }
    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }

    /// The entry of that name, or end().
    iterator find(const std::string& name) { return Find(entries_, name); }
    const_iterator find(const std::string& name) const { return Find(entries_, name); }
    std::size_t count(const std::string& name) const { return find(name) != end() ? 1 : 0; }

    /// Replaces the entry of that name, or adds one in its place in the order. Names arriving
    /// in ascending order (a definition's copy, a sorted document) are appended without a
    /// search.
    void insert_or_assign(const std::string& name, Field field) {
      if (entries_.empty() || entries_.back().first < name) {
        Reserve(entries_.size() + 1);
        entries_.emplace_back(name, std::move(field));
        return;
      }
      const iterator place = LowerBound(entries_, name);
      if (place != entries_.end() && place->first == name) {
        place->second = std::move(field);
        return;
      }
      const auto index = place - entries_.begin();
      Reserve(entries_.size() + 1);
      entries_.emplace(entries_.begin() + index, name, std::move(field));
    }
    /// Removes the entry of that name; the number removed.
    std::size_t erase(const std::string& name) {
      const iterator found = find(name);
      if (found == entries_.end()) return 0;
      entries_.erase(found);
      return 1;
    }
    /// Room for `count` entries without another allocation.
    void reserve(std::size_t count) { entries_.reserve(count); }

   private:
    // Small structures are the rule: the first field makes room for a few more at once.
    void Reserve(std::size_t needed) {
      if (needed > entries_.capacity()) entries_.reserve(needed < 4 ? 4 : 2 * entries_.capacity());
    }

    std::vector<value_type> entries_;
  };

  /// The documentation used when SetField is given none.
  static const std::string _docEmpty;
  /// "Documentation missing".
  static const std::string _docMissingStaticString;

  /// Throws TarnekException when IsValidStructName(typeName) is false.
  MetaStruct(std::string typeName, FactoryFlag);
  /// An empty instance bound to `definition`, whose type name it takes; locks `definition`.
  MetaStruct(const std::shared_ptr<MetaStruct>& definition, FactoryFlag);

  /// A free structure of that type name.
  static std::shared_ptr<MetaStruct> New(const std::string& typeName);
  static std::shared_ptr<MetaStruct> New(std::string&& typeName);
  static std::shared_ptr<MetaStruct> New(const char* typeName);
  /// An empty instance bound to `definition`. Throws TarnekException when it is absent.
  static std::shared_ptr<MetaStruct> New(const std::shared_ptr<MetaStruct>& definition);

  /// Inserts or replaces a field. An unlocked structure bound to a definition accepts only
  /// the definition's field names; a locked one only replaces existing fields.
  void SetField(const std::string& name, const std::shared_ptr<MetaObject>& value,
                const std::string& documentation = _docEmpty);
  void SetField(const char* name, const std::shared_ptr<MetaObject>& value);
  void SetField(const std::string& name, const std::shared_ptr<MetaBool>& value);
  void SetField(const char* name, const std::shared_ptr<MetaBool>& value);
  void SetField(const std::string& name, const std::shared_ptr<MetaInt>& value);
  void SetField(const char* name, const std::shared_ptr<MetaInt>& value);
  void SetField(const std::string& name, const std::shared_ptr<MetaString>& value);
  void SetField(const char* name, const std::shared_ptr<MetaString>& value);
  void SetField(const std::string& name, const std::shared_ptr<MetaList>& value);
  void SetField(const char* name, const std::shared_ptr<MetaList>& value);
  void SetField(const std::string& name, const std::shared_ptr<MetaStruct>& value);
  void SetField(const char* name, const std::shared_ptr<MetaStruct>& value);
  void SetField(const std::string& name, std::nullptr_t);
  void SetField(const char* name, std::nullptr_t);
  void SetField(const std::string& name, bool value);
  void SetField(const char* name, bool value);
  void SetField(const std::string& name, long value);
  void SetField(const char* name, long value);
  void SetField(const std::string& name, int value);
  void SetField(const char* name, int value);
  void SetField(const std::string& name, const std::string& value);
  void SetField(const char* name, const std::string& value);
  void SetField(const std::string& name, std::string&& value);
  void SetField(const char* name, std::string&& value);
  void SetField(const std::string& name, const char* value);
  void SetField(const char* name, const char* value);
  void SetField(const std::string& name, const std::vector<std::string>& values);
  void SetField(const char* name, const std::vector<std::string>& values);
  void SetField(const std::string& name, std::vector<std::string>&& values);
  void SetField(const char* name, std::vector<std::string>&& values);
  void SetField(const std::string& name, const std::vector<std::int64_t>& values);
  void SetField(const char* name, const std::vector<std::int64_t>& values);
  void SetField(const std::string& name, const std::vector<bool>& values);
  void SetField(const char* name, const std::vector<bool>& values);

  bool HasField(const std::string& name) const;
  /// The field's value, or an empty pointer when there is no such field.
  std::shared_ptr<MetaObject> GetField(const std::string& name) const;
  /// The kind of the field's value. Throws the int 1 when there is no such field.
  MetaType GetFieldType(const std::string& name) const;
  /// The field's documentation, or "Documentation missing" when it has none.
  /// Throws TarnekException when there is no such field.
  const std::string& GetFieldDocumentation(const std::string& name) const;
  /// Removes the field if present. Throws TarnekException when the structure is locked.
  void RemoveField(const std::string& name);
  /// The field names in ascending byte-wise order.
  std::vector<std::string> GetFieldNames() const;
  /// The fields in ascending byte-wise order of name, for callers that walk every field.
  const FieldMap& GetFields() const noexcept { return fields; }
  /// Room for `count` fields, for a caller that knows how many it is about to set.
  void ReserveFields(std::size_t count) { fields.reserve(count); }

  const std::string& GetTypeName() const noexcept { return typeName; }
  bool HasStructureDefinition() const noexcept { return definition != nullptr; }
  std::shared_ptr<MetaStruct> GetStructureDefinition() const { return definition; }
  /// Permanently forbids adding and removing fields; existing fields stay replaceable.
  void LockStructure() noexcept { locked = true; }
  bool IsLocked() const noexcept { return locked; }
  /// True without a definition; otherwise whether this instance has the definition's shape.
  bool MatchesStructureDefinition() const;

  /// This structure is the declaration, `other` the candidate.
  bool IsSameStructure(const std::shared_ptr<MetaObject>& other,
                       std::vector<std::string>* errors = nullptr) const override;
  /// "{'name' => 'value', ...}" in field-name order.
  std::string ToString() const override;

 private:
  FieldMap fields;
  std::shared_ptr<MetaStruct> definition;
  std::string typeName;
  bool locked = false;
};

}  // namespace MetaObj
}  // namespace Tarnek

#endif  // TARNEK_METAOBJ_H_
