"""A default-browser stand-in registered in a test's own HOME: every URL the
desktop asks it to open is appended to a file."""

import os
import sys

RECORDER = """#!/bin/sh
printf '%s\\n' "$1" >> "{log}"
"""

DESKTOP = """[Desktop Entry]
Type=Application
Name=URL recorder
Exec={script} %u
MimeType=x-scheme-handler/http;x-scheme-handler/https;
NoDisplay=true
"""


def install(home):
    """Registers the recorder for http and https in home; gives the log path."""
    log = os.path.join(home, "opened-urls.txt")
    applications = os.path.join(home, ".local", "share", "applications")
    config = os.path.join(home, ".config")
    os.makedirs(applications, exist_ok=True)
    os.makedirs(config, exist_ok=True)
    script = os.path.join(home, "record-url.sh")
    with open(script, "w") as f:
        f.write(RECORDER.format(log=log))
    os.chmod(script, 0o755)
    with open(os.path.join(applications, "url-recorder.desktop"), "w") as f:
        f.write(DESKTOP.format(script=script))
    with open(os.path.join(config, "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\n"
                "x-scheme-handler/http=url-recorder.desktop\n"
                "x-scheme-handler/https=url-recorder.desktop\n")
    return log


def opened(log):
    if not os.path.exists(log):
        return []
    with open(log) as f:
        return [line.rstrip("\n") for line in f]


if __name__ == "__main__":
    print(install(sys.argv[1]))
