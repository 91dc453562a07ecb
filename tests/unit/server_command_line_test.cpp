#include <gtest/gtest.h>

#include "launcher/server_command_line.h"
#include "registry_test_support.h"

namespace smeltra {
namespace {

struct CommandCase {
  const char* name;
  std::string_view java_home;
  std::string_view folder;
  std::string_view expected;
};

class ServerCommandLineTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ServerCommandLineTest, JoinsThePiecesAsTheyAre) {
  EXPECT_EQ(ServerCommandLine(GetParam().java_home, GetParam().folder), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ServerCommandLineTest,
    ::testing::Values(
        CommandCase{
            "QuotedRuntime", "C:\\jre", "D:\\Apps\\Smeltra",
            "\"C:\\jre\\bin\\java.exe\" -classpath \"D:\\Apps\\Smeltra\\Quorvane\\lib\\vuz.jar\";"
            "\"D:\\Apps\\Smeltra\\Quorvane\" Velquist.Frame11"},
        CommandCase{"HomeWithBlanks", "C:\\Program Files\\Java\\jre 1.8", "C:\\S",
                    "\"C:\\Program Files\\Java\\jre 1.8\\bin\\java.exe\" -classpath "
                    "\"C:\\S\\Quorvane\\lib\\vuz.jar\";\"C:\\S\\Quorvane\" Velquist.Frame11"},
        CommandCase{"HomeEndingInSeparatorIsNotNormalised", "C:\\jre\\", "C:\\S",
                    "\"C:\\jre\\\\bin\\java.exe\" -classpath \"C:\\S\\Quorvane\\lib\\vuz.jar\";"
                    "\"C:\\S\\Quorvane\" Velquist.Frame11"},
        CommandCase{"FallbackToSearchPath", "", "C:\\S",
                    "java -classpath \"C:\\S\\Quorvane\\lib\\vuz.jar\";\"C:\\S\\Quorvane\" "
                    "Velquist.Frame11"},
        CommandCase{"DriveRootKeepsItsSeparator", "", "E:\\",
                    "java -classpath \"E:\\\\Quorvane\\lib\\vuz.jar\";\"E:\\\\Quorvane\" "
                    "Velquist.Frame11"},
        CommandCase{"NonAsciiFolder", "", "C:\\Spi\u00e9le \u65e5",
                    "java -classpath \"C:\\Spi\u00e9le \u65e5\\Quorvane\\lib\\vuz.jar\";"
                    "\"C:\\Spi\u00e9le \u65e5\\Quorvane\" Velquist.Frame11"}),
    testing::NameOfCase());

}  // namespace
}  // namespace smeltra
