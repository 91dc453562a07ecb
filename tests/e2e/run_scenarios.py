#!/usr/bin/env python3
"""Runs the end-to-end scenarios (scenarios.py) against the real Smeltra.exe
in the shared Wine prefix, driving it with the GUI robot, and prints one line
a scenario and a closing `N passed, N failed`. Exit status 1 when any failed.

Needs WINEPREFIX (booted, with a virtual desktop) and DISPLAY; tools/wine.sh
makes both. Each scenario sets the whole registry state it relies on, lays
out its own folders and removes what it planted outside them, so the table
runs the same a second time.
"""

import argparse
import json
import shutil
import subprocess
import sys
import time
from pathlib import Path

import checks
from scenario_model import (
    PATH_JAVA_FOLDER,
    SCENARIO_ROOT,
    Scenario,
    java_exe,
    registry_text,
    server_arguments,
    server_command,
)
from scenarios import SCENARIOS
from wine_prefix import WinePrefix

ROBOT_TIMEOUT_S = 120
RECORD_WAIT_S = 15  # how long a started runtime may take to write its record
QUIET_AFTER_EXIT_S = 1.0  # how long nothing may start after the launcher ended
PICTURE_AT_96_DPI = (56, 88, 456, 288)  # Image2 in client pixels

SPLASH_WAIT_MS = 30000
SPLASH_GONE_MS = 10000
CLOSED_SPLASH_GONE_MS = 1500
BOXES_TIMEOUT_MS = 30000
BOX_HOLD_MS = 700
ERROR_FILE_NOT_FOUND = 2


class Suite:
    def __init__(self, args):
        self.prefix = WinePrefix()
        self.exe = Path(args.exe).resolve()
        self.robot = Path(args.robot).resolve()
        self.stand_in = Path(args.stand_in).resolve()
        self.picture = Path(args.picture).resolve()
        self.results = Path(args.results).resolve()
        shutil.rmtree(self.results, ignore_errors=True)
        self.results.mkdir(parents=True)
        self.file_not_found = ""
        self.dpi = None  # the DPI Wine's display runs at

    def set_registry(self, scenario, fill):
        """The scenario's registry state. Wine's display reads the DPI once,
        when it starts, so a new DPI restarts the prefix's wineserver (which
        keeps the registry) and the display with it."""
        self.prefix.import_registry(registry_text(scenario, fill))
        if scenario.dpi != self.dpi:
            self.prefix.keep_server_running()
            self.dpi = scenario.dpi

    def prepare(self):
        """The stand-in java.exe on the search path, and the prefix's own
        wording of the could-not-start box's system message."""
        self.set_registry(Scenario("prepare", ""), lambda text: text)
        target = self.prefix.host_path(PATH_JAVA_FOLDER) / "java.exe"
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(self.stand_in, target)
        events, _ = self.run_robot("prepare", [("system-message", ERROR_FILE_NOT_FOUND)])
        message = next((e for e in events if e["ev"] == "system-message"), None)
        if message is None:
            raise RuntimeError("the robot did not report the system's message")
        self.file_not_found = message["text"]

    def finish(self):
        """Leaves the prefix as the suite found it: no runtime keys, 96 DPI,
        no wineserver kept running."""
        try:
            self.prefix.import_registry(registry_text(Scenario("finish", ""), lambda text: text))
            shutil.rmtree(self.prefix.host_path(SCENARIO_ROOT), ignore_errors=True)
            shutil.rmtree(self.prefix.host_path(PATH_JAVA_FOLDER), ignore_errors=True)
        finally:
            self.prefix.stop_server()

    def run_robot(self, name, lines):
        script = self.results / f"{name}.robot"
        report = self.results / f"{name}.jsonl"
        script.write_text(
            "\n".join("\t".join(str(field) for field in line) for line in lines) + "\n",
            encoding="utf-8",
        )
        result = self.prefix.run(
            [self.robot, self.prefix.windows_path(script), self.prefix.windows_path(report)],
            timeout=ROBOT_TIMEOUT_S,
        )
        events = []
        if report.exists():
            events = [json.loads(line) for line in report.read_text("utf-8").splitlines() if line]
        if result.returncode not in (0, 2):
            sys.stderr.write(result.stderr)
        return events, result.returncode

    def shot_png(self, bmp):
        """A robot screenshot as PNG beside it; the path, or None."""
        if not bmp.exists():
            return None
        png = bmp.with_suffix(".png")
        subprocess.run(["convert", str(bmp), str(png)], check=False, capture_output=True)
        return png if png.exists() else None

    def picture_differs(self, shot):
        """How many pixels of the shown picture differ from the GIF."""
        result = subprocess.run(
            ["compare", "-metric", "AE", str(shot), str(self.picture), "null:"],
            capture_output=True,
            text=True,
            check=False,
        )
        try:
            return int(float(result.stderr.split()[0]))
        except (IndexError, ValueError):
            return None


