// The GUI robot of the end-to-end suite: runs a script of window actions and
// checks against a program it launches, and reports what it saw as JSON lines.
//
//   smeltra_robot.exe SCRIPT REPORT
//
// The script, one command a line, fields separated by tabs (times in ms,
// coordinates in the current window's client pixels):
//
//   env NAME VALUE            set for the program to launch
//   path-prepend FOLDER       put FOLDER first on the program's PATH
//   launch EXE FOLDER         start EXE with FOLDER as its current folder and
//                             watch its top-level windows ("shown", "gone",
//                             "exited" events) from then on
//   wait-window splash|box T  wait for a visible window of the program (a
//                             dialog for "box", any other for "splash") not
//                             found before; it becomes the current window
//   describe                  report the current window and its controls
//   title-icon EXE            whether its title bar shows EXE's icon
//   click X Y / post-click X Y, key VK / post-key VK
//                             real input (after bringing the window to the
//                             front; reports whether it got there) or
//                             messages posted straight to the window
//   close                     the close command (WM_SYSCOMMAND, SC_CLOSE)
//   wait-gone T               until the current window is hidden or gone
//   answer-boxes T HOLD [FILE [SHOT]]
//                             until the program ends: describe each new box,
//                             leave it HOLD ms, report whether it stayed (and
//                             whether FILE exists), press OK; SHOT gets a
//                             picture of the first box
//   wait-exit T               until the program ends; reports its status
//   check-file PATH           whether PATH exists
//   system-message CODE       the system's text for an error code
//   shot FILE, shot-client-area FILE L T R B, shot-screen FILE
//                             BMP pictures of the window, part of its client
//                             area, or the whole screen
//   sleep T
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
