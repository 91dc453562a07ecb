"""What a scenario's run must show: the robot's events (see
robot/robot_main.cpp) and the stand-in runtime's start records, judged
against the scenario. Each check returns a list of failures, empty when all
is well."""

import re
from dataclasses import dataclass

from scenario_model import APPLICATION_TITLE

# The splash's labels as designed: control id, text (None for the maker's
# lines, whose wording is free), left, top, width, height in twips, alignment.
SPLASH_LABELS = (
    (13, "Tolvan Software Systems", 480, 240, 6660, 405, "centre"),
    (12, "Tolvan Smeltra", 1230, 840, 5175, 330, "centre"),
    (10, "Version 1.0.1", 120, 4320, 1470, 285, "right"),
    (7, "For Windows - 9X/NT/2000/XP", 120, 4680, 2790, 240, "left"),
    (8, None, 5160, 4320, 2415, 255, "left"),
    (103, "Tolvan Software Systems", 5160, 4560, 2415, 255, "left"),
    (102, None, 5160, 4800, 2415, 255, "left"),
    (6, None, 240, 5040, 7095, 195, "left"),
    (9, " ", 240, 5280, 6975, 255, "left"),
)
CLIENT_TWIPS = (7770, 5640)
FRAME2 = (202, 0, 0, 7785, 5595)
IMAGE2 = (302, 840, 1320, 6000, 3000)
PICTURE_PIXELS = (400, 200)

WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
SS_TYPEMASK = 0x1F
SS_ALIGNMENT = {"left": 0x0, "centre": 0x1, "right": 0x2}
SS_ICON = 0x3
SS_OWNERDRAW = 0xD
STARTF_USESHOWWINDOW = 0x1
SW_HIDE = 0
IDOK = 1

SPLASH_MIN_MS = 1900
SPLASH_MAX_MS = 3000


def twips_to_pixels(twips, dpi):
    return (twips * dpi + 720) // 1440


def same_path(a, b):
    """Windows paths compared as the file system does: letter case and
    repeated separators do not matter."""

    def norm(path):
        while "\\\\" in path[2:]:
            path = path[:2] + path[2:].replace("\\\\", "\\")
        return path.lower()

    return norm(a) == norm(b)


@dataclass
class Expected:
    folder: str
    command: str
    arguments: list
    program: str  # the java.exe that must start
    boxes: list
    status: int


class Timeline:
    """The robot's events, with the windows sorted into splash, boxes and
    anything else."""

    def __init__(self, events):
        self.events = events
        self.splash = next(
            (e["hwnd"] for e in events if e["ev"] == "found" and e["kind"] == "splash"), None
        )
        self.boxes = [e for e in events if e["ev"] == "box"]
        self.describes = [e for e in events if e["ev"] == "describe"]
        self.status = next((e["status"] for e in events if e["ev"] == "exit"), None)

    def shown(self, hwnd):
        return next((e["t"] for e in self.events if e["ev"] == "shown" and e["hwnd"] == hwnd), None)

    def gone(self, hwnd):
        return next((e["t"] for e in self.events if e["ev"] == "gone" and e["hwnd"] == hwnd), None)

    def splash_lifetime(self):
        """How long the splash showed, in ms, or None when not seen so."""
        shown, gone = self.shown(self.splash), self.gone(self.splash)
        return None if shown is None or gone is None else gone - shown

    def held(self, index):
        return next((e for e in self.events if e["ev"] == "box-held" and e["index"] == index), None)

    def other_windows(self):
        known = {self.splash, *(box["hwnd"] for box in self.boxes)}
        return [e for e in self.events if e["ev"] == "shown" and e["hwnd"] not in known]


def check_robot(events, robot_status):
    failures = [
        f"robot timed out: {e['what']} (line {e['line']}, {e['command']}); the screen is in "
        f"{e['screenshot'].rsplit(chr(92), 1)[-1].removesuffix('.bmp')}.png"
        for e in events
        if e["ev"] == "timeout"
    ]
    if robot_status not in (0, 2):
        failures.append(f"robot failed with status {robot_status}")
    if any(e["ev"] == "killed" for e in events):
        failures.append("the launcher was still running at the end and had to be killed")
    return failures


def check_status(timeline, expected):
    if timeline.status != expected.status:
        return [f"exit status {timeline.status}, expected {expected.status}"]
    return []


def check_splash_lifetime(timeline, closed_early):
    lifetime = timeline.splash_lifetime()
    if lifetime is None:
        return ["the splash was not seen both showing and going"]
    if closed_early:
        if lifetime >= SPLASH_MIN_MS:
            return [f"the splash stayed {lifetime:.0f} ms after the close command"]
        return []
    if not SPLASH_MIN_MS <= lifetime <= SPLASH_MAX_MS:
        return [f"the splash showed for {lifetime:.0f} ms, not {SPLASH_MIN_MS}-{SPLASH_MAX_MS} ms"]
    return []