class Planted:
    """Files and folders a scenario puts outside its own folder, removed
    again afterwards (folders only when the scenario created them)."""

    def __init__(self):
        self.paths = []

    def make_folders(self, folder):
        missing = []
        while not folder.exists():
            missing.append(folder)
            folder = folder.parent
        for path in reversed(missing):
            path.mkdir()
            self.paths.append(path)

    def copy(self, source, target):
        self.make_folders(target.parent)
        shutil.copyfile(source, target)
        self.paths.append(target)

    def remove(self):
        for path in reversed(self.paths):
            if path.is_dir():
                shutil.rmtree(path, ignore_errors=True)
            else:
                path.unlink(missing_ok=True)


def run_scenario(suite, scenario):
    prefix = suite.prefix
    root = f"{SCENARIO_ROOT}\\{scenario.name}"

    def fill(text):
        return text.format(root=root)

    host_root = prefix.host_path(root)
    shutil.rmtree(host_root, ignore_errors=True)
    host_root.mkdir(parents=True)
    planted = Planted()
    try:
        for letter, name in scenario.drives.items():
            prefix.map_drive(letter, prefix.root / name)
        folder = fill(scenario.folder)
        lay_out_installation(suite, prefix.host_path(folder), planted)
        for runtime in scenario.runtimes:
            if runtime.javahome != "sz" or not runtime.home:
                continue
            home = prefix.host_path(fill(runtime.home))
            if runtime.installed:
                planted.copy(suite.stand_in, home / "bin" / "java.exe")
            else:
                planted.make_folders(home / "bin")
        for decoy in scenario.decoys:
            planted.copy(suite.stand_in, prefix.host_path(decoy))
        suite.set_registry(scenario, fill)
        return launch_and_check(suite, scenario, root, folder, fill)
    finally:
        planted.remove()
        prefix.unmap_drives()


def lay_out_installation(suite, host_folder, planted):
    """Smeltra.exe beside Quorvane\\lib\\vuz.jar and the Quorvane class folder."""
    planted.make_folders(host_folder / "Quorvane" / "lib")
    planted.copy(suite.exe, host_folder / "Smeltra.exe")
    (host_folder / "Quorvane" / "lib" / "vuz.jar").write_bytes(b"PK\x05\x06" + bytes(18))


def robot_script(suite, scenario, folder, record, name):
    exe = folder.rstrip("\\") + "\\Smeltra.exe"
    lines = [("env", "SMELTRA_RECORD", record)]
    if scenario.path_java:
        lines.append(("path-prepend", PATH_JAVA_FOLDER))
    lines += [
        ("launch", exe, scenario.cwd),
        ("wait-window", "splash", SPLASH_WAIT_MS),
        ("describe",),
    ]
    if scenario.splash == "full":
        lines.append(("title-icon", exe))
        lines.append(("shot", suite.prefix.windows_path(suite.results / f"{name}-splash.bmp")))
        if scenario.dpi == 96:
            picture = suite.prefix.windows_path(suite.results / f"{name}-picture.bmp")
            lines.append(("shot-client-area", picture, *PICTURE_AT_96_DPI))
    lines += list(scenario.actions)
    if scenario.actions and scenario.splash != "closed":
        lines.append(("describe",))
    gone_ms = CLOSED_SPLASH_GONE_MS if scenario.splash == "closed" else SPLASH_GONE_MS
    box_shot = suite.prefix.windows_path(suite.results / f"{name}-box.bmp")
    lines += [
        ("wait-gone", gone_ms),
        ("answer-boxes", BOXES_TIMEOUT_MS, BOX_HOLD_MS, record, box_shot),
    ]
    return lines


