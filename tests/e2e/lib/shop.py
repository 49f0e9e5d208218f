"""The scripted shop server: on the ports the default build talks to, or on a
free port for tests that only need a server."""

import json
import os
import subprocess
import sys
import tempfile
import time

from .program import REPO

SERVER = os.path.join(REPO, "tools", "shop_server", "shop_server.py")
SHOP_PORT, OFFICIAL_PORT = 8765, 8766


class Shop:
    def __init__(self, script=None, status=None, site="both", port=SHOP_PORT,
                 official_port=OFFICIAL_PORT):
        self.dir = tempfile.mkdtemp(prefix="tolvane-shop-")
        self.log_path = os.path.join(self.dir, "requests.jsonl")
        args = [sys.executable, SERVER, "--site", site, "--port", str(port),
                "--official-port", str(official_port), "--log", self.log_path]
        if script is not None:
            script_path = os.path.join(self.dir, "script.json")
            with open(script_path, "w", encoding="utf-8") as f:
                json.dump(script, f)
            args += ["--script", script_path]
        if status is not None:
            args += ["--status", status]
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        bases = []
        while len(bases) < (2 if site == "both" else 1):
            line = self.process.stdout.readline()
            if not line:
                self.close()
                raise RuntimeError("the shop server did not start: " + self.process.stderr.read())
            if line.startswith("listening on"):
                bases.append(line.split()[-1])
        self.base = bases[0]  # http://127.0.0.1:PORT of the first site served
        self.port = int(self.base.rsplit(":", 1)[1])

    def _entries(self):
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def requests(self, port=SHOP_PORT):
        """The request targets the server saw on a port, in order."""
        return [e["path"] for e in self._entries() if e.get("port") == port]

    def heads(self):
        """The raw head of every request, in the order they came, as bytes."""
        return [e["raw"].encode("latin-1") for e in self._entries()]

    def wait_for_request(self, path, port=SHOP_PORT, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if path in self.requests(port):
                return True
            time.sleep(0.1)
        return False

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
