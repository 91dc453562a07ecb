"""The shared Wine prefix as the end-to-end scenarios use it: Windows paths to
host paths, extra drive letters, registry state and running Windows programs.

WINEPREFIX must name a booted prefix; DISPLAY an X server (tools/wine.sh).
"""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path


class WinePrefix:
    def __init__(self, prefix=None):
        self.root = Path(prefix or os.environ["WINEPREFIX"])
        self.devices = self.root / "dosdevices"
        self._mapped = []

    def host_path(self, windows_path):
        """The host path of a Windows path on one of the prefix's drives."""
        drive, rest = windows_path[:2].lower(), windows_path[2:]
        base = Path(os.path.realpath(self.devices / drive))
        parts = [part for part in rest.split("\\") if part]
        return base.joinpath(*parts)

    @staticmethod
    def windows_path(host_path):
        """A host path as Wine sees it through drive Z:, the host's root."""
        return "Z:" + str(Path(host_path).resolve()).replace("/", "\\")

    def keep_server_running(self):
        """Keeps the prefix's wineserver (and with it Wine's own services) up
        between the scenarios' programs, instead of restarting them for each
        one, which costs seconds every time. A server already running cannot
        be told to stay, so it is ended first, with whatever runs in the
        prefix: the prefix belongs to the suite while it runs."""
        self.stop_server()
        subprocess.run(["wineserver", "-p"], check=True, timeout=60)

    @staticmethod
    def stop_server():
        """Ends the wineserver and every program still running in the prefix."""
        subprocess.run(["wineserver", "-k"], check=False, timeout=60)
        subprocess.run(["wineserver", "-w"], check=False, timeout=120)

    def map_drive(self, letter, host_dir):
        """Makes drive `letter` show host folder `host_dir` (created, empty)."""
        link = self.devices / f"{letter.lower()}:"
        if link.is_symlink() or link.exists():
            raise RuntimeError(f"drive {letter}: is already in use in the prefix")
        host_dir = Path(host_dir)
        shutil.rmtree(host_dir, ignore_errors=True)
        host_dir.mkdir(parents=True)
        link.symlink_to(host_dir)
        self._mapped.append((link, host_dir))

    def unmap_drives(self):
        for link, host_dir in self._mapped:
            link.unlink(missing_ok=True)
            shutil.rmtree(host_dir, ignore_errors=True)
        self._mapped.clear()

    def import_registry(self, reg_text):
        """Imports a .reg text with `regedit /s` (64-bit regedit: both views,
        the 32-bit one under Wow6432Node). Written as UTF-16 so that any
        letter survives."""
        with tempfile.NamedTemporaryFile(
            "wb", suffix=".reg", dir=self.root, delete=False
        ) as file:
            file.write(b"\xff\xfe" + reg_text.replace("\n", "\r\n").encode("utf-16-le"))
            path = Path(file.name)
        try:
            result = self.run(["regedit", "/s", self.windows_path(path)], timeout=60)
            if result.returncode != 0:
                raise RuntimeError(f"regedit failed: {result.stderr.strip()}")
        finally:
            path.unlink()

    def run(self, args, timeout):
        """Runs a Windows program under wine and waits for it. Its output
        goes through files, not pipes: Wine's own services, started by the
        first program, inherit them and would hold a pipe open for good."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(
                ["wine", *[str(arg) for arg in args]],
                stdout=out,
                stderr=err,
                timeout=timeout,
                check=False,
            )
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("utf-8", "replace")
            result.stderr = err.read().decode("utf-8", "replace")
        return result
