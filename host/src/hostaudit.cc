// Process-wide audit parameters.
#include "hostaudit.h"

#include <map>
#include <mutex>
#include <utility>

namespace HostAudit {
namespace {

// Parameters are set from whatever thread handles a command line, so the map is shared and
// locked. Built on first use: callers may run from other libraries' static initialisers.
struct AuditParams {
  std::mutex mutex;
  std::map<std::string, std::string> values;
};

AuditParams& Params() {
  static AuditParams params;
  return params;
}

}  // namespace

std::string SetAuditParam(const std::string& name, const std::string& value) {
  AuditParams& params = Params();
  std::lock_guard<std::mutex> lock(params.mutex);
  std::string& slot = params.values[name];
  std::string previous = std::move(slot);
  slot = value;
  return previous;
}

std::string GetAuditParam(const std::string& name) {
  AuditParams& params = Params();
  std::lock_guard<std::mutex> lock(params.mutex);
  const auto found = params.values.find(name);
  return found == params.values.end() ? std::string() : found->second;
}

AuditParamOnStack::AuditParamOnStack(const std::string& name, const std::string& value)
    : name_(name), previous_(SetAuditParam(name, value)) {}

AuditParamOnStack::~AuditParamOnStack() {
  // A destructor must not throw; if memory ran out the parameter keeps the guard's value,
  // which is the lesser harm for an audit record.
  try {
    SetAuditParam(name_, previous_);
  } catch (...) {
  }
}

}  // namespace HostAudit
