"""The shop server on a free loopback port for the fetch tests."""

import os
import socket
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import REPO  # noqa: E402,F401  (the runners find the builds from it)
from lib.shop import Shop  # noqa: E402


def ScriptedShop(script=None, status=None):
    return Shop(script, status, site="shop", port=0)


def refused_port():
    """A loopback port nothing listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
