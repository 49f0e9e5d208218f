"""The soak driver's own parts, without a display: what it may press and must
expect in each state, that every press has a place, how it reads the
sanitizers' logs, and that the leak suppressions can hide nothing of ours."""

import os
import random
import re
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
import model  # noqa: E402
import places  # noqa: E402
import sanitizer_reports  # noqa: E402
import soak  # noqa: E402

Seen = model.Seen
STATES = {
    "starting": Seen(),
    "home page": Seen(main=True),
    "badge": Seen(main=True, badge=True),
    "notice": Seen(main=True, badge=True, notice=True),
    "message": Seen(main=True, message=True),
}
KEYS = {"esc_main", "esc_notice", "dismiss_message"}


class ModelTest(unittest.TestCase):
    def test_what_each_press_must_lead_to(self):
        # action, state, expected
        cases = [
            ("esc_main", "home page", model.EXPECT_EXIT),
            ("esc_main", "badge", model.EXPECT_EXIT),
            # MainWindow is disabled under a modal window: Esc there ends nothing.
            ("esc_main", "notice", model.EXPECT_ANSWERING),
            ("esc_main", "message", model.EXPECT_ANSWERING),
            ("esc_notice", "notice", model.EXPECT_NOTICE_GONE),
            ("dismiss_message", "message", model.EXPECT_MESSAGE_GONE),
            ("badge", "badge", model.EXPECT_NOTICE),
            ("badge_label", "badge", model.EXPECT_NOTICE),
            ("badge", "notice", model.EXPECT_ANSWERING),
            ("tile3", "home page", model.EXPECT_ANSWERING),
            ("tile6", "notice", model.EXPECT_ANSWERING),
            ("notice_ignore", "notice", model.EXPECT_ANSWERING),
        ]
        for action, state, expected in cases:
            with self.subTest(action=action, state=state):
                self.assertEqual(model.expectation(action, STATES[state]), expected)

    def test_which_ends_the_user_brought_about(self):
        # presses, how many of them came during the start's fetches, whether an end is the user's
        cases = [
            ([], 0, False),
            (["tile1", "tile2"], 0, False),
            (["tile1", "esc_main"], 0, True),
            (["esc_notice"], 0, True),  # NoticeWindow may close itself as the Esc goes out
            (["esc_main", "tile2"], 2, True),  # the queued Esc is taken at the first page wait
            (["esc_main", "tile2", "tile3"], 2, False),  # the program answered after it
        ]
        for presses, early, expected in cases:
            with self.subTest(presses=presses, early=early):
                self.assertEqual(soak.Soak.may_end(presses, early), expected)

    def test_presses_offered_in_each_state(self):
        # state, presses that must be offered, presses that must not
        cases = [
            ("starting", set(), {"esc_main", "tile1"}),
            ("home page", set(model.TILES) | {"esc_main"}, {"badge", "esc_notice", "dismiss_message"}),
            ("badge", {"badge", "badge_label", "esc_main"}, {"esc_notice"}),
            ("notice", {"notice_update", "notice_ignore", "esc_notice"}, {"dismiss_message"}),
            ("message", {"dismiss_message"}, {"notice_update", "esc_notice", "badge"}),
        ]
        for state, offered, not_offered in cases:
            with self.subTest(state=state):
                names = {name for name, _ in model.actions(STATES[state])}
                self.assertLessEqual(offered, names)
                self.assertFalse(names & not_offered)
        self.assertIsNone(model.choose(STATES["starting"], random.Random(1)))

    def test_every_press_has_a_place_inside_its_control(self):
        rng = random.Random(7)
        for state, seen in STATES.items():
            for action, _ in model.actions(seen):
                with self.subTest(state=state, action=action):
                    if action in KEYS:
                        continue
                    if places.is_main_press(action):
                        box = places.BADGE if action == "badge" else places.MAIN_BOXES[action]
                        point = places.main_point(action, rng)
                    else:
                        box = places.NOTICE_BOXES[action]
                        point = places.point_in(box, rng)
                    left, top, width, height = box
                    self.assertTrue(left <= point[0] < left + width and top <= point[1] < top + height)
        # The badge's own press never lands on its label.
        label = places.MAIN_BOXES["badge_label"]
        for _ in range(200):
            x, y = places.badge_point(rng)
            self.assertFalse(label[0] <= x < label[0] + label[2] and label[1] <= y < label[1] + label[3])


