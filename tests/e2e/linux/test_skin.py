"""The skin library as built: what it exports, what its skins do to GTK
widgets on a real display, that damaged skin files change nothing, and how the
program's binding finds it. The Windows DLL's export table is read when the
Windows build is there."""

import os
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import BUILD, REPO  # noqa: E402
from lib.xsession import XSession, close_to  # noqa: E402

LIBRARY = os.path.join(BUILD, "libSkinH_EL.so")
DEFAULT_SKIN = os.path.join(BUILD, "skin.she")
CHECK = os.path.join(BUILD, "skin_check")
BINDING_CHECK = os.path.join(BUILD, "skin_binding_check")
FIXTURES = os.path.join(BUILD, "..", "skin", "tests", "fixtures")
WINDOWS_BUILD = os.environ.get("TOLVANE_WINDOWS_BUILD", os.path.join(REPO, "build", "windows", "bin"))

WHITE, BLACK = (255, 255, 255), (0, 0, 0)
BUTTON_FACE = (240, 240, 240)
BLUE = (0, 136, 255)

# Every colour different from the theme's and from each other, so that each
# one seen on the screen can only have come from its own key.
VIVID_SKIN = """\
[window]
background = #203040
text = #f0e0d0
[button]
face = #c01020
text = #10f020
border = #0000ff
hover = #20c0a0
hover_text = #000000
pressed = #602080
[edit]
background = #f0f080
text = #101080
[selection]
background = #ff8000
text = #000000
[dialog]
background = #80a0f0
text = #300000
[font]
face = DejaVu Serif
size = 20
"""
VIVID = {
    "window": (0x20, 0x30, 0x40), "window_text": (0xf0, 0xe0, 0xd0),
    "face": (0xc0, 0x10, 0x20), "text": (0x10, 0xf0, 0x20), "border": (0, 0, 0xff),
    "hover": (0x20, 0xc0, 0xa0), "pressed": (0x60, 0x20, 0x80),
    "edit": (0xf0, 0xf0, 0x80), "selection": (0xff, 0x80, 0x00), "dialog": (0x80, 0xa0, 0xf0),
}


def rgba(colour):
    return "%d,%d,%d,255" % colour


