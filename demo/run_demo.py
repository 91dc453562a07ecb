#!/usr/bin/env python3
"""./run demo: the launcher starts a real Java server under Wine.

Lays out a sample installation in a scratch folder (Smeltra.exe beside
Quorvane\\lib\\vuz.jar and the Quorvane class folder, with the sample server
Velquist.Frame11 compiled from demo/server), registers a sample runtime in the
Wine prefix (1.8.0_351, under a folder with blanks, and an older 1.3.1 that
must be skipped), starts Smeltra.exe with the GUI robot watching, waits for
the server's page and tells what happened. Then it stops the server and
removes the scratch folder.

The sample runtime's bin\\java.exe is demo/handover: a stand-in for a Windows
Java runtime that hands the command to the host's JVM.

With --no-java nothing is registered: the launcher shows its not-installed
message, the robot presses OK, and the exit status must be 1.

Needs WINEPREFIX (booted, virtual desktop) and DISPLAY, as tools/wine.sh
makes them.
"""

import argparse
import json
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
from wine_prefix import WinePrefix  # noqa: E402

RUNTIME_ROOT = "C:\\Program Files\\Tolvan Java"
RUNTIMES = (  # version, JavaHome, whether a java.exe is there
    ("1.3.1", RUNTIME_ROOT + "\\jre 1.3.1", False),
    ("1.8.0_351", RUNTIME_ROOT + "\\jre 1.8.0_351", True),
)
USERS_FOLDER = "C:\\users\\Public"  # where the launcher is started from
SERVER_WAIT_S = 60
NOT_INSTALLED_STATUS = 1
DEMO_ROOT = Path(__file__).resolve().parent


def say(label, text=""):
    print(f"  {label:<15}{text}", flush=True)


def build_server(scratch, installation):
    """Compiles the sample server: Answer into lib\\vuz.jar, Frame11 into the
    Quorvane class folder."""
    answer_classes = scratch / "answer-classes"
    quorvane = installation / "Quorvane"
    (quorvane / "lib").mkdir(parents=True)
    subprocess.run(
        ["javac", "-d", answer_classes, DEMO_ROOT / "server/vuz/Velquist/Answer.java"], check=True
    )
    subprocess.run(
        ["jar", "cf", quorvane / "lib" / "vuz.jar", "-C", answer_classes, "Velquist"], check=True
    )
    subprocess.run(
        [
            "javac",
            "-cp",
            answer_classes,
            "-d",
            quorvane,
            DEMO_ROOT / "server/classes/Velquist/Frame11.java",
        ],
        check=True,
    )


def registry_text(with_java):
    lines = [
        "Windows Registry Editor Version 5.00",
        "",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft]",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\JavaSoft]",
        "",
    ]
    if with_java:
        for version, home, _ in RUNTIMES:
            home_text = home.replace("\\", "\\\\")
            lines += [
                f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\{version}]",
                f'"JavaHome"="{home_text}"',
                "",
            ]
    return "\n".join(lines) + "\n"


def read_key_values(path):
    values = {}
    if path.exists():
        for line in path.read_text("utf-8", "replace").splitlines():
            key, _, value = line.partition("=")
            values.setdefault(key, value)
    return values


def run_robot(prefix, robot, scratch, lines):
    script, report = scratch / "demo.robot", scratch / "demo.jsonl"
    script.write_text("\n".join("\t".join(map(str, line)) for line in lines) + "\n", "utf-8")
    prefix.run([robot, prefix.windows_path(script), prefix.windows_path(report)], timeout=180)
    if not report.exists():
        return []
    return [json.loads(line) for line in report.read_text("utf-8").splitlines() if line]


def save_png(bmp, png):
    if bmp.exists():
        png.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["convert", bmp, png], check=False)
    return png if png.exists() else None


def fetch(port):
    deadline = time.monotonic() + 10
    while True:
        try:
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/", timeout=5) as answer:
                return answer.read().decode("utf-8")
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)


def wait_for_file(path, seconds):
    deadline = time.monotonic() + seconds
    while not path.exists() and time.monotonic() < deadline:
        time.sleep(0.1)
    return path.exists()


