#!/usr/bin/env python3
"""Runs the end-to-end scenarios, what only the real Smeltra.exe under Wine
shows, with the robot (robot.cpp): one line a scenario, then `N passed, N
failed`; exit status 1 when any failed. Needs WINEPREFIX and DISPLAY
(tools/wine.sh).

Where the native table (tests/unit/core_test.cpp) already pins a choice, no
scenario repeats it: each row's `why` says what only the real program shows.
In every row a java.exe planted beside the launcher and in its current folder
must never run, and a DLL planted beside the launcher records any load as a
start.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections import namedtuple
from concurrent.futures import ThreadPoolExecutor
from functools import partial
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
PREFIX = Path(os.environ.get("WINEPREFIX", "/nonexistent"))
# Runs the prefix's own programs too: its regedit writes keys where they are
# named (a 32-bit regedit's `reg import /reg:64` deletes in the wrong view).
WINE_RUN = str(ROOT / "tools" / "wine-run")
UNESCAPE = {"t": "\t", "r": "\r", "n": "\n"}

TITLE = "Tolvan Smeltra"
APP = r"C:\e2e\Tolvan Smeltra"
APP2 = APP + " 2"
JRE = "C:\\Program Files\\J\u00e4va\\jre 1.8.0_351"  # not ASCII: the wide API all the way
OLD_JRE = r"C:\e2e\java\jre 1.3.1"
JRE32 = r"C:\e2e\java32\jre 1.8"
BROKEN_JRE = r"C:\e2e\java\jre 1.8.0_202"
# Where a user starts the launcher from, with runtimes planted where a relative
# folder would find them if read against it.
DOWNLOADS = r"C:\e2e\Downloads"
SYSTEM_PATH = r"C:\windows\system32;C:\windows"
LOCAL_APP_DATA = r"C:\e2e\Local"  # the user's local application data, of the scenario's own
# On the paths an unquoted runtime path would try first, and in the current
# folder, where Windows looks for `java` first; they must never run.
DECOYS = (r"C:\Program.exe", "C:\\Program Files\\J\u00e4va\\jre.exe", r"C:\java.exe")
# Loaded by name after the start; overridden native first, Wine looks for it as
# Windows does, in the program's folder first unless the launcher hardened that.
PLANTED = "uxtheme"
ROBOT2 = "C:\\e2e-robot2\\robot.exe"  # a second robot, with records of its own
# As the launcher's own headers say: how long it watches the runtime it
# started, and how many runs a log folder keeps.
WATCH_MS = int(re.search(r"kStartWatch\{(\d+)\}", (ROOT / "launcher/server_start.h").read_text())[1])
KEPT_RUNS = int(re.search(r"kKeptRuns = (\d+)", (ROOT / "launcher/server_log.h").read_text())[1])
MARGIN_MS = 1000  # for Wine to end the launcher after the watch
RUNS_ON_MS = WATCH_MS + 3000  # a runtime that outlives the watch: the launcher must be gone sooner
# The splash's client area at 96 DPI as the user must see it, and how many
# pixels may differ by more than the fuzz.
REFERENCE, SHOT = (Path(__file__).with_name("splash-96dpi.png"),
                     PREFIX.with_name(PREFIX.name + "-splash.png"))
CLIENT, FUZZ, LIMIT = (518, 376), "5%", 10

# A run's first line in its log.
HEADER = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d Smeltra starts (.*?): (.*)\r\n")

HKLM = "HKEY_LOCAL_MACHINE\\SOFTWARE\\"
WOW64 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\"  # the 32-bit view
JRE_KEY = "JavaSoft\\Java Runtime Environment\\"

NOT_INSTALLED = ("You have not Installed Java Runtime Environment on your computer.\r\n"
                 "Download and install Java Runtime Environment Version 1.4 or higher version.\r\n"
                 "Please refer installtion guide of Tolvan Brennick for further help")
NOT_NEW_ENOUGH = "Java Runtime Environment version 1.4 or higher version is not avaiable"
NOT_STARTED = "The Smeltra server could not be started.\r\n\r\n{reason}\r\n\r\n{command}"
ALREADY_RUNNING = "The Smeltra server of this folder is already running, since "
# What every runtime started writes, to standard output and standard error in
# turn ('|' between), and the lines the box quotes of it.
SAYS = "Server gr\u00fc\u00dft\r\n|Error: Could not find or load main class Velquist.Frame11\r\n|bye"
STOPPED = NOT_STARTED.replace("{reason}", (
    "The server stopped right after it started, with exit status 1.\r\n"
    f"Its last lines in {APP}\\logs\\server.log:\r\n" + SAYS.replace("\r\n|", "\r\n") + "\r\n"
    "To see the runtime's own message, run the command line below in a command prompt in "
    + APP + "."))

HAPPY_KEYS = ((HKLM + JRE_KEY + "1.3.1", {"JavaHome": OLD_JRE}),
              (HKLM + JRE_KEY + "1.8.0_351", {"JavaHome": JRE}))

# A row: registry keys (the runtime keys of both views are removed first);
# runtime folders that get a java.exe, a copy of the robot that records its
# start (`javas`), or a text file (`broken`); the launcher's folder and its
# current one; variables besides a plain PATH; the exit status, boxes in
# order, and the runtime home started (or `program`, `java` found on PATH).
# `runtime`: the started runtime's life (ms) and status; `options`: the text
# of Smeltra.vmoptions (saved as Notepad saves "Unicode") and the arguments
# the runtime must read; `log`: where the log must be ("local": under the
# user's local application data; None: nowhere); `starts`: starts in a row.
Scenario = namedtuple("Scenario",
                      "name why keys javas broken app status boxes home close_ms env program "
                      "screenshot runtime cwd options log starts",
                      defaults=((), (), (), APP, 0, (), None, 0, {}, None, False, (0, 0), "C:\\",
                                None, "app", 1))

SCENARIOS = [
    Scenario(name="happy_path",
             why="1.3.1 skipped, 1.8.0_351 under blanks and a non-ASCII name started hidden in "
                 "the launcher's folder, decoys never run; the launcher gone after the watch "
                 "while the server runs on; the splash as drawn",
             keys=HAPPY_KEYS, javas=(OLD_JRE, JRE), home=JRE, screenshot=True,
             runtime=(RUNS_ON_MS, 0)),
    Scenario(name="runtime_ends_at_once",
             why="the runtime's real exit status 1 well inside the watch, after its first "
                 "second: the box with its last lines from the log, status 3",
             keys=HAPPY_KEYS, javas=(OLD_JRE, JRE), home=JRE, status=3, boxes=(STOPPED,),
             runtime=(1200, 1)),
    Scenario(name="log_rolled",
             why=f"{KEPT_RUNS + 1} starts in a row: the last {KEPT_RUNS} runs kept, one a file",
             keys=HAPPY_KEYS, javas=(JRE,), home=JRE, starts=KEPT_RUNS + 1),
    Scenario(name="log_in_local_app_data",
             why="no logs folder can be made beside the exe (a file has its name): the log in "
                 "the installation's folder under the user's local application data",
             keys=HAPPY_KEYS, javas=(JRE,), home=JRE, log="local"),
    Scenario(name="no_log_anywhere",
             why="neither the exe's folder nor local application data can take a log: the "
                 "server starts without one, no box",
             keys=HAPPY_KEYS, javas=(JRE,), home=JRE, log=None,
             env={"LOCALAPPDATA": r"C:\e2e\Tolvan Smeltra\logs\AppData"}),
    Scenario(name="options_file",
             why="a real Smeltra.vmoptions beside the exe, Windows' expansion, and the arguments "
                 "as the runtime's argv reads them",
             keys=HAPPY_KEYS, javas=(OLD_JRE, JRE), home=JRE, env={"E2E_HEAP": "64m"},
             options=("# memory\r\n-Xmx%E2E_HEAP%\r\n\r\n  -Dsmeltra.name=Tolvan Smeltra \t\r\n"
                      '-Dsay=a "quoted" word\\\r\n-D%E2E_UNSET%=\u00e9\r\n',
                      ("-Xmx64m", "-Dsmeltra.name=Tolvan Smeltra", '-Dsay=a "quoted" word\\',
                       "-D%E2E_UNSET%=\u00e9"))),
    Scenario(name="not_new_enough",
             why="1.3.1 (64-bit view) and 1.3 (32-bit view) only, in the registry's real views: "
                 "status 2",
             keys=((HKLM + JRE_KEY + "1.3.1", {"JavaHome": OLD_JRE}),
                   (WOW64 + JRE_KEY + "1.3", {"JavaHome": OLD_JRE})),
             javas=(OLD_JRE,), status=2, boxes=(NOT_NEW_ENOUGH,)),
    Scenario(name="view64_first",
             why="1.8 in both real registry views: the 64-bit view's started",
             keys=((WOW64 + JRE_KEY + "1.8", {"JavaHome": JRE32}),
                   (HKLM + JRE_KEY + "1.8", {"JavaHome": JRE})),
             javas=(JRE32, JRE), home=JRE),
    Scenario(name="could_not_start",
             why="java.exe is not a program: the system's reason in one box, status 3",
             keys=((HKLM + JRE_KEY + "1.8.0_202", {"JavaHome": BROKEN_JRE}),),
             broken=(BROKEN_JRE,), status=3, boxes=(NOT_STARTED,)),
    Scenario(name="closed_before_tick",
             why="the window's close command at 300 ms: nothing shown or started, status 0",
             keys=HAPPY_KEYS, javas=(OLD_JRE, JRE), close_ms=300),
    Scenario(name="launcher_in_another_drive_root",
             why="the exe at M:\\ while the current drive is C:: its folder from the system, "
                 "started in M:\\",
             keys=HAPPY_KEYS, javas=(OLD_JRE, JRE), app="M:\\", home=JRE),
    Scenario(name="java_on_path",
             why="no runtime folder: `java` from the real system folders and PATH by its full "
                 "path, never the current folder's",
             keys=((HKLM + JRE_KEY + "1.8.0_351", {}),), javas=(r"C:\e2e\tools",),
             env={"PATH": SYSTEM_PATH + r";.;C:\e2e\tools\bin"},
             program=r"C:\e2e\tools\bin\java.exe"),
    # A relative folder never means the real current folder, which holds a runtime too.
    Scenario(name="relative_registry_folder",
             why="JavaHome jre8\\ read from the real registry: the runtime beside the exe, not "
                 "the current folder's, started by a path with \\\\ in it",
             keys=((HKLM + JRE_KEY + "1.8", {"JavaHome": "jre8\\"}),),
             javas=(APP + r"\jre8", DOWNLOADS + r"\jre8"), cwd=DOWNLOADS,
             home=APP + "\\jre8\\"),
]


def command(home, app):
    """The server's command line: the pieces joined as they are."""
    java = f'"{home}\\bin\\java.exe"' if home else "java"
    return f'{java} -classpath "{app}\\Quorvane\\lib\\vuz.jar";"{app}\\Quorvane" Velquist.Frame11'


