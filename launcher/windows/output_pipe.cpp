#include "launcher/windows/output_pipe.h"

#include <memory>
#include <utility>

#include "launcher/windows/windows_platform.h"

namespace smeltra {

OutputPipe::OutputPipe(LogPump pump)
    : pump_(std::move(pump)), block_(std::make_unique<char[]>(kBlockBytes)) {
  // The reading loop needs little stack, and Wine commits a thread's whole
  // stack: the default 2 MiB would be most of what the pump holds.
  constexpr SIZE_T kStackBytes = 256 * 1024;
  if (!CreatePipe(reader_.put(), writer.put(), nullptr, kBlockBytes) ||
      !SetHandleInformation(writer.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    throw SystemError(GetLastError());
  }
  thread_.reset(
      CreateThread(nullptr, kStackBytes, &Pump, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread_) throw SystemError(GetLastError());
}

OutputPipe::~OutputPipe() {
  writer.reset();
  WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI OutputPipe::Pump(void* pipe) {
  OutputPipe& self = *static_cast<OutputPipe*>(pipe);
  DWORD got = 0;
  // Fails once the pipe is broken: every writer gone, all it held read.
  while (ReadFile(self.reader_.get(), self.block_.get(), kBlockBytes, &got, nullptr))
    self.pump_.Take({self.block_.get(), got});
  return 0;
}

}  // namespace smeltra
