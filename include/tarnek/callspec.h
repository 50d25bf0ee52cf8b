// Call declarations: what a call accepts (parameters, input), what it returns (output), and
// the two interfaces through which a dispatcher reaches a call target.
//
// Failures of a call are reported as messages on its Output and never thrown; mistakes made
// while building a declaration throw TarnekException.
#ifndef TARNEK_CALLSPEC_H_
#define TARNEK_CALLSPEC_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tarnek/exception.h"
#include "tarnek/export.h"
#include "tarnek/metaobj.h"

namespace Tarnek {
namespace CallSpec {

class Input;
class InputSpec;

// ---- Output and OutputSpec ----

/// The result of one call: a root value, the error messages collected while validating and
/// running the call, and the kind of result. A call has failed exactly when HasError().
class TARNEK_EXPORT Output {
 public:
  /// Tells the formatting side which format parameters to use. The numbering is part of
  /// the interface.
  enum class OutputType : std::int32_t { Default = 0, Plain = 1, Help = 2 };

  virtual ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  /// An output with no errors, no root value and type Default.
  static std::shared_ptr<Output> New();

  /// Appends one message as it is: no prefix, no line break, no deduplication.
  void AddErrorMessage(const std::string& message);
  /// A null `message` is taken as the empty string.
  void AddErrorMessage(const char* message);
  void AddErrorMessage(std::string&& message);
  bool HasError() const noexcept { return !errors.empty(); }
  /// The messages in the order added.
  const std::vector<std::string>& GetErrors() const noexcept { return errors; }

  /// Stores the value as the root; an empty pointer leaves the output without root.
  void SetRootObject(const std::shared_ptr<MetaObj::MetaObject>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaBool>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaInt>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaString>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaList>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaStruct>& value);
  /// Leaves the output without a root value.
  void SetRootObject(std::nullptr_t) { rootObject.reset(); }
  std::shared_ptr<MetaObj::MetaObject> GetRootObject() const { return rootObject; }

  void SetOutputType(OutputType type) noexcept { outputType = type; }
  OutputType GetOutputType() const noexcept { return outputType; }

 protected:
  Output();

 private:
  std::vector<std::string> errors;
  std::shared_ptr<MetaObj::MetaObject> rootObject;
  OutputType outputType = OutputType::Default;
};

/// A call's declared result shape: a prototype value whose structure (never its values) the
/// actual root value must have, plus a description.
class TARNEK_EXPORT OutputSpec {
 public:
  /// "Documentation missing".
  static const std::string _docMissingStaticString;

  /// An OutputSpec without root and without description.
  static std::shared_ptr<OutputSpec> New();

  void SetDescription(const std::string& text);
  /// The description, or "Documentation missing" when it is empty.
  const std::string& GetDescription() const noexcept;

  /// Takes the value over as the declared shape. Throws TarnekException for an empty pointer.
  void SetRootObject(std::shared_ptr<MetaObj::MetaObject>&& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaBool>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaInt>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaString>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaList>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaStruct>& value);
  void SetRootObject(const std::shared_ptr<MetaObj::MetaObject>& value);
  /// Always throws: a declared shape cannot be absent.
  void SetRootObject(std::nullptr_t) { SetRootObject(std::shared_ptr<MetaObj::MetaObject>()); }
  std::shared_ptr<MetaObj::MetaObject> GetRootObject() const { return rootObject; }

  /// Whether the output's root has the declared shape. Reasons are appended to `errors` when
  /// it is given; a missing declared or actual root is a failure with its own reason.
  bool Validate(const std::shared_ptr<Output>& output,
                std::vector<std::string>* errors = nullptr) const;

 private:
  // Only New makes one; the key lets it do so in one allocation.
  struct Key {
    explicit Key() = default;
  };

 public:
  explicit OutputSpec(Key) {}

 private:

  std::shared_ptr<MetaObj::MetaObject> rootObject;
  std::string description;
};

// ---- Parameter declarations and constraints ----

/// The type of a parameter. The numbering is part of the interface: clearing bit 2 of a list
/// type gives its scalar type, and the multi-valued types are exactly 4, 5 and 6.
enum class ParameterType : std::int32_t {
  String = 0,
  Int = 1,
  Bool = 2,
  Flag = 3,
  StringList = 4,
  IntList = 5,
  BoolList = 6,
};

/// The kind of a parameter constraint. The numbering is part of the interface.
enum class ParameterConstraintType : std::int32_t {
  None = 0,
  IntRange = 1,
  IntEnum = 2,
  StringEnum = 3,
  StringRegex = 4,
};

/// A restriction on the values of one parameter: an integer range, an integer set, a string
/// set or a regular expression. Only the fields of the constraint's own type are ever read;
/// the setters do not check that they fit it.
class TARNEK_EXPORT ParameterConstraint {
 public:
  /// A constraint of that type with empty sets, an empty expression and a 0-0 range.
  static std::shared_ptr<ParameterConstraint> New(ParameterConstraintType type);

  ParameterConstraintType GetType() const noexcept { return constraintType; }

  /// Both bounds are inclusive. Throws TarnekException when min > max.
  void SetIntRange(long min, long max);
  void GetIntRange(long& min, long& max) const noexcept;

  /// Throws TarnekException when the value is already in the set.
  void AddIntEnum(long value);
  /// The allowed integers in the order added.
  const std::vector<std::int64_t>& GetIntEnum() const noexcept { return intEnum; }

  /// Adds an allowed string with an optional description (empty: none). Throws
  /// TarnekException when the value is already in the set. Null pointers count as empty.
  void AddStringEnum(std::string value, std::string description);
  void AddStringEnum(const char* value, const char* description);
  void AddStringEnum(const char* value);
  /// The allowed strings in the order added.
  const std::vector<std::string>& GetStringEnum() const noexcept { return stringEnum; }
  /// The descriptions of the allowed strings that have one, ordered by the string.
  const std::map<std::string, std::string>& GetStringEnumWithDesc() const noexcept {
    return stringEnumDescriptions;
  }

  /// Stored as given; the expression is compiled only when a value is validated.
  void SetStringRegex(const std::string& expression);
  const std::string& GetStringRegex() const noexcept { return stringRegex; }

  /// What a value must look like, as shown in help texts and validation messages.
  std::string ToString() const;

  /// Whether `value` is acceptable; when not, a message naming `parameterName` is added to
  /// `output`. Throws only the regular-expression library's error for an invalid expression.
  bool Validate(const std::string& value, const std::string& parameterName,
                const std::shared_ptr<Output>& output) const;

 private:
  // Only New makes a constraint; the key lets it do so in one allocation.
  struct Key {
    explicit Key() = default;
  };

 public:
  ParameterConstraint(Key, ParameterConstraintType type) noexcept : constraintType(type) {}

 private:

  const ParameterConstraintType constraintType;
  long minValue = 0;
  long maxValue = 0;
  std::vector<std::int64_t> intEnum;
  std::vector<std::string> stringEnum;
  std::string stringRegex;
  std::map<std::string, std::string> stringEnumDescriptions;
};

/// The declaration of one parameter of a call. Values always arrive as strings; Validate
/// checks them against the type and the constraint.
class TARNEK_EXPORT ParameterSpec {
 public:
  /// Required, not secret, no short name, no description, no constraint. Throws
  /// TarnekException unless the whole name is lower-case letters, digits and '-'.
  ParameterSpec(std::string name, ParameterType type);

  static std::shared_ptr<ParameterSpec> New(const std::string& name, ParameterType type);
  static std::shared_ptr<ParameterSpec> New(std::string&& name, ParameterType type);
  /// A null `name` is taken as the empty (and so invalid) name.
  static std::shared_ptr<ParameterSpec> New(const char* name, ParameterType type);

