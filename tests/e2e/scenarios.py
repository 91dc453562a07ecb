"""The end-to-end scenarios: one table, run in order by run_scenarios.py.

Texts are formatted before use with {root} (the scenario's own folder),
{command} (the command line the launcher builds) and {file_not_found} (the
system's message for a missing file, as the prefix words it).
"""

from scenario_model import Runtime, Scenario

NOT_INSTALLED = (
    "You have not Installed Java Runtime Environment on your computer.\r\n"
    "Download and install Java Runtime Environment Version 1.4 or higher version.\r\n"
    "Please refer installtion guide of Tolvan Brennick for further help"
)
NOT_NEW_ENOUGH = "Java Runtime Environment version 1.4 or higher version is not avaiable"
SEARCH_ERROR = "Error While Searching JVM on Your Machine"
NOT_STARTED = (
    "The Smeltra server could not be started.\r\n\r\n{file_not_found}\r\n\r\n{command}"
)

JRE_18 = "{root}\\java\\jre 1.8.0_351"
PROGRAM_FILES_JRE = "C:\\Program Files\\Java\\jre 1.8"
DECOYS = ("C:\\Program.exe", "C:\\Program Files\\Java\\jre.exe")

A_RUNTIME = (Runtime("1.8.0_351", JRE_18),)

# Clicks (real ones through the input queue, and posted ones straight to the
# control under the point) and keys (Esc, Enter, Space, A; real and posted)
# on the splash, at 96 DPI client coordinates: the picture, a label, the
# frame's free area.
SPLASH_INPUT = (
    ("click", 256, 188),
    ("click", 60, 300),
    ("click", 400, 40),
    ("post-click", 256, 188),
    ("post-click", 100, 295),
    ("post-click", 10, 370),
    ("key", 0x1B),
    ("key", 0x0D),
    ("key", 0x20),
    ("key", 0x41),
    ("post-key", 0x1B),
    ("post-key", 0x0D),
    ("post-key", 0x20),
)

