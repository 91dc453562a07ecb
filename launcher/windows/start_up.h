#pragma once

#include "launcher/exit_code.h"

namespace smeltra {

// The start-up that Timer1's tick runs once the splash is gone, on the real
// system: the registry (both views where Windows keeps two), message boxes
// and the hidden process start. Returns the program's exit status, or ends
// the program itself when no suitable runtime is installed. Failures are
// shown to the user by StartServer; the caller guards against anything else.
ExitCode RunStartUp();

}  // namespace smeltra
