"""The shop server on a free loopback port, answering from a script of our
own, with each request's head kept as the server received it."""

import json
import os
import socket
import subprocess
import sys
import tempfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
SERVER = os.path.join(REPO, "tools", "shop_server", "shop_server.py")


class ScriptedShop:
    def __init__(self, script=None, status=None):
        self.dir = tempfile.mkdtemp(prefix="tolvane-fetch-shop-")
        self.log_path = os.path.join(self.dir, "requests.jsonl")
        args = [sys.executable, SERVER, "--site", "shop", "--port", "0", "--log", self.log_path]
        if script is not None:
            script_path = os.path.join(self.dir, "script.json")
            with open(script_path, "w", encoding="utf-8") as f:
                json.dump(script, f)
            args += ["--script", script_path]
        if status is not None:
            args += ["--status", status]
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("listening on "):
            self.close()
            raise RuntimeError("the shop server did not start: " + self.process.stderr.read())
        self.base = line.split()[-1]  # http://127.0.0.1:PORT
        self.port = int(self.base.rsplit(":", 1)[1])

    def heads(self):
        """The raw head of every request, in the order they came, as bytes."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="ascii") as f:
            return [json.loads(line)["raw"].encode("latin-1") for line in f if line.strip()]

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()


def refused_port():
    """A loopback port nothing listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
