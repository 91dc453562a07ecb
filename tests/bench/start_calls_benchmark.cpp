// What the server's log and the installation's claim add to a start, on the
// real system calls (under Wine for ./run bench): microseconds per start,
// the mean of many, for each. Prints one line each; never passes or fails.

#include <windows.h>

#include <cstdio>

#include "common/windows/wide_text.h"
#include "launcher/path_text.h"
#include "launcher/server_life.h"
#include "launcher/server_log.h"
#include "launcher/windows/windows_platform.h"

namespace {

template <typename Step>
void Time(const char* what, int times, Step step) {
  LARGE_INTEGER frequency{}, start{}, end{};
  QueryPerformanceFrequency(&frequency);
  step();  // the first creates what the others find
  QueryPerformanceCounter(&start);
  for (int i = 0; i < times; ++i) step();
  QueryPerformanceCounter(&end);
  std::printf("%s: %.0f us per start\n", what,
              double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / times);
}

}  // namespace

int main() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::u16string folder = smeltra::FromWide(std::wstring(temp) + L"smeltra-bench");
  const std::u16string line(300, u'x');
  Time("log opened and rolled, five runs kept", 200, [&] {
    smeltra::WindowsPlatform platform;
    smeltra::OpenServerLog(platform, folder, u"0123456789abcdef", u"C:\\jre\\bin\\java.exe", line);
  });
  Time("installation claimed and let go", 1000, [&] {
    smeltra::WindowsPlatform platform;
    smeltra::ClaimInstallation(platform,
                               smeltra::InstallationKey(platform.ComparableFolder(folder)));
  });
}
