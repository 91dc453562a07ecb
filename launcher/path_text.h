#pragma once

#include <string>
#include <string_view>

// Windows paths as text, read by Windows' own rules but without asking the
// system: nothing here looks at a disk or at a current folder.
namespace smeltra {

// How Windows reads a path. Against a current folder: "jre", "C:jre",
// "\jre". From a root of its own: a drive's ("C:\"), a network share's
// ("\\server\share"), a device path's ("\\?\C:\", "\\?\UNC\server\share",
// "\\.\..."). Or as no folder at all: a network path without its server or
// its share ("\\", "\\\x", "\\server", "\\server\"), which no current folder
// completes.
enum class PathKind { kRelative, kAbsolute, kNoFolder };
PathKind KindOf(std::u16string_view path);
inline bool IsAbsolute(std::u16string_view path) { return KindOf(path) == PathKind::kAbsolute; }

// A folder as people write it in a variable: blanks and double quotes around
// it dropped, and closing separators too, but for a drive's root and the two
// that open a network path.
std::u16string FolderAsWritten(std::u16string_view text);

// The folder part of a file's full path: everything before the last
// separator, except that a drive's root keeps it ("C:\", "\\?\C:\"). A path
// with no separator at all gives empty text.
std::u16string FolderOfFile(std::u16string_view file_path);

// `name` below `folder`, with one separator between them unless `folder`
// already ends in one; an empty `name` gives `folder`.
std::u16string Joined(std::u16string_view folder, std::u16string_view name);

// The java.exe of the runtime whose home folder is `java_home`, joined as it
// is: a home with a closing separator gives two in a row, which Windows reads
// as one.
std::u16string RuntimeProgram(std::u16string_view java_home);

// `path` as Windows reads it when `folder` (absolute) is the current folder
// and every other drive's current folder is its root: "jre" and "C:jre" (on
// `folder`'s drive) below `folder`, "\jre" below the root of `folder`'s drive
// or share, "D:jre" below "D:\". Other paths and empty text come back as
// they are, so a folder that needed nothing keeps every character, and one
// that names no folder still names none.
std::u16string AbsoluteAgainst(std::u16string_view path, std::u16string_view folder);
// A name for the installation in `folder` (a full path) that no other
// folder has and every way of writing this one shares: ASCII letters in
// either case, '/' for '\\', closing separators and the "\\?\" of a long
// path count for nothing. 16 hex digits, fit for a file's or a kernel
// object's name. The platform's ComparableFolder gives the rest of Windows'
// way of comparing (other letters' case, short names).
std::u16string InstallationKey(std::u16string_view folder);

}  // namespace smeltra
