#!/usr/bin/env python3
"""The soak run: the real program against a shop that misbehaves at random,
pressed at random for a bounded time, started again each time Esc ends it.

Each start passes when the program ended with code 0 where a user ended it,
answered after every press, did what the press must do (Esc closes,
the badge opens NoticeWindow) and left no report behind (the sanitizers'
logs on Linux, a crash under Wine). A program that stops answering gets a
backtrace saved and is killed. Ends with "N passed, M failed" over the starts
(and one failure more if the run as a whole broke down)."""

import argparse
import collections
import json
import os
import random
import select
import subprocess
import sys
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
import model  # noqa: E402

SHOP_SERVER = os.path.join(REPO, "tools", "shop_server", "shop_server.py")
SHOP_PORT, OFFICIAL_PORT = 8775, 8776
CHAOS_RATE = float(os.environ.get("SOAK_CHAOS_RATE", "0.35"))  # the share of answers bent
CHAOS_WAIT = 4.0

# Bounds of the watchdog, in seconds.
FIRST_WINDOW = 90   # from the start to its first window: the status fetches come first
ANSWER = 30         # for the program to answer after a press, or to show what the press opens
EXIT = 60           # from Esc on MainWindow to the end of the process (the leak check runs then)
GRACE = 240         # past the soak's length, before the whole run is declared hung


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--platform", choices=("linux", "wine"), required=True)
    p.add_argument("--bin", required=True, help="the build's bin directory")
    p.add_argument("--work", required=True, help="directory for logs, backtraces and the program's files")
    p.add_argument("--seconds", type=float, default=float(os.environ.get("SOAK_SECONDS", "180")))
    seed = os.environ.get("SOAK_SEED")
    p.add_argument("--seed", type=int,
                   default=int(seed) if seed else random.SystemRandom().randrange(1 << 31))
    return p.parse_args()


class ChaosShop:
    """The demo shop with --chaos, on the soak's own ports; /1.txt answers
    what the status file holds."""

    def __init__(self, work, seed):
        self.status_file = os.path.join(work, "status.txt")
        self.set_status("yes")
        self.log = os.path.join(work, "shop-requests.jsonl")
        self.errors = open(os.path.join(work, "shop-errors.txt"), "wb")
        self.process = subprocess.Popen(
            [sys.executable, SHOP_SERVER, "--port", str(SHOP_PORT), "--official-port", str(OFFICIAL_PORT),
             "--status", self.status_file, "--chaos", str(seed), "--chaos-rate", str(CHAOS_RATE),
             "--chaos-wait", str(CHAOS_WAIT), "--idle-timeout", "5", "--log", self.log],
            stdout=subprocess.PIPE, stderr=self.errors, text=True)
        # Both lines come in one write once both ports are bound.
        ready, _, _ = select.select([self.process.stdout], [], [], 30)
        line = self.process.stdout.readline() if ready else ""
        if not line.startswith("listening on"):
            self.close()
            raise RuntimeError(f"the shop did not start on ports {SHOP_PORT}/{OFFICIAL_PORT} "
                               f"(see shop-errors.txt)")

    def set_status(self, word):
        # Replaced in one step, so the server never reads half a file.
        temporary = self.status_file + ".new"
        with open(temporary, "wb") as f:
            f.write(word.encode("latin-1"))
        os.replace(temporary, self.status_file)

    def alive(self):
        return self.process.poll() is None

    def chaos_counts(self):
        counts = collections.Counter()
        with open(self.log, encoding="utf-8") as f:
            for line in f:
                counts[json.loads(line).get("chaos") or "normal"] += 1
        return counts

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.errors.close()


