#include "launcher/server_life.h"

#include <algorithm>
#include <utility>

#include "common/launcher_error.h"
#include "launcher/messages.h"

namespace smeltra {
namespace {

// The installation's kernel objects: the claim, named by the key alone, and
// the two locks.
std::u16string StartLock(const std::u16string& key) { return key + u"-start"; }
std::u16string StopLock(const std::u16string& key) { return key + u"-stop"; }

// The process `record` names, while it is still the one created then: a
// process that got the same id later is not the server.
Platform::Process ServerOf(Platform& platform, const ProcessIdentity& record) {
  Platform::Process process = platform.OpenProcess(record.id);
  if (process.identity != record) process.process.reset();
  return process;
}

}  // namespace

Claim ClaimInstallation(Platform& platform, const std::u16string& key) {
  using Holder = Claim::Holder;
  try {
    Claim claim{.lock = platform.TakeLock(StartLock(key), kStartLockWait)};
    if (!claim.lock) return {.holder = Holder::kStarting};
    bool made = false;
    claim.record = platform.OpenClaim(key, made);
    const ProcessIdentity record = platform.ReadClaim(*claim.record);
    // A claim that some process holds open but that names none: its server
    // started but could not be recorded.
    if (record.id == 0 && !made) return {.holder = Holder::kServer};
    // A claim that outlived its server, held by a program the server started,
    // is this launcher's to take over.
    if (record.id == 0 || !ServerOf(platform, record).process) return claim;
    if (!platform.TakeLock(StopLock(key), {})) return {.holder = Holder::kStopping};
    return {.holder = Holder::kServer,
            .process_id = record.id,
            .since = platform.LocalTimeAt(record.created)};
  } catch (const LauncherError& error) {
    if (error.code() != kAccessDeniedCode) throw;
    return {.holder = Holder::kElevated};
  }
}

Platform::Process StartAsClaimHolder(Platform& platform, Claim claim, const std::u16string& program,
                                     const std::u16string& command_line,
                                     const std::u16string& working_folder,
                                     const std::u16string& output, bool tied,
                                     Platform::Object* pipe) {
  Platform::Process runtime = platform.StartHidden(program, command_line, working_folder, output,
                                                   claim.record.get(), tied, pipe);
  if (claim.record) {
    try {
      platform.WriteClaim(*claim.record, runtime.identity);
    } catch (const LauncherError& error) {
      platform.Trace(
          u"claim: the server's process could not be recorded, so later starts "
          u"cannot name it: " +
          error.description());
    }
  }
  return runtime;
}

StopOutcome StopProcess(Platform& platform, Platform::Object& process,
                        std::chrono::milliseconds limit, const std::function<void()>& waiting,
                        std::chrono::milliseconds waiting_every) {
  platform.AskToEnd(process);
  for (auto left = limit;;) {
    const auto wait = waiting ? std::min(left, waiting_every) : left;
    if (platform.WaitForEnd(process, wait)) return StopOutcome::kStopped;
    if ((left -= wait) <= std::chrono::milliseconds::zero()) break;
    waiting();
  }
  try {
    platform.EndTree(process);
  } catch (const LauncherError&) {
    if (platform.WaitForEnd(process, {})) return StopOutcome::kStopped;
    throw;
  }
  return StopOutcome::kEndedAfterLimit;
}

StopOutcome StopInstallation(Platform& platform, const std::u16string& key,
                             std::chrono::milliseconds limit) {
  // One stop at a time; a second one waits for the first to be done.
  const Platform::Owned stopping = platform.TakeLock(StopLock(key), limit + kStartLockWait);
  Platform::Process server;
  {
    // Not in the middle of a start, whose runtime would be left running.
    const Platform::Owned starting = platform.TakeLock(StartLock(key), kStartLockWait);
    bool made = false;
    const Platform::Owned claim = platform.OpenClaim(key, made);
    const ProcessIdentity record = platform.ReadClaim(*claim);
    if (record.id == 0 && !made) throw LauncherError(std::u16string(messages::kNotRecorded));
    if (record.id != 0) server = ServerOf(platform, record);
  }
  if (!server.process) return StopOutcome::kNotRunning;
  return StopProcess(platform, *server.process, limit);
}

}  // namespace smeltra
