#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "launcher/platform.h"

// The server's life on one installation, over the platform's kernel objects:
// the claim that keeps it to one server, the start that hands the claim to
// the runtime, and the stop: ask, wait, force. Why each step: the README,
// "One server per installation" and "Stopping the server".
namespace smeltra {

// Launchers of one installation take its start lock in turn, each from its
// claim to its runtime's start: one search and one process start.
inline constexpr std::chrono::milliseconds kStartLockWait{10000};

// What claiming an installation found.
struct Claim {
  enum class Holder {
    kThisLauncher,  // won: `lock` and `record` held until the runtime takes over
    kServer,        // `process_id` (0: it could not be recorded) since `since`
    kStarting,      // another launcher, not yet done starting its server
    kStopping,      // a Smeltra.exe --stop, ending the server
    kElevated,      // something started with administrator rights: no more can be read
  };
  Holder holder = Holder::kThisLauncher;
  std::uint32_t process_id = 0;
  std::u16string since = {};
  // Let go of when the claim goes, the record before the lock.
  Platform::Owned lock = {}, record = {};
};

// Claims the installation `key` for this launcher, in one step that two
// launchers cannot both win, unless its server runs (the process its claim
// names, while that is still the process created then) or another launcher
// is starting or stopping it. Holds nothing unless it won.
Claim ClaimInstallation(Platform& platform, const std::u16string& key);

// Starts the runtime (Platform::StartHidden) as the holder of `claim`, which
// it takes over: the claim then names the runtime, and this launcher lets go
// of it, so that the next one may look. A runtime that cannot be named there
// is traced, and the claim it holds still counts as held.
Platform::Process StartAsClaimHolder(Platform& platform, Claim claim, const std::u16string& program,
                                     const std::u16string& command_line,
                                     const std::u16string& working_folder,
                                     const std::u16string& output, bool tied = false,
                                     Platform::Object* pipe = nullptr);

// How a stop ended, when it did not fail.
enum class StopOutcome { kStopped, kNotRunning, kEndedAfterLimit };

// Asks `process` to end as Ctrl+C would, waits up to `limit`, and only then
// ends it and every process it started; calls `waiting` after each
// `waiting_every` of the wait. Throws LauncherError when it cannot be asked,
// or cannot be ended and still runs.
StopOutcome StopProcess(Platform& platform, Platform::Object& process,
                        std::chrono::milliseconds limit, const std::function<void()>& waiting = {},
                        std::chrono::milliseconds waiting_every = {});

// Stops the server of the installation `key` by StopProcess: the process its
// claim names while that is still the process created then, never another
// that got its id later, and nothing when none is. Meanwhile it holds the
// installation's stop lock, by which a start tells that the server is being
// stopped, and not the start lock, which it takes only to read the claim.
StopOutcome StopInstallation(Platform& platform, const std::u16string& key,
                             std::chrono::milliseconds limit);

}  // namespace smeltra
