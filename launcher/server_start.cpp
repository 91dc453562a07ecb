#include "launcher/server_start.h"

#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "registry/launcher_error.h"

namespace smeltra {

std::u16string ServerCommandLine(std::u16string_view java_home,
                                 std::u16string_view launcher_folder) {
  std::u16string line;
  if (java_home.empty()) {
    line = u"java ";
  } else {
    line.append(u"\"").append(RuntimeProgram(java_home)).append(u"\" ");
  }
  line.append(u"-classpath ");
  line.append(u"\"").append(launcher_folder).append(u"\\Quorvane\\lib\\vuz.jar\";");
  line.append(u"\"").append(launcher_folder).append(u"\\Quorvane\" ");
  line.append(u"Velquist.Frame11");
  return line;
}

std::u16string StoppedAtOnceReason(std::uint32_t status, std::u16string_view folder) {
  std::u16string reason(messages::kServerStoppedAtOnce);
  const std::string number = std::to_string(status);
  reason.append(number.begin(), number.end());
  if (status > 0xFFFF) {
    reason.append(u" (0x");
    for (int shift = 28; shift >= 0; shift -= 4)
      reason += u"0123456789ABCDEF"[(status >> shift) & 0xF];
    reason.append(u")");
  }
  return reason.append(u".\r\n").append(messages::kSeeRuntimeMessage).append(folder).append(u".");
}

ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform) {
  std::u16string command_line;
  try {
    const std::u16string folder = FolderOfFile(platform.ExecutablePath());
    const std::u16string java_home = LocateJavaRuntime(registry, views, platform, folder);
    command_line = ServerCommandLine(java_home, folder);
    const std::u16string program =
        java_home.empty() ? FindJavaOnSearchPath(platform) : RuntimeProgram(java_home);
    if (program.empty()) throw LauncherError(2, std::u16string(messages::kJavaNotOnSearchPath));
    const auto status = platform.StartHidden(program, command_line, folder, kStartWatch);
    if (status.value_or(0) != 0) throw LauncherError(2, StoppedAtOnceReason(*status, folder));
    return ExitCode::kServerStarted;
  } catch (const std::exception& error) {
    std::u16string text(messages::kServerNotStarted);
    text.append(u"\r\n\r\n").append(ErrorDescription(error));
    if (!command_line.empty()) text.append(u"\r\n\r\n").append(command_line);
    platform.ShowMessage(text);
    return ExitCode::kServerNotStarted;
  }
}

}  // namespace smeltra
