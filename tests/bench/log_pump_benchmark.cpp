// What piping the runtime's output into its log costs, on the real calls
// (under Wine for ./run bench). A child process of this program stands in
// for a runtime that writes as fast as it can: numbered lines in 64 KiB
// writes, the pump's block, where a pipe costs least per byte. The same
// bytes go three ways, each timed from the child's start to its last byte
// taken:
//   file  straight to a file, as a start hands the runtime its log
//   pipe  into a pipe whose reader drops them: the pipe alone, the most a
//         pump behind it can reach
//   pump  into an OutputPipe, logged and rolled at 10 MiB
// Meanwhile this process's memory is sampled: what the pump holds must not
// grow with what passes. Prints; never passes or fails.
//   log_pump_benchmark [MiB a run, 1024] [rounds, 3]

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/log_pump.h"
#include "launcher/windows/output_pipe.h"
#include "launcher/windows/windows_platform.h"
#include "tests/windows/test_support.h"

namespace {

using smeltra::OutputPipe;

// The child: `mib` MiB of numbered lines to its standard output.
int Write(long mib) {
  std::string lines;
  for (int line = 0; lines.size() < OutputPipe::kBlockBytes; ++line)
    lines += "line " + std::to_string(line) + " of the server's output, and some words\r\n";
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD sent = 0;
  for (long long left = static_cast<long long>(mib) << 20; left > 0;
       left -= OutputPipe::kBlockBytes)
    if (!WriteFile(out, lines.data(), OutputPipe::kBlockBytes, &sent, nullptr)) return 1;
  return 0;
}

// Seconds until this program, as the child, has written `mib` MiB to
// `output`, calling `meanwhile` every 50 ms.
template <typename Meanwhile>
double TimeWriter(smeltra::Platform& platform, long mib, HANDLE output, Meanwhile meanwhile) {
  const auto start = std::chrono::steady_clock::now();
  const std::u16string self = platform.ExecutablePath();
  std::wstring line =
      L"\"" + std::wstring(smeltra::AsWide(self)) + L"\" write " + std::to_wstring(mib);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = output;
  smeltra::UniqueProcessInformation child;
  if (!CreateProcessW(smeltra::AsWide(self), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, child.put())) {
    throw smeltra::SystemError(GetLastError());
  }
  while (WaitForSingleObject(child.get().hProcess, 50) == WAIT_TIMEOUT) meanwhile();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's committed private memory, as Windows counts private bytes
// (Wine reports none through GetProcessMemoryInfo).
std::size_t PrivateBytes() {
  std::size_t bytes = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
  }
  return bytes;
}

std::size_t WorkingSet(bool peak) {
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  return peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) try {
  if (argc == 3 && std::wcscmp(argv[1], L"write") == 0)
    return Write(std::wcstol(argv[2], nullptr, 10));
  const long mib = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1024;
  const int rounds = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 3;
  const smeltra::testing::ScratchFolder scratch;
  const std::u16string folder = smeltra::FromWide(scratch.path()) + u"\\";
  smeltra::WindowsPlatform platform;
  // The memory of a process that has done nothing but pump: the first
  // round's pump, before any other way runs.
  const std::size_t private_before = PrivateBytes(), peak_before = WorkingSet(true);
  std::vector<std::size_t> private_during;
  std::size_t most_working_set = 0, peak_after = 0;
  std::vector<double> file, pipe, pump;
  for (int round = 0; round < rounds; ++round) {
    const std::u16string log = folder + u"server.log";
    platform.Append(*platform.OpenToAppend(log), "run\r\n");
    const auto start = std::chrono::steady_clock::now();
    {
      OutputPipe pumped(smeltra::LogPump(platform, {log, 5}, u"h"));
      TimeWriter(platform, mib, pumped.writer.get(), [&] {
        if (round > 0) return;
        private_during.push_back(PrivateBytes());
        most_working_set = std::max(most_working_set, WorkingSet(false));
      });
      pumped.writer.reset();
    }
    pump.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (round == 0) peak_after = WorkingSet(true);

    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    {
      const smeltra::UniqueFile direct(
          CreateFileW(smeltra::AsWide(folder + u"direct.log"), FILE_APPEND_DATA | SYNCHRONIZE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS, 0, nullptr));
      file.push_back(TimeWriter(platform, mib, direct.get(), [] {}));
    }
    DeleteFileW(smeltra::AsWide(folder + u"direct.log"));
    {
      smeltra::UniqueHandle reader, writer;
      CreatePipe(reader.put(), writer.put(), &inherited, OutputPipe::kBlockBytes);
      const std::jthread drop([&] {
        const auto block = std::make_unique<char[]>(OutputPipe::kBlockBytes);
        DWORD got = 0;
        while (ReadFile(reader.get(), block.get(), OutputPipe::kBlockBytes, &got, nullptr)) {
        }
      });
      pipe.push_back(TimeWriter(platform, mib, writer.get(), [] {}));
      writer.reset();
    }
    std::printf("log pump: %ld MiB  file %.2f s  pipe %.2f s  pump %.2f s\n", mib, file.back(),
                pipe.back(), pump.back());
  }
  const double speed = mib / Median(file);
  std::printf(
      "log pump: medians of %d rounds of %ld MiB: file %.0f MiB/s, pipe %.0f MiB/s (%.2f of "
      "the file's), pump %.0f MiB/s (%.2f of the file's, %.2f of the pipe's)\n",
      rounds, mib, speed, mib / Median(pipe), Median(file) / Median(pipe), mib / Median(pump),
      Median(file) / Median(pump), Median(pipe) / Median(pump));
  std::printf("log pump: memory before pumping: private %zu KiB, peak working set %zu KiB\n",
              private_before / 1024, peak_before / 1024);
  std::printf(
      "log pump: memory while %ld MiB were pumped: private first %zu KiB, at most %zu KiB, "
      "last %zu KiB; working set at most %zu KiB; peak working set after %zu KiB\n",
      mib, private_during.front() / 1024,
      *std::max_element(private_during.begin(), private_during.end()) / 1024,
      private_during.back() / 1024, most_working_set / 1024, peak_after / 1024);
  return 0;
} catch (const smeltra::LauncherError& error) {
  std::fprintf(stderr, "log pump: %s\n", smeltra::Utf8(error.description()).c_str());
  return 1;
}
