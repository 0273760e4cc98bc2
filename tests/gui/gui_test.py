#!/usr/bin/python3
"""End-to-end tests of the real program in a real X server.

Run by run_gui_test, which provides the X server (DISPLAY) and a D-Bus session
for the accessibility bus. The tests read the windows through AT-SPI and act
with real input from xdotool: a control that opens a modal box must get a real
click, since an AT-SPI action would wait for the box to close. Every test runs
the program in fresh state and runtime folders.
"""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import gi

gi.require_version("Pango", "1.0")
gi.require_version("PangoCairo", "1.0")
import pyatspi  # noqa: E402
from gi.repository import Pango, PangoCairo  # noqa: E402

BUILD_DIR = os.environ["KORVAN_BUILD_DIR"]
KORVAN = os.path.join(BUILD_DIR, "korvan")
PROBE = os.path.join(BUILD_DIR, "clocksim_probe")
TITLE = "Korvan - Tavo"
BUILT_IN_DEVICES = ["Tavo Vireo 7950 XT", "Tavo Aster 760M Integrated", "Tavo Corsa 5300"]
CLOCK = re.compile(r"^\d+\.\d\d$")
VOLTS = re.compile(r"^\d+\.\d\d\d$")

# The main dialog's template: what each control is called through the
# accessibility interface, its role, and its rectangle in dialog units. The
# device list's rectangle is its closed height, as an edit field's.
MAIN_DIALOG = [
    ("push button", "Set Clocks", 143, 127, 132, 15),
    ("push button", "Restore Default Clocks", 143, 144, 132, 15),
    ("text", "1001", 58, 36, 55, 15),
    ("text", "1000", 194, 51, 55, 15),
    ("combo box", "1031", 40, 7, 235, 14),
    ("check box", "Same Clock Settings for All Devices", 11, 200, 126, 11),
    ("radio button", "2D Clocks", 11, 214, 49, 10),
    ("radio button", "3D Clocks", 11, 226, 49, 10),
    ("check box", "Manual Fan Speed Control", 23, 150, 99, 10),
    ("slider", "1035", 11, 162, 124, 19),
    ("text", "1037", 39, 130, 92, 14),
    ("panel", "Engine Settings", 7, 24, 132, 89),
    ("panel", "Memory Settings", 143, 24, 132, 101),
    ("label", "Core Clock", 12, 39, 41, 8),
    ("label", "Core Voltage", 12, 59, 41, 8),
    ("text", "1042", 58, 56, 55, 15),
    ("label", "Core Clock", 148, 54, 41, 8),
    ("label", "Core Voltage", 148, 74, 41, 8),
    ("text", "1044", 194, 71, 55, 15),
    ("label", "I/O Voltage", 148, 94, 41, 8),
    ("text", "1045", 194, 91, 55, 15),
    ("panel", "Fan Speed Settings", 7, 116, 132, 70),
    ("label", "RPM", 17, 132, 17, 8),
    ("panel", "1040", 122, 36, 10, 14),
    ("panel", "1047", 122, 56, 11, 14),
    ("panel", "1048", 258, 51, 11, 14),
    ("panel", "1049", 258, 71, 11, 14),
    ("panel", "1050", 258, 91, 11, 14),
    ("label", "Device:", 13, 9, 26, 8),
    ("push button", "Restore Default Memory Clock", 150, 108, 119, 12),
    ("push button", "Restore Default Engine Clock", 14, 96, 119, 12),
    ("push button", "Get Clock Info", 143, 161, 132, 15),
    ("image", "bitmap 130", 155, 179, 109, 58),
    ("panel", "Options", 7, 187, 132, 51),
    ("check box", "Auto Update", 73, 214, 55, 10),
    ("label", "Core VDDCI", 12, 79, 41, 8),
    ("text", "1043", 58, 76, 55, 15),
    ("panel", "1052", 122, 76, 11, 14),
    ("text", "1057", 149, 34, 119, 13),
]
MAIN_DIALOG_SIZE = (281, 247)


