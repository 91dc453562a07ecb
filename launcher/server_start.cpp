#include "launcher/server_start.h"

#include <algorithm>

#include "common/launcher_error.h"
#include "common/text.h"
#include "launcher/argument_quoting.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "launcher/server_life.h"
#include "launcher/server_log.h"
#include "launcher/service.h"
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
  reason.append(StatusText(status)).append(u".\r\n");
  if (options_file) reason.append(messages::kOptionsUsed).append(*options_file).append(u".\r\n");
  if (const auto tail = log ? LogTail(platform, *log) : std::nullopt; tail && tail->empty()) {
    reason.append(messages::kNothingWrittenIn).append(log->path).append(u".\r\n");
  } else if (tail) {
    reason.append(messages::kLastLinesIn).append(log->path).append(u":\r\n");
    reason.append(*tail).append(u"\r\n");
  }
  return reason.append(messages::kSeeRuntimeMessage).append(folder).append(u".");
}

// How to stop the server, from the launcher at `executable`.
std::u16string HowToStop(std::u16string_view executable) {
  return u"\r\n" + std::u16string(messages::kHowToStop) + u"\"" + std::u16string(executable) +
         u"\" --stop";
}

// The box of a launcher whose installation is held by `claim`.
std::u16string AlreadyRunningText(const Claim& claim, std::u16string_view executable) {
  using Holder = Claim::Holder;
  if (claim.holder == Holder::kElevated) return std::u16string(messages::kAlreadyRunningElevated);
  if (claim.holder == Holder::kStopping) return std::u16string(messages::kAlreadyStopping);
  std::u16string text(messages::kAlreadyStarting);
  if (claim.holder == Holder::kServer) {
    text.assign(messages::kAlreadyRunning[0]);
    if (claim.process_id != 0) {
      text.append(messages::kAlreadyRunning[1]).append(claim.since);
      text.append(messages::kAlreadyRunning[2]).append(Decimal(claim.process_id));
    }
    text.append(messages::kAlreadyRunning[3]);
  }
  return text.append(HowToStop(executable));
}

}  // namespace

std::u16string StatusText(std::uint32_t status) {
  std::u16string text = Decimal(status);
  if (status > 0xFFFF) text.append(u" (0x").append(Hex(status, 8)).append(u")");
  return text;
}

std::u16string EndedAfterLimitText(std::chrono::milliseconds limit) {
  return std::u16string(messages::kEndedAfterLimit[0]) +
         Decimal(static_cast<std::uint64_t>(std::chrono::ceil<std::chrono::seconds>(limit).count()))
             .append(messages::kEndedAfterLimit[1]);
}

std::u16string KeyOf(Platform& platform, const std::u16string& folder) {
  return InstallationKey(platform.ComparableFolder(folder));
}

