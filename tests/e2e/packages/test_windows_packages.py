"""The Windows packages. The installer is run under Wine the way a user runs
it (silently, /S): files in Program Files, the Start-menu shortcut, the
Add/Remove Programs entry, the installed program showing MainWindow with its
settings in %APPDATA%, and the uninstaller taking all of it away. The portable
zip runs from a folder of its own and keeps pz.ini there.

run_package_tests.sh says what runs (TOLVANE_WINE_*, TOLVANE_INSTALLER,
TOLVANE_PORTABLE_ZIP): the 32-bit packages under wine32, or, on a machine that
runs no 32-bit code, the same script and sources built for x86_64 under
wine64. The 32-bit packages are then checked as files only: the installer's
stub and payload, and the zip's members (TOLVANE_WIN32_*).

It runs as an ordinary user (the runner drops root): only then is a folder of
Program Files that the user may not write to really unwritable."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "wine"))
from lib.program import REPO  # noqa: E402
from lib.shop import Shop  # noqa: E402

# The session's prefix is a new one of this module's own, never a shared one.
_scratch = tempfile.mkdtemp(prefix="tolvane-package-wine-")
os.environ["TOLVANE_WINE_PREFIX"] = os.path.join(_scratch, "prefix")
from wine_session import LOADER, PREFIX, TITLE, WineProgram, WineSession, wait_for  # noqa: E402

PACKAGES = os.path.join(REPO, "build", "package-windows", "packages")
INSTALLER = os.environ.get("TOLVANE_INSTALLER", "")
PORTABLE_ZIP = os.environ.get("TOLVANE_PORTABLE_ZIP", "")
INSTALLER_32 = os.environ.get("TOLVANE_WIN32_INSTALLER",
                              os.path.join(PACKAGES, "tolvane-1.0.1.0-win32-setup.exe"))
ZIP_32 = os.environ.get("TOLVANE_WIN32_ZIP",
                        os.path.join(PACKAGES, "tolvane-1.0.1.0-win32-portable.zip"))
BIN_32 = os.environ.get("TOLVANE_WIN32_BIN", os.path.join(REPO, "build", "package-windows", "bin"))
SHOP_PORT = int(os.environ.get("TOLVANE_SHOP_PORT", "8765"))
OFFICIAL_PORT = int(os.environ.get("TOLVANE_OFFICIAL_PORT", "8766"))

PROGRAM_FILES = ["tolvane.exe", "SkinH_EL.dll", "skin.she"]
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"
START_MENU = "ProgramData/Microsoft/Windows/Start Menu/Programs/Tolvane.lnk"
DESKTOP_SHORTCUT = "Tolvane（九块九包邮购）.lnk"
BLANK = {"body": "<html><body></body></html>", "type": "text/html", "close": True}


def setUpModule():
    global session, home
    if not INSTALLER or not PORTABLE_ZIP:
        raise unittest.SkipTest("no Windows packages given: run tests/e2e/packages/run_package_tests.sh")
    # Wine links the prefix's desktop to $HOME: a home of this module's own.
    home = os.path.join(_scratch, "home")
    os.mkdir(home)
    os.environ["HOME"] = home
    session = WineSession()


def tearDownModule():
    if "session" in globals():
        session.close()
    shutil.rmtree(_scratch, ignore_errors=True)


def unix_path(windows_path):
    """Where a C: path of the prefix is on this machine."""
    drive, _, rest = windows_path.partition(":\\")
    assert drive.upper() == "C", windows_path
    return os.path.join(PREFIX, "drive_c", *rest.split("\\"))


def wine(*args, timeout=120):
    """Runs a Wine program to its end; its output goes through a file, as the
    Wine services it may start hold a pipe open."""
    with tempfile.TemporaryFile() as output:
        result = subprocess.run([LOADER, *args], env=session.env, stdin=subprocess.DEVNULL,
                                stdout=output, stderr=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        return result.returncode, output.read().decode("utf-8", "replace")


def uninstall_entry():
    """The values of the Add/Remove Programs key, or None without the key."""
    code, text = wine("reg", "query", UNINSTALL_KEY)
    if code != 0:
        return None
    values = {}
    for line in text.splitlines():
        found = re.match(r"\s+(\S+)\s+(REG_\w+)\s+(.*)", line)
        if found:
            values[found.group(1)] = found.group(3).strip()
    return values


def shortcut_target(path):
    text = subprocess.run(["lnkinfo", path], capture_output=True, timeout=30).stdout.decode(
        "utf-8", "replace")
    found = re.search(r"Local path\s*:\s*(.*)", text)
    return found.group(1).strip() if found else None


def install():
    code, _ = wine(INSTALLER, "/S", timeout=300)
    assert code == 0, f"the installer ended with {code}"
    entry = uninstall_entry()
    assert entry, "the installer wrote no uninstall entry"
    return entry["InstallLocation"]


def uninstall(location):
    # The uninstaller copies itself away and returns at once; the copy does the work.
    wine(os.path.join(location, "uninstall.exe"), "/S")
    return wait_for(lambda: not os.path.exists(unix_path(location)), timeout=60)


def settings_in_app_data():
    roaming = [os.path.join(PREFIX, "drive_c", "users", user, "AppData", "Roaming")
               for user in os.listdir(os.path.join(PREFIX, "drive_c", "users"))]
    return [os.path.join(folder, "Tolvane", "pz.ini") for folder in roaming]


def run_until_main_window(path, test):
    """Starts a program, waits for MainWindow and the status request, and ends it."""
    shop = Shop(script={"/1.txt": [{"body": "yes", "close": True}], "*": BLANK}, port=SHOP_PORT,
                official_port=OFFICIAL_PORT)
    test.addCleanup(shop.close)
    program = WineProgram(session, path, (), None)
    test.addCleanup(program.kill)
    window = wait_for(lambda: (w := session.main_window(wait_ms=500)[0]) and w["visible"] and w,
                      timeout=90)
    test.assertIsNotNone(window, "MainWindow never appeared")
    test.assertEqual(window["title"], TITLE)
    test.assertTrue(shop.wait_for_request("/1.txt", port=SHOP_PORT, timeout=30), shop.requests(SHOP_PORT))
    return program


def end(program):
    program.kill()
    wait_for(lambda: session.main_window()[0] is None, timeout=15)


class InstalledByTheUser(unittest.TestCase):
    """Installed, then started once by a user who may not write to its folder."""

    @classmethod
    def setUpClass(cls):
        cls.location = install()
        cls.folder = unix_path(cls.location)

    @classmethod
    def tearDownClass(cls):
        os.chmod(cls.folder, 0o755)
        uninstall(cls.location)

    def test_files_start_menu_and_uninstall_entry(self):
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted(PROGRAM_FILES + ["uninstall.exe"]))
        self.assertTrue(self.location.endswith(r"\Tolvane"), self.location)
        self.assertIn("Program Files", self.location)
        self.assertEqual(shortcut_target(os.path.join(PREFIX, "drive_c", START_MENU)).lower(),
                         (self.location + r"\tolvane.exe").lower())
        entry = uninstall_entry()
        uninstaller = f'"{self.location}\\uninstall.exe"'
        for name, value in [("DisplayName", "Tolvane"), ("DisplayVersion", "1.0.1.0"),
                            ("UninstallString", uninstaller),
                            ("QuietUninstallString", uninstaller + " /S"),
                            ("DisplayIcon", self.location + r"\tolvane.exe,0")]:
            with self.subTest(name):
                self.assertEqual(entry.get(name), value)

    def test_program_shows_main_window_and_keeps_settings_in_app_data(self):
        if os.geteuid() == 0:
            self.skipTest("the superuser writes anywhere: run_package_tests.sh runs this as a user")
        os.chmod(self.folder, 0o555)
        self.addCleanup(os.chmod, self.folder, 0o755)
        program = run_until_main_window(self.location + r"\tolvane.exe", self)
        self.assertTrue(wait_for(lambda: any(map(os.path.exists, settings_in_app_data())), timeout=15),
                        "no pz.ini in the user's application data")
        settings = next(filter(os.path.exists, settings_in_app_data()))
        with open(settings, "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
        self.assertNotIn("pz.ini", os.listdir(self.folder))
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(home, DESKTOP_SHORTCUT)),
                                 timeout=15))
        end(program)


class Uninstalled(unittest.TestCase):
    def test_uninstaller_takes_away_all_the_installer_and_the_program_made(self):
        location = install()
        folder = unix_path(location)
        for name in os.listdir(home):
            if name.endswith(".lnk"):
                os.remove(os.path.join(home, name))
        if os.geteuid() != 0:
            os.chmod(folder, 0o555)
        # The user's start: settings in the application data (for root,
        # beside the program), the shortcut on the user's desktop.
        end(run_until_main_window(location + r"\tolvane.exe", self))
        os.chmod(folder, 0o755)
        self.assertTrue(os.path.exists(os.path.join(home, DESKTOP_SHORTCUT)))
        # What a start with the right to write there (elevated) leaves beside it.
        with open(os.path.join(folder, "pz.ini"), "wb") as f:
            f.write(b"[kj]\r\nkj=1\r\n")

        if not uninstall(location):
            self.fail(f"still installed: {os.listdir(folder)}")
        self.assertFalse(os.path.exists(os.path.join(PREFIX, "drive_c", START_MENU)))
        self.assertIsNone(uninstall_entry())
        self.assertFalse(os.path.exists(os.path.join(home, DESKTOP_SHORTCUT)))
        self.assertEqual([p for p in settings_in_app_data() if os.path.exists(os.path.dirname(p))], [])


class PortableZip(unittest.TestCase):
    def test_runs_from_its_folder_and_keeps_settings_there(self):
        folder = os.path.join(PREFIX, "drive_c", "portable")
        with zipfile.ZipFile(PORTABLE_ZIP) as archive:
            self.assertEqual(sorted(archive.namelist()),
                             sorted(["Tolvane/"] + [f"Tolvane/{name}" for name in PROGRAM_FILES]))
            archive.extractall(folder)
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        end(run_until_main_window(r"C:\portable\Tolvane\tolvane.exe", self))
        with open(os.path.join(folder, "Tolvane", "pz.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")


class Packages32Bit(unittest.TestCase):
    """The release packages of the 32-bit program, as files: built and read,
    not run, where this machine runs no 32-bit code."""

    def test_installer_is_a_32_bit_nsis_program_carrying_the_32_bit_build(self):
        described = subprocess.run(["file", "-b", INSTALLER_32], capture_output=True,
                                   text=True).stdout
        self.assertRegex(described, r"^PE32 executable \(GUI\) Intel 80386.*Nullsoft Installer")
        listing = subprocess.run(["7z", "l", INSTALLER_32], capture_output=True, text=True).stdout
        self.assertIn("SubType = NSIS-3 Unicode", listing)
        unpacked = tempfile.mkdtemp(prefix="tolvane-installer-")
        self.addCleanup(shutil.rmtree, unpacked, ignore_errors=True)
        subprocess.run(["7z", "x", "-y", f"-o{unpacked}", INSTALLER_32], capture_output=True,
                       check=True)
        for name in PROGRAM_FILES:
            with self.subTest(name):
                self.assertTrue(same_bytes(os.path.join(unpacked, name), os.path.join(BIN_32, name)))
        for name in ["tolvane.exe", "uninstall.exe"]:
            with self.subTest(name):
                described = subprocess.run(["file", "-b", os.path.join(unpacked, name)],
                                           capture_output=True, text=True).stdout
                self.assertTrue(described.startswith("PE32 executable (GUI) Intel 80386"), described)

    def test_zip_holds_the_32_bit_build_in_one_folder(self):
        with zipfile.ZipFile(ZIP_32) as archive:
            self.assertEqual(sorted(archive.namelist()),
                             sorted(["Tolvane/"] + [f"Tolvane/{name}" for name in PROGRAM_FILES]))
            for name in PROGRAM_FILES:
                with self.subTest(name), open(os.path.join(BIN_32, name), "rb") as built:
                    self.assertEqual(archive.read(f"Tolvane/{name}"), built.read())


def same_bytes(a, b):
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()


if __name__ == "__main__":
    unittest.main()
