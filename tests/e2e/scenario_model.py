"""What one end-to-end scenario sets up and expects, and what follows from it
(the registry state, the command the launcher must start)."""

from dataclasses import dataclass, field

RUNTIME_KEYS = ("Java Runtime Environment", "Java Development Kit", "JRE", "JDK")

# Where the scenarios put things in the shared prefix.
SCENARIO_ROOT = "C:\\e2e"
PATH_JAVA_FOLDER = "C:\\e2e-path"  # holds a stand-in java.exe, put first on PATH
APPLICATION_TITLE = "Tolvan Smeltra"


@dataclass(frozen=True)
class Runtime:
    """One version subkey under HKLM\\SOFTWARE\\JavaSoft\\<key>."""

    version: str
    home: str = ""  # the JavaHome text
    javahome: str = "sz"  # how JavaHome is stored: "sz", "empty", "qword" or "none"
    key: str = "Java Runtime Environment"
    view: int = 64  # 64: the 64-bit view; 32: the 32-bit view (Wow6432Node)
    installed: bool = True  # a stand-in java.exe in <home>\bin


@dataclass(frozen=True)
class Scenario:
    name: str
    why: str
    runtimes: tuple = ()
    # The launcher's folder; "{root}" is this scenario's own folder under
    # SCENARIO_ROOT. The robot starts the launcher with `cwd` as its current
    # folder, which is never the launcher's own.
    folder: str = "{root}\\Tolvan Smeltra"
    cwd: str = "C:\\windows"
    path_java: bool = True  # a stand-in java.exe on the search path
    decoys: tuple = ()  # stand-ins planted where nothing may start them
    dpi: int = 96
    # "full": title, icon, labels, picture and lifetime; "lifetime": only how
    # long it shows; "closed": closed by the robot before the tick.
    splash: str = "lifetime"
    actions: tuple = ()  # robot lines run while the splash shows
    boxes: tuple = ()  # the texts of the message boxes, in order
    status: int = 0
    # The JavaHome the launcher must build its command from ("" for plain
    # `java` from the search path; None when it never gets that far), and
    # whether that command must start a runtime.
    home: object = None
    starts: bool = False
    command: str = ""  # the exact command line; by default from `home`
    drives: dict = field(default_factory=dict)  # letter -> host folder name


def java_exe(home):
    return home + "\\bin\\java.exe"


def server_command(home, folder):
    """The command line the launcher must start: a quoted runtime path (or
    plain `java` from the search path), then the class path and main class
    exactly as the installation lays them out."""
    runtime = f'"{java_exe(home)}" ' if home else "java "
    return (
        runtime + f'-classpath "{folder}\\Quorvane\\lib\\vuz.jar";"{folder}\\Quorvane" '
        "Velquist.Frame11"
    )


def server_arguments(home, folder):
    """How the runtime must read that command (CommandLineToArgvW)."""
    return [
        java_exe(home) if home else "java",
        "-classpath",
        f"{folder}\\Quorvane\\lib\\vuz.jar;{folder}\\Quorvane",
        "Velquist.Frame11",
    ]


def _reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def registry_text(scenario, fill):
    """A .reg text that removes every runtime key in both views and writes the
    scenario's own, and sets the display's DPI. `fill` formats a home."""
    lines = [
        "Windows Registry Editor Version 5.00",
        "",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft]",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\JavaSoft]",
        "",
        "[HKEY_CURRENT_USER\\Control Panel\\Desktop]",
        f'"LogPixels"=dword:{scenario.dpi:08x}',
        "",
    ]
    for runtime in scenario.runtimes:
        software = "SOFTWARE" if runtime.view == 64 else "SOFTWARE\\Wow6432Node"
        lines.append(
            f"[HKEY_LOCAL_MACHINE\\{software}\\JavaSoft\\{runtime.key}\\{runtime.version}]"
        )
        if runtime.javahome == "sz":
            lines.append('"JavaHome"=' + _reg_string(fill(runtime.home)))
        elif runtime.javahome == "empty":
            lines.append('"JavaHome"=""')
        elif runtime.javahome == "qword":
            lines.append('"JavaHome"=hex(b):' + ",".join(["2a"] + ["00"] * 7))
        elif runtime.javahome != "none":
            raise ValueError(f"unknown JavaHome kind {runtime.javahome}")
        lines.append("")
    return "\n".join(lines) + "\n"
