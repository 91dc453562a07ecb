#!/usr/bin/env python3
"""The server as a service under Wine's own service manager, the real
Smeltra.exe and the robot as its runtime, whose behaviour comes from the
options file (-DSMELTRA_<NAME>=<value>): the service's environment is the
service manager's. One line a step, then `N passed, N failed`. Needs
WINEPREFIX (tools/wine.sh); shares run_scenarios.py's helpers."""

import argparse
import re
import subprocess
import sys
import time

import run_scenarios as e2e

RECORD = r"C:\e2e\service-record.txt"
ALREADY = "The Smeltra server of this folder is already running as the Windows service "


def wine(*arguments, timeout=120):
    """A program of the prefix's own, its output without carriage returns."""
    done = subprocess.run([e2e.WINE_RUN, "prefix", *arguments], capture_output=True, text=True,
                          errors="replace", timeout=timeout)
    return done.returncode, done.stdout.replace("\r", "")


def query(name):
    """The service's state, Win32 exit code and own exit code, as sc tells them;
    asked again while Wine's service manager is too busy to answer."""
    for _ in range(10):
        fields = dict(re.findall(r"^\s*(\w+)\s*: (\d+)", wine("sc", "query", name)[1], re.M))
        if "STATE" in fields:
            break
        time.sleep(0.5)
    return fields.get("STATE"), fields.get("WIN32_EXIT_CODE"), fields.get("SERVICE_EXIT_CODE")


def settle(name, limit_s=60, passing=("2", "3")):
    """Waits for the service to leave `passing` states (its pending ones); its
    state then."""
    until = time.monotonic() + limit_s
    while (state := query(name))[0] in passing and time.monotonic() < until:
        time.sleep(0.2)
    return state


def launcher(app, arguments="", **env):
    """The launcher started by the robot: exit status and boxes."""
    events = e2e.run_robot(ARCH, ROBOT, app + "\\Smeltra.exe",
                           env={**env, **({"ARGUMENTS": arguments} if arguments else {})})
    status = next((int(e[2]) for e in events if e[1] == "exit"), None)
    return status, [e[4] for e in events if e[1] == "box"]


def options(app, **variables):
    """The runtime's behaviour for the service's next start."""
    lines = [f"-DSMELTRA_{name}={value}" for name, value in
             {"RECORD": RECORD, "RUNTIME_MS": 600000, **variables}.items()]
    (e2e.host(app) / "Smeltra.vmoptions").write_text("\r\n".join(lines) + "\r\n")


def record():
    path = e2e.host(RECORD)
    return path.read_bytes().decode("utf-16-le") if path.exists() else ""


def log(app):
    path = e2e.host(app) / "logs" / "server.log"
    return path.read_bytes().decode("utf-8", "replace") if path.exists() else ""


def runtime_left(wait_s=5):
    """Whether a runtime still runs after up to `wait_s` seconds."""
    until = time.monotonic() + wait_s
    while "java.exe" in wine("tasklist")[1].lower() and time.monotonic() < until:
        time.sleep(0.2)
    return "java.exe" in wine("tasklist")[1].lower()


def name_of(app):
    """The service the install registered for `app`, by its command line."""
    services = wine("reg", "query", r"HKLM\System\CurrentControlSet\Services")[1]
    for name in re.findall(r"\\(Smeltra-[0-9A-F]{16})$", services, re.M):
        image = wine("reg", "query", rf"HKLM\System\CurrentControlSet\Services\{name}",
                     "/v", "ImagePath")[1]
        if app.lower() + "\\smeltra.exe" in image.lower():
            return name
    return None


