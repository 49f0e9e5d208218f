"""The Debian package as a user meets it: what it holds, installed with apt,
started from the application menu under Xvfb against the scripted shop, and
purged. Installing needs root, as on the CI machine; the program itself runs
as an ordinary user, who cannot write to the folder it is installed in."""

import glob
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import REPO, Program  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.user import as_user, hand_over  # noqa: E402
from lib.xsession import XSession  # noqa: E402

DEB = os.environ.get("TOLVANE_DEB") or next(
    iter(sorted(glob.glob(os.path.join(REPO, "build", "package-linux", "packages", "tolvane_*.deb")))),
    "")
SHOP_PORT = int(os.environ.get("TOLVANE_SHOP_PORT", "8765"))
OFFICIAL_PORT = int(os.environ.get("TOLVANE_OFFICIAL_PORT", "8766"))

FOLDER = "/usr/lib/tolvane"
MENU_ENTRY = "/usr/share/applications/tolvane.desktop"
LAUNCHER = "Tolvane（九块九包邮购）.desktop"
TITLE = "Tolvane V1.0.1.0"
BLANK = {"body": "<html><body></body></html>", "type": "text/html"}

# What the package holds: path, kind, mode (None: any), link target.
CONTENTS = [
    ("/usr/bin/tolvane", "link", None, "../lib/tolvane/tolvane"),
    (f"{FOLDER}/tolvane", "file", 0o755, None),
    (f"{FOLDER}/libSkinH_EL.so", "file", 0o644, None),
    (f"{FOLDER}/skin.she", "file", 0o644, None),
    (f"{FOLDER}/assets/icon.png", "file", 0o644, None),
    (f"{FOLDER}/assets/loading.gif", "file", 0o644, None),
] + [(f"{FOLDER}/assets/tile_{name}.png", "file", 0o644, None)
     for name in ["home", "brand", "nine", "nineteen", "jingpin", "business"]] + [
    (MENU_ENTRY, "file", 0o644, None),
    ("/usr/share/icons/hicolor/48x48/apps/tolvane.png", "file", 0o644, None),
    ("/usr/share/icons/hicolor/256x256/apps/tolvane.png", "file", 0o644, None),
]

# Runtime libraries of Debian 12 the program and its skin library load.
RUNTIME = ["libgtk-3-0", "libwebkit2gtk-4.1-0", "libcurl4", "libpng16-16", "libglib2.0-0", "libc6"]


def apt_get(*args):
    result = subprocess.run(["apt-get", "-y", "-o", "DPkg::Lock::Timeout=600", *args],
                            env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                            capture_output=True, text=True, timeout=900)
    if result.returncode != 0:
        raise AssertionError(f"apt-get {' '.join(args)}: {result.stdout}{result.stderr}")


def installed():
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "tolvane"], capture_output=True,
                            text=True)
    return status.stdout.endswith(" installed")


def install():
    if installed():
        apt_get("purge", "tolvane")
    apt_get("install", os.path.abspath(DEB))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def entry_value(text, key):
    """A key of the [Desktop Entry] group, as written."""
    for line in text.splitlines():
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def requires_package(test_class):
    if not DEB:
        return unittest.skip("no package built: run tests/e2e/packages/run_package_tests.sh")(test_class)
    return test_class


@requires_package
class PackageFile(unittest.TestCase):
    """The .deb itself, before anything is installed."""

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", DEB, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "tolvane")
        self.assertEqual(self.field("Version"), "1.0.1.0")
        self.assertEqual(self.field("Architecture"),
                         subprocess.run(["dpkg", "--print-architecture"], capture_output=True,
                                        text=True).stdout.strip())
        depends = [d.split()[0] for d in self.field("Depends").split(", ")]
        for package in RUNTIME:
            with self.subTest(package):
                self.assertIn(package, depends)
        self.assertNotIn("dev", " ".join(depends))

    def test_contents_modes_and_owner(self):
        listing = subprocess.run(["dpkg-deb", "-c", DEB], capture_output=True, text=True,
                                 check=True).stdout.splitlines()
        entries = {}
        for line in listing:
            mode, owner, _, _, _, name, *rest = line.split(maxsplit=6) + [""]
            path = name[1:].rstrip("/") if name.startswith(".") else name
            entries[path] = (mode, owner, rest[0])
        for path, kind, mode, target in CONTENTS:
            with self.subTest(path):
                self.assertIn(path, entries)
                shown, owner, rest = entries[path]
                self.assertEqual(owner, "root/root")
                if kind == "link":
                    self.assertTrue(shown.startswith("l"))
                    self.assertEqual(rest, "-> " + target)
                else:
                    self.assertEqual(shown, stat.filemode(stat.S_IFREG | mode))
        # Nothing of the build's test programs or tools comes along.
        files = {p for p, (m, _, _) in entries.items() if not m.startswith("d")}
        self.assertEqual(files, {path for path, *_ in CONTENTS})


