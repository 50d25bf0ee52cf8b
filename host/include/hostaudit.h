// Host audit library: named audit parameters that the host attaches to what it records.
#ifndef HOSTAUDIT_H_
#define HOSTAUDIT_H_

#include <string>

#define HOSTAUDIT_EXPORT __attribute__((visibility("default")))

namespace HostAudit {

/// Sets the audit parameter `name` to `value` for the whole process and returns its previous
/// value (empty when it had none). Thread-safe.
HOSTAUDIT_EXPORT std::string SetAuditParam(const std::string& name, const std::string& value);

/// Returns the current value of the audit parameter `name`, empty when it is unset.
HOSTAUDIT_EXPORT std::string GetAuditParam(const std::string& name);

/// Sets an audit parameter for the lifetime of the guard and puts the previous value back when
/// the guard goes out of scope. Guards on the same name must be destroyed in reverse order.
class HOSTAUDIT_EXPORT AuditParamOnStack {
 public:
  AuditParamOnStack(const std::string& name, const std::string& value);
  ~AuditParamOnStack();
  AuditParamOnStack(const AuditParamOnStack&) = delete;
  AuditParamOnStack& operator=(const AuditParamOnStack&) = delete;

 private:
  std::string name_;
  std::string previous_;
};

}  // namespace HostAudit

#endif  // HOSTAUDIT_H_