  const std::string& GetName() const noexcept { return name; }
  ParameterType GetParameterType() const noexcept { return parameterType; }
  ParameterType GetType() const noexcept { return parameterType; }

  /// Accepts exactly one ASCII letter or digit, used as "-x"; throws TarnekException
  /// otherwise, so a short name can be set but never cleared.
  void SetShortName(std::string shortName);
  void SetShortName(const char* shortName);
  const std::string& GetShortName() const noexcept { return shortName; }

  /// The help text; it may hold the placeholders %REGEX%, %ENUM% and %FULLENUM%.
  void SetDescription(std::string text);
  void SetDescription(const char* text);
  /// The description; with `substitute`, the first occurrence of each placeholder is
  /// replaced by the constraint's text (nothing is replaced without a constraint).
  std::string GetDescription(bool substitute) const;

  void SetRequired(bool isRequired) noexcept { required = isRequired; }
  bool IsRequired() const noexcept { return required; }

  /// A secret value is prompted for without echo. Only String parameters may be marked
  /// (either way); any other type throws TarnekException.
  void SetSecret(bool isSecret);
  bool IsSecret() const noexcept { return secret; }

  /// True for the list types, which take one or more values per call.
  bool AllowMultiple() const noexcept;

  /// Integer constraints fit Int and IntList parameters, string constraints fit String and
  /// StringList parameters; anything else throws TarnekException. An empty pointer is
  /// ignored. The constraint is shared, not copied.
  void SetConstraint(const std::shared_ptr<ParameterConstraint>& newConstraint);
  std::shared_ptr<ParameterConstraint> GetConstraint() const { return constraint; }

  /// Base-10 integer with optional leading blanks and sign, nothing after it. Out-of-range
  /// values are clamped, not refused. `out` is untouched on failure.
  static bool GetInt(const std::string& value, long& out);
  /// One of the exact words 1 yes y true True t T / 0 no n false False f F. `out` is
  /// untouched on failure.
  static bool GetBool(const std::string& value, bool& out);

  /// Checks the number of values, then every value against the type and the constraint,
  /// adding one message to `output` per problem found.
  bool Validate(const std::vector<std::string>& values,
                const std::shared_ptr<Output>& output) const;

 private:
  const ParameterType parameterType;
  const std::string name;
  std::string shortName;
  std::string description;
  std::shared_ptr<ParameterConstraint> constraint;
  bool required = true;
  bool secret = false;
};

// ---- Input, InputSpec and call targets ----

/// The declared parameters of a call, kept in ascending byte-wise order of long name, and
/// the named contexts the call accepts.
class TARNEK_EXPORT InputSpec {
 public:
  static std::shared_ptr<InputSpec> New();

  /// Adds the parameter (shared, not copied) at its place in long-name order. Throws
  /// TarnekException for an empty pointer, a long name shorter than 2 characters, a
  /// duplicate long name or a duplicate non-empty short name.
  void AddParameter(const std::shared_ptr<ParameterSpec>& spec);
  /// The parameters in ascending byte-wise order of long name.
  const std::vector<std::shared_ptr<ParameterSpec>>& GetParameters() const noexcept {
    return parameters;
  }
  /// The parameter with that long name, or an empty pointer.
  std::shared_ptr<ParameterSpec> GetParameter(const std::string& name) const;

  void SetContextSupported(const std::string& name);
  bool IsContextSupported(const std::string& name) const;
  const std::set<std::string>& GetSupportedContexts() const noexcept { return supportedContexts; }

  /// Checks every given parameter and every required one, adding all problems to `output`.
  /// An input holding "help" is accepted at once. Short names must already be folded into
  /// long names (Input::SetInputSpec). Throws TarnekException for an empty `input`.
  bool Validate(const std::shared_ptr<Input>& input, const std::shared_ptr<Output>& output) const;

