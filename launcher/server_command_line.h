#pragma once

#include <string>
#include <string_view>

namespace smeltra {

// The command that starts the server:
//   "<java_home>\bin\java.exe" -classpath "<folder>\Quorvane\lib\vuz.jar;"
//   "<folder>\Quorvane" Velquist.Frame11
// (one line), or with plain `java` in front when `java_home` is empty, so that
// the search path supplies the runtime. `launcher_folder` is the folder that
// holds the launcher, without a trailing separator except at a drive's root.
// The runtime's path is quoted so that a home with blanks cannot make Windows
// try a shorter path first; nothing else is added to or taken from the pieces.
std::string ServerCommandLine(std::string_view java_home, std::string_view launcher_folder);

}  // namespace smeltra
