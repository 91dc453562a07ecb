#!/usr/bin/env python3
"""./run bench, the service under Wine's service manager: the time from
`sc start` to the runtime's start (host clock, sc's own start under Wine
included), and the service process's memory before and after 1 GiB of the
runtime's output has passed through it into the log. Figures, not a test.
Needs WINEPREFIX; uses the end-to-end helpers."""

import argparse
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
import run_scenarios as e2e  # noqa: E402
import run_service as service  # noqa: E402


def memory_kib(field):
    """`field` of /proc/<pid>/status for Wine's process of the service."""
    for status in Path("/proc").glob("[0-9]*/status"):
        try:
            if b"--service" in (status.parent / "cmdline").read_bytes():
                return next(int(line.split()[1]) for line in status.read_text().splitlines()
                            if line.startswith(field + ":"))
        except (OSError, StopIteration):
            continue
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--robot", required=True)
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    service.ARCH, service.ROBOT = "x64", str(e2e.host("C:\\e2e-robot\\robot.exe"))
    e2e.host("C:\\e2e-robot").mkdir(parents=True, exist_ok=True)
    Path(service.ROBOT).write_bytes(Path(args.robot).read_bytes())
    e2e.clean_slate(e2e.HAPPY_KEYS, service.ROBOT, (e2e.JRE,))
    e2e.install(e2e.APP, args.exe)
    service.options(e2e.APP)
    service.wine(e2e.APP + "\\Smeltra.exe", "--install-service")
    name = service.name_of(e2e.APP)
    service.settle(name)
    service.wine("sc", "stop", name)
    service.settle(name)
    starts = []
    for _ in range(args.runs):
        before = service.record().count("\tstarted\t")
        began = time.monotonic()
        service.wine("sc", "start", name)
        while service.record().count("\tstarted\t") == before:
            time.sleep(0.005)
        starts.append((time.monotonic() - began) * 1000)
        service.settle(name)
        service.wine("sc", "stop", name)
        service.settle(name)
    print(f"sc start to the runtime's start: median {statistics.median(starts):.0f} ms, "
          f"{min(starts):.0f} to {max(starts):.0f} ms over {args.runs} runs")
    # 1 GiB of 100-byte lines, 8 KiB a write, while the runtime lives on.
    service.options(e2e.APP, RUNTIME_LINES=(1 << 30) // 100, RUNTIME_MS=1000)
    service.wine("sc", "start", name)
    service.settle(name)
    began, samples = time.monotonic(), []
    while service.query(name)[0] == "4" and time.monotonic() - began < 900:
        samples.append(memory_kib("RssAnon"))
        time.sleep(0.5)
    samples = [kib for kib in samples if kib is not None]
    print(f"service process's anonymous memory under Wine (KiB) while 1 GiB passed through it "
          f"in {time.monotonic() - began:.0f} s: first {samples[:1]}, highest {max(samples, default=None)}, "
          f"last {samples[-1:]} of {len(samples)} samples")
    service.wine(e2e.APP + "\\Smeltra.exe", "--uninstall-service")
    e2e.end_runtimes()


if __name__ == "__main__":
    main()