def wait_for(condition, what, timeout=10.0):
    """Polls `condition` until it gives a true value, which it returns."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # an accessible object that went away mid-read
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


def base_units():
    """The dialog font's base units, measured as the front end measures them."""
    layout = Pango.Layout.new(PangoCairo.FontMap.get_default().create_context())
    layout.set_font_description(Pango.FontDescription.from_string("Sans 8"))
    layout.set_text("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1)
    width, height = layout.get_pixel_size()
    return width / 52.0, float(height)


def to_pixels(x, y, cx, cy):
    unit_x, unit_y = base_units()
    left, top = round(x * unit_x / 4), round(y * unit_y / 8)
    return left, top, round((x + cx) * unit_x / 4) - left, round((y + cy) * unit_y / 8) - top


def descendants(root, role=None, name=None):
    found = pyatspi.findAllDescendants(
        root,
        lambda node: (role is None or node.getRoleName() == role)
        and (name is None or node.name == name),
    )
    return list(found)


def text_of(node):
    return node.queryText().getText(0, -1)


def extents(node, coords=pyatspi.DESKTOP_COORDS):
    box = node.queryComponent().getExtents(coords)
    return box.x, box.y, box.width, box.height


def xdotool(*args):
    return subprocess.run(
        ["xdotool", *args], check=True, capture_output=True, text=True, timeout=10
    ).stdout


def click(node, button=1):
    """A real mouse click in the middle of the node."""
    x, y, width, height = extents(node)
    xdotool("mousemove", "--sync", str(x + width // 2), str(y + height // 2), "click", str(button))


def comma_locale_dir():
    """A folder holding a generated de_DE.UTF-8 (comma decimal separator)."""
    folder = tempfile.mkdtemp(prefix="korvan-locale-")
    subprocess.run(
        ["localedef", "-i", "de_DE", "-f", "UTF-8", os.path.join(folder, "de_DE.UTF-8")],
        check=False,
        capture_output=True,
    )
    return folder


class Korvan:
    """One run of the program with its own state folders."""

    def __init__(self, folders, args=(), display=True, extra_env=None):
        self.env = dict(os.environ)
        self.env["TAVOCLOCK_STATE_DIR"] = folders["state"]
        self.env["XDG_RUNTIME_DIR"] = folders["runtime"]
        self.env.pop("TAVOCLOCK_DEVICES", None)
        if not display:
            self.env.pop("DISPLAY", None)
        self.env.update(extra_env or {})
        self.process = subprocess.Popen(
            [KORVAN, *args],
            env=self.env,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
        )

    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    def window(self, title, role=None):
        """The top-level window of that title, once it is shown."""

        def shown():
            app = self.application()
            if app is None:
                return None
            for child in app:
                if child is not None and child.name == title and (
                    role is None or child.getRoleName() == role
                ):
                    if child.getState().contains(pyatspi.STATE_SHOWING):
                        return child
            return None

        return wait_for(shown, f"the window '{title}'")

    def gone(self, title):
        def closed():
            app = self.application()
            return app is None or all(
                child is None
                or child.name != title
                or not child.getState().contains(pyatspi.STATE_SHOWING)
                for child in app
            )

        wait_for(closed, f"the window '{title}' to close")

    def x_window(self, title):
        ids = wait_for(
            lambda: xdotool("search", "--onlyvisible", "--pid", str(self.process.pid), "--name", f"^{title}$")
            .split(),
            f"the X window '{title}'",
        )
        return ids[-1]

    def press(self, title, *keys):
        """Real key presses in the window of that title."""
        window = self.x_window(title)
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "--clearmodifiers", *keys)

    def finish(self, timeout=10.0):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise AssertionError(f"korvan did not end; stderr: {err}")
        return self.process.returncode, out, err

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()


class GuiTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="korvan-gui-")
        self.folders = {
            "state": os.path.join(self.root, "state"),
            "runtime": os.path.join(self.root, "runtime"),
        }
        for folder in self.folders.values():
            os.makedirs(folder, mode=0o700)
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            run.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def start(self, args=(), **options):
        run = Korvan(self.folders, args, **options)
        self.runs.append(run)
        return run

    def control(self, window, role, name):
        return wait_for(lambda: descendants(window, role, name), f"the {role} '{name}'")[0]

    def field(self, window, control_id):
        return self.control(window, "text", str(control_id))

    def field_text(self, window, control_id, pattern=CLOCK):
        node = self.field(window, control_id)
        return wait_for(
            lambda: pattern.match(text_of(node)) and text_of(node),
            f"a value in field {control_id}",
        )

    def screenshot(self, run, name):
        """The main dialog's part of the screen, into a PNG beside the build."""
        x, y, width, height = extents(run.window(TITLE, "frame"))
        path = os.path.join(BUILD_DIR, name)
        subprocess.run(
            ["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", path],
            check=True,
            timeout=20,
        )
        return path

    def probe(self, *args):
        env = dict(os.environ, TAVOCLOCK_STATE_DIR=self.folders["state"],
                   XDG_RUNTIME_DIR=self.folders["runtime"])
        env.pop("TAVOCLOCK_DEVICES", None)
        return subprocess.run([PROBE, *args], env=env, check=True, capture_output=True,
                              text=True, timeout=10).stdout

    def report(self):
        """The clock report of a terminal batch run in the same state."""
        code, out, err = self.start(["-viewclkinfo"], display=False).finish()
        self.assertEqual(code, 0, err)
        return out

    # ---- The main dialog ----

    def test_window_shows_its_title_and_the_devices_in_order(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        combo = self.control(window, "combo box", "1031")
        items = wait_for(
            lambda: [item.name for item in descendants(combo, "menu item")],
            "the device list's items",
        )
        self.assertEqual(items, BUILT_IN_DEVICES)
        self.assertEqual(text_of(self.control(combo, "text", "1031")), BUILT_IN_DEVICES[0])
        self.assertRegex(self.field_text(window, 1001), CLOCK)
        self.assertEqual(text_of(self.field(window, 1057)), "Graphics Memory")

    def test_every_control_is_at_its_place_and_inside_the_window(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        self.field_text(window, 1042, VOLTS)
        shot = self.screenshot(run, "gui-main-dialog.png")
        self.assertGreater(os.path.getsize(shot), 0)

        _, _, window_width, window_height = extents(window, pyatspi.WINDOW_COORDS)
        _, _, width, height = to_pixels(0, 0, *MAIN_DIALOG_SIZE)
        self.assertEqual((window_width, window_height), (width, height))
        placed = {}
        for role, name, *rect in MAIN_DIALOG:
            expected = to_pixels(*rect)
            candidates = [
                extents(node, pyatspi.WINDOW_COORDS)
                for node in descendants(window, role, name)
                if node.getState().contains(pyatspi.STATE_SHOWING)
            ]
            # A label's text may run a pixel or two past its frame, as text
            # of another font than the template's does.
            slack = 4 if role == "label" else 2
            matching = [
                box
                for box in candidates
                if box not in placed.values()
                and all(abs(a - b) <= 2 for a, b in zip(box[:2], expected[:2]))
                and all(0 <= a - b <= slack or abs(a - b) <= 2 for a, b in zip(box[2:], expected[2:]))
            ]
            self.assertTrue(matching, f"{role} '{name}' at {expected}: found {candidates}")
            box = matching[0]
            placed[(role, name, *rect)] = box
            x, y, w, h = box
            self.assertTrue(
                x >= 0 and y >= 0 and x + w <= window_width and y + h <= window_height,
                f"{role} '{name}' {box} is cut off by the window",
            )
        self.assertEqual(len(placed), len(MAIN_DIALOG))

    def test_engine_clock_typed_and_entered_is_set(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        engine = self.field(window, 1001)
        before = self.field_text(window, 1001)
        click(engine)
        run.press(TITLE, "ctrl+a")
        xdotool("type", "--delay", "20", "675")
        wait_for(lambda: text_of(engine) == "675", "the typed clock")
        run.press(TITLE, "Return")
        # Set, then shown as the library reports it back: a multiple of 6.75 MHz.
        wait_for(lambda: text_of(engine) == "675.00", "the engine clock that was set")
        self.assertNotEqual(before, "675.00")

        run.press(TITLE, "Escape")
        code, _, err = run.finish()
        self.assertEqual(code, 0, err)
        self.assertIn("675.00", self.report())

    def test_get_clock_info_shows_its_box_until_ok(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        engine = self.field_text(window, 1001)
        click(self.control(window, "push button", "Get Clock Info"))
        box = run.window("Clock Info", "alert")
        self.assertTrue(any(engine in label.name for label in descendants(box, "label")))
        click(self.control(box, "push button", "OK"))
        run.gone("Clock Info")
        self.assertIsNone(run.process.poll())
        run.window(TITLE, "frame")

    def test_auto_update_shows_a_clock_changed_by_another_process(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        engine = self.field(window, 1001)
        before = self.field_text(window, 1001)
        auto_update = self.control(window, "check box", "Auto Update")
        click(auto_update)
        wait_for(lambda: auto_update.getState().contains(pyatspi.STATE_CHECKED),
                 "Auto Update to be checked")

        self.probe("set", "0", "67500", "0")
        self.assertNotEqual(before, "675.00")
        # The refresh timer runs every five seconds.
        wait_for(lambda: text_of(engine) == "675.00", "the outside change", timeout=8)

    def test_escape_ends_the_program_and_a_second_start_ends_at_once(self):
        first = self.start()
        first.window(TITLE, "frame")
        second = self.start()
        code, _, err = second.finish(timeout=5)
        self.assertEqual(code, 0, err)
        self.assertIsNone(first.process.poll())

        first.press(TITLE, "Escape")
        code, _, err = first.finish()
        self.assertEqual(code, 0, err)

    def test_about_box_opens_from_the_context_menu(self):
        run = self.start()
        window = run.window(TITLE, "frame")
        x, y, _, _ = extents(window)
        # The dialog's own background, right of the device list's label.
        xdotool("mousemove", "--sync", str(x + 3), str(y + 3), "click", "3")
        about_item = wait_for(
            lambda: [item for app in [run.application()] for item in
                     descendants(app, "menu item", "About Korvan...")
                     if item.getState().contains(pyatspi.STATE_SHOWING)],
            "the system menu's About entry",
        )[0]
        help_items = descendants(run.application(), "menu item", "Help")
        self.assertTrue(help_items, "the system menu's Help entry")
        click(about_item)
        about = run.window("About Korvan")
        self.assertTrue(descendants(about, "label", "Tavo Korvan Version 5.22"))
        self.screenshot(run, "gui-about-box.png")
        click(self.control(about, "push button", "OK"))
        run.gone("About Korvan")
        run.press(TITLE, "Escape")
        self.assertEqual(run.finish()[0], 0)

    def test_numbers_keep_a_point_under_a_comma_locale(self):
        locales = comma_locale_dir()
        self.addCleanup(shutil.rmtree, locales, True)
        env = {"LOCPATH": locales, "LC_ALL": "de_DE.UTF-8", "LANG": "de_DE.UTF-8"}
        separator = subprocess.run(
            ["/usr/bin/python3", "-c",
             "import locale; locale.setlocale(locale.LC_ALL, ''); "
             "print(locale.localeconv()['decimal_point'])"],
            env=dict(os.environ, **env), capture_output=True, text=True,
        ).stdout.strip()
        if separator != ",":
            self.skipTest("no comma locale could be generated (localedef)")

        run = self.start(extra_env=env)
        window = run.window(TITLE, "frame")
        self.assertRegex(self.field_text(window, 1001), CLOCK)
        self.assertRegex(self.field_text(window, 1042, VOLTS), VOLTS)
        self.field_text(window, 1000)

    # ---- Batch runs ----

    def test_batch_run_with_a_display_shows_its_box_and_ends_with_it(self):
        run = self.start(["-viewclkinfo"])
        box = run.window("Clock Info", "alert")
        clocks = re.compile(r"\d+\.\d\d")
        self.assertTrue(any(clocks.search(label.name) for label in descendants(box, "label")))
        run.press("Clock Info", "Return")
        code, _, err = run.finish()
        self.assertEqual(code, 0, err)

    def test_terminal_run_neither_loads_gtk_nor_the_front_end(self):
        for display in (False, True):
            with self.subTest(display=display):
                maps_file = os.path.join(self.root, f"maps-{display}")
                run = self.start(["-viewclkinfo"], display=display, extra_env={
                    "LD_PRELOAD": os.environ["KORVAN_MAPS_AT_EXIT"],
                    "KORVAN_MAPS_OUT": maps_file,
                })
                if display:
                    run.window("Clock Info", "alert")
                    run.press("Clock Info", "Return")
                code, out, err = run.finish()
                self.assertEqual(code, 0, err)
                # The report is shown either way: on the terminal, or in a box.
                self.assertEqual("Clock" in out, not display)
                with open(maps_file) as maps:
                    loaded = maps.read()
                for library in ("libgtk-3.so", "libkorvan-gtk.so"):
                    self.assertEqual(library in loaded, display, library)


if __name__ == "__main__":
    unittest.main(verbosity=2)
