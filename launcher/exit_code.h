#pragma once

namespace smeltra {

// The launcher's exit status, so that a script or an installer can tell a
// started server from each way of not starting one.
enum class ExitCode : int {
  kServerStarted = 0,  // also: the splash was closed before the start-up ran
  kNoRuntimeInstalled = 1,
  kNoRuntimeNewEnough = 2,
  kServerNotStarted = 3,
};

}  // namespace smeltra
