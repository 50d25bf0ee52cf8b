// Audit parameters and their scoped guard.
#include "hostaudit.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace {

using HostAudit::AuditParamOnStack;
using HostAudit::GetAuditParam;
using HostAudit::SetAuditParam;

TEST(AuditParam, SetReturnsThePreviousValue) {
  EXPECT_EQ(SetAuditParam("set.test", "first"), "");
  EXPECT_EQ(SetAuditParam("set.test", "second"), "first");
  EXPECT_EQ(GetAuditParam("set.test"), "second");
  EXPECT_EQ(GetAuditParam("set.other"), "");
}

TEST(AuditParamOnStack, NestedGuardsRestoreInTurnAlsoOnException) {
  SetAuditParam("guard.user", "outside");
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
