// The system's message text for an error code.

#include "launcher/windows/platform/system_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/registry_test_support.h"

namespace smeltra {
namespace {

using testing::NameOfCase;

struct MessageCase {
  std::string name;
  DWORD code;
  bool system_has_text;
};

class SystemMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SystemMessageTest, IsTheSystemsTextTrimmedOrTheFallback) {
  const MessageCase& c = GetParam();
  const std::string message = SystemMessage(c.code);
  const std::string fallback = "Error " + std::to_string(c.code) + ".";
  if (!c.system_has_text) {
    EXPECT_EQ(message, fallback);
    return;
  }
  EXPECT_NE(message, fallback);
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(std::string(" \t\r\n").find(message.back()), std::string::npos)
      << "ends in a blank or line break: [" << message << "]";

  const LauncherError error = SystemError(c.code);
  EXPECT_EQ(error.number(), static_cast<std::int32_t>(c.code));
  EXPECT_EQ(error.description(), message);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SystemMessageTest,
    ::testing::Values(MessageCase{"FileNotFound", ERROR_FILE_NOT_FOUND, true},
                      MessageCase{"PathNotFound", ERROR_PATH_NOT_FOUND, true},
                      MessageCase{"AccessDenied", ERROR_ACCESS_DENIED, true},
                      MessageCase{"BadExeFormat", ERROR_BAD_EXE_FORMAT, true},
                      // Its text has inserts (%1), which must not be filled in.
                      MessageCase{"WithInserts", ERROR_WRONG_DISK, true},
                      // The customer bit: no system text can exist for it.
                      MessageCase{"ApplicationDefined", 0x20001234, false},
                      MessageCase{"Largest", 0xFFFFFFFF, false}),
    NameOfCase());

}  // namespace
}  // namespace smeltra