def check_splash_title(timeline):
    if not timeline.describes:
        return ["the splash was never described"]
    splash = timeline.describes[0]
    failures = []
    if splash["title"] != APPLICATION_TITLE:
        failures.append(f"splash title {splash['title']!r}")
    if splash["class"] == "#32770":
        failures.append("the splash is a dialog box")
    return failures


def _child(window, control_id):
    return next((c for c in window["children"] if c["id"] == control_id), None)


def _size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def _centre(rect):
    return (rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2


def _near(a, b):
    return all(abs(x - y) <= 1 for x, y in zip(a, b))


def check_splash_layout(timeline, dpi):
    """The window's client size, the frame, the labels (text, place,
    alignment), the picture's place and size, and an icon."""
    splash = timeline.describes[0]
    failures = []
    if splash["dpi"] != dpi:
        failures.append(f"splash laid out for {splash['dpi']} DPI, not {dpi}")
    px = lambda twips: twips_to_pixels(twips, dpi)  # noqa: E731
    client = _size(splash["client"])
    if not _near(client, (px(CLIENT_TWIPS[0]), px(CLIENT_TWIPS[1]))):
        failures.append(f"client area {client}, expected {px(7770)} x {px(5640)}")
    style = int(splash["style"], 16)
    if style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX) or (
        style & (WS_CAPTION | WS_SYSMENU) != WS_CAPTION | WS_SYSMENU
    ):
        failures.append(f"the splash is not a fixed window with a close button alone ({splash['style']})")
    centre = _centre(splash["rect"])
    if not any(_near(centre, _centre(area)) for area in (splash["screen"], splash["work_area"])):
        failures.append(f"the splash at {splash['rect']} is not centred on {splash['work_area']}")
    icon = next((e for e in timeline.events if e["ev"] == "title-icon"), None)
    if icon is None or not icon["matched"]:
        failures.append(f"the title bar does not show the program's icon: {icon}")

    def check_place(control_id, name, left, top, width, height, check_size=True):
        child = _child(splash, control_id)
        if child is None:
            failures.append(f"{name} (id {control_id}) is missing")
            return None
        want = [px(left), px(top), px(left + width), px(top + height)]
        got = child["rect"] if check_size else child["rect"][:2]
        if not _near(got, want if check_size else want[:2]):
            failures.append(f"{name} at {child['rect']}, expected {want}")
        if not child["visible"]:
            failures.append(f"{name} is not visible")
        return child

    def check_label_place(label, left, top, width, height, alignment):
        # A label whose text is wider than its box (a font's metrics differ a
        # little from the design's) may grow, but only away from the edge it
        # is aligned to, or evenly when centred; its line stays where it was.
        want = [px(left), px(top), px(left + width), px(top + height)]
        got = label["rect"]
        anchor = {
            "left": (got[0], want[0]),
            "right": (got[2], want[2]),
            "centre": ((got[0] + got[2]) / 2, (want[0] + want[2]) / 2),
        }[alignment]
        if (
            abs(anchor[0] - anchor[1]) > 1
            or not _near([got[1], got[3]], [want[1], want[3]])
            or got[2] - got[0] < want[2] - want[0] - 1
        ):
            failures.append(f"label {label['id']} at {got}, expected {want} ({alignment})")
        if got[0] < 0 or got[2] > client[0]:
            failures.append(f"label {label['id']} at {got} runs out of the window")
        if not label["visible"]:
            failures.append(f"label {label['id']} is not visible")

    check_place(FRAME2[0], "Frame2", *FRAME2[1:])
    for control_id, text, left, top, width, height, alignment in SPLASH_LABELS:
        label = _child(splash, control_id)
        if label is None:
            failures.append(f"label {control_id} is missing")
            continue
        check_label_place(label, left, top, width, height, alignment)
        if text is not None and label["text"] != text:
            failures.append(f"label {control_id} reads {label['text']!r}, expected {text!r}")
        if text is None and not label["text"].strip():
            failures.append(f"label {control_id} is blank")
        kind = int(label["style"], 16) & SS_TYPEMASK
        if kind != SS_OWNERDRAW and kind != SS_ALIGNMENT[alignment]:
            failures.append(f"label {control_id} is not aligned {alignment} (style {label['style']})")

    picture = check_place(IMAGE2[0], "Image2", *IMAGE2[1:], check_size=False)
    if picture is not None:
        size = _size(picture["rect"])
        # Shown at its own size: 400 x 200 at 96 DPI, the design's box at
        # any other DPI when the picture is scaled with the window.
        allowed = {PICTURE_PIXELS, (px(IMAGE2[3]), px(IMAGE2[4]))}
        if size not in allowed:
            failures.append(f"Image2 is {size[0]} x {size[1]}, expected one of {sorted(allowed)}")
    return failures