 private:
  // Only New makes one; the key lets it do so in one allocation.
  struct Key {
    explicit Key() = default;
  };

 public:
  explicit InputSpec(Key) {}

 private:

  std::vector<std::shared_ptr<ParameterSpec>> parameters;
  std::set<std::string> supportedContexts;
};

/// The input of one call: the raw values of the parameters, keyed by name, in the order
/// given, plus named context strings. The typed readers need the InputSpec to be set.
class TARNEK_EXPORT Input {
 public:
  using ParameterMap = std::map<std::string, std::vector<std::string>>;

  virtual ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  static std::shared_ptr<Input> New();

  /// Appends a value to the name's list (a flag is given as one empty value). No checks.
  void AddParameter(const std::string& name, const std::string& value);
  const ParameterMap& GetParameters() const noexcept { return parameters; }
  bool HasParameter(const std::string& name) const;
  bool HasParameter(const char* name) const;
  /// HasParameter under the name used for flags.
  bool IsFlagSet(const std::string& name) const;
  bool IsFlagSet(const char* name) const;

  /// Attaches the InputSpec and folds values given under a short name into the entry
  /// of its long name, after the values given under the long name.
  void SetInputSpec(std::shared_ptr<InputSpec> spec);

  /// The type of the declared parameter. Throws TarnekException when the name is not
  /// declared or no InputSpec has been set.
  ParameterType GetParameterType(const std::string& name) const;

  /// The single value of a String, Int or Bool parameter; the empty string when it was not
  /// given or given more than once. Throws TarnekException for a flag, a list type or a
  /// name that is not declared.
  const std::string& GetParameter(const std::string& name) const;
  const std::string& GetParameter(const char* name) const;
  /// GetParameter as an integer; -1 when the value is missing or not an integer (use
  /// HasParameter to tell that from a given -1).
  std::int64_t GetParameterInt(const std::string& name) const;
  std::int64_t GetParameterInt(const char* name) const;
  /// True exactly for the words true 1 yes y t True T.
  bool GetParameterBool(const std::string& name) const;
  bool GetParameterBool(const char* name) const;

  /// Appends every value of the name, in order, to `out` (not cleared). Any type.
  void GetParameterList(const std::string& name, std::vector<std::string>& out) const;
  void GetParameterList(const char* name, std::vector<std::string>& out) const;
  /// Appends the values that are integers, skipping the others.
  void GetParameterIntList(const std::string& name, std::vector<std::int64_t>& out) const;
  /// Appends one truth value per value, as GetParameterBool judges it.
  void GetParameterBoolList(const std::string& name, std::vector<bool>& out) const;
  /// The values joined by `separator`, wrapped in double quotes when `quote` is set (the
  /// values themselves are not escaped).
  std::string GetParameterListAsString(const std::string& name, char separator, bool quote) const;

  /// Inserts or replaces a context.
  void SetContext(const std::string& name, const std::string& value);
  /// The context's value, or the empty string when it was never set.
  const std::string& GetContext(const std::string& name) const;

 protected:
  Input();

 private:
  ParameterMap parameters;
  std::map<std::string, std::string> contexts;
  std::shared_ptr<InputSpec> inputSpec;
};

/// The declaring side of something a dispatcher can call.
class TARNEK_EXPORT CallTargetSpec {
 public:
  virtual ~CallTargetSpec();
  virtual std::shared_ptr<InputSpec> GetInputSpec() = 0;
  virtual std::shared_ptr<OutputSpec> GetOutputSpec() = 0;
};

/// The executing side of something a dispatcher can call.
class TARNEK_EXPORT CallTarget {
 public:
  virtual ~CallTarget();
  /// Runs the call, writing the result and any error messages into `output`.
  virtual void Execute(const std::shared_ptr<Input>& input,
                       const std::shared_ptr<Output>& output) = 0;
};

}  // namespace CallSpec
}  // namespace Tarnek

#endif  // TARNEK_CALLSPEC_H_
