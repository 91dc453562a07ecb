#!/usr/bin/env python3
"""./run demo: the launcher starts a real Java server under Wine.

Lays out a sample installation in a scratch folder (Smeltra.exe beside
Quorvane\\lib\\vuz.jar and the Quorvane class folder, the sample server
compiled from demo/server), registers a sample runtime 1.8.0_351 under a
folder with blanks beside an older 1.3.1 that must be skipped, starts the
launcher through the end-to-end robot, waits for the server's page and tells
what happened, the first lines of the server's log among it. Then it starts
the launcher again, which must show the already-running box and end with
status 4, and stops the server with Smeltra.exe --stop, which must end with
status 0 once the server's shutdown hook has written its line to the log and
the runtime's java.exe has ended with the JVM's status after Ctrl+C (130).
That java.exe is demo/handover, which hands the command to the host's JVM,
the JVM's output to its own standard output (the server's log), Ctrl+C to the
JVM as SIGINT, and lives as long as the JVM does.

Other scenarios: no-java registers nothing: the not-installed message, OK
pressed, exit status 1. ends-at-once leaves out lib\vuz.jar, so the server
ends at once with status 1: the launcher's stopped-at-once message, which must
quote the JVM's own words about the missing class, as the log must hold them;
OK pressed, exit status 3. service installs the installation's service with
Smeltra.exe --install-service, shows it running with sc query and the server
answering, stops it with sc stop and shows the shutdown hook's line in the
log and the service's exit code, then uninstalls it.
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
from run_scenarios import (ALREADY_RUNNING, HKLM, JRE_KEY, host, run_robot,  # noqa: E402
                           write_registry)
from run_service import name_of  # noqa: E402

SCENARIOS = {"server": "", "no-java": ": no Java installed", "ends-at-once": ": the server ends at once",
             "service": ": the server as a Windows service"}
# Where each scenario's message box is pictured; the no-java name is older.
BOX_PICTURES = {"no-java": "message-box.png", "ends-at-once": "stopped-at-once-box.png"}
RUNTIMES = {"1.3.1": r"C:\Program Files\Tolvan Java\jre 1.3.1",
            "1.8.0_351": r"C:\Program Files\Tolvan Java\jre 1.8.0_351"}
# The administrator's options for the runtime, as Notepad saves them (UTF-8
# with its byte-order mark): a heap and a property whose value has blanks.
OPTIONS = ("# Options for the Smeltra server's runtime, one a line.\r\n"
           "-Xmx256m\r\n-Dvelquist.greeting=Hello from Smeltra\r\n")
SERVER = Path(__file__).resolve().parent / "server"
# What the JVM says when the server's library is missing.
MISSING_CLASS = "java.lang.NoClassDefFoundError: Velquist/Answer"
# What the server's shutdown hook writes to its log when it is stopped in order.
HOOK_RAN = "Velquist.Frame11 stopping: shutdown hook ran"


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


def wait_for(ready, seconds):
    deadline = time.monotonic() + seconds
    while not ready() and time.monotonic() < deadline:
        time.sleep(0.1)
    return ready()


def log_lines(windows_path):
    """The lines of the server's log that the launcher keeps at `windows_path`."""
    path = host(windows_path)
    return path.read_text("utf-8", "replace").splitlines() if path.exists() else []


def lay_out(scratch, args, scenario):
    """The sample installation, the runtimes registered and the prefix's
    fonts for `scenario`; returns Smeltra.exe's Windows path."""
    installation = scratch / "Tolvan Smeltra"
    build_server(scratch, installation / "Quorvane")
    shutil.copyfile(args.exe, installation / "Smeltra.exe")
    exe = "Z:" + str(installation / "Smeltra.exe").replace("/", "\\")
    say("installation", exe)
    if scenario == "ends-at-once":
        (installation / "Quorvane/lib/vuz.jar").unlink()
        say("left out", r"Quorvane\lib\vuz.jar, which the server needs at its start")
    (installation / "Smeltra.vmoptions").write_text(OPTIONS, encoding="utf-8-sig", newline="")
    say("options", r"Smeltra.vmoptions: " + " ".join(OPTIONS.splitlines()[1:]))
    keys = []
    if scenario != "no-java":
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
    return exe


def show_box(event, picture):
    """Tells what a message box the robot saw said, with its screenshot."""
    time.sleep(0.3)
    shot = screenshot(event[7:11], picture)
    say("message box", f"caption {event[3]!r}, buttons {event[5]}, OK pressed by the "
        f"robot; screenshot {shot}")
    for line in event[4].splitlines():
        say("", f"| {line.expandtabs(4)}")


