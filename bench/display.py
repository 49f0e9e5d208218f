"""The benchmarks' X display: the end-to-end tests' Xvfb, with openbox told
to give surf's window the client area of our browser control (744 x 454), so
both WebKit views lay out and paint the same page at the same size.

The display has a runtime folder of its own that lives as long as it does:
the accessibility bus that the first program starts is announced on the
display for all later ones, and its socket must outlast each run's HOME (the
WebKit sandbox ends the program when a path it binds is gone)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from lib.xsession import XSession  # noqa: E402

from xscreen import Screen  # noqa: E402

BROWSER_SIZE = (744, 454)

_OPENBOX_RULES = f"""<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications>
    <application class="Surf">
      <size><width>{BROWSER_SIZE[0]}</width><height>{BROWSER_SIZE[1]}</height></size>
    </application>
  </applications>
</openbox_config>
"""


class Display:
    def __init__(self):
        self.x = XSession(window_manager=False)
        self.runtime = tempfile.mkdtemp(prefix="tolvane-bench-runtime-")
        self.env = dict(self.x.env, XDG_RUNTIME_DIR=self.runtime)
        self.screen = None
        self.wm = None
        self._rules = tempfile.NamedTemporaryFile("w", suffix=".xml", prefix="tolvane-bench-openbox-",
                                                  delete=False)
        try:
            self._rules.write(_OPENBOX_RULES)
            self._rules.close()
            self.wm = subprocess.Popen(["openbox", "--config-file", self._rules.name], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.screen = Screen(self.x.display)
            time.sleep(0.5)  # openbox owns the screen before the first client maps
        except BaseException:
            self.close()
            raise

    def close(self):
        if self.screen:
            self.screen.close()
            self.screen = None
        if self.wm and self.wm.poll() is None:
            self.wm.terminate()
            self.wm.wait(5)
        self.x.close()
        os.unlink(self._rules.name)
        shutil.rmtree(self.runtime, ignore_errors=True)
