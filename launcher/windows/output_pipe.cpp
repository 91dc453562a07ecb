#include "launcher/windows/output_pipe.h"

#include <memory>
#include <utility>

#include "launcher/windows/windows_platform.h"

namespace smeltra {

OutputPipe::OutputPipe(LogPump pump) : pump_(std::move(pump)) {
  if (!CreatePipe(reader_.put(), writer.put(), nullptr, kBlockBytes) ||
      !SetHandleInformation(writer.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    throw SystemError(GetLastError());
  }
  thread_ = std::jthread([this] {
    const auto block = std::make_unique<char[]>(kBlockBytes);
    DWORD got = 0;
    // Fails once the pipe is broken: every writer gone, all it held read.
    while (::ReadFile(reader_.get(), block.get(), kBlockBytes, &got, nullptr))
      pump_.Take({block.get(), got});
  });
}

OutputPipe::~OutputPipe() { writer.reset(); }

}  // namespace smeltra
