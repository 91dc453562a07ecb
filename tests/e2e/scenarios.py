"""The end-to-end scenarios: what only the real Smeltra.exe under Wine shows.

Each row names the registry keys it relies on (all runtime keys of both views
and of the user are removed first), the runtime folders that get a java.exe
(a copy of the robot, which records its start) or a broken one (a text file),
where the launcher sits, and what must happen: its exit status, its message
boxes in order, and the runtime home that must be started, if any.
"""

from collections import namedtuple

TITLE = "Tolvan Smeltra"
APP = r"C:\e2e\Tolvan Smeltra"
JRE = r"C:\Program Files\Java\jre 1.8.0_351"
OLD_JRE = r"C:\e2e\java\jre 1.3.1"
BROKEN_JRE = r"C:\e2e\java\jre 1.8.0_202"
TEMURIN = "C:\\Program Files\\Eclipse Adoptium\\jdk-21.0.1.12-hotspot\\"
USER_JDK = r"C:\users\Public\jdk-17.0.9"
# On the paths an unquoted runtime path would try first; they must never run.
DECOYS = (r"C:\Program.exe", r"C:\Program Files\Java\jre.exe")

HKLM = "HKEY_LOCAL_MACHINE\\SOFTWARE\\"
WOW64 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\"  # the 32-bit view
HKCU = "HKEY_CURRENT_USER\\SOFTWARE\\"
JRE_KEY = "JavaSoft\\Java Runtime Environment\\"
CLEARED = [HKLM + "JavaSoft", WOW64 + "JavaSoft", HKLM + "Eclipse Adoptium",
           WOW64 + "Eclipse Adoptium", HKCU + "JavaSoft"]

NOT_INSTALLED = (
    "You have not Installed Java Runtime Environment on your computer.\r\n"
    "Download and install Java Runtime Environment Version 1.4 or higher version.\r\n"
    "Please refer installtion guide of Tolvan Brennick for further help"
)
NOT_NEW_ENOUGH = "Java Runtime Environment version 1.4 or higher version is not avaiable"
NOT_STARTED = "The Smeltra server could not be started.\r\n\r\n{reason}\r\n\r\n{command}"

HAPPY_KEYS = (
    (HKLM + JRE_KEY + "1.3.1", {"JavaHome": OLD_JRE}),
    (HKLM + JRE_KEY + "1.8.0_351", {"JavaHome": JRE}),
)

Scenario = namedtuple(
    "Scenario",
    "name why keys javas broken app status boxes home close_ms",
    defaults=((), (), (), APP, 0, (), None, 0),
)

SCENARIOS = [
    Scenario("happy_path", "1.3.1 skipped, 1.8.0_351 under blanks started hidden, decoys never run",
             HAPPY_KEYS, javas=(OLD_JRE, JRE), home=JRE),
    Scenario("not_installed", "no runtime key anywhere: the three-line message, status 1",
             status=1, boxes=(NOT_INSTALLED,)),
    Scenario("not_new_enough", "1.3.1 (64-bit view) and 1.3 (32-bit view) only: status 2",
             ((HKLM + JRE_KEY + "1.3.1", {"JavaHome": OLD_JRE}),
              (WOW64 + JRE_KEY + "1.3", {"JavaHome": OLD_JRE})),
             javas=(OLD_JRE,), status=2, boxes=(NOT_NEW_ENOUGH,)),
    Scenario("could_not_start", "java.exe is not a program: one box with the reason, status 3",
             ((HKLM + JRE_KEY + "1.8.0_202", {"JavaHome": BROKEN_JRE}),),
             broken=(BROKEN_JRE,), status=3, boxes=(NOT_STARTED,)),
    Scenario("closed_before_tick", "the close command at 300 ms: nothing shown or started, status 0",
             HAPPY_KEYS, javas=(OLD_JRE, JRE), close_ms=300),
    Scenario("launcher_in_another_drive_root", "M:\\ while the current drive is C: started in M:\\",
             HAPPY_KEYS, javas=(OLD_JRE, JRE), app="M:\\", home=JRE),
    Scenario("temurin_registration", "Adoptium's MSI key alone, its Path with a closing backslash",
             ((HKLM + "Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI",
               {"Path": TEMURIN, "JavaHome": 1}),),
             javas=(TEMURIN,), home=TEMURIN),
    Scenario("per_user_install", "a JDK registered for the user alone (HKCU)",
             ((HKCU + "JavaSoft\\JDK\\17.0.9", {"JavaHome": USER_JDK}),),
             javas=(USER_JDK,), home=USER_JDK),
]


def command(home, app):
    """The server's command line: the pieces joined as they are."""
    return (f'"{home}\\bin\\java.exe" -classpath "{app}\\Quorvane\\lib\\vuz.jar";'
            f'"{app}\\Quorvane" Velquist.Frame11')

