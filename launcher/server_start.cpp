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

ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform) {
  std::u16string command_line;
  try {
    const std::u16string folder = FolderOfFile(platform.ExecutablePath());
    const std::u16string java_home = LocateJavaRuntime(registry, views, platform, folder);
    command_line = ServerCommandLine(java_home, folder);
    const std::u16string program =
        java_home.empty() ? FindJavaOnSearchPath(platform) : RuntimeProgram(java_home);
    if (program.empty()) throw LauncherError(2, std::u16string(messages::kJavaNotOnSearchPath));
    platform.StartHidden(program, command_line, folder);
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