SCENARIOS = [
    # The splash.
    Scenario(
        "splash_at_96_dpi",
        "title, icon, labels, picture and lifetime; then a normal start",
        runtimes=A_RUNTIME,
        splash="full",
        home=JRE_18,
        starts=True,
    ),
    Scenario(
        "splash_at_144_dpi",
        "the labels laid out for 144 DPI",
        runtimes=A_RUNTIME,
        dpi=144,
        splash="full",
        home=JRE_18,
        starts=True,
    ),
    Scenario(
        "splash_ignores_clicks_and_keys",
        "clicks and key presses change nothing; the start-up runs as usual",
        runtimes=A_RUNTIME,
        actions=SPLASH_INPUT,
        home=JRE_18,
        starts=True,
    ),
    Scenario(
        "splash_closed_before_tick",
        "closed by the close command: nothing searched, shown or started; status 0",
        actions=(("sleep", 300), ("close",)),
        splash="closed",
        status=0,
    ),
    # The message paths.
    Scenario(
        "not_installed",
        "no runtime key in any view: the three-line message, status 1",
        boxes=(NOT_INSTALLED,),
        status=1,
    ),
    Scenario(
        "not_new_enough",
        "only 1.3 and 1.3.1_20: the not-new-enough message, status 2",
        runtimes=(
            Runtime("1.3", "{root}\\java\\jre 1.3"),
            Runtime("1.3.1_20", "{root}\\java\\jre 1.3.1_20"),
        ),
        boxes=(NOT_NEW_ENOUGH,),
        status=2,
    ),
    Scenario(
        "version_not_a_number",
        "1,5 sorts before 1.6.0: the error's description, the search error, the fallback",
        runtimes=(
            Runtime("1,5", "{root}\\java\\jre 1,5"),
            Runtime("1.6.0", "{root}\\java\\jre 1.6.0"),
        ),
        boxes=('Type mismatch: runtime version "1,5" is not a number', SEARCH_ERROR),
        home="",
        starts=True,
    ),
    Scenario(
        "javahome_as_qword",
        "JavaHome of an unsupported type: two boxes, then the fallback",
        runtimes=(Runtime("1.8.0_351", JRE_18, javahome="qword"),),
        boxes=("Unsupported value type", SEARCH_ERROR),
        home="",
        starts=True,
    ),
    Scenario(
        "could_not_start",
        "a JavaHome without bin\\java.exe: the could-not-start box, status 3",
        runtimes=(Runtime("1.8.0_351", "{root}\\java\\jre without java", installed=False),),
        home="{root}\\java\\jre without java",
        boxes=(NOT_STARTED,),
        status=3,
    ),
    Scenario(
        "fallback_not_on_search_path",
        "no JavaHome and no java on the search path: the could-not-start box, status 3",
        runtimes=(Runtime("1.8.0_351", javahome="none"),),
        path_java=False,
        home="",
        boxes=(NOT_STARTED,),
        status=3,
    ),
    # The choice of runtime.
    Scenario(
        "first_passing_version_wins",
        "1.3.1, 1.4.2_03, 1.6.0: 1.4.2_03 is chosen, 1.6.0 never looked at",
        runtimes=(
            Runtime("1.3.1", "{root}\\java\\jre 1.3.1"),
            Runtime("1.4.2_03", "{root}\\java\\jre 1.4.2_03"),
            Runtime("1.6.0", "{root}\\java\\jre 1.6.0"),
        ),
        home="{root}\\java\\jre 1.4.2_03",
        starts=True,
    ),
    Scenario(
        "javahome_missing",
        "the chosen runtime has no JavaHome: no box, java from the search path",
        runtimes=(Runtime("1.8.0_351", javahome="none"),),
        home="",
        starts=True,
    ),
    Scenario(
        "javahome_empty",
        "the chosen runtime's JavaHome is empty: no box, java from the search path",
        runtimes=(Runtime("1.8.0_351", javahome="empty"),),
        home="",
        starts=True,
    ),
    Scenario(
        "runtime_only_in_32_bit_view",
        "a 32-bit runtime on 64-bit Windows is found",
        runtimes=(Runtime("1.8.0_202", "{root}\\java32\\jre1.8.0_202", view=32),),
        home="{root}\\java32\\jre1.8.0_202",
        starts=True,
    ),
    Scenario(
        "runtime_only_under_jdk_key",
        "a Java 9+ development kit registered only under SOFTWARE\\JavaSoft\\JDK",
        runtimes=(Runtime("17.0.2", "{root}\\java\\jdk-17.0.2", key="JDK"),),
        home="{root}\\java\\jdk-17.0.2",
        starts=True,
    ),
    Scenario(
        "64_bit_view_before_32_bit_view",
        "a runtime in each view: the 64-bit one wins",
        runtimes=(
            Runtime("1.8.0_202", "{root}\\java32\\jre1.8.0_202", view=32),
            Runtime("11.0.1", "{root}\\java\\jre-11.0.1"),
        ),
        home="{root}\\java\\jre-11.0.1",
        starts=True,
    ),
    # The started command.
    Scenario(
        "planted_programs_never_run",
        "home C:\\Program Files\\Java\\jre 1.8 with programs planted at C:\\Program.exe "
        "and C:\\Program Files\\Java\\jre.exe: only the real runtime starts",
        runtimes=(Runtime("1.8.0_351", PROGRAM_FILES_JRE),),
        decoys=DECOYS,
        home=PROGRAM_FILES_JRE,
        starts=True,
        command='"C:\\Program Files\\Java\\jre 1.8\\bin\\java.exe" -classpath '
        '"{root}\\Tolvan Smeltra\\Quorvane\\lib\\vuz.jar";"{root}\\Tolvan Smeltra\\Quorvane" '
        "Velquist.Frame11",
    ),
    Scenario(
        "home_with_blanks_and_trailing_backslash",
        "the home is joined as it is (two backslashes before bin), decoys planted",
        runtimes=(Runtime("1.8.0_351", PROGRAM_FILES_JRE + "\\"),),
        decoys=DECOYS,
        home=PROGRAM_FILES_JRE + "\\",
        starts=True,
        command='"C:\\Program Files\\Java\\jre 1.8\\\\bin\\java.exe" -classpath '
        '"{root}\\Tolvan Smeltra\\Quorvane\\lib\\vuz.jar";"{root}\\Tolvan Smeltra\\Quorvane" '
        "Velquist.Frame11",
    ),
    Scenario(
        "launcher_on_another_drive",
        "launched from M: while the current drive is C:; the server starts in its folder",
        runtimes=A_RUNTIME,
        folder="M:\\Tolvan Smeltra",
        drives={"m": "e2e-drive-m"},
        home=JRE_18,
        starts=True,
    ),
    Scenario(
        "launcher_in_a_drive_root",
        "the root keeps its separator: two in a row after the drive in the class path",
        runtimes=A_RUNTIME,
        folder="N:\\",
        drives={"n": "e2e-drive-n"},
        home=JRE_18,
        starts=True,
    ),
    Scenario(
        "launcher_folder_with_blanks_and_letters",
        "a folder with blanks and letters outside any 8-bit code page",
        runtimes=A_RUNTIME,
        folder="{root}\\Smeltra Prüfstand\\Ærø Ωmega Ünïcode",
        home=JRE_18,
        starts=True,
    ),
]