def host(windows_path):
    """The host path of a path on one of the prefix's drives."""
    drive = os.path.realpath(PREFIX / "dosdevices" / windows_path[:2].lower())
    return Path(drive).joinpath(*[part for part in windows_path[3:].split("\\") if part])


def run_robot(arch, robot, exe, close_ms=0, hold_ms=0, on_event=lambda event: None, env=None,
              cwd="C:\\"):
    """Starts the launcher through the robot of its build (x64 or x86) from `cwd`; its events as lists
    [time in ms, kind, details...], each also handed to on_event as it comes.
    Through a file, as Wine's services, started by the first program, would
    hold a pipe open for good. The launcher gets a plain PATH and none of the
    runtime variables, whatever this machine has, but for those in `env`."""
    settings = {"PATH": SYSTEM_PATH, "JAVA_HOME": "", "SMELTRA_JAVA_HOME": "", **(env or {})}
    events, pending = [], ""
    with tempfile.NamedTemporaryFile("r", encoding="utf-8") as out:
        with open(out.name, "w") as sink:
            process = subprocess.Popen([WINE_RUN, arch, robot, exe, cwd, str(close_ms), str(hold_ms),
                                        *(f"{name}={value}" for name, value in settings.items())],
                                       stdout=sink, stderr=subprocess.DEVNULL)
        while True:
            running = process.poll() is None
            *lines, pending = (pending + out.read()).split("\n")
            for line in lines:
                fields = [re.sub(r"\\(.)", lambda m: UNESCAPE.get(m[1], m[1]), field)
                          for field in line.split("\t")]
                events.append([float(fields[0]), *fields[1:]])
                on_event(events[-1])
            if not running:
                return events
            time.sleep(0.05)