def read_records(path, expect_start):
    """Waits for a started runtime's record, or, when none may start, makes
    sure that none turns up a little after the launcher ended."""
    deadline = time.monotonic() + (RECORD_WAIT_S if expect_start else QUIET_AFTER_EXIT_S)
    while time.monotonic() < deadline:
        if expect_start and path.exists() and checks.parse_records(path.read_text("utf-8")):
            break
        time.sleep(0.1)
    if not path.exists():
        return []
    return checks.parse_records(path.read_text("utf-8"))


def launch_and_check(suite, scenario, root, folder, fill):
    name = scenario.name
    record = f"{root}\\started.txt"
    events, robot_status = suite.run_robot(name, robot_script(suite, scenario, folder, record, name))
    records = read_records(suite.prefix.host_path(record), scenario.starts)

    home = fill(scenario.home) if scenario.home is not None else ""
    command = fill(scenario.command) if scenario.command else server_command(home, folder)
    expected = checks.Expected(
        folder=folder,
        command=command,
        arguments=server_arguments(home, folder),
        program=java_exe(home) if home else PATH_JAVA_FOLDER + "\\java.exe",
        boxes=[
            text.format(root=root, command=command, file_not_found=suite.file_not_found)
            for text in scenario.boxes
        ],
        status=scenario.status,
    )

    timeline = checks.Timeline(events)
    failures = checks.check_robot(events, robot_status)
    if timeline.splash is None:
        failures.append("no splash window was seen")
    else:
        failures += checks.check_splash_title(timeline)
        failures += checks.check_splash_lifetime(timeline, scenario.splash == "closed")
        if scenario.splash == "full":
            failures += checks.check_splash_layout(timeline, scenario.dpi)
            picture = suite.shot_png(suite.results / f"{name}-picture.bmp")
            if picture is not None:
                differing = suite.picture_differs(picture)
                if differing != 0:
                    failures.append(f"the picture shown differs from the GIF in {differing} pixels")
            elif scenario.dpi == 96:
                failures.append("no screenshot of the picture")
        if scenario.actions and scenario.splash != "closed":
            failures += checks.check_splash_unchanged(timeline)
    failures += checks.check_boxes(timeline, expected)
    failures += checks.check_status(timeline, expected)
    failures += checks.check_start(records, expected, scenario.starts)
    if failures:
        for bmp in suite.results.glob(f"{name}*.bmp"):
            suite.shot_png(bmp)
    return failures, timeline.splash_lifetime()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the Smeltra.exe under test")
    parser.add_argument("--robot", required=True, help="smeltra_robot.exe")
    parser.add_argument("--stand-in", required=True, help="the recording java.exe stand-in")
    parser.add_argument("--picture", required=True, help="the splash picture (GIF)")
    parser.add_argument("--results", required=True, help="a folder for reports and screenshots")
    parser.add_argument("names", nargs="*", help="run only these scenarios")
    args = parser.parse_args()

    selected = [s for s in SCENARIOS if not args.names or s.name in args.names]
    unknown = set(args.names) - {s.name for s in SCENARIOS}
    if unknown:
        parser.error(f"no such scenarios: {sorted(unknown)}")

    suite = Suite(args)
    passed = failed = 0
    try:
        suite.prepare()
        for scenario in selected:
            started = time.monotonic()
            lifetime = None
            try:
                failures, lifetime = run_scenario(suite, scenario)
            except (OSError, RuntimeError, subprocess.TimeoutExpired) as error:
                failures = [f"could not run: {error}"]
            seconds = time.monotonic() - started
            splash = f"splash {lifetime / 1000:.2f} s, " if lifetime is not None else ""
            verdict = "FAIL" if failures else "ok"
            print(
                f"{verdict:4}  {scenario.name}  ({splash}{seconds:.1f} s)  {scenario.why}",
                flush=True,
            )
            for failure in failures:
                print(f"    {failure}", flush=True)
            failed += 1 if failures else 0
            passed += 0 if failures else 1
    finally:
        suite.finish()
    if failed:
        print(f"reports and screenshots: {suite.results}", flush=True)
    print(f"{passed} passed, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