class Soak:
    def __init__(self, program, shop, rng, seconds, work):
        self.program = program
        self.shop = shop
        self.rng = rng
        self.work = work
        self.soft_end = time.monotonic() + seconds
        self.actions = 0
        self.starts = 0
        self.passed = 0
        self.failed = 0

    def hung(self, reasons, what):
        """A program that stopped answering: its backtrace, then its end."""
        path = os.path.join(self.work, f"backtrace-start-{self.starts}.txt")
        try:
            self.program.backtrace(path)
            saved = f"backtrace in {path}"
        except (OSError, subprocess.SubprocessError) as e:
            saved = f"no backtrace: {e}"
        # Tells a long stall from a program that never comes back.
        if self.program.poll() is None and self.program.answers(5):
            saved += " (it answered again afterwards)"
        self.program.kill()
        reasons.append(f"{what}; {saved}")

    def wait_for(self, condition, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.2)
        return condition()

    def first_window(self, reasons, presses):
        """Waits for the start to show its first window and then to hand over
        to an event loop. MainWindow is on the screen before the status
        fetches, which block the thread; a user may press meanwhile, and now
        and then does (anything may come of it but a hang or a crash). Then
        the user waits for the program to answer twice in a row, which it
        does only once the fetches are over."""
        deadline = time.monotonic() + FIRST_WINDOW
        shown = False
        answered = 0
        while time.monotonic() < deadline and answered < 2:
            if self.program.poll() is not None:
                return False
            if not shown:
                seen = self.program.observe()
                shown = seen.main or seen.notice or seen.message
                if seen.main and self.rng.random() < 0.3:
                    for _ in range(self.rng.randint(1, 3)):
                        presses.append(self.rng.choice(model.TILES + ("esc_main",)))
                        self.program.act(presses[-1])
            elif self.program.answers(2):
                answered += 1
            else:
                answered = 0
            time.sleep(0.3)
        if answered < 2:
            what = "no answer" if shown else "no window"
            self.hung(reasons, f"{what} within {FIRST_WINDOW} s of the start")
            return False
        time.sleep(0.5)  # the windows the start came to are mapped
        return True

    def came_to(self):
        seen = self.program.observe()
        if seen.message:
            return "the network message"
        if seen.notice:
            return "NoticeWindow"
        return "the home page"

    def check(self, expected, reasons, action):
        """Whether to go on pressing."""
        program = self.program
        if expected == model.EXPECT_EXIT:
            code = program.wait_exit(EXIT)
            if code is None:
                seen = program.observe()
                if seen.notice or seen.message:
                    return True  # Esc met MainWindow just as the start made it wait
                self.hung(reasons, f"still running {EXIT} s after Esc on MainWindow")
            return False
        conditions = {
            model.EXPECT_NOTICE_GONE: lambda: not program.observe().notice,
            model.EXPECT_NOTICE: lambda: program.observe().notice,
            model.EXPECT_MESSAGE_GONE: lambda: not program.observe().message,
        }
        shown = conditions.get(expected)
        if shown and not self.wait_for(lambda: program.poll() is not None or shown(), ANSWER):
            if program.answers(ANSWER):
                reasons.append(f"{action}: not {expected} after {ANSWER} s, though the program answers")
                return True
            self.hung(reasons, f"{action}: not {expected} and no answer within {ANSWER} s")
            return False
        if program.poll() is not None:
            return False
        if not program.answers(ANSWER):
            self.hung(reasons, f"no answer within {ANSWER} s after {action}")
            return False
        return True

    def ending_action(self, seen):
        """Past the soak's length: the user closes everything, the last start
        must end with code 0 as every other."""
        if seen.message:
            return "dismiss_message"
        if seen.notice:
            return "esc_notice"
        return "esc_main" if seen.main else None

    @staticmethod
    def may_end(presses, early):
        """Whether the user may have ended the program: the last press was an
        Esc, or an Esc on MainWindow waited in the queue during the fetches
        (it is taken before the program answers, so no later press follows)."""
        if not presses:
            return False
        return presses[-1] in ("esc_main", "esc_notice") or (
            len(presses) == early and "esc_main" in presses)

    def one_start(self):
        self.starts += 1
        status = model.status_word(self.rng)
        first_run = self.rng.random() < 0.25
        self.shop.set_status(status)
        self.program.start(first_run)
        reasons = []
        presses = []
        going = self.first_window(reasons, presses)
        early = len(presses)
        if going:
            came_to = self.came_to()
        else:
            came_to = "its end" if self.program.poll() is not None else "no answer"
        idle_since = None
        while going and self.program.poll() is None:
            seen = self.program.observe()
            if time.monotonic() >= self.soft_end:
                action = self.ending_action(seen)
            else:
                action = model.choose(seen, self.rng)
            if action is None:
                # No window, yet running: between the last window's end and
                # the process's, for a moment only.
                idle_since = idle_since or time.monotonic()
                if time.monotonic() - idle_since > ANSWER:
                    self.hung(reasons, f"running without a window for {ANSWER} s")
                    break
                time.sleep(0.2)
                continue
            idle_since = None
            self.program.act(action)
            presses.append(action)
            going = self.check(model.expectation(action, seen), reasons, action)
            if going and self.rng.random() < 0.8:
                time.sleep(self.rng.uniform(0.05, 1.0))  # a user's pace, and now and then a burst
        code = self.program.wait_exit(EXIT)
        if code is None:
            self.hung(reasons, f"did not end within {EXIT} s")
        elif not reasons and code != 0:
            reasons.append(f"ended with code {code}")
        elif not reasons and not self.may_end(presses, early):
            reasons.append(f"ended by itself (code {code}) after {(presses or ['no press'])[-1]}")
        reasons += self.program.problems()
        self.program.ended()
        self.actions += len(presses)
        with open(os.path.join(self.work, "presses.txt"), "a") as f:
            f.write(f"start {self.starts}: {' '.join(presses[:early])} | {' '.join(presses[early:])}\n")
        heading = (f"start {self.starts} (status {json.dumps(status)}{', first run' if first_run else ''}, "
                   f"came to {came_to}): {len(presses)} press{'' if len(presses) == 1 else 'es'}"
                   + (f", {early} during the fetches" if early else ""))
        if reasons:
            self.failed += 1
            print(f"{heading}: FAILED", flush=True)
            for reason in reasons:
                print("    " + reason.replace("\n", "\n    "), flush=True)
        else:
            self.passed += 1
            print(f"{heading}, ended with code 0", flush=True)

    def run(self):
        while time.monotonic() < self.soft_end:
            self.one_start()


