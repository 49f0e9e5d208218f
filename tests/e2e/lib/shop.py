"""The scripted shop server on the ports the default build talks to."""

import json
import os
import subprocess
import tempfile
import time

from .program import REPO

SERVER = os.path.join(REPO, "tools", "shop_server", "shop_server.py")
SHOP_PORT, OFFICIAL_PORT = 8765, 8766


class Shop:
    def __init__(self, script=None, status=None):
        self.dir = tempfile.mkdtemp(prefix="tolvane-shop-")
        self.log_path = os.path.join(self.dir, "requests.jsonl")
        args = ["python3", SERVER, "--port", str(SHOP_PORT), "--official-port", str(OFFICIAL_PORT),
                "--log", self.log_path]
        if script is not None:
            script_path = os.path.join(self.dir, "script.json")
            with open(script_path, "w", encoding="utf-8") as f:
                json.dump(script, f)
            args += ["--script", script_path]
        if status is not None:
            args += ["--status", status]
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        lines = []
        while len(lines) < 2:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the shop server did not start: " + self.process.stderr.read())
            if line.startswith("listening on"):
                lines.append(line)

    def requests(self, port=SHOP_PORT):
        """The request targets the server saw on a port, in order."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            entries = [json.loads(line) for line in f if line.strip()]
        return [e["path"] for e in entries if e.get("port") == port]

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
            self.process.wait(10)
        self.process.stdout.close()
        self.process.stderr.close()