def start_again_and_stop(robot, exe, pictures, handover_log, output_log):
    """Starts the launcher a second time while the server runs, then stops
    the server with Smeltra.exe --stop; whether the second start showed the
    already-running box and ended with 4, and the stop ended with 0 after
    the server's shutdown hook ran and java.exe ended with the JVM's status
    after Ctrl+C."""
    def on_box(event):
        if event[1] == "box":
            show_box(event, pictures / "already-running-box.png")
    events = run_robot("x64", robot, exe, hold_ms=1500, on_event=on_box)
    boxes = [e[4] for e in events if e[1] == "box"]
    status = next((int(e[2]) for e in events if e[1] == "exit"), None)
    say("second start", f"exit status {status}")
    again = status == 4 and len(boxes) == 1 and boxes[0].startswith(ALREADY_RUNNING)

    events = run_robot("x64", robot, exe, env={"ARGUMENTS": "--stop"})
    boxes = [e[4] for e in events if e[1] == "box"]
    status, ended = next(((int(e[2]), e[0]) for e in events if e[1] == "exit"), (None, None))
    say("--stop", f"exit status {status}" + (f" after {ended:.0f} ms" if ended else "") +
        "".join(f"; box {box!r}" for box in boxes) +
        ("; ended by the robot" if any(e[1] == "timeout" for e in events) else ""))
    # The launcher ends only once java.exe has, so both logs are whole by now.
    hook = any(HOOK_RAN in line for line in log_lines(output_log))
    say("shutdown hook", f"{HOOK_RAN!r} in the server log: {'yes' if hook else 'no'}")
    runtime = key_values(handover_log).get("exit_status")
    say("runtime status", f"java.exe ended with {runtime}" if runtime
        else "java.exe did not end with the JVM's status")
    return again and status == 0 and not boxes and hook and runtime == str(128 + signal.SIGINT)


def sc(*arguments):
    """Wine's sc, as an administrator runs it; its output."""
    done = subprocess.run([str(Path(__file__).resolve().parent.parent / "tools" / "wine-run"),
                           "prefix", "sc", *arguments], capture_output=True, text=True,
                          errors="replace", timeout=120)
    return done.stdout.replace("\r", "")


def state_of(service):
    fields = {name.strip(): value for name, value in
              (line.split(":", 1) for line in sc("query", service).splitlines() if ":" in line)}
    return (fields.get("STATE", "gone").split()[-1],
            (fields.get("WIN32_EXIT_CODE", "").split() or [""])[0])


def serve(exe, scratch, output_log):
    """The installation's service: installed, running and answering, stopped by
    sc stop with its shutdown hook run and exit code 0, uninstalled."""
    installation = scratch / "Tolvan Smeltra"
    events = run_robot("x64", scratch / "robot.exe", exe, env={"ARGUMENTS": "--install-service"})
    status = next((int(e[2]) for e in events if e[1] == "exit"), None)
    say("install", f"Smeltra.exe --install-service: exit status {status}")
    service = name_of(exe.rsplit("\\", 1)[0])
    wait_for(lambda: state_of(service)[0] != "START_PENDING", 30)
    say("sc query", f"{service}: {state_of(service)[0]}")
    server_log = installation / "Frame11.log"
    answered = wait_for(lambda: "port" in key_values(server_log), 60)
    if answered:
        with urllib.request.urlopen(f"http://127.0.0.1:{key_values(server_log)['port']}/",
                                    timeout=10) as page:
            say("server answer", page.read().decode("utf-8").strip())
    sc("stop", service)
    wait_for(lambda: state_of(service)[0] == "STOPPED", 60)
    stopped = state_of(service)
    say("sc stop", f"{service}: {stopped[0]}, exit code {stopped[1]}")
    hook = any(HOOK_RAN in line for line in log_lines(output_log))
    say("shutdown hook", f"{HOOK_RAN!r} in the server log: {'yes' if hook else 'no'}")
    for line in log_lines(output_log)[:2]:
        say("", f"| {line}")
    events = run_robot("x64", scratch / "robot.exe", exe, env={"ARGUMENTS": "--uninstall-service"})
    removed = next((int(e[2]) for e in events if e[1] == "exit"), None)
    say("uninstall", f"exit status {removed}; sc query: {state_of(service)[0]}")
    return (status == 0 and answered and stopped == ("STOPPED", "0") and hook and removed == 0
            and state_of(service)[0] == "gone")


