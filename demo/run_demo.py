#!/usr/bin/env python3
"""./run demo: the launcher starts a real Java server under Wine.

Lays out a sample installation in a scratch folder (Smeltra.exe beside
Quorvane\\lib\\vuz.jar and the Quorvane class folder, the sample server
compiled from demo/server), registers a sample runtime 1.8.0_351 under a
folder with blanks beside an older 1.3.1 that must be skipped, starts the
launcher through the end-to-end robot, waits for the server's page and tells
what happened; then stops the server. The runtime's java.exe is demo/handover,
which hands the command to the host's JVM. With --no-java nothing is
registered: the not-installed message, OK pressed, exit status 1.
Needs WINEPREFIX and DISPLAY (tools/wine.sh).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
from run_scenarios import HKLM, JRE_KEY, host, run_robot, write_registry  # noqa: E402

RUNTIMES = {"1.3.1": r"C:\Program Files\Tolvan Java\jre 1.3.1",
            "1.8.0_351": r"C:\Program Files\Tolvan Java\jre 1.8.0_351"}
SERVER = Path(__file__).resolve().parent / "server"


def say(label, text=""):
    print(f"  {label:<15}{text}", flush=True)


def build_server(scratch, quorvane):
    """Answer into lib\\vuz.jar, Frame11 into the Quorvane class folder."""
    answer = scratch / "answer-classes"
    (quorvane / "lib").mkdir(parents=True)
    subprocess.run(["javac", "-d", answer, SERVER / "vuz/Velquist/Answer.java"], check=True)
    subprocess.run(["jar", "cf", quorvane / "lib/vuz.jar", "-C", answer, "Velquist"], check=True)
    subprocess.run(["javac", "-cp", answer, "-d", quorvane,
                    SERVER / "classes/Velquist/Frame11.java"], check=True)


def screenshot(rect, picture):
    """The part of Wine's desktop that a window covers, from the X display."""
    left, top, right, bottom = map(int, rect)
    picture.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-window", "root", "-crop",
                    f"{right - left}x{bottom - top}+{left}+{top}", "+repage", picture], check=False)
    return picture


def key_values(path):
    lines = path.read_text("utf-8", "replace").splitlines() if path.exists() else []
    return dict(line.partition("=")[::2] for line in reversed(lines) if "=" in line)


def wait_for(path, seconds):
    deadline = time.monotonic() + seconds
    while not path.exists() and time.monotonic() < deadline:
        time.sleep(0.1)
    return path.exists()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--exe", "--robot", "--handover", "--pictures"):
        parser.add_argument(option, required=True)
    parser.add_argument("--no-java", action="store_true", help="show the not-installed path")
    args = parser.parse_args()
    with_java = not args.no_java
    if with_java and shutil.which("java") is None:
        parser.error("no java on the search path: the sample runtime hands over to the host's JVM")
    pictures = Path(args.pictures).resolve()

    # On the host's own drive Z:, where the host's names of the class path
    # hold no ':' (the JVM's separator there), as dosdevices/c: would.
    scratch = Path(tempfile.mkdtemp(prefix="smeltra-demo."))
    installation = scratch / "Tolvan Smeltra"
    exe = "Z:" + str(installation / "Smeltra.exe").replace("/", "\\")
    robot = scratch / "robot.exe"
    server_pid = None
    try:
        print("Smeltra demo" + ("" if with_java else ": no Java installed"), flush=True)
        build_server(scratch, installation / "Quorvane")
        shutil.copyfile(args.exe, installation / "Smeltra.exe")
        shutil.copyfile(args.robot, robot)
        say("installation", exe)
        keys = []
        if with_java:
            for version, home in RUNTIMES.items():
                host(home + "\\bin").mkdir(parents=True, exist_ok=True)
                keys.append((HKLM + JRE_KEY + version, {"JavaHome": home}))
                say("registered", f"{version:<10} JavaHome {home}")
            shutil.copyfile(args.handover, host(RUNTIMES["1.8.0_351"] + "\\bin\\java.exe"))
        write_registry(keys)
        # Wine draws the title bar's buttons in its symbol font (fonts-wine),
        # which this Wine build finds only among the prefix's own fonts.
        host("C:\\windows\\Fonts").mkdir(exist_ok=True)
        shutil.copy("/usr/share/wine/fonts/marlett.ttf", host("C:\\windows\\Fonts"))

        handover_log, server_log = scratch / "handover.log", scratch / "frame11.log"
        os.environ.update(SMELTRA_HANDOVER_LOG="Z:" + str(handover_log).replace("/", "\\"),
                          SMELTRA_HOST_JAVA=os.path.realpath(shutil.which("java") or "java"),
                          VELQUIST_LOG=str(server_log))

        def on_event(event):
            if event[1] == "window":
                time.sleep(0.5)  # painted by then
                say("splash", f"{event[4]!r}; screenshot {screenshot(event[5:9], pictures / 'splash.png')}")
            if event[1] == "box":
                time.sleep(0.3)
                shot = screenshot(event[7:11], pictures / "message-box.png")
                say("message box", f"caption {event[3]!r}, buttons {event[5]}, OK pressed by the "
                    f"robot; screenshot {shot}")
                for line in event[4].splitlines():
                    say("", f"| {line}")

        events = run_robot("x64", robot, exe, hold_ms=1500, on_event=on_event)
        boxes = [e for e in events if e[1] == "box"]
        launched = next(e for e in events if e[1] == "launched")
        gone = next((e[0] for e in events if e[1] == "gone"), None)
        status = next((int(e[2]) for e in events if e[1] == "exit"), None)
        say("launcher exit", str(status))
        if not with_java:
            return 0 if status == 1 and len(boxes) == 1 else 1

        if not wait_for(server_log, 60):
            say("no server", "the server did not report within 60 s")
            sys.stdout.write(handover_log.read_text("utf-8", "replace") if handover_log.exists() else "")
            return 1
        handover, server = key_values(handover_log), key_values(server_log)
        server_pid = int(server["pid"])
        with urllib.request.urlopen(f"http://127.0.0.1:{server['port']}/", timeout=10) as page:
            answer = page.read().decode("utf-8").strip()
        splash_gone = int(launched[3]) + gone
        say("runtime chosen", handover["program"].rsplit("\\bin\\", 1)[0])
        say("command line", handover["command_line"])
        say("handed to JVM", handover["host_command"])
        say("server folder", server["working_folder"])
        say("class path", server["class_path"])
        say("server answer", answer)
        say("start time", f"runtime started {int(handover['received_ms']) - splash_gone:.0f} ms "
            f"after the splash closed; server listening after "
            f"{int(server['listening_ms']) - splash_gone:.0f} ms")
        return 0 if status == 0 and "running" in answer else 1
    finally:
        if server_pid is not None:
            os.kill(server_pid, signal.SIGTERM)
            say("stopped", f"the server (process {server_pid})")
        shutil.rmtree(scratch, ignore_errors=True)
        for home in RUNTIMES.values():
            shutil.rmtree(host(home), ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