@requires_package
class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        install()
        cls.x = XSession()

    @classmethod
    def tearDownClass(cls):
        cls.x.close()
        apt_get("purge", "tolvane")

    def test_menu_entry_starts_the_installed_program_with_its_icon(self):
        check = subprocess.run(["desktop-file-validate", MENU_ENTRY], capture_output=True, text=True)
        self.assertEqual((check.returncode, check.stdout), (0, ""))
        with open(MENU_ENTRY, encoding="utf-8") as f:
            text = f.read()
        exec_line = entry_value(text, "Exec")
        program = shutil.which(exec_line.split()[0], path=os.environ.get("PATH", os.defpath))
        self.assertEqual(program, "/usr/bin/tolvane")
        self.assertEqual(os.path.realpath(program), f"{FOLDER}/tolvane")
        self.assertEqual(entry_value(text, "Icon"), "tolvane")
        for size in (48, 256):
            with self.subTest(size):
                icon = f"/usr/share/icons/hicolor/{size}x{size}/apps/tolvane.png"
                self.assertEqual(png_size(icon), (size, size))

    def user_home(self):
        """A home with a desktop folder, and a configuration folder elsewhere."""
        root = tempfile.mkdtemp(prefix="tolvane-package-user-")
        os.chmod(root, 0o755)
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        home = os.path.join(root, "home")
        os.makedirs(os.path.join(home, "Desktop"))
        config = os.path.join(root, "config of the user")
        hand_over(root)
        return home, config

    def start_shop(self):
        shop = Shop(script={"/1.txt": ["yes"], "/": BLANK}, port=SHOP_PORT,
                    official_port=OFFICIAL_PORT)
        self.addCleanup(shop.close)
        return shop

    def test_user_start_keeps_settings_in_the_configuration_folder(self):
        home, config = self.user_home()
        env = {"XDG_CONFIG_HOME": config}
        launcher = os.path.join(home, "Desktop", LAUNCHER)
        settings = os.path.join(config, "tolvane", "pz.ini")
        before = sorted(os.listdir(FOLDER))

        # First start: from the menu entry's command, found on the PATH.
        shop = self.start_shop()
        program = Program(self.x, home=home, program="tolvane", wrapper=as_user(), env=env, cwd=home)
        self.addCleanup(program.kill)
        self.assertIsNotNone(self.x.find_window(TITLE, pid=program.pid, timeout=30), "no MainWindow")
        self.assertTrue(shop.wait_for_request("/1.txt", port=SHOP_PORT), "no status request")
        self.assertTrue(wait_for_file(settings), os.listdir(os.path.dirname(config)))
        with open(settings, "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
        self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(settings)).st_mode), 0o700)
        self.assertTrue(os.path.exists(launcher))
        with open(launcher, encoding="utf-8") as f:
            made = f.read()
        self.assertEqual(entry_value(made, "Exec"), f"{FOLDER}/tolvane")
        self.assertTrue(os.path.exists(entry_value(made, "Icon")))
        self.assertEqual(sorted(os.listdir(FOLDER)), before, "the program wrote beside itself")
        self.assertFalse(os.path.exists(os.path.join(home, ".config", "tolvane")))
        program.kill()
        shop.close()

        # A later start, the way a desktop starts the menu entry: the deleted
        # launcher is not made again.
        os.remove(launcher)
        shop = self.start_shop()
        subprocess.run(as_user() + ["gio", "launch", MENU_ENTRY], env={**self.x.env, "HOME": home, **env},
                       cwd=home, check=True, timeout=30)
        window = self.x.find_window(TITLE, timeout=30)
        self.assertIsNotNone(window, "no MainWindow from the menu entry")
        pid = int(self.x.run("xdotool", "getwindowpid", str(window)))
        self.addCleanup(kill, pid)
        self.assertTrue(shop.wait_for_request("/1.txt", port=SHOP_PORT), "no status request")
        time.sleep(2)
        self.assertFalse(os.path.exists(launcher), "a later start made the launcher again")
        with open(settings, "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
        kill(pid)


@requires_package
class Purge(unittest.TestCase):
    def test_purge_leaves_nothing_of_the_package(self):
        install()
        listed = subprocess.run(["dpkg-query", "-L", "tolvane"], capture_output=True, text=True,
                                check=True).stdout.split()
        own = [path for path in listed if path == FOLDER or path.startswith(FOLDER + "/")
               or not os.path.isdir(path)]

        # The superuser may write to the program's folder, so its pz.ini lands
        # there: the purge takes it too.
        x = XSession()
        try:
            shop = Shop(script={"/1.txt": ["yes"], "/": BLANK}, port=SHOP_PORT,
                        official_port=OFFICIAL_PORT)
            home = tempfile.mkdtemp(prefix="tolvane-package-root-")
            self.addCleanup(shutil.rmtree, home, ignore_errors=True)
            os.mkdir(os.path.join(home, "Desktop"))
            program = Program(x, home=home, program="/usr/bin/tolvane")
            self.assertIsNotNone(x.find_window(TITLE, pid=program.pid, timeout=30))
            self.assertTrue(wait_for_file(f"{FOLDER}/pz.ini"))
            self.assertFalse(os.path.exists(os.path.join(home, ".config", "tolvane")))
            program.kill()
            shop.close()
        finally:
            x.close()

        apt_get("purge", "tolvane")
        # Purged, not only removed: dpkg keeps no record of it.
        self.assertEqual(subprocess.run(["dpkg-query", "-W", "tolvane"], capture_output=True).returncode, 1)
        left = [path for path in own + [FOLDER] if os.path.lexists(path)]
        self.assertEqual(left, [])


def wait_for_file(path, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if os.path.exists(path):
            return True
        time.sleep(0.1)
    return False


def kill(pid):
    try:
        os.kill(pid, 9)
    except ProcessLookupError:
        pass


if __name__ == "__main__":
    unittest.main()
