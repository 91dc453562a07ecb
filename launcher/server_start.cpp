#include "launcher/server_start.h"

#include "common/launcher_error.h"
#include "common/text.h"
#include "launcher/argument_quoting.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "launcher/server_log.h"
#include "launcher/vm_options.h"

namespace smeltra {

using Options = std::vector<std::u16string>;

namespace {

// The box's reason when the runtime ended within the watch with `status`:
// the status in decimal, and in hexadecimal too where it is a Windows status
// (0xC0000135), the options file when one gave options, the runtime's last
// lines when it had a log, then how to see its own message from `folder`.
std::u16string StoppedAtOnceReason(Platform& platform, std::uint32_t status,
                                   std::u16string_view folder,
                                   std::optional<std::u16string_view> options_file,
                                   const std::optional<ServerLog>& log) {
  std::u16string reason(messages::kServerStoppedAtOnce);
  reason.append(Decimal(status));
  if (status > 0xFFFF) {
    reason.append(u" (0x");
    for (int shift = 28; shift >= 0; shift -= 4)
      reason += u"0123456789ABCDEF"[(status >> shift) & 0xF];
    reason.append(u")");
  }
  reason.append(u".\r\n");
  if (options_file) reason.append(messages::kOptionsUsed).append(*options_file).append(u".\r\n");
  if (const auto tail = log ? LogTail(platform, *log) : std::nullopt; tail && tail->empty()) {
    reason.append(messages::kNothingWrittenIn).append(log->path).append(u".\r\n");
  } else if (tail) {
    reason.append(messages::kLastLinesIn).append(log->path).append(u":\r\n");
    reason.append(*tail).append(u"\r\n");
  }
  return reason.append(messages::kSeeRuntimeMessage).append(folder).append(u".");
}

}  // namespace

std::u16string ServerCommandLine(std::u16string_view java_home, std::u16string_view launcher_folder,
                                 std::span<const std::u16string> options) {
  std::u16string line = java_home.empty() ? u"java" : u"\"" + RuntimeProgram(java_home) + u"\"";
  line.append(QuotedArguments(options)).append(u" -classpath ");
  line.append(u"\"").append(launcher_folder).append(u"\\Quorvane\\lib\\vuz.jar\";");
  line.append(u"\"").append(launcher_folder).append(u"\\Quorvane\" ");
  line.append(u"Velquist.Frame11");
  return line;
}

ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform) {
  std::u16string command_line;
  try {
    const std::u16string executable = platform.ExecutablePath();
    const std::u16string folder = FolderOfFile(executable);
    const auto search = LocateJavaRuntime(registry, views, platform, folder);
    if (const auto* none = std::get_if<NoRuntime>(&search)) {
      const bool installed = *none == NoRuntime::kNotNewEnough;
      platform.ShowMessage(installed ? messages::kNotNewEnough : messages::kNotInstalled);
      return installed ? ExitCode::kNoRuntimeNewEnough : ExitCode::kNoRuntimeInstalled;
    }
    const FoundRuntime& runtime = std::get<FoundRuntime>(search);
    if (!runtime.search_error.empty()) {
      platform.ShowMessage(runtime.search_error);
      platform.ShowMessage(messages::kSearchError);
    }
    const std::u16string options_file = VmOptionsPath(executable);
    const auto options = LoadVmOptions(platform, options_file);
    std::u16string line = ServerCommandLine(runtime.home, folder, options.value_or(Options()));
    // Only options can make it that long; a box full of command line would help nobody.
    if (line.size() > kMaxCommandLine) {
      using messages::kOptionsTooLong;
      throw OptionsFileError(options_file, 0,
                             std::u16string(kOptionsTooLong[0]) +
                                 Decimal(kMaxCommandLine + 1, u',').append(kOptionsTooLong[1]));
    }
    command_line = std::move(line);
    if (runtime.program.empty())
      throw LauncherError(std::u16string(messages::kJavaNotOnSearchPath));
    const auto log = OpenServerLog(platform, folder, runtime.program, command_line);
    const auto status = platform.StartHidden(runtime.program, command_line, folder,
                                             log ? log->path : u"", kStartWatch);
    if (status.value_or(0) != 0) {
      throw LauncherError(StoppedAtOnceReason(
          platform, *status, folder,
          options ? std::optional<std::u16string_view>(options_file) : std::nullopt, log));
    }
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
