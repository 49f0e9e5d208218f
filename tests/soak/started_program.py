"""What the soak asks of a started program on either platform: whether and
how it ended, and its end by force."""

import subprocess


class StartedProgram:
    process = None

    def poll(self):
        return self.process.poll()

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