def check_splash_unchanged(timeline):
    """After clicks and keys: still showing, the same controls, texts, places."""
    if len(timeline.describes) < 2:
        return ["the splash was not described after the input"]
    before, after = timeline.describes[0], timeline.describes[1]
    failures = []
    if not after["visible"]:
        failures.append("the splash is hidden after the input")

    def controls(window):
        return [(c["id"], c["class"], c["text"], c["rect"], c["visible"]) for c in window["children"]]

    if controls(before) != controls(after) or before["rect"] != after["rect"]:
        failures.append("the splash changed under clicks and keys")
    # Real input proves nothing unless the splash was in front to get it.
    inputs = [e for e in timeline.events if e["ev"] == "input"]
    if not inputs or not all(e["in_front"] for e in inputs):
        failures.append(f"the splash was not in front for the real clicks and keys: {inputs}")
    return failures


def check_boxes(timeline, expected):
    failures = []
    texts = []
    splash_gone = timeline.gone(timeline.splash)
    previous_gone = None
    for box in timeline.boxes:
        index = box["index"]
        text_control = _child(box, 0xFFFF)
        text = text_control["text"] if text_control else None
        texts.append(text)
        where = f"box {index} ({(text or '')[:40]!r})"
        if box["class"] != "#32770" or box["title"] != APPLICATION_TITLE:
            failures.append(f"{where}: class {box['class']!r}, caption {box['title']!r}")
        buttons = [c for c in box["children"] if c["class"].lower() == "button" and c["visible"]]
        if [(b["id"], b["text"].replace("&", "")) for b in buttons] != [(IDOK, "OK")]:
            failures.append(f"{where}: buttons {[(b['id'], b['text']) for b in buttons]}")
        icons = [
            c
            for c in box["children"]
            if int(c["style"], 16) & SS_TYPEMASK == SS_ICON and c.get("icon_set")
        ]
        if icons:
            failures.append(f"{where}: shows an icon")
        shown = timeline.shown(box["hwnd"])
        if splash_gone is None or shown is None or shown < splash_gone:
            failures.append(f"{where}: shown while the splash was still up")
        if previous_gone is not None and shown is not None and shown < previous_gone:
            failures.append(f"{where}: shown before the box before it was closed")
        previous_gone = timeline.gone(box["hwnd"])
        held = timeline.held(index)
        if not held or not held["still_shown"] or not held["program_running"]:
            failures.append(f"{where}: did not stay until OK")
        elif held.get("file_exists"):
            failures.append(f"{where}: a runtime started while the box waited for OK")
    if texts != expected.boxes:
        failures.append(f"boxes {texts!r}, expected {expected.boxes!r}")
    for other in timeline.other_windows():
        failures.append(f"unexpected window {other['class']!r} {other['title']!r}")
    return failures


def check_start(records, expected, starts):
    if not starts:
        if records:
            return [f"started {records[0]['program']!r}, expected nothing to start"]
        return []
    if len(records) != 1:
        programs = [r.get("program") for r in records]
        return [f"{len(records)} programs started, expected one: {programs}"]
    record = records[0]
    failures = []
    if not same_path(record["program"], expected.program):
        failures.append(f"started {record['program']!r}, expected {expected.program!r}")
    if record["command_line"] != expected.command:
        failures.append(
            f"command line\n      {record['command_line']!r}\n    expected\n      {expected.command!r}"
        )
    if record["arguments"] != expected.arguments:
        failures.append(f"the runtime read {record['arguments']!r}, expected {expected.arguments!r}")
    if record["current_directory"] != expected.folder:
        failures.append(
            f"started in {record['current_directory']!r}, expected {expected.folder!r}"
        )
    flags, show = int(record["startup_flags"]), int(record["show_window"])
    if not flags & STARTF_USESHOWWINDOW or show != SW_HIDE:
        failures.append(f"not started hidden (flags {flags:#x}, show state {show})")
    return failures


_UNESCAPED = {"25": "%", "0D": "\r", "0A": "\n"}


def parse_records(text):
    """The stand-in's records (tests/stand_ins/recording_java.cpp): complete
    ones only, values unescaped, the arguments gathered in order."""
    records, current = [], None
    for line in text.split("\n"):
        if line == "begin":
            current = {"arguments": []}
        elif line == "end" and current is not None:
            records.append(current)
            current = None
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            value = re.sub(r"%(25|0D|0A)", lambda m: _UNESCAPED[m.group(1)], value)
            if key.startswith("arg") and key != "argc":
                current["arguments"].append(value)
            else:
                current[key] = value
    return records
