#pragma once

#include <windows.h>

#include <memory>

#include "common/windows/unique_handles.h"
#include "launcher/log_pump.h"

namespace smeltra {

// The runtime's standard output and error through a pipe into its log: a
// thread reads the pipe, a block at a time, into a LogPump until every
// writer is gone. The pipe holds what the runtime writes while the log
// rolls or the disk is slow; the runtime waits only when it is full. One
// block of memory, however much passes.
class OutputPipe {
 public:
  // The read end's block, and the pipe's buffer as asked of the system.
  static constexpr DWORD kBlockBytes = 64 * 1024;

  // Throws LauncherError when no pipe or thread can be made.
  explicit OutputPipe(LogPump pump);
  // Lets go of `writer`, if still held, then waits until every other writer
  // (the runtime and what it started) is gone and all they wrote is logged.
  ~OutputPipe();
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;

  // The write end, inheritable: the runtime's standard output and error.
  // Let go of here once the runtime holds it, or the pipe never breaks.
  UniqueHandle writer;

 private:
  static DWORD WINAPI Pump(void* pipe);

  UniqueHandle reader_;
  LogPump pump_;
  std::unique_ptr<char[]> block_;
  UniqueHandle thread_;
};

}  // namespace smeltra