def steps():
    """Each step: a function giving what went wrong, told by its name and docstring."""
    name = {}

    def install():
        """--install-service: registered to start with Windows as LocalService, start pending
        through the watch, then running with the double-click's command line and folder, no
        window"""
        # Straight, not through the robot, which waits a while after the end;
        # a box would hold it until the timeout.
        status = wine(e2e.APP + "\\Smeltra.exe", "--install-service", timeout=60)[0]
        name["app"] = name_of(e2e.APP)
        pending = query(name["app"])[0] if name["app"] else None
        failures = [] if status == 0 else [f"status {status}"]
        if pending != "2":
            failures.append(f"state {pending} right after the install, expected start pending "
                            "until the runtime has lived through the watch")
        if settle(name["app"])[0] != "4":
            failures.append(f"not running: {query(name['app'])}")
        # What the service manager keeps, as it keeps it (Wine's sc has no qc).
        config = wine("reg", "query", rf"HKLM\System\CurrentControlSet\Services\{name['app']}")[1]
        for want in (r"Start\s+REG_DWORD\s+0x2$", r"ObjectName\s+REG_SZ\s+NT AUTHORITY\\LocalService$",
                     r'ImagePath\s+REG_SZ\s+"C:\\e2e\\Tolvan Smeltra\\Smeltra.exe" --service$'):
            if not re.search(want, config, re.M):
                failures.append(f"the service's settings have no {want}: {config}")
        line = e2e.command(e2e.JRE, e2e.APP).replace(" -classpath", " " + " ".join(
            open(e2e.host(e2e.APP) / "Smeltra.vmoptions").read().split()) + " -classpath")
        started = [fields for fields in (r.split("\t") for r in record().splitlines())
                   if fields[1:2] == ["started"]]
        if [f[3:7] for f in started] != [[line.replace("\\", "\\\\"), e2e.APP.replace("\\", "\\\\"),
                                          "0", "windowless"]]:
            failures.append(f"started {started}, expected {line} in {e2e.APP} without a window")
        return failures

    def double_click():
        """a double-click while the service runs: the box naming it, 4; --service by hand: one box,
        10"""
        status, boxes = launcher(e2e.APP)
        by_hand = launcher(e2e.APP, "--service")
        return [] if status == 4 and len(boxes) == 1 and boxes[0].startswith(
            ALREADY + name["app"]) and by_hand[0] == 10 and len(by_hand[1]) == 1 else [
            f"status {status}, boxes {boxes}; --service by hand: {by_hand}"]

    def sc_stop():
        """sc stop: Ctrl+C reaches the runtime, stopped with 0"""
        wine("sc", "stop", name["app"])
        state = settle(name["app"])
        failures = [] if state == ("1", "0", "0") else [f"stopped as {state}"]
        if "\tstop\t0" not in record():
            failures.append(f"the runtime heard no Ctrl+C: {record()}")
        return failures

    def stop_by_launcher():
        """Smeltra.exe --stop stops the service through the service manager"""
        wine("sc", "start", name["app"])
        settle(name["app"])
        status, boxes = launcher(e2e.APP, "--stop")
        state = query(name["app"])
        return [] if (status, boxes, state) == (0, [], ("1", "0", "0")) else [
            f"--stop: status {status}, boxes {boxes}, service {state}"]

    def ignores_stop():
        """a runtime deaf to Ctrl+C is ended after the limit with what it started"""
        options(e2e.APP, RUNTIME_IGNORES_STOP=1)
        wine("sc", "start", name["app"])
        settle(name["app"])
        began = time.monotonic()
        wine("sc", "stop", name["app"])
        state = settle(name["app"], 90)
        took = time.monotonic() - began
        failures = [] if state == ("1", "0", "0") and took > 29 else [
            f"stopped as {state} after {took:.0f} s, expected 0 after the 30 s limit"]
        if "did not stop within 30 seconds" not in log(e2e.APP):
            failures.append("the log does not say the server was ended after the limit")
        return failures + (["a runtime left running"] if runtime_left() else [])

    def users_server_first():
        """a user's server runs: the service's start stops with 4 and the reason in the log"""
        options(e2e.APP)
        status = launcher(e2e.APP)[0]
        wine("sc", "start", name["app"])
        state = settle(name["app"])
        e2e.end_runtimes()
        return [] if (status, state) == (0, ("1", "1066", "4")) and (
            "Smeltra, not shown: The Smeltra server of this folder is already running, started "
            "by a user" in log(e2e.APP)) else [f"double-click {status}, then the service {state}"]

    def killed_service():
        """the service's process ended by force takes its runtime along"""
        e2e.end_runtimes()
        options(e2e.APP)
        wine("sc", "start", name["app"])
        settle(name["app"])
        wine("taskkill", "/f", "/im", "Smeltra.exe")
        left = runtime_left()
        # Wine's service manager takes a while to see its service gone.
        until = time.monotonic() + 15
        while query(name["app"])[0] != "1" and time.monotonic() < until:
            time.sleep(0.5)
        e2e.end_runtimes()
        return ["the runtime outlived the service"] if left else []

    def ends_on_its_own():
        """a runtime that ends within the watch (3), later with 2 (11), later with 0 (clean): the
        code and the reason in the log"""
        failures = []
        for variables, code, words in (
                ({"RUNTIME_MS": 0, "RUNTIME_STATUS": 1}, "3", "stopped right after it started"),
                ({"RUNTIME_MS": 4000, "RUNTIME_STATUS": 2}, "11", "ended on its own, with exit "
                                                                  "status 2"),
                ({"RUNTIME_MS": 4000, "RUNTIME_STATUS": 0}, "0", "")):
            options(e2e.APP, **variables)
            wine("sc", "start", name["app"])
            state = settle(name["app"], 60, ("2", "3", "4"))  # until the runtime has ended
            if state != ("1", "1066" if code != "0" else "0", code) or words not in log(e2e.APP):
                failures.append(f"{variables}: stopped as {state}, log {log(e2e.APP)[-300:]!r}")
        return failures

    def no_java():
        """no Java at all: stopped with 1, the box's words in the log, no box"""
        e2e.write_registry(())
        wine("sc", "start", name["app"])
        state = settle(name["app"])
        e2e.write_registry(e2e.HAPPY_KEYS)
        return [] if state == ("1", "1066", "1") and e2e.NOT_INSTALLED in log(e2e.APP) else [
            f"stopped as {state}, log {log(e2e.APP)[-300:]!r}"]

    def two_installations():
        """two installations, two services; installing again leaves one"""
        status, boxes = launcher(e2e.APP2, "--install-service")
        again = launcher(e2e.APP2, "--install-service")
        name["app2"] = name_of(e2e.APP2)
        settle(name["app2"])
        failures = [] if (status, boxes, again[0]) == (0, [], 0) and name["app2"] not in (
            None, name["app"]) else [f"{status} {boxes} {again} {name}"]
        return failures + uninstall(e2e.APP2, "app2")

    def output_rolled():
        """25 MiB through the service: every line once, whole and in order, in
        files of at most 10 MiB and a line, each opened by a header."""
        lines, limit = 262144, 10 * 1024 * 1024
        logs = e2e.host(e2e.APP) / "logs"
        for old in logs.glob("server*"):
            old.unlink()
        options(e2e.APP, RUNTIME_LINES=lines, RUNTIME_MS=3500)
        wine("sc", "start", name["app"])
        state = settle(name["app"], 120, ("2", "3", "4"))  # until the runtime has ended
        files = [logs / f"server.{n}.log" for n in (4, 3, 2, 1)] + [logs / "server.log"]
        texts = [f.read_bytes() for f in files if f.exists()]
        written = b"".join(text.split(b"\r\n", 1)[1] for text in texts)
        expected = b"".join(b"line %09d%s\r\n" % (n, b"." * 84) for n in range(1, lines + 1))
        failures = [] if state == ("1", "0", "0") else [f"stopped as {state}"]
        if written != expected:
            failures.append(f"{len(written)} bytes logged, not the {len(expected)} written in order")
        if len(texts) != 3 or any(len(t) > limit + 100 or not re.match(
                rb"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d Smeltra starts ", t) for t in texts):
            failures.append(f"files of {[len(t) for t in texts]} bytes, not three of at most "
                            "10 MiB and a line, each with its header")
        return failures

    def uninstall(app=e2e.APP, which="app"):
        """--uninstall-service stops the running service and removes it"""
        wine("sc", "start", name[which])
        settle(name[which])
        status, boxes = launcher(app, "--uninstall-service")
        gone = wine("sc", "query", name[which])[0] != 0 and name_of(app) is None
        return [] if (status, boxes, gone) == (0, [], True) else [
            f"uninstall: status {status}, boxes {boxes}, service still there: {not gone}"]

    return [install, double_click, sc_stop, stop_by_launcher, ignores_stop, users_server_first,
            ends_on_its_own, no_java, two_installations, output_rolled, killed_service, uninstall]


def main():
    global ARCH, ROBOT
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--robot", required=True)
    parser.add_argument("--arch", required=True, choices=("x64", "x86"))
    args = parser.parse_args()
    ARCH, ROBOT = args.arch, str(e2e.host("C:\\e2e-robot\\robot.exe"))
    e2e.host("C:\\e2e-robot").mkdir(parents=True, exist_ok=True)
    subprocess.run(["cp", args.robot, ROBOT], check=True)
    e2e.clean_slate(e2e.HAPPY_KEYS, ROBOT, (e2e.JRE,))
    for app in (e2e.APP, e2e.APP2):
        e2e.install(app, args.exe)
    options(e2e.APP)
    failed = 0
    for go in steps():
        began = time.monotonic()
        failures = go()
        why = " ".join(go.__doc__.split())
        print(f"{'FAIL' if failures else 'ok':4}  service_{go.__name__}  "
              f"({time.monotonic() - began:.1f} s)  {why}", flush=True)
        print("".join(f"    {failure}\n" for failure in failures), end="", flush=True)
        failed += bool(failures)
    print(f"{len(steps()) - failed} passed, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
