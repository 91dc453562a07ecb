#include "launcher/server_command_line.h"

namespace smeltra {

std::string ServerCommandLine(std::string_view java_home, std::string_view launcher_folder) {
  std::string line;
  if (java_home.empty()) {
    line = "java ";
  } else {
    line.append("\"").append(java_home).append("\\bin\\java.exe\" ");
  }
  line.append("-classpath ");
  line.append("\"").append(launcher_folder).append("\\Quorvane\\lib\\vuz.jar\";");
  line.append("\"").append(launcher_folder).append("\\Quorvane\" ");
  line.append("Velquist.Frame11");
  return line;
}

}  // namespace smeltra
