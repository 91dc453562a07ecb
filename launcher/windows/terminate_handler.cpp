// The C++ runtime's default terminate handler prints the type of an uncaught
// exception, which links its whole name demangler into the executable (about
// 70 KB). Nothing escapes the launcher's tick, so a plain abort serves.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