// The boxes are shown once the installation is let go of, so that no box,
// however long it stays open, keeps another launcher from starting.
Launched Launch(Registry& registry, std::span<const RegistryView> views, Platform& platform,
                std::vector<std::u16string>& boxes, bool as_service) {
  std::u16string command_line;
  try {
    const std::u16string executable = platform.ExecutablePath();
    const std::u16string folder = FolderOfFile(executable);
    const std::u16string key = KeyOf(platform, folder);
    // Before its own claim marks it: a user's server, in a session of its own.
    if (as_service && platform.ServedAnywhere(key)) {
      boxes.emplace_back(messages::kServedElsewhere);
      return {ExitCode::kAlreadyRunning};
    }
    std::u16string registered;
    if (!as_service &&
        platform.QueryService(ServiceName(key), registered) >= ServiceState::kPending) {
      boxes.push_back(std::u16string(messages::kRunningAsService[0]) + ServiceName(key) +
                      std::u16string(messages::kRunningAsService[1]) + HowToStop(executable));
      return {ExitCode::kAlreadyRunning};
    }
    Claim claim = ClaimInstallation(platform, key);
    if (claim.holder != Claim::Holder::kThisLauncher) {
      boxes.push_back(AlreadyRunningText(claim, executable));
      return {ExitCode::kAlreadyRunning};
    }
    const auto search = LocateJavaRuntime(registry, views, platform, folder);
    if (const auto* none = std::get_if<NoRuntime>(&search)) {
      const bool installed = *none == NoRuntime::kNotNewEnough;
      boxes.emplace_back(installed ? messages::kNotNewEnough : messages::kNotInstalled);
      return {installed ? ExitCode::kNoRuntimeNewEnough : ExitCode::kNoRuntimeInstalled};
    }
    const FoundRuntime& runtime = std::get<FoundRuntime>(search);
    if (!runtime.search_error.empty()) {
      boxes.push_back(runtime.search_error);
      boxes.emplace_back(messages::kSearchError);
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
    const auto log = OpenServerLog(platform, folder, key, runtime.program, command_line);
    // The service's server lives for months: its output goes through the
    // service, which rolls the log while it runs.
    Platform::Owned pipe = as_service && log
                               ? platform.PipeInto(*log, RunHeader(runtime.program, command_line))
                               : nullptr;
    Platform::Process server =
        StartAsClaimHolder(platform, std::move(claim), runtime.program, command_line, folder,
                           log && !pipe ? log->path : u"", as_service, pipe.get());
    const auto status = platform.WaitForEnd(*server.process, kStartWatch);
    if (status.value_or(0) != 0) {
      throw LauncherError(StoppedAtOnceReason(
          platform, *status, folder,
          options ? std::optional<std::u16string_view>(options_file) : std::nullopt, log));
    }
    return {ExitCode::kServerStarted, std::move(pipe), std::move(server)};
  } catch (const std::exception& error) {
    std::u16string text(messages::kServerNotStarted);
    text.append(u"\r\n\r\n").append(ErrorDescription(error));
    if (!command_line.empty()) text.append(u"\r\n\r\n").append(command_line);
    boxes.push_back(std::move(text));
    return {ExitCode::kServerNotStarted};
  }
}

namespace {

// Everything StopServer does but show its boxes, which it adds to `boxes`.
ExitCode Stop(Platform& platform, std::chrono::milliseconds limit,
              std::vector<std::u16string>& boxes) {
  try {
    const auto key = KeyOf(platform, FolderOfFile(platform.ExecutablePath()));
    // The service is the service manager's to stop: a server it ran that
    // ended by other hands would count as a failure, and Windows would
    // start it again.
    std::u16string registered;
    if (platform.QueryService(ServiceName(key), registered) >= ServiceState::kPending) {
      try {
        platform.StopService(ServiceName(key), limit + kStopMargin);
        return ExitCode::kServerStopped;
      } catch (const LauncherError& error) {
        if (error.code() != kAccessDeniedCode) throw;
        boxes.push_back(std::u16string(messages::kServiceStopNeedsAdmin[0]) + ServiceName(key) +
                        std::u16string(messages::kServiceStopNeedsAdmin[1]) + ServiceName(key) +
                        std::u16string(messages::kServiceStopNeedsAdmin[2]));
        return ExitCode::kNotStopped;
      }
    }
    switch (StopInstallation(platform, key, limit)) {
      case StopOutcome::kStopped:
        return ExitCode::kServerStopped;
      case StopOutcome::kNotRunning:
        return ExitCode::kNotRunning;
      case StopOutcome::kEndedAfterLimit:
        boxes.push_back(EndedAfterLimitText(limit));
        return ExitCode::kEndedAfterLimit;
    }
  } catch (const std::exception& error) {
    boxes.push_back(std::u16string(messages::kNotStopped) + u"\r\n\r\n" + ErrorDescription(error));
  }
  return ExitCode::kNotStopped;
}

}  // namespace

Command CommandOf(std::span<const std::u16string> arguments) {
  constexpr std::pair<std::u16string_view, Command> kCommands[] = {
      {u"stop", Command::kStop},
      {u"install-service", Command::kInstallService},
      {u"uninstall-service", Command::kUninstallService},
      {u"service", Command::kService}};
  for (std::u16string_view argument : arguments) {
    if (argument.starts_with(u"--")) {
      argument.remove_prefix(2);
    } else if (argument.starts_with(u'/')) {
      argument.remove_prefix(1);
    } else {
      continue;
    }
    for (const auto& [name, command] : kCommands)
      if (EqualsIgnoringAsciiCase(argument, name)) return command;
  }
  return Command::kStart;
}

void Tell(Platform& platform, std::span<const std::u16string> boxes) {
  if (boxes.empty()) return;
  if (platform.CanShowWindows()) {
    for (const std::u16string& box : boxes) platform.ShowMessage(box);
    return;
  }
  try {
    const std::u16string folder = FolderOfFile(platform.ExecutablePath());
    for (const std::u16string& box : boxes)
      NoteInLog(platform, folder, KeyOf(platform, folder), box);
  } catch (const std::exception& error) {
    platform.Trace(u"not shown, and no log: " + ErrorDescription(error));
  }
}

ExitCode StopServer(Platform& platform, std::chrono::milliseconds limit) {
  std::vector<std::u16string> boxes;
  const ExitCode status = Stop(platform, limit, boxes);
  Tell(platform, boxes);
  return status;
}

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
  std::vector<std::u16string> boxes;
  const ExitCode status = Launch(registry, views, platform, boxes, false).status;
  Tell(platform, boxes);
  return status;
}

}  // namespace smeltra