ASAN_REPORT = """=================================================================
==4242==ERROR: AddressSanitizer: heap-use-after-free on address 0x602000000010 at pc 0x55 bp 0x7ff sp 0x7ff
READ of size 1 at 0x602000000010 thread T0
    #0 0x55d in main_window::ShowPage(std::string const&) src/main_window/show_page.cpp:27
    #1 0x55e in RunBinding src/platform/gtk/window_gtk.cpp:41
    #2 0x7f0 in g_closure_invoke (/lib/x86_64-linux-gnu/libgobject-2.0.so.0+0x1234)

freed by thread T0 here:
    #0 0x7f1 in operator delete(void*)
SUMMARY: AddressSanitizer: heap-use-after-free src/main_window/show_page.cpp:27 in ShowPage
"""
UBSAN_REPORT = """src/app/event_loop.cpp:17:5: runtime error: signed integer overflow: \
2147483647 + 1 cannot be represented in type 'int'
    #0 0x55f in app::ProcessPendingEvents() src/app/event_loop.cpp:17
SUMMARY: UndefinedBehaviorSanitizer: undefined-behavior src/app/event_loop.cpp:17:5
"""
LEAK_REPORT = """
=================================================================
==77==ERROR: LeakSanitizer: detected memory leaks

Direct leak of 24 byte(s) in 1 object(s) allocated from:
    #0 0x7f2 in operator new(unsigned long)
    #1 0x560 in notice_window::OpenModally() src/notice_window/modal_opening.cpp:80

SUMMARY: AddressSanitizer: 24 byte(s) leaked in 1 allocation(s).
"""


class SanitizerReportsTest(unittest.TestCase):
    def test_each_report_is_found_and_summed_up_by_its_opening_and_frames(self):
        with tempfile.TemporaryDirectory() as tmp:
            prefix = os.path.join(tmp, "start-3")
            for pid, text in [(101, ASAN_REPORT), (102, UBSAN_REPORT), (103, LEAK_REPORT), (104, "")]:
                with open(f"{prefix}.{pid}", "w") as f:
                    f.write(text)
            with open(os.path.join(tmp, "start-31.105"), "w") as f:
                f.write(ASAN_REPORT)  # another start's
            found = sanitizer_reports.reports(prefix)
        self.assertEqual([os.path.basename(path) for path, _ in found],
                         ["start-3.101", "start-3.102", "start-3.103"])
        asan, ubsan, leak = (summary.splitlines() for _, summary in found)
        self.assertIn("heap-use-after-free", asan[0])
        self.assertEqual(len(asan), 1 + 4)  # the frames of the access and of the free
        self.assertIn("show_page.cpp:27", asan[1])
        self.assertIn("runtime error: signed integer overflow", ubsan[0])
        self.assertIn("LeakSanitizer: detected memory leaks", leak[0])
        self.assertIn("OpenModally", leak[2])

    def test_no_files_no_reports(self):
        with tempfile.TemporaryDirectory() as tmp:
            self.assertEqual(sanitizer_reports.reports(os.path.join(tmp, "start-1")), [])


# A library named in the suppressions, and the prefixes of its interface.
SUPPRESSED_LIBRARIES = {
    "libfontconfig.so": r"\bFc[A-Z]\w*\s*\(|fontconfig\.h",
    "libjavascriptcoregtk-4.1.so": r"\bjsc_\w+\s*\(|\bJSC\w*\s*\(|jsc/jsc\.h|JavaScriptCore/",
    "libdbus-1.so": r"\bdbus_\w+\s*\(|dbus/dbus\.h",
}


class LeakSuppressionsTest(unittest.TestCase):
    def test_only_libraries_the_program_never_calls(self):
        with open(os.path.join(HERE, "lsan.supp")) as f:
            lines = [line.strip() for line in f if line.strip() and not line.startswith("#")]
        named = {line.split(":", 1)[1] for line in lines}
        self.assertTrue(all(line.startswith("leak:") for line in lines), lines)
        self.assertLessEqual(named, set(SUPPRESSED_LIBRARIES), "a suppression without its check here")
        ours = []
        for folder in ("src", "skin"):
            for root, _, files in os.walk(os.path.join(REPO, folder)):
                ours += [os.path.join(root, name) for name in files if name.endswith((".cpp", ".h"))]
        self.assertTrue(ours)
        for library in named:
            pattern = re.compile(SUPPRESSED_LIBRARIES[library])
            for path in ours:
                with open(path, encoding="utf-8", errors="replace") as f:
                    self.assertIsNone(pattern.search(f.read()),
                                      f"{os.path.relpath(path, REPO)} calls {library}, whose leaks "
                                      "the soak does not report")


if __name__ == "__main__":
    unittest.main()
