// The value base and the three scalar kinds, with their shared prototypes.
//
// The prototypes and type names are built by static initialisers in this one file, so their
// order is fixed: booleans, integers, type names, strings.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "norlibs.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace MetaObj {

namespace {

constexpr long kSmallIntMin = -1;
constexpr long kSmallIntMax = 20;
constexpr std::size_t kSmallIntCount = kSmallIntMax - kSmallIntMin + 1;

std::shared_ptr<MetaBool> gFalsePrototype;
std::shared_ptr<MetaBool> gTruePrototype;
std::shared_ptr<MetaInt> gSmallInts[kSmallIntCount];
std::shared_ptr<MetaString> gEmptyString;

}  // namespace

bool MetaBool::_sInitialized = MetaBool::Init();
bool MetaInt::_sInitialized = MetaInt::Init();

namespace {

const std::string kTypeNames[] = {"Int", "Bool", "String", "Struct", "List"};
const std::string kNoTypeName;

}  // namespace

bool MetaString::_sInitialized = MetaString::Init();

const std::string& MetaTypeString(const MetaType& type) {
  const auto index = static_cast<std::uint32_t>(type);
  return index < std::size(kTypeNames) ? kTypeNames[index] : kNoTypeName;
}

std::ostream& operator<<(std::ostream& stream, const MetaObject& value) {
  return stream << value.ToString();
}

MetaObject::~MetaObject() = default;

bool MetaObject::IsSameStructure(const std::shared_ptr<MetaObject>& other,
                                 std::vector<std::string>* errors) const {
  const bool scalar = type == MetaType::Int || type == MetaType::Bool || type == MetaType::String;
  if (other && scalar && other->GetType() == type) return true;
  if (errors) {
    // An absent candidate has no type to name; report it as the empty type name.
    const std::string& otherName =
        other ? MetaTypeString(other->GetType()) : kNoTypeName;
    errors->push_back("Type mismatch in structure.  Expecting " + MetaTypeString(type) +
                      " got " + otherName);
  }
  return false;
}

// ---- MetaBool ----

MetaBool::MetaBool(bool b, FactoryFlag) noexcept : MetaObject(MetaType::Bool), value(b) {}

bool MetaBool::Init() {
  gFalsePrototype = std::make_shared<MetaBool>(false, FactoryFlag::Factory);
  gTruePrototype = std::make_shared<MetaBool>(true, FactoryFlag::Factory);
  return true;
}

std::shared_ptr<MetaBool> MetaBool::New() { return gFalsePrototype; }

std::shared_ptr<MetaBool> MetaBool::New(bool b) { return b ? gTruePrototype : gFalsePrototype; }

std::string MetaBool::ToString() const { return value ? "true" : "false"; }

// ---- MetaInt ----

MetaInt::MetaInt(long v, FactoryFlag) noexcept : MetaObject(MetaType::Int), value(v) {}

bool MetaInt::Init() {
  for (long v = kSmallIntMin; v <= kSmallIntMax; ++v) {
    gSmallInts[v - kSmallIntMin] = std::make_shared<MetaInt>(v, FactoryFlag::Factory);
  }
  return true;
}

std::shared_ptr<MetaInt> MetaInt::New() { return gSmallInts[0 - kSmallIntMin]; }

std::shared_ptr<MetaInt> MetaInt::New(long v) {
  // One unsigned comparison covers both ends of the prototype range.
  const unsigned long slot = static_cast<unsigned long>(v) - static_cast<unsigned long>(kSmallIntMin);
  if (slot < kSmallIntCount) return gSmallInts[slot];
  return std::make_shared<MetaInt>(v, FactoryFlag::Factory);
}

std::string MetaInt::ToString() const {
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, "%ld", value);
  return std::string(buffer, static_cast<std::size_t>(length));
}

// ---- MetaString ----

MetaString::MetaString(std::string text, FactoryFlag) noexcept
    : MetaObject(MetaType::String), value(std::move(text)) {}

bool MetaString::Init() {
  gEmptyString = std::make_shared<MetaString>(std::string(), FactoryFlag::Factory);
  return true;
}

std::shared_ptr<MetaString> MetaString::New() { return gEmptyString; }

std::shared_ptr<MetaString> MetaString::New(const char* text) {
  if (text == nullptr || *text == '\0') return gEmptyString;
  return std::make_shared<MetaString>(std::string(text), FactoryFlag::Factory);
}

std::shared_ptr<MetaString> MetaString::New(const std::string& text) {
  if (text.empty()) return gEmptyString;
  return std::make_shared<MetaString>(text, FactoryFlag::Factory);
}

std::shared_ptr<MetaString> MetaString::New(std::string&& text) {
  if (text.empty()) return gEmptyString;
  return std::make_shared<MetaString>(std::move(text), FactoryFlag::Factory);
}

std::shared_ptr<MetaString> MetaString::NewUtf8WithEscapes(std::string&& text) {
  if (text.empty()) return gEmptyString;
  if (!Unicode_IsBufferValid(text.c_str(), -1, UNICODE_ENCODING_UTF8)) {
    // Without an escaped copy (allocation failed) the text is kept as it came.
    if (char* escaped = Unicode_EscapeBuffer(text.c_str(), -1, UNICODE_ENCODING_UTF8)) {
      text.assign(escaped);
      std::free(escaped);
    }
  }
  return std::make_shared<MetaString>(std::move(text), FactoryFlag::Factory);
}

std::string MetaString::ToString() const { return value; }

}  // namespace MetaObj
}  // namespace Tarnek
