"""An ordinary user for programs that must meet the file permissions users
meet: the superuser writes anywhere, so when the tests run as root the
program runs as nobody, in folders handed over to it."""

import os
import pwd

_NOBODY = pwd.getpwnam("nobody")


def as_user():
    """The wrapper a command is started with: none unless the tests are root."""
    if os.geteuid() != 0:
        return []
    return ["setpriv", f"--reuid={_NOBODY.pw_uid}", f"--regid={_NOBODY.pw_gid}", "--clear-groups",
            "--"]


def hand_over(path):
    """Gives path and everything below it to that user."""
    if os.geteuid() != 0:
        return
    for folder, _, names in os.walk(path):
        os.chown(folder, _NOBODY.pw_uid, _NOBODY.pw_gid)
        for name in names:
            os.lchown(os.path.join(folder, name), _NOBODY.pw_uid, _NOBODY.pw_gid)