def end_left_running(server_log):
    """Ends the server's JVM where the demo left it running; true when it did not."""
    pid = key_values(server_log).get("pid")
    try:
        running = pid and b"Velquist.Frame11" in Path(f"/proc/{pid}/cmdline").read_bytes()
    except OSError:
        running = False
    if running:
        os.kill(int(pid), signal.SIGTERM)
        say("left running", f"the server (process {pid}), now ended with SIGTERM")
    return not running


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--exe", "--robot", "--handover", "--pictures"):
        parser.add_argument(option, required=True)
    parser.add_argument("--scenario", choices=SCENARIOS, default="server")
    args = parser.parse_args()
    scenario = args.scenario
    if scenario != "no-java" and shutil.which("java") is None:
        parser.error("no java on the search path: the sample runtime hands over to the host's JVM")
    pictures = Path(args.pictures).resolve()

    # On the host's own drive Z:, where the host's names of the class path
    # hold no ':' (the JVM's separator there), as dosdevices/c: would.
    scratch = Path(tempfile.mkdtemp(prefix="smeltra-demo."))
    robot = scratch / "robot.exe"
    handover_log, server_log = scratch / "handover.log", scratch / "frame11.log"
    if scenario == "service":  # in the service's folder: it has its own environment
        server_log = scratch / "Tolvan Smeltra" / "Frame11.log"
    passed = False
    try:
        print("Smeltra demo" + SCENARIOS[scenario], flush=True)
        exe = lay_out(scratch, args, scenario)
        shutil.copyfile(args.robot, robot)
        os.environ.update(SMELTRA_HANDOVER_LOG="Z:" + str(handover_log).replace("/", "\\"),
                          SMELTRA_HOST_JAVA=os.path.realpath(shutil.which("java") or "java"),
                          VELQUIST_LOG=str(server_log))

        def on_event(event):
            if event[1] == "window":
                time.sleep(0.5)  # painted by then
                say("splash", f"{event[4]!r}; screenshot {screenshot(event[5:9], pictures / 'splash.png')}")
            if event[1] == "box":
                show_box(event, pictures / BOX_PICTURES.get(scenario, "message-box.png"))

        events = [] if scenario == "service" else run_robot("x64", robot, exe, hold_ms=1500,
                                                              on_event=on_event)
        boxes = [e for e in events if e[1] == "box"]
        status = next((int(e[2]) for e in events if e[1] == "exit"), None)
        if events:
            say("launcher exit", str(status))
        output_log = exe.rsplit("\\", 1)[0] + "\\logs\\server.log"
        if scenario == "no-java":
            passed = status == 1 and len(boxes) == 1
        elif scenario == "ends-at-once":
            # java.exe has ended, so the log is whole.
            say("runtime status", key_values(handover_log).get("exit_status", "none reported"))
            in_box = len(boxes) == 1 and MISSING_CLASS in boxes[0][4]
            in_log = any(MISSING_CLASS in line for line in log_lines(output_log))
            say("server log", output_log)
            say("JVM's words", f"{MISSING_CLASS!r} in the box: {'yes' if in_box else 'no'}, "
                f"in the log: {'yes' if in_log else 'no'}")
            passed = status == 3 and in_box and in_log
        elif scenario == "service":
            passed = serve(exe, scratch, output_log)
        else:
            passed = (show_server(events, status, handover_log, server_log, output_log)
                      and start_again_and_stop(robot, exe, pictures, handover_log, output_log))
    finally:
        none_left = end_left_running(server_log)
        shutil.rmtree(scratch, ignore_errors=True)
        for home in RUNTIMES.values():
            shutil.rmtree(host(home), ignore_errors=True)
    return 0 if passed and none_left else 1


def show_server(events, status, handover_log, server_log, output_log):
    """Waits for the server's page and tells how it was started and what it
    wrote to its log; whether the launcher ended with 0, the server answers and
    its log holds what it said."""
    launched = next(e for e in events if e[1] == "launched")
    gone = next((e[0] for e in events if e[1] == "gone"), None)
    if not wait_for(server_log.exists, 60):
        say("no server", "the server did not report within 60 s")
        sys.stdout.write(handover_log.read_text("utf-8", "replace") if handover_log.exists() else "")
        print("\n".join(log_lines(output_log)))
        return False
    handover, server = key_values(handover_log), key_values(server_log)
    with urllib.request.urlopen(f"http://127.0.0.1:{server['port']}/", timeout=10) as page:
        answer = page.read().decode("utf-8").strip()
    splash_gone = int(launched[3]) + gone
    say("runtime chosen", handover["program"].rsplit("\\bin\\", 1)[0])
    say("command line", handover["command_line"])
    say("handed to JVM", handover["host_command"])
    say("server folder", server["working_folder"])
    say("class path", server["class_path"])
    say("JVM options", server["jvm_options"])
    say("its heap", f"{server['max_heap_mb']} MiB at most; greeting {server['greeting']!r}")
    say("server answer", answer)
    say("start time", f"runtime started {int(handover['received_ms']) - splash_gone:.0f} ms "
        f"after the splash closed; server listening after "
        f"{int(server['listening_ms']) - splash_gone:.0f} ms")
    lines = log_lines(output_log)
    say("server log", output_log)
    for line in lines[:3]:
        say("", f"| {line}")
    received = server["jvm_options"].split(" | ")
    return (status == 0 and "running" in answer and "-Xmx256m" in received
            and server["greeting"] == "Hello from Smeltra"
            and f"listening on http://127.0.0.1:{server['port']}/" in "\n".join(lines))


if __name__ == "__main__":
    sys.exit(main())
