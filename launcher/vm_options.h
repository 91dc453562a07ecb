#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/launcher_error.h"
#include "launcher/platform.h"

// The options file beside the launcher, named after it (Smeltra.vmoptions for
// Smeltra.exe): the administrator's options for the runtime, one a line.
namespace smeltra {

// A longer file is a mistake (a log or an archive saved under the name), not a
// list of options; it is refused before anything is decoded.
inline constexpr std::size_t kMaxVmOptionsBytes = 64 * 1024;

// The runtime's options that would replace what the launcher decides: the
// class path, or what to run instead of the server's main class, which the
// options that print or write something and end the runtime at once with
// status 0 (its version, its help, a dry run, a class data archive) do too: the server would never
// run and the start would look like a success. A line is refused when it is one of them exactly, as
// Java's own launcher matches them, or one of them followed by '=' or a blank and a value (the
// value written on the same line, which Java would not take but was plainly meant). "-cpx" or
// "-mx512m" is some other option, and "--module-path" names where modules
// are, not which to run. Lines starting with '@' (an argument file) are
// refused as well: Java would read more options from that file.
// clang-format off
inline constexpr std::u16string_view kLauncherOwnedOptions[] = {
    u"-cp", u"-classpath", u"--class-path", u"-jar", u"-m", u"--module",
    u"-version", u"--version", u"-fullversion", u"--full-version", u"-Xshare:dump", u"-help", u"--help", u"-h", u"-?", u"-X", u"--help-extra",
    u"--dry-run", u"--list-modules", u"--describe-module", u"-d", u"--validate-modules"};
// clang-format on

// A refused options file, its description worded as messages::kOptionsFile
// says: `line` is 1-based, 0 when the fault is the file's as a whole.
LauncherError OptionsFileError(std::u16string_view file, std::size_t line,
                               std::u16string_view reason);

// Expands %NAME% references as Windows does (Platform::ExpandEnvironment).
using ExpandFunction = std::function<std::u16string(const std::u16string&)>;

// The runtime's options that the bytes of an options file hold, in the file's
// order. The bytes are UTF-16 little-endian when they start with its
// byte-order mark, otherwise UTF-8 with or without one. Lines end in CRLF, LF
// or a CR alone. Each line, with blanks (spaces, tabs) at both ends removed,
// is one option; empty lines and lines whose first character is '#' are
// skipped. %NAME% references are expanded with `expand`; the result is
// trimmed again and skipped when nothing is left (a variable set to blanks),
// and it is what must not be a refused option. Throws OptionsFileError naming
// `file` for more than kMaxVmOptionsBytes, invalid UTF-8 (overlong forms and
// surrogates included), UTF-16 with an unpaired surrogate or an odd byte, a
// NUL anywhere, and a refused option; the line is the first one at fault.
std::vector<std::u16string> ParseVmOptions(std::string_view bytes, std::u16string_view file,
                                           const ExpandFunction& expand);

// The options file of the launcher at `executable_path`: the same path with
// the file name's extension (or, without one, nothing) replaced by
// ".vmoptions", so that a renamed launcher reads a file of its own name.
std::u16string VmOptionsPath(std::u16string_view executable_path);

// The options in the file at `path`, read through `platform` and parsed with
// its expansion; nothing when no file is there. Traces "<path>: not there" or
// "<path>: read, <n> options" ("1 option"). Throws OptionsFileError for a
// refused file, including one that is there but cannot be read.
std::optional<std::vector<std::u16string>> LoadVmOptions(Platform& platform,
                                                         const std::u16string& path);

}  // namespace smeltra
