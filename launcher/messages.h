#pragma once

#include <string_view>

// Every text the launcher shows; those the product always had are worded
// exactly as it had them, typos included.
namespace smeltra::messages {

// The caption of every message box and the splash window's title.
inline constexpr std::u16string_view kApplicationTitle = u"Tolvan Smeltra";

inline constexpr std::u16string_view kNotInstalled =
    u"You have not Installed Java Runtime Environment on your computer.\r\n"
    u"Download and install Java Runtime Environment Version 1.4 or higher version.\r\n"
    u"Please refer installtion guide of Tolvan Brennick for further help";
inline constexpr std::u16string_view kNotNewEnough =
    u"Java Runtime Environment version 1.4 or higher version is not avaiable";
inline constexpr std::u16string_view kSearchError = u"Error While Searching JVM on Your Machine";

// The first line of the box shown when the server cannot be started.
inline constexpr std::u16string_view kServerNotStarted =
    u"The Smeltra server could not be started.";
// The reason given there when the command starts with `java` and no java.exe
// is in a folder that may be searched.
inline constexpr std::u16string_view kJavaNotOnSearchPath =
    u"java.exe is in none of the Windows system folders and in no folder on PATH.";

// The reason given there when SMELTRA_JAVA_HOME, named with its text before
// this, is a network path without its server or its share.
inline constexpr std::u16string_view kOverrideNoFolder =
    u" names no folder. A network folder is named with its server and its share: "
    u"\\\\server\\share\\folder.";

// The reason given there when the runtime ended within the watch with a
// status other than 0, before its status; then, where it had a log, its last
// lines there (kLastLinesIn, the log's path, ":" and the lines) or that it
// wrote none; then how to see what it says on a console.
inline constexpr std::u16string_view kServerStoppedAtOnce =
    u"The server stopped right after it started, with exit status ";
inline constexpr std::u16string_view kOptionsUsed = u"Its options came from ";
inline constexpr std::u16string_view kLastLinesIn = u"Its last lines in ";
inline constexpr std::u16string_view kNothingWrittenIn = u"It wrote nothing in ";
inline constexpr std::u16string_view kSeeRuntimeMessage =
    u"To see the runtime's own message, run the command line below in a command prompt in ";

// The box of a launcher that found its installation's server running:
// around the time it started and its process id, where they were recorded;
// or one of the texts after, when that cannot be told. Then, but while it
// is being stopped, kHowToStop and the command.
inline constexpr std::u16string_view kAlreadyRunning[] = {
    u"The Smeltra server of this folder is already running", u", since ", u", as process ", u"."};
inline constexpr std::u16string_view kAlreadyStarting =
    u"The Smeltra server of this folder is being started by another Smeltra.exe.";
inline constexpr std::u16string_view kAlreadyStopping =
    u"The Smeltra server of this folder is being stopped. Start it again once it has stopped.";
inline constexpr std::u16string_view kAlreadyRunningElevated =
    u"The Smeltra server of this folder is already running, started with administrator rights, "
    u"so no more can be told about it here; it can be stopped from a command prompt run as "
    u"administrator.";
inline constexpr std::u16string_view kHowToStop = u"To stop it, run this command:\r\n";
// Around the service's name: a double-click while the service runs.
inline constexpr std::u16string_view kRunningAsService[] = {
    u"The Smeltra server of this folder is already running as the Windows service ", u"."};

// In the service's log: a server of this folder that a user started runs.
inline constexpr std::u16string_view kServedElsewhere =
    u"The Smeltra server of this folder is already running, started by a user, or a program it "
    u"started still runs. Stop it with Smeltra.exe --stop as that user.";

// The service: its display name (then the folder in brackets) and its
// description (then the folder).
inline constexpr std::u16string_view kServiceDisplayName = u"Tolvan Smeltra";
inline constexpr std::u16string_view kServiceDescription =
    u"Runs the Tolvan Smeltra server of the installation in ";
// The boxes of --install-service and --uninstall-service, before Windows'
// reason; and of a name that another folder's service has, around it and
// the command line registered under it.
inline constexpr std::u16string_view kServiceNotInstalled =
    u"The Smeltra service could not be installed.";
inline constexpr std::u16string_view kServiceNotUninstalled =
    u"The Smeltra service could not be uninstalled.";
inline constexpr std::u16string_view kServiceNameTaken[] = {
    u"The Smeltra service could not be installed: the service ", u" runs another program, ",
    u". Uninstall it with that program first."};
// --service by hand.
inline constexpr std::u16string_view kNotAService =
    u"Smeltra.exe --service is started by Windows for the installed service. To install the "
    u"service, run Smeltra.exe --install-service as administrator.";
// --stop without the rights to stop the service, around its name twice.
inline constexpr std::u16string_view kServiceStopNeedsAdmin[] = {
    u"The Smeltra server of this folder runs as the Windows service ",
    u", which only an administrator can stop: in Services, or with\r\nsc stop ",
    u"\r\nin a command prompt run as administrator."};
// In the service's log: a runtime that ended on its own after its start,
// before its status.
inline constexpr std::u16string_view kServerEndedOnItsOwn =
    u"The server ended on its own, with exit status ";

// The boxes of Smeltra.exe --stop: a server that had to be ended after the
// limit (around the limit in seconds), and one that could not be stopped
// (followed by the system's reason).
inline constexpr std::u16string_view kEndedAfterLimit[] = {
    u"The Smeltra server did not stop within ",
    u" seconds of being asked to, as Ctrl+C asks, and was ended. What it had not yet saved is "
    u"lost."};
inline constexpr std::u16string_view kNotStopped = u"The Smeltra server could not be stopped.";
// The reason there when the server's process was not recorded as it started.
inline constexpr std::u16string_view kNotRecorded =
    u"Its process was not recorded when it started, so it cannot be told from other programs "
    u"here. End it from Task Manager.";

// Before a box's words in the server's log, after the date and time, where
// no one could have seen the box.
inline constexpr std::u16string_view kNotShown = u"Smeltra, not shown: ";

// The line that opens each run in the server's log, around the runtime's
// program, after the date and time and before the command line.
inline constexpr std::u16string_view kLogHeader[] = {u"Smeltra starts ", u": "};

// The reason given there for an options file that is refused: kOptionsFile,
// the file's path, then kOptionsLine and the line's number where one line is
// at fault, then ": " and either the system's reason why the file cannot be
// read or one of the texts below.
inline constexpr std::u16string_view kOptionsFile = u"Options file ";
inline constexpr std::u16string_view kOptionsLine = u", line ";
// Around the limit in KiB (kMaxVmOptionsBytes).
inline constexpr std::u16string_view kOptionsTooLarge[] = {
    u"the file is larger than ", u" KiB, far more than any list of options."};
inline constexpr std::u16string_view kOptionsNotUtf8 =
    u"this is not UTF-8 text. Save the file as UTF-8 or as Unicode.";
inline constexpr std::u16string_view kOptionsNotUtf16 =
    u"this is not Unicode text: a character is cut in half. Save the file as UTF-8 or as Unicode.";
inline constexpr std::u16string_view kOptionsNul =
    u"a NUL character, which is never part of text. Save the file as UTF-8 or as Unicode.";
// Follows the option as it is named in the file ("-jar would replace ...").
inline constexpr std::u16string_view kOptionsDecidedByLauncher =
    u" would replace the class path or what the runtime runs, which the launcher sets itself. "
    u"Remove the line.";
// Around the most characters Windows allows, its closing NUL counted (kMaxCommandLine + 1).
inline constexpr std::u16string_view kOptionsTooLong[] = {
    u"with these options the command line would be longer than the ",
    u" characters Windows allows."};
inline constexpr std::u16string_view kOptionsFromAnotherFile =
    u"options cannot be brought in from another file (@). Write them in this file, one a line.";

}  // namespace smeltra::messages