def system_name(path):
    """A path as the system names it: any case, one backslash between folders."""
    return re.sub(r"\\+", r"\\", path).lower()


def splash_difference(rect):
    """compare's count of the pixels that differ; the frame is as thick at the
    sides as at the bottom."""
    time.sleep(0.8)  # painted by then, and not yet gone
    left, top, right, bottom = map(int, rect)
    border = (right - left - CLIENT[0]) // 2
    crop = f"{CLIENT[0]}x{CLIENT[1]}+{left + border}+{bottom - border - CLIENT[1]}"
    subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", SHOT], check=True)
    return subprocess.run(["compare", "-metric", "AE", "-fuzz", FUZZ, REFERENCE, SHOT, "null:"],
                          capture_output=True, text=True).stderr.strip()


def write_registry(keys):
    """The scenario's registry state, in one import: the runtime keys of both
    views removed, then its own keys written."""
    lines = ["Windows Registry Editor Version 5.00", ""] + [
        f"[-{view}JavaSoft]" for view in (HKLM, WOW64)]
    for key, values in keys:
        lines += ["", f"[{key}]"] + [f'"{name}"="' + value.replace("\\", "\\\\") + '"'
                                     for name, value in values.items()]
    (PREFIX / "drive_c" / "e2e-state.reg").write_bytes(
        b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le"))
    # Wine's messages into a file, not a pipe, which a server started here would hold open.
    with tempfile.TemporaryFile("w+", errors="replace") as messages:
        status = subprocess.run([WINE_RUN, "prefix", "regedit", "/s", "C:\\e2e-state.reg"], timeout=120,
                                stdout=subprocess.DEVNULL, stderr=messages,
                                env={**os.environ, "WINEDEBUG": "err+all"}).returncode
        if status:
            messages.seek(0)
            raise SystemExit("importing the scenario's registry state (regedit /s C:\\e2e-state.reg) "
                             f"ended with exit status {status}; Wine said:\n{messages.read()}")


def shown(template, text, line):
    """Whether a box said `template` with the server's command `line`, where
    {reason} is any one line: the system's text, which the Windows tests pin."""
    head, reason, tail = template.replace("{command}", line).partition("{reason}")
    middle = text[len(head):len(text) - len(tail)] if len(text) > len(head + tail) else ""
    return text.startswith(head) and text.endswith(tail) and (
        bool(middle) and not set(middle) & set("\r\n") if reason else text == head)


def check(scenario, events):
    """What went wrong, and how long the splash showed."""
    of = lambda kind: [e for e in events if e[1] == kind]  # noqa: E731
    windows, boxes, started = of("window"), of("box"), of("started")
    gone = {e[2]: e[0] for e in of("gone")}
    failures = [f"robot: {e[1]}" for e in of("timeout")]
    if len(windows) != 1 or windows[0][4] != TITLE or windows[0][2] not in gone:
        return failures + [f"not one splash that came and went: {windows}"], None
    splash_gone = gone[windows[0][2]]
    lifetime = splash_gone - windows[0][0]
    if not (lifetime < scenario.close_ms + 700 if scenario.close_ms else abs(lifetime - 2000) < 250):
        failures.append(f"the splash lived {lifetime:.0f} ms")

    home = "" if scenario.program else scenario.home or next(iter(scenario.broken), "")
    line = command(home, scenario.app)
    texts = [box[4] for box in boxes]
    if len(texts) != len(scenario.boxes) or not all(
            shown(want, text, line) for want, text in zip(scenario.boxes, texts)):
        failures.append(f"boxes {texts!r}, expected {scenario.boxes!r}")
    for box in boxes:
        if box[3] != TITLE or box[5:7] != ["OK", "0"] or box[0] < splash_gone:
            failures.append(f"not a box titled, with a lone OK, no icon, after the splash: {box}")

    status, ended = next(((int(e[2]), e[0]) for e in of("exit")), (None, None))
    if status != scenario.status:
        failures.append(f"exit status {status}, expected {scenario.status}")
    if not of("unpiped"):
        failures.append("the pipe that was the launcher's output stayed open after it ended: "
                        "a process it started holds it")
    lives_ms, runtime_status = scenario.runtime
    # One that ended within the watch was noticed before the watch ran out,
    # by its box or the launcher's end: the end, not the watch's time, ends the wait.
    deadline = WATCH_MS if lives_ms < WATCH_MS else WATCH_MS + MARGIN_MS
    noticed = next((box[0] for box in boxes), ended)
    for start in (e for e in started if not e[2].lower().endswith(".dll")):
        if noticed is None or noticed >= start[0] + deadline:
            failures.append(f"the launcher noticed at {noticed} ms, not within the watch of the "
                            f"runtime it started at {start[0]:.0f} ms")
        if start[6:8] != ["windowless", "end"]:
            failures.append(f"the runtime had {start[6]} console and its input was {start[7]}, "
                            "expected a console without a window and input at its end")
    starts = [[system_name(e[2]), *e[3:6]] for e in started]
    if scenario.options:
        # Read back as the runtime reads its command line, argument by argument.
        arguments, app = [e[9:] for e in started], scenario.app
        expected = [[*scenario.options[1], "-classpath",
                     f"{app}\\Quorvane\\lib\\vuz.jar;{app}\\Quorvane", "Velquist.Frame11"]]
        if arguments != expected:
            failures.append(f"the runtime read {arguments}, expected {expected}")
        starts = [start[:1] + start[2:] for start in starts]
        line = None
    program = scenario.program or f"{scenario.home}\\bin\\java.exe"
    want = [[system_name(program), *([line] if line else []), scenario.app, "0"]] if (
        scenario.status == 0 or runtime_status) and (scenario.home or scenario.program) else []
    if starts != want:
        failures.append(f"started {starts}, expected {want or 'nothing'}")
    if want:
        failures += check_logs(scenario, program, line or "")
    return failures, lifetime


def check_logs(scenario, program, line):
    """Each run's log where the scenario wants it: the header (its command line
    in full unless options made it), then the runtime's two streams in order."""
    logs = host(scenario.app) / "logs"
    if scenario.log == "local":
        logs = next(host(LOCAL_APP_DATA).glob("Smeltra/*/logs"), logs)
    runs = sorted(logs.glob("server*.log")) if logs.is_dir() else []
    if scenario.log is None:
        return [f"logs written: {runs}"] if runs else []
    expected = ["server.log"] + [f"server.{n}.log" for n in range(1, min(scenario.starts,
                                                                          KEPT_RUNS))]
    if sorted(run.name for run in runs) != sorted(expected):
        return [f"logs {[run.name for run in runs]} in {logs}, expected {expected}"]
    failures = []
    for run in runs:
        text = run.read_bytes().decode("utf-8")
        found = HEADER.match(text)
        if not found or system_name(found[1]) != system_name(program) or (
                line and found[2] != line) or text[found.end():] != SAYS.replace("|", ""):
            failures.append(f"{run.name} holds {text!r}")
    return failures


def end_runtimes():
    """Ends every runtime an earlier scenario left running, which would hold
    its installation for good."""
    subprocess.run([WINE_RUN, "prefix", "taskkill", "/f", "/im", "java.exe"], timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def clean_slate(keys, robot, javas=(), broken=()):
    """Nothing of an earlier scenario left running or on disk, the registry
    state `keys`, and a java.exe in each folder of `javas` (the robot) and of
    `broken` (a text file)."""
    end_runtimes()
    write_registry(keys)
    for folder in ["C:\\e2e"] + [f for other in SCENARIOS for f in other.javas + other.broken]:
        shutil.rmtree(host(folder), ignore_errors=True)
    for folder in javas + broken:
        java = host(folder + "\\bin\\java.exe")
        java.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(robot, java) if folder in javas else java.write_text("no program")


def install(app, exe):
    (host(app) / "Quorvane" / "lib").mkdir(parents=True, exist_ok=True)
    shutil.copyfile(exe, host(app) / "Smeltra.exe")


def run(scenario, arch, robot, exe):
    clean_slate(scenario.keys, robot, scenario.javas, scenario.broken)
    install(scenario.app, exe)
    options = host(scenario.app) / "Smeltra.vmoptions"
    options.unlink(missing_ok=True)
    if scenario.options:
        options.write_bytes(b"\xff\xfe" + scenario.options[0].encode("utf-16-le"))
    for planted in (scenario.app, scenario.cwd):  # must never run
        host(planted).mkdir(parents=True, exist_ok=True)
        shutil.copyfile(robot, host(planted) / "java.exe")
    shutil.copyfile(Path(robot).with_name("planted.dll"), host(scenario.app) / f"{PLANTED}.dll")
    if scenario.log != "app":  # a file where the log's folder would be
        (host(scenario.app) / "logs").write_text("not a folder")
    launcher = scenario.app.rstrip("\\") + "\\Smeltra.exe"
    env = {"SMELTRA_RUNTIME_MS": str(scenario.runtime[0]),
           "SMELTRA_RUNTIME_STATUS": str(scenario.runtime[1]),
           "SMELTRA_RUNTIME_SAYS": SAYS, "LOCALAPPDATA": LOCAL_APP_DATA, **scenario.env}
    for _ in range(scenario.starts - 1):
        run_robot(arch, robot, launcher, env=env, cwd=scenario.cwd)
    shots = []

    def on_event(event):
        if scenario.screenshot and event[1] == "window":
            shots.append(splash_difference(event[5:9]))
    failures, lifetime = check(scenario, run_robot(arch, robot, launcher, scenario.close_ms,
                                                   on_event=on_event, env=env, cwd=scenario.cwd))
    if scenario.screenshot and not (shots and shots[0].isdigit() and int(shots[0]) <= LIMIT):
        failures.append(f"the splash differs from {REFERENCE.name} ({shots}): see {SHOT}")
    elif scenario.screenshot:
        SHOT.unlink()
    return failures, lifetime


def one_server_per_installation(arch, robot, exe):
    """Several launchers in turn and at once, and --stop, on two installations:
    what went wrong, and no splash's lifetime."""
    clean_slate(HAPPY_KEYS, robot, (JRE,))
    for app in (APP, APP2):
        install(app, exe)
    robot2 = host(ROBOT2)
    failures = []

    def launch(app, expected, box=None, stop=False, ctrl_c=False, by=robot, hold_ms=0, runtimes=1,
               **env):
        """Starts the launcher (with --stop) from `app` through the robot `by`,
        which holds a box `hold_ms`: its exit status must be `expected`, its one
        box start with `box`, and a start must start `runtimes` (2: with the
        runtime's child) exactly when it gives 0. Its events."""
        env = {"SMELTRA_RUNTIME_MS": "60000", **env, **({"ARGUMENTS": "--stop"} if stop else {})}
        events = run_robot(arch, by, app + "\\Smeltra.exe", hold_ms=hold_ms, env=env)
        status = next((int(e[2]) for e in events if e[1] == "exit"), None)
        boxes = [e[4] for e in events if e[1] == "box"]
        starts = [e for e in events if e[1] == "started"]
        what = f"{app}\\Smeltra.exe{' --stop' if stop else ''}"
        if status != expected or len(boxes) != bool(box) or (box and not boxes[0].startswith(box)):
            failures.append(f"{what}: status {status}, boxes {boxes}; expected {expected}, {box}")
        if len(starts) != runtimes * (not stop and expected == 0):
            failures.append(f"{what}: started {len(starts)} runtimes")
        if ctrl_c and ["stop", "0"] not in [e[1:3] for e in events]:
            failures.append(f"{what}: the runtime was not asked to stop by Ctrl+C: {events}")
        return events

    def logs_of(app):
        return {log.name: log.read_bytes() for log in (host(app) / "logs").glob("*")}

    # A program the runtime started holds server.log after the runtime ended:
    # each later start appends to it and moves no earlier run.
    earlier = {f"server.{n}.log": f"run -{n}\r\n".encode() for n in range(1, KEPT_RUNS)}
    (host(APP) / "logs").mkdir()
    for name, text in earlier.items():
        (host(APP) / "logs" / name).write_bytes(text)
    launch(APP, 0, runtimes=2, SMELTRA_RUNTIME_MS="1000", SMELTRA_RUNTIME_CHILD="120000")
    for run in (1, 2):
        launch(APP, 0, SMELTRA_RUNTIME_MS="0", SMELTRA_RUNTIME_SAYS=f"run {run}\r\n")
    launch(APP, 5, stop=True)  # the claim outlived its server: nothing to do, nothing shown
    launch(APP, 0)
    logs = logs_of(APP)
    last = logs.pop("server.log", b"").decode()
    if logs != earlier or not re.fullmatch("".join(
            HEADER.pattern + says for says in ("", "run 1\r\n", "run 2\r\n", "")), last):
        failures.append(f"logs after a held server.log: {logs_of(APP)}; expected {earlier} and "
                        "a server.log of 4 runs")
    launch(APP.upper(), 4, ALREADY_RUNNING)  # the same folder, as Windows compares it
    launch(APP2, 0)  # another installation starts its own
    launch(APP, 0, stop=True, ctrl_c=True)
    launch(APP2, 4, ALREADY_RUNNING)  # still running: the stop touched only its own
    end_runtimes()
    # Ended forcibly, with the program it started, it leaves nothing.
    launch(APP2, 0, runtimes=2, SMELTRA_RUNTIME_IGNORES_STOP="1", SMELTRA_RUNTIME_CHILD="120000")
    with ThreadPoolExecutor() as pool:
        # The real limit, which no setting shortens; meanwhile a start is turned away.
        stop = pool.submit(launch, APP2, 6, "The Smeltra server did not stop within 30 seconds",
                           stop=True, ctrl_c=True)
        launch(APP2, 4, "The Smeltra server of this folder is being stopped.", by=robot2)
        stop.result()
    launch(APP2, 5, stop=True)
    # Two at once: one starts, the other finds it starting or running.
    with ThreadPoolExecutor() as pool:
        both = list(pool.map(lambda r: run_robot(arch, r, APP2 + "\\Smeltra.exe",
                                                 env={"SMELTRA_RUNTIME_MS": "60000"}),
                             (robot, robot2)))
    statuses = sorted(int(e[2]) for events in both for e in events if e[1] == "exit")
    starts = sum(e[1] == "started" for events in both for e in events)
    if statuses != [0, 4] or starts != 1:
        failures.append(f"two launchers at once: statuses {statuses}, {starts} runtimes started")
    # Nothing holds the forcibly ended server's log: this start rolled it.
    if sorted(logs_of(APP2)) != ["server.1.log", "server.2.log", "server.log"]:
        failures.append(f"the forcibly ended server's log held: {sorted(logs_of(APP2))}")
    launch(APP2, 0, stop=True)  # whichever robot's runtime it is: ended within the limit
    # Each shows its own box, the second while the first's stays open longer
    # than a launcher waits for another: neither holds the installation then.
    write_registry(())
    with ThreadPoolExecutor() as pool:
        later = pool.submit(lambda: time.sleep(1) or launch(APP, 1, NOT_INSTALLED, by=robot2,
                                                             hold_ms=12000))
        both = [launch(APP, 1, NOT_INSTALLED, hold_ms=12000), later.result()]
    box_times = [e[0] for events in both for e in events if e[1] == "box"]
    if any(at > 6000 for at in box_times):
        failures.append(f"boxes shown {box_times} ms after their launchers started: one waited")
    return failures, None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Smeltra.exe under test")
    parser.add_argument("--robot", required=True, help="robot.exe")
    parser.add_argument("--arch", required=True, choices=("x64", "x86"), help="their build")
    parser.add_argument("--wow64", action="store_true",
                        help="only the scenarios with keys in both registry views")
    parser.add_argument("names", nargs="*", help="run only these scenarios")
    args = parser.parse_args()
    robot = host("C:\\e2e-robot\\robot.exe")
    for copy in (robot, *map(host, (ROBOT2, *DECOYS))):  # the robots; nothing may run a decoy
        copy.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(args.robot, copy)
    shutil.copyfile(Path(args.robot).with_name("planted.dll"), robot.with_name("planted.dll"))
    os.environ.update(WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "") + f";{PLANTED}=n,b")
    # Another drive, M:, for the launcher; C: stays the current drive.
    (PREFIX / "e2e-drive-m").mkdir(exist_ok=True)
    if not (PREFIX / "dosdevices" / "m:").is_symlink():
        (PREFIX / "dosdevices" / "m:").symlink_to(PREFIX / "e2e-drive-m")

    runs = [(s.name, s.why, partial(run, s)) for s in SCENARIOS
            if (not args.names or s.name in args.names)
            and (not args.wow64 or any(key.startswith(WOW64) for key, _ in s.keys))]
    if not args.wow64 and (not args.names or "one_server" in args.names):
        runs.append(("one_server", "a second start, one a different case, and two at once start "
                     "one runtime; another installation its own; a log held by a runtime's child "
                     "moves no earlier run; --stop by Ctrl+C, after the limit (a start meanwhile "
                     "turned away, the child ended too), or with nothing running; two launchers "
                     "without Java each show their box at once",
                     one_server_per_installation))
    failed = 0
    for name, why, go in runs:
        started = time.monotonic()
        failures, lifetime = go(args.arch, robot, args.exe)
        splash = f"splash {lifetime / 1000:.2f} s, " if lifetime is not None else ""
        print(f"{'FAIL' if failures else 'ok':4}  {name}  ({splash}"
              f"{time.monotonic() - started:.1f} s)  {why}", flush=True)
        print("".join(f"    {failure}\n" for failure in failures), end="", flush=True)
        failed += bool(failures)
    print(f"{len(runs) - failed} passed, {failed} failed", flush=True)
    return 1 if failed or not runs else 0


if __name__ == "__main__":
    sys.exit(main())