class CheckRun:
    """One run of skin_check: the results of its attach calls, the style GTK
    resolved, and where its widgets are on the screen."""

    def __init__(self, session, library, skins, timeout=30):
        self.process = subprocess.Popen([CHECK, library, *skins], env=session.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.results, self.style, self.rects = [], {}, {}
        deadline = time.time() + timeout
        buffered = b""
        while b"ready\n" not in buffered:
            if time.time() > deadline or self.process.poll() is not None:
                self.close()
                raise AssertionError(f"skin_check did not get ready: {buffered!r}")
            readable, _, _ = select.select([self.process.stdout], [], [], 1)
            if readable:
                buffered += os.read(self.process.stdout.fileno(), 4096)
        for line in buffered.decode().splitlines():
            kind, _, rest = line.partition(" ")
            if kind == "attach":
                self.results.append(int(rest.split()[1]))
            elif kind == "style":
                name, _, value = rest.partition(" ")
                self.style[name] = value
            elif kind == "rect":
                name, *numbers = rest.split()
                self.rects[name] = tuple(int(n) for n in numbers)

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()

    def point(self, name, dx, dy):
        x, y, width, height = self.rects[name]
        return (x + (dx if dx >= 0 else width + dx), y + (dy if dy >= 0 else height + dy))


class Files:
    """Skin files of a test, in a directory of their own."""

    def __init__(self, test):
        self.directory = tempfile.mkdtemp(prefix="tolvane-skin-")
        test.addCleanup(shutil.rmtree, self.directory, True)

    def write(self, name, content):
        path = os.path.join(self.directory, name)
        with open(path, "wb") as f:
            f.write(content.encode() if isinstance(content, str) else content)
        return path


class TheLibraryFile(unittest.TestCase):
    def test_built_beside_the_program_with_the_default_skin(self):
        self.assertTrue(os.path.isfile(LIBRARY), LIBRARY)
        with open(DEFAULT_SKIN, "rb") as built, open(os.path.join(REPO, "skin", "skin.she"), "rb") as source:
            self.assertEqual(built.read(), source.read())

    def test_exports_exactly_the_entry_point(self):
        out = subprocess.run(["nm", "-D", "--defined-only", LIBRARY], capture_output=True, text=True,
                             check=True).stdout
        self.assertEqual([line.split()[-1] for line in out.splitlines() if line.strip()], ["SkinH_AttachEx"])


class SkinsOnScreen(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XSession()
        # GTK's look with no library at all, which a refused skin must leave as it is.
        baseline = CheckRun(cls.x, "-", [])
        cls.baseline = baseline.style
        baseline.close()

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def run_check(self, *skins):
        run = CheckRun(self.x, LIBRARY, list(skins))
        self.addCleanup(run.close)
        return run

    def pixel(self, run, name, dx, dy, shot=None):
        shot = shot or self.x.screenshot()
        return shot.pixel(*run.point(name, dx, dy))

    def assertPixel(self, run, shot, name, dx, dy, colour, what):
        seen = shot.pixel(*run.point(name, dx, dy))
        self.assertTrue(close_to(seen, colour), f"{what}: {seen} instead of {colour}")

    def hover_and_press(self, run):
        """Screenshots with the pointer over the button, then with it pressed."""
        x, y = run.point("button", 20, 20)
        self.x.run("xdotool", "mousemove", "--sync", str(x), str(y))
        time.sleep(0.6)  # the theme's transition
        hovered = self.x.screenshot()
        self.x.run("xdotool", "mousedown", "1")
        time.sleep(0.6)
        pressed = self.x.screenshot()
        self.x.run("xdotool", "mouseup", "1")
        self.x.run("xdotool", "mousemove", "0", "0")
        return hovered, pressed

    def test_the_default_skin(self):
        run = self.run_check(DEFAULT_SKIN)
        self.assertEqual(run.results, [1])
        expected = {
            "window.background-color": rgba(WHITE), "window.color": rgba(BLACK),
            "button.background-color": rgba(BUTTON_FACE), "button.color": rgba(BLACK),
            "button:hover.background-color": rgba(BLUE), "button:hover.color": rgba(WHITE),
            "textview.background-color": rgba(WHITE), "dialog.background-color": rgba(WHITE),
            "button.font-size": "12.0",
        }
        self.assertEqual({k: run.style.get(k) for k in expected}, expected)
        self.assertTrue(run.style["button.font-family"].startswith("Microsoft YaHei"))

        shot = self.x.screenshot()
        self.assertPixel(run, shot, "window", 5, 5, WHITE, "window background")
        self.assertPixel(run, shot, "button", 8, 8, BUTTON_FACE, "button face")
        self.assertPixel(run, shot, "textview", 20, 5, BLUE, "selection")
        hovered, _ = self.hover_and_press(run)
        self.assertPixel(run, hovered, "button", 8, 8, BLUE, "button under the pointer")

    def test_every_key_of_a_vivid_skin_on_screen(self):
        run = self.run_check(Files(self).write("skin.she", VIVID_SKIN))
        self.assertEqual(run.results, [1])
        self.assertEqual(run.style["button.font-family"], "DejaVu Serif,sans-serif")
        self.assertEqual(run.style["button.font-size"], "20.0")
        self.assertEqual(run.style["window.color"], rgba(VIVID["window_text"]))
        self.assertEqual(run.style["dialog.color"], "48,0,0,255")

        shot = self.x.screenshot(os.path.join(BUILD, "..", "skin-vivid.png"))
        for name, dx, dy, colour in [
            ("window", 5, 5, "window"),
            ("button", 8, 8, "face"),
            ("button", 0, 30, "border"),
            ("textview", -5, -5, "edit"),
            ("textview", 20, 5, "selection"),
            ("dialog", 3, 3, "dialog"),
        ]:
            with self.subTest(colour):
                self.assertPixel(run, shot, name, dx, dy, VIVID[colour], colour)
        with self.subTest("button text"):
            x, y, width, height = run.rects["button"]
            label = {shot.pixel(px, py) for px in range(x + 40, x + width - 40) for py in range(y + 10, y + height - 10)}
            self.assertTrue(any(close_to(c, VIVID["text"], 30) for c in label), "no button text in its colour")

        hovered, pressed = self.hover_and_press(run)
        with self.subTest("hover"):
            self.assertPixel(run, hovered, "button", 8, 8, VIVID["hover"], "hover")
        with self.subTest("pressed"):
            self.assertPixel(run, pressed, "button", 8, 8, VIVID["pressed"], "pressed")

    def test_files_that_change_nothing(self):
        files = Files(self)
        randomness = random.Random(936)
        cases = [
            ("missing file", os.path.join(files.directory, "none.she")),
            ("empty file", files.write("empty.she", b"")),
            ("random bytes", files.write("random.she", bytes(randomness.randrange(256) for _ in range(4000)))),
            ("a binary: the library itself", LIBRARY),
            ("a directory", files.directory),
            ("a line that is no setting", files.write("line.she", VIVID_SKIN + "this is not a setting\n")),
            ("one bad colour among good ones", files.write("colour.she", VIVID_SKIN.replace("#f0f080", "#f0f08"))),
            ("css in a font face", files.write("face.she", VIVID_SKIN.replace(
                "DejaVu Serif", 'Serif"; } window { background-color: #ff0000; } * { x: "'))),
            ("css in a colour", files.write("css.she", VIVID_SKIN.replace(
                "#c01020", "#c01020; } window { background-color: #ff0000"))),
            ("a line too long", files.write("long.she", VIVID_SKIN + "# " + "x" * 300 + "\n")),
            ("a file too large", files.write("large.she", VIVID_SKIN + ("#" + "x" * 99 + "\n") * 700)),
            ("code page 936 text", files.write("gbk.she", VIVID_SKIN.replace("DejaVu Serif", "微软雅黑")
                                                 .encode("gbk"))),
            ("a null path", "--null"),
        ]
        for name, path in cases:
            with self.subTest(name):
                run = CheckRun(self.x, LIBRARY, [path])
                try:
                    self.assertEqual(run.results, [0])
                    self.assertEqual(run.style, self.baseline)
                finally:
                    run.close()

    def test_a_refused_file_keeps_the_skin_in_force(self):
        files = Files(self)
        vivid = files.write("vivid.she", VIVID_SKIN)
        alone = self.run_check(vivid)
        then_garbage = self.run_check(vivid, files.write("bad.she", b"\x00\xff" * 100), "/no/such/skin.she")
        self.assertEqual(then_garbage.results, [1, 0, 0])
        self.assertEqual(then_garbage.style, alone.style)

    def test_a_later_skin_takes_the_place_of_the_earlier(self):
        vivid = Files(self).write("vivid.she", VIVID_SKIN)
        default_alone = self.run_check(DEFAULT_SKIN)
        vivid_then_default = self.run_check(vivid, DEFAULT_SKIN)
        self.assertEqual(vivid_then_default.results, [1, 1])
        self.assertEqual(vivid_then_default.style, default_alone.style)


class TheProgramsBinding(unittest.TestCase):
    """platform::BindSkinLibrary and AttachSkin of the Linux backend."""

    @classmethod
    def setUpClass(cls):
        cls.x = XSession(window_manager=False)

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def bind(self, first_path, file_name="libSkinH_EL.so", entry="SkinH_AttachEx", skin=DEFAULT_SKIN,
             search=None, cwd=None):
        env = dict(self.x.env)
        env.pop("LD_LIBRARY_PATH", None)
        if search:
            env["LD_LIBRARY_PATH"] = search
        args = [BINDING_CHECK, first_path, file_name, entry, skin]
        # The program's texts are code page 936.
        args = [a.encode("gbk") if isinstance(a, str) else a for a in args]
        out = subprocess.run(args, env=env, cwd=cwd or tempfile.gettempdir(), capture_output=True,
                             timeout=30, check=True).stdout.decode()
        return dict(line.split(" ", 1) for line in out.splitlines())

    def test_where_it_is_found_and_what_it_gives(self):
        fixture = os.path.join(FIXTURES, "libskin_fixture_without_entry.so")
        nowhere = "/nonexistent/libSkinH_EL.so"
        not_a_library = Files(self).write("libSkinH_EL.so", b"not a library\n")
        chinese_directory = os.path.join(Files(self).directory, "皮肤 目录")
        os.mkdir(chinese_directory)
        shutil.copy(LIBRARY, chinese_directory)
        shutil.copy(DEFAULT_SKIN, chinese_directory)
        in_chinese = os.path.join(chinese_directory, "libSkinH_EL.so")
        cases = [
            # name, first path, keyword arguments, bound, attach result
            ("the first path", LIBRARY, {}, "1", "1"),
            ("a path of code page 936 and its skin", in_chinese,
             {"skin": os.path.join(chinese_directory, "skin.she")}, "1", "1"),
            ("the standard search after a first path that holds nothing", nowhere, {"search": BUILD}, "1", "1"),
            ("the standard search after a file that is no library", not_a_library, {"search": BUILD}, "1", "1"),
            ("the standard search after an empty first path", "", {"search": BUILD}, "1", "1"),
            ("a first path without a directory is in the working directory", "libSkinH_EL.so",
             {"cwd": BUILD, "file_name": "no-such-library.so"}, "1", "1"),
            ("nowhere", nowhere, {}, "0", None),
            ("no entry of its own, though a dependency has one", fixture, {"search": BUILD}, "0", None),
            ("another entry name", LIBRARY, {"entry": "SkinH_Attach"}, "0", None),
            ("a missing skin file", LIBRARY, {"skin": "/no/skin.she"}, "1", "0"),
        ]
        for name, first, options, bound, attached in cases:
            with self.subTest(name):
                seen = self.bind(first, **options)
                self.assertEqual(seen["bound"], bound)
                self.assertEqual(seen.get("attach"), attached)
                # Bound, the library stays loaded; refused, it has gone again.
                self.assertEqual(seen["mapped"], "libSkinH_EL.so" if bound == "1" else "-")
                self.assertEqual(seen["unloaded"], "-", "UnloadLibraries leaves it loaded")


class TheWindowsLibraryFile(unittest.TestCase):
    DLL = os.path.join(WINDOWS_BUILD, "SkinH_EL.dll")

    def setUp(self):
        if not os.path.isfile(self.DLL):
            self.skipTest(f"no Windows build of the skin library at {self.DLL} "
                          "(cmake --preset windows && cmake --build --preset windows)")

    def objdump(self):
        return subprocess.run(["i686-w64-mingw32-objdump", "-p", self.DLL], capture_output=True, text=True,
                              check=True).stdout

    def test_a_32_bit_dll_exporting_the_bare_entry_name_only(self):
        dump = self.objdump()
        self.assertIn("file format pei-i386", subprocess.run(
            ["i686-w64-mingw32-objdump", "-f", self.DLL], capture_output=True, text=True).stdout)
        table = dump.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
        self.assertEqual(re.findall(r"\]\s+(\S+)", table), ["SkinH_AttachEx"])

    def test_needs_no_runtime_dll_beside_it(self):
        imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.objdump())}
        system = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}
        self.assertLessEqual(imports, system)

    def test_the_default_skin_is_beside_it(self):
        self.assertTrue(os.path.isfile(os.path.join(WINDOWS_BUILD, "skin.she")))


if __name__ == "__main__":
    unittest.main()
