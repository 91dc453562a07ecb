#!/usr/bin/env python3
"""Runs the scenarios of scenarios.py against the real Smeltra.exe under Wine
with the robot (robot.cpp), one line a scenario, then `N passed, N failed`;
exit status 1 when any failed. Needs WINEPREFIX and DISPLAY (tools/wine.sh).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import scenarios as table

PREFIX = Path(os.environ.get("WINEPREFIX", "/nonexistent"))
TITLE = "Tolvan Smeltra"
ERROR_BAD_EXE_FORMAT = 193


def host(windows_path):
    """The host path of a path on one of the prefix's drives."""
    drive = os.path.realpath(PREFIX / "dosdevices" / windows_path[:2].lower())
    return Path(drive).joinpath(*[part for part in windows_path[3:].split("\\") if part])


def wine(*args):
    """Runs a Windows program; output through a file, as Wine's services,
    started by the first program, would hold a pipe open for good."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", *map(str, args)], stdout=out, stderr=subprocess.DEVNULL,
                       check=True, timeout=120)
        out.seek(0)
        return out.read().decode("utf-8")


def fields(line):
    unescape = {"t": "\t", "r": "\r", "n": "\n"}
    return [re.sub(r"\\(.)", lambda m: unescape.get(m[1], m[1]), field)
            for field in line.rstrip("\n").split("\t")]


def run_robot(robot, exe, close_ms=0, hold_ms=0, on_event=lambda event: None):
    """Starts the launcher through the robot from C:\\; its events as lists
    [time in ms, kind, details...], each also handed to on_event as it comes."""
    events, pending = [], ""
    with tempfile.NamedTemporaryFile("r", encoding="utf-8") as out:
        with open(out.name, "w") as sink:
            process = subprocess.Popen(["wine", robot, exe, "C:\\", str(close_ms), str(hold_ms)],
                                       stdout=sink, stderr=subprocess.DEVNULL)
        while True:
            running = process.poll() is None
            *lines, pending = (pending + out.read()).split("\n")
            for line in lines:
                events.append([float(f) if i == 0 else f for i, f in enumerate(fields(line))])
                on_event(events[-1])
            if not running:
                return events
            time.sleep(0.05)


def write_registry(keys):
    """The scenario's registry state, in one import: the runtime keys of both
    views and of the user removed, then its own keys written."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    lines += [f"[-{key}]" for key in table.CLEARED]
    for key, values in keys:
        lines += ["", f"[{key}]"]
        for name, value in values.items():
            text = f"dword:{value:08x}" if isinstance(value, int) else \
                '"' + value.replace("\\", "\\\\") + '"'
            lines.append(f'"{name}"={text}')
    reg = PREFIX / "drive_c" / "e2e-state.reg"
    reg.write_bytes(b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le"))
    wine("regedit", "/s", "C:\\e2e-state.reg")


def check(scenario, events, bad_exe):
    windows = [e for e in events if e[1] == "window"]
    boxes = [e for e in events if e[1] == "box"]
    gone = {e[2]: e[0] for e in events if e[1] == "gone"}
    failures = [f"robot: {e[1]}" for e in events if e[1] == "timeout"]
    if len(windows) != 1 or windows[0][4] != TITLE or windows[0][2] not in gone:
        return failures + [f"not one splash titled {TITLE!r} that came and went: {windows}"], None
    splash = windows[0]
    lifetime = gone[splash[2]] - splash[0]
    if scenario.close_ms and not lifetime < scenario.close_ms + 700:
        failures.append(f"the closed splash lived {lifetime:.0f} ms")
    if not scenario.close_ms and abs(lifetime - 2000) > 250:
        failures.append(f"the splash lived {lifetime:.0f} ms, not 2000 +- 250")

    expected = [text.format(bad_exe=bad_exe, command=table.command(table.BROKEN_JRE, scenario.app))
                for text in scenario.boxes]
    if [box[4] for box in boxes] != expected:
        failures.append(f"boxes {[box[4] for box in boxes]!r}, expected {expected!r}")
    for box in boxes:
        if [box[3], box[5], box[6]] != [TITLE, "OK", "0"]:
            failures.append(f"box caption, buttons, icon {[box[3], box[5], box[6]]}, expected "
                            f"{TITLE}, a lone OK, no icon")
        if box[0] < gone[splash[2]]:
            failures.append("a box showed before the splash had gone")

    status = next((int(e[2]) for e in events if e[1] == "exit"), None)
    if status != scenario.status:
        failures.append(f"exit status {status}, expected {scenario.status}")

    starts = [e[2:] for e in events if e[1] == "started"]
    if scenario.home is None:
        failures += [f"started, though nothing may be: {start[1]}" for start in starts]
    else:
        want = [f"{scenario.home}\\bin\\java.exe", table.command(scenario.home, scenario.app),
                scenario.app, "0", *table.argv(scenario.home, scenario.app)]
        same_file = [re.sub(r"\\+", r"\\", start[0]).lower() ==
                     re.sub(r"\\+", r"\\", want[0]).lower() for start in starts]
        if len(starts) != 1 or not same_file[0] or starts[0][1:] != want[1:]:
            failures += [f"started  {' | '.join(start)}" for start in starts] or ["nothing started"]
            failures.append(f"expected {' | '.join(want)}")
    return failures, lifetime


def run(scenario, robot, exe, bad_exe):
    write_registry(scenario.keys)
    for folder in ["C:\\e2e"] + [f for other in table.SCENARIOS for f in other.javas + other.broken]:
        shutil.rmtree(host(folder), ignore_errors=True)
    for folder in scenario.javas + scenario.broken:
        host(folder + "\\bin").mkdir(parents=True, exist_ok=True)
    for folder in scenario.javas:
        shutil.copyfile(robot, host(folder + "\\bin\\java.exe"))
    for folder in scenario.broken:
        host(folder + "\\bin\\java.exe").write_text("not a program\n")
    (host(scenario.app) / "Quorvane" / "lib").mkdir(parents=True, exist_ok=True)
    shutil.copyfile(exe, host(scenario.app) / "Smeltra.exe")
    launcher = scenario.app.rstrip("\\") + "\\Smeltra.exe"
    return check(scenario, run_robot(robot, launcher, scenario.close_ms), bad_exe)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Smeltra.exe under test")
    parser.add_argument("--robot", required=True, help="robot.exe")
    parser.add_argument("names", nargs="*", help="run only these scenarios")
    args = parser.parse_args()
    selected = [s for s in table.SCENARIOS if not args.names or s.name in args.names]

    robot = host("C:\\e2e-robot\\robot.exe")
    robot.parent.mkdir(exist_ok=True)
    shutil.copyfile(args.robot, robot)
    for decoy in table.DECOYS:  # for the whole suite: nothing may ever run them
        host(decoy).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(robot, host(decoy))
    # Another drive, M:, for the launcher; C: stays the current drive.
    drive_m = PREFIX / "dosdevices" / "m:"
    (PREFIX / "e2e-drive-m").mkdir(exist_ok=True)
    if not drive_m.is_symlink():
        drive_m.symlink_to(PREFIX / "e2e-drive-m")
    bad_exe = fields(wine(robot, "message", ERROR_BAD_EXE_FORMAT))[0]

    passed = failed = 0
    for scenario in selected:
        started = time.monotonic()
        failures, lifetime = run(scenario, robot, args.exe, bad_exe)
        splash = f"splash {lifetime / 1000:.2f} s, " if lifetime is not None else ""
        print(f"{'FAIL' if failures else 'ok':4}  {scenario.name}  "
              f"({splash}{time.monotonic() - started:.1f} s)  {scenario.why}", flush=True)
        for failure in failures:
            print(f"    {failure}", flush=True)
        failed += bool(failures)
        passed += not failures
    print(f"{passed} passed, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
