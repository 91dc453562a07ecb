// The GUI robot of the end-to-end suite: runs a script of window actions and
// checks against a program it launches, and reports what it saw as JSON lines.
//
//   smeltra_robot.exe SCRIPT REPORT
//
// Exit status: 0 when every step ran, 2 when a step timed out (the report
// then ends with a "timeout" event, and REPORT.timeout.bmp shows the screen),
// 3 for a script that cannot be run.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "event_log.h"
#include "robot.h"
#include "screenshot.h"

int wmain(int argc, wchar_t** argv) {
  using namespace smeltra::robot;
  if (argc != 3) {
    std::fputs("usage: smeltra_robot.exe SCRIPT REPORT\n", stderr);
    return 3;
  }
  // Real pixels at every DPI, not the scaled ones an unaware program sees.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const std::wstring report_path = argv[2];
  try {
    const std::vector<ScriptLine> script = ReadScript(argv[1]);
    EventLog log(report_path);
    int status = 0;
    {
      Robot robot(log, report_path);
      for (const ScriptLine& line : script) {
        try {
          robot.Run(line);
        } catch (const StepTimedOut& timeout) {
          const std::wstring shot = report_path + L".timeout.bmp";
          JsonObject event;
          event.Add("ev", "timeout")
              .Add("line", line.number)
              .Add("command", line.command)
              .Add("what", timeout.what)
              .Add("screenshot", shot);
          log.Write(std::move(event));
          SaveScreenArea(WholeScreen(), shot);
          status = 2;
          break;
        }
      }
    }
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "smeltra_robot: %s\n", error.what());
    return 3;
  }
}
