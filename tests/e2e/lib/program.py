"""Starting the real program the way a user does, from anywhere, and ending it."""

import os
import subprocess
import tempfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
BUILD = os.environ.get("TOLVANE_BUILD", os.path.join(REPO, "build", "linux", "bin"))
PROGRAM = os.path.join(BUILD, "tolvane")

TITLE = "Tolvane V1.0.1.0 ——购物最低价折扣，全场9.9元起包邮"
OUTER = (951, 503)
FRAME = (3, 26, 3)  # side, top, bottom of the Windows frame the client area is sized for


def expected_client_origin(screen):
    return ((screen[0] - OUTER[0]) // 2 + FRAME[0], (screen[1] - OUTER[1]) // 2 + FRAME[1])


class Program:
    def __init__(self, session, args=(), cwd=None, home=None, wrapper=(), program=PROGRAM, env=None):
        self.home = home or tempfile.mkdtemp(prefix="tolvane-home-")
        env = {**session.env, "HOME": self.home,
               "XDG_CONFIG_HOME": os.path.join(self.home, ".config"), **(env or {})}
        self.process = subprocess.Popen(
            list(wrapper) + [program, *args],
            cwd=cwd or tempfile.gettempdir(),
            env=env,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            text=True,
        )
        self.pid = self.process.pid
        self.output = ""

    def wait(self, timeout=30):
        try:
            self.output, _ = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.output, _ = self.process.communicate()
            raise
        return self.process.returncode

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.wait()
