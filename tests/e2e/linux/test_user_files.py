"""The files the first run leaves behind on Linux, made by the real backend:
the desktop launcher (checked by desktop-file-validate and started by GLib the
way a desktop starts it), the desktop directory it goes to, and pz.ini."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import BUILD  # noqa: E402

DRIVER = os.path.join(BUILD, "user_files")
NAME = "Tolvane（九块九包邮购）"

# Folders the program may be installed in, each a trap for a different part of
# the Exec quoting.
INSTALL_FOLDERS = [
    ("plain", "tolvane"),
    ("spaces_and_chinese", "九块九 包邮 购"),
    ("shell_characters", "a$b 'c' \"d\" `e` (f);g&h|i<j>k*l?m#n~o"),
    ("backslash", "back\\slash"),
    ("equals_sign", "key=value"),
    ("tab", "a\tb"),
    ("percent", "100%"),
]

# GLib (2.74) looks for the program under its Exec name before "%%" has become
# "%", so it turns down a launcher whose program path holds a '%', although the
# launcher is as the format asks; such launchers are only validated.
GLIB_TURNS_DOWN = {"percent"}

# Records how it was started: its own path and how many arguments it got.
RECORDER = '#!/bin/sh\nprintf "%s\\n%s\\n" "$0" "$#" > "$RECORD"\n'


def run(*args, env=None):
    return subprocess.run([DRIVER, *args], capture_output=True, text=True, env=env, timeout=30)


class Workspace(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolvane-user-files-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)

    def folder(self, *parts):
        path = os.path.join(self.root, *parts)
        os.makedirs(path, exist_ok=True)
        return path


class Launcher(Workspace):
    def install(self, folder):
        program = os.path.join(self.folder("programs", folder), "tolvane")
        with open(program, "w") as f:
            f.write(RECORDER)
        os.chmod(program, 0o755)
        return program

    def launch(self, launcher):
        record = os.path.join(self.root, "record")
        if os.path.exists(record):
            os.remove(record)
        env = dict(os.environ, RECORD=record)
        started = subprocess.run(["gio", "launch", launcher], capture_output=True, text=True,
                                 env=env, timeout=30)
        self.assertEqual(started.returncode, 0, started.stderr)
        for _ in range(100):
            if os.path.exists(record) and open(record).read().endswith("\n"):
                break
            time.sleep(0.05)
        with open(record) as f:
            return f.read().splitlines()

    def test_launcher_is_valid_executable_and_starts_the_program(self):
        desktop = self.folder("Desktop")
        for name, folder in INSTALL_FOLDERS:
            with self.subTest(name):
                program = self.install(folder)
                made = run("create-shortcut", os.path.join(desktop, NAME), program)
                self.assertEqual(made.returncode, 0, made.stderr)

                launcher = os.path.join(desktop, NAME + ".desktop")
                self.assertEqual(os.listdir(desktop), [NAME + ".desktop"])
                self.assertEqual(stat.S_IMODE(os.stat(launcher).st_mode), 0o755)
                validated = subprocess.run(["desktop-file-validate", launcher],
                                           capture_output=True, text=True)
                self.assertEqual((validated.returncode, validated.stdout), (0, ""))
                with open(launcher, encoding="utf-8") as f:
                    text = f.read()
                self.assertTrue(text.startswith("[Desktop Entry]\n"))
                self.assertIn(f"\nName={NAME}\n", text)
                self.assertIn("\nIcon=" + os.path.dirname(program).replace("\\", "\\\\")
                              .replace("\t", "\\t") + "/assets/icon.png\n", text)

                if name in GLIB_TURNS_DOWN:
                    self.assertIn("%%", text)
                    continue
                # GLib reads it as a desktop does, and starts exactly the program.
                read = run("launcher-command", launcher)
                self.assertEqual(read.returncode, 0, "GLib rejected the launcher")
                self.assertEqual(self.launch(launcher), [program, "0"])

    def test_existing_file_is_replaced_and_made_executable(self):
        desktop = self.folder("Desktop")
        launcher = os.path.join(desktop, NAME + ".desktop")
        with open(launcher, "w") as f:
            f.write("[Desktop Entry]\nType=Link\nURL=http://old.invalid/\nName=old\n" * 50)
        os.chmod(launcher, 0o644)
        program = self.install("tolvane")

        self.assertEqual(run("create-shortcut", os.path.join(desktop, NAME), program).returncode, 0)

        self.assertEqual(stat.S_IMODE(os.stat(launcher).st_mode), 0o755)
        with open(launcher) as f:
            text = f.read()
        self.assertNotIn("old", text)
        self.assertIn(f"\nExec={program}\n", text)
        self.assertEqual(os.listdir(desktop), [NAME + ".desktop"])

    def test_dot_in_a_folder_still_gets_the_extension(self):
        desktop = self.folder("my.desk")
        program = self.install("tolvane")
        self.assertEqual(run("create-shortcut", os.path.join(desktop, NAME), program).returncode, 0)
        self.assertEqual(os.listdir(desktop), [NAME + ".desktop"])

    def test_missing_desktop_directory_makes_nothing(self):
        program = self.install("tolvane")
        missing = os.path.join(self.root, "no desktop")
        made = run("create-shortcut", os.path.join(missing, NAME), program)
        self.assertEqual(made.returncode, 1)
        self.assertFalse(os.path.exists(missing))


class DesktopDirectory(Workspace):
    def desktop_directory(self, home, config_home=None, user_dirs=None):
        env = {k: v for k, v in os.environ.items() if k not in ("HOME", "XDG_CONFIG_HOME")}
        env["HOME"] = home
        if config_home is not None:
            env["XDG_CONFIG_HOME"] = config_home
        if user_dirs is not None:
            folder = config_home or os.path.join(home, ".config")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "user-dirs.dirs"), "w", encoding="utf-8") as f:
                f.write(user_dirs)
        shown = run("desktop-directory", env=env)
        self.assertEqual(shown.returncode, 0, shown.stderr)
        return shown.stdout.rstrip("\n")

    def test_follows_the_user_dirs_file_or_falls_back(self):
        cases = [
            ("localized", None, 'XDG_DESKTOP_DIR="$HOME/桌面"\n', "{home}/桌面/"),
            ("absolute", None, 'XDG_DESKTOP_DIR="{root}/elsewhere"\n', "{root}/elsewhere/"),
            ("config_home", "{root}/cfg", 'XDG_DESKTOP_DIR="$HOME/Schreibtisch"\n',
             "{home}/Schreibtisch/"),
            ("other_keys_only", None, 'XDG_MUSIC_DIR="$HOME/Music"\n', "{home}/Desktop/"),
            ("no_file", None, None, "{home}/Desktop/"),
        ]
        for name, config_home, user_dirs, expected in cases:
            with self.subTest(name):
                home = self.folder(name, "home 家")
                fill = dict(home=home, root=self.root)
                shown = self.desktop_directory(
                    home,
                    config_home.format(**fill) if config_home else None,
                    user_dirs.replace("{root}", self.root) if user_dirs else None)
                self.assertEqual(shown, expected.format(**fill))
                self.assertFalse(os.path.exists(shown), "the desktop directory was created")


class SettingsFile(Workspace):
    def test_written_under_a_chinese_folder_and_read_back(self):
        folder = self.folder("程序 目录")
        ini = os.path.join(folder, "pz.ini")
        self.assertEqual(run("read-setting", ini, "kj", "kj").stdout, "\n")
        self.assertEqual(run("write-setting", ini, "kj", "kj", "1").returncode, 0)
        self.assertEqual(os.listdir(folder), ["pz.ini"])
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
        self.assertEqual(run("read-setting", ini, "KJ", "kj").stdout, "1\n")

    def test_values_stay_code_page_936_bytes(self):
        ini = os.path.join(self.folder("p"), "pz.ini")
        with open(ini, "wb") as f:
            f.write("; 设置\n[kj]\nkj=0\n[名]\n值=九块九\n".encode("gbk"))
        os.chmod(ini, 0o640)
        self.assertEqual(run("write-setting", ini, "kj", "kj", "1").returncode, 0)
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), "; 设置\n[kj]\nkj=1\n[名]\n值=九块九\n".encode("gbk"))
        self.assertEqual(stat.S_IMODE(os.stat(ini).st_mode), 0o640)
        self.assertEqual(run("read-setting", ini, "名", "值").stdout, "九块九\n")

    def test_unwritable_places_fail_and_change_nothing(self):
        folder = self.folder("p")
        for name, path in [("directory", folder), ("missing_folder", os.path.join(folder, "x", "pz.ini"))]:
            with self.subTest(name):
                self.assertEqual(run("write-setting", path, "kj", "kj", "1").returncode, 1)
                self.assertEqual(os.listdir(folder), [])


if __name__ == "__main__":
    unittest.main()