def counted(soak):
    return (f"{soak.actions} press{'' if soak.actions == 1 else 'es'}, "
            f"{soak.starts} start{'' if soak.starts == 1 else 's'}")


def watchdog(soak, hard_end, seed):
    """The run's own deadline: whatever hangs, the run ends with a verdict."""
    while time.monotonic() < hard_end:
        time.sleep(1)
    print(f"the soak ran past its deadline ({GRACE} s after its length)", flush=True)
    reasons = []
    try:
        if soak.program.process and soak.program.poll() is None:
            soak.hung(reasons, "still running at the deadline")
        soak.program.close()
        soak.shop.close()
    except Exception as e:  # the verdict comes first
        reasons.append(f"cleaning up: {e}")
    for reason in reasons:
        print("    " + reason, flush=True)
    print(f"seed {seed}: {counted(soak)}")
    print(f"{soak.passed} passed, {soak.failed + 1} failed", flush=True)
    os._exit(1)


def main():
    args = parse_args()
    args.work, args.bin = os.path.abspath(args.work), os.path.abspath(args.bin)
    os.makedirs(args.work, exist_ok=True)
    rng = model.rng_for(args.seed)
    print(f"soak on {args.platform}: seed {args.seed}, {args.seconds:g} s "
          f"(SOAK_SEED={args.seed} replays the choices; SOAK_SECONDS sets the length)", flush=True)
    program = shop = None
    try:
        if args.platform == "linux":
            from linux_program import LinuxProgram
            program = LinuxProgram(args.bin, args.work, rng)
        else:
            from wine_program import WineProgram
            program = WineProgram(args.bin, args.work, rng)
        shop = ChaosShop(args.work, args.seed)
    except Exception:  # no display, no Wine prefix, no shop: nothing was soaked
        traceback.print_exc()
        for part in (program, shop):
            if part:
                part.close()
        print("0 passed, 1 failed")
        return 1
    try:
        soak = Soak(program, shop, rng, args.seconds, args.work)
        threading.Thread(target=watchdog, args=(soak, soak.soft_end + GRACE, args.seed), daemon=True).start()
        extra_failures = 0
        try:
            soak.run()
        except Exception:  # the driver's own fault: reported, and the run fails
            traceback.print_exc()
            extra_failures += 1
        if not shop.alive():
            print("the shop server died during the run")
            extra_failures += 1
        counts = shop.chaos_counts()
        print("shop answers: " + ", ".join(f"{kind} {n}" for kind, n in sorted(counts.items())))
        print(f"seed {args.seed}: {counted(soak)}")
        print(f"{soak.passed} passed, {soak.failed + extra_failures} failed")
        return 0 if soak.failed + extra_failures == 0 else 1
    finally:
        program.close()
        shop.close()


if __name__ == "__main__":
    sys.exit(main())
