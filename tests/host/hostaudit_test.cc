// Audit parameters and their scoped guard.
#include "hostaudit.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace {

using HostAudit::AuditParamOnStack;
using HostAudit::GetAuditParam;
using HostAudit::SetAuditParam;

TEST(AuditParam, SetReturnsThePreviousValueAndGuardsRestoreItInTurn) {
  EXPECT_EQ(SetAuditParam("guard.user", "first"), "");
  EXPECT_EQ(SetAuditParam("guard.user", "outside"), "first");
  try {
    AuditParamOnStack outer("guard.user", "alice");
    {
      AuditParamOnStack inner("guard.user", "bob");
      AuditParamOnStack unrelated("guard.host", "h1");
      EXPECT_EQ(GetAuditParam("guard.user"), "bob");
    }
    EXPECT_EQ(GetAuditParam("guard.user"), "alice");
    EXPECT_EQ(GetAuditParam("guard.host"), "");
    throw std::runtime_error("leave");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(GetAuditParam("guard.user"), "outside");
}

}  // namespace