def stop_server(pid):
    """Stops the sample server, which the demo started, by its process id."""
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return
        time.sleep(0.1)
    os.kill(pid, signal.SIGKILL)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--robot", required=True)
    parser.add_argument("--handover", required=True, help="the stand-in runtime's java.exe")
    parser.add_argument("--pictures", required=True, help="where screenshots go")
    parser.add_argument("--no-java", action="store_true", help="show the not-installed path")
    args = parser.parse_args()
    with_java = not args.no_java
    host_java = shutil.which("java")
    if with_java and host_java is None:
        parser.error("no java on the search path: the sample runtime hands over to the host's JVM")

    prefix = WinePrefix()
    pictures = Path(args.pictures).resolve()
    scratch = Path(tempfile.mkdtemp(prefix="smeltra-demo."))
    installation = scratch / "Tolvan Smeltra"
    server_pid = None
    try:
        print("Smeltra demo" + (": no Java installed" if not with_java else ""), flush=True)
        build_server(scratch, installation)
        shutil.copyfile(args.exe, installation / "Smeltra.exe")
        exe = prefix.windows_path(installation / "Smeltra.exe")
        say("installation", f"{installation}  (Wine: {prefix.windows_path(installation)})")

        if with_java:
            for version, home, installed in RUNTIMES:
                host_home = prefix.host_path(home)
                (host_home / "bin").mkdir(parents=True, exist_ok=True)
                if installed:
                    shutil.copyfile(args.handover, host_home / "bin" / "java.exe")
                say("registered", f"{version:<10} JavaHome {home}" + ("" if installed else "  (too old)"))
        else:
            say("registered", "no Java runtime")
        prefix.import_registry(registry_text(with_java))

        handover_log = scratch / "handover.log"
        server_log = scratch / "frame11.log"
        splash_bmp, box_bmp = scratch / "splash.bmp", scratch / "box.bmp"
        events = run_robot(
            prefix,
            args.robot,
            scratch,
            [
                ("env", "SMELTRA_HANDOVER_LOG", prefix.windows_path(handover_log)),
                ("env", "SMELTRA_HOST_JAVA", os.path.realpath(host_java or "java")),
                ("env", "VELQUIST_LOG", server_log),
                ("launch", exe, USERS_FOLDER),
                ("wait-window", "splash", 30000),
                ("sleep", 300),
                ("shot", prefix.windows_path(splash_bmp)),
                ("wait-gone", 10000),
                ("answer-boxes", 30000, 1500, "", prefix.windows_path(box_bmp)),
            ],
        )
        launched = next((e for e in events if e["ev"] == "launched"), None)
        splash = next((e["hwnd"] for e in events if e["ev"] == "found"), None)
        shown = next((e["t"] for e in events if e["ev"] == "shown" and e["hwnd"] == splash), None)
        gone = next((e["t"] for e in events if e["ev"] == "gone" and e["hwnd"] == splash), None)
        status = next((e["status"] for e in events if e["ev"] == "exit"), None)
        boxes = [e for e in events if e["ev"] == "box"]
        for event in events:
            if event["ev"] in ("timeout", "launch-failed"):
                say("robot", f"{event['ev']}: {event.get('what', event.get('error'))}")

        picture = save_png(splash_bmp, pictures / "splash.png")
        if shown is not None and gone is not None:
            say("splash", f"shown for {(gone - shown) / 1000:.2f} s; screenshot {picture}")
        for box in boxes:
            text = next((c["text"] for c in box["children"] if c["id"] == 0xFFFF), "")
            say(f"message box {box['index']}", f"caption {box['title']!r}, OK pressed by the robot")
            for line in text.splitlines():
                say("", f"| {line}")
        if boxes:
            say("screenshot", save_png(box_bmp, pictures / "not-installed.png"))
        say("launcher exit", str(status))

        if not with_java:
            return 0 if status == NOT_INSTALLED_STATUS and len(boxes) == 1 else 1

        handover = read_key_values(handover_log)
        if not wait_for_file(server_log, SERVER_WAIT_S):
            say("no server", f"the server did not report within {SERVER_WAIT_S} s")
            if handover_log.exists():
                sys.stdout.write(handover_log.read_text("utf-8", "replace"))
            return 1
        server = read_key_values(server_log)
        server_pid = int(server["pid"])
        answer = fetch(server["port"])

        program = handover.get("program", "?")
        say("runtime chosen", program.rsplit("\\bin\\", 1)[0])
        say("command line", handover.get("command_line", "?"))
        say("handed to JVM", handover.get("host_command", "?"))
        say("server folder", server["working_folder"])
        say("class path", server["class_path"])
        say("server answer", answer.strip())
        if launched and gone is not None:
            splash_gone_ms = launched["epoch_ms"] + gone
            say(
                "start time",
                f"runtime started {int(handover['received_ms']) - splash_gone_ms:.0f} ms after the "
                f"splash closed; server in main after "
                f"{int(server['main_entered_ms']) - splash_gone_ms:.0f} ms, listening after "
                f"{int(server['listening_ms']) - splash_gone_ms:.0f} ms",
            )
        return 0 if status == 0 and "running" in answer else 1
    finally:
        if server_pid is not None:
            stop_server(server_pid)
            say("stopped", f"the server (process {server_pid})")
        shutil.rmtree(scratch, ignore_errors=True)
        for _, home, _ in RUNTIMES:
            shutil.rmtree(prefix.host_path(home), ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
