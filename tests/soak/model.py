"""What a user can do to the program in each state it shows, and what must
follow. Pure: the soak driver observes the windows, asks for the next action
and checks the outcome it is told to expect."""

import random
from dataclasses import dataclass

TILES = ("tile1", "tile2", "tile3", "tile4", "tile5", "tile6")

# The status file's answer for a start: "yes" shows the home page, "no" the
# badge and NoticeWindow, anything else the network message.
STATUS_WORDS = [("yes", 3), ("no", 5), ("maybe", 1), ("", 1), ("yes\r\n", 1), ("NO", 1)]


@dataclass(frozen=True)
class Seen:
    """The program's windows as the driver last saw them."""

    main: bool = False     # MainWindow shown
    badge: bool = False    # the new-version badge shown on it
    notice: bool = False   # NoticeWindow shown
    message: bool = False  # the network message box shown

    @property
    def main_free(self):
        """MainWindow takes input: nothing modal stands over it."""
        return self.main and not self.notice and not self.message


# What an action must lead to, checked within the driver's bound.
EXPECT_EXIT = "exit"              # the process ends, with code 0
EXPECT_NOTICE_GONE = "notice gone"
EXPECT_NOTICE = "notice shown"
EXPECT_MESSAGE_GONE = "message gone"
EXPECT_ANSWERING = "answering"    # nothing visible, but the program still answers


def actions(seen):
    """(action, weight) pairs a user has in this state. Presses that a modal
    window blocks are kept, less often: they must change nothing."""
    if seen.message:
        return [("dismiss_message", 6)] + [(tile, 0.5) for tile in TILES] + [("esc_main", 0.5)]
    if seen.notice:
        found = [("notice_update", 2), ("notice_ignore", 3), ("esc_notice", 3), ("esc_main", 0.5)]
        found += [(tile, 0.3) for tile in TILES]
        if seen.badge:
            found.append(("badge", 0.5))
        return found
    if seen.main:
        found = [(tile, 1.5) for tile in TILES] + [("esc_main", 1.2)]
        if seen.badge:
            found += [("badge", 2), ("badge_label", 1)]
        return found
    return []


def choose(seen, rng):
    """The next action, or None while there is nothing to press."""
    found = actions(seen)
    if not found:
        return None
    names, weights = zip(*found)
    return rng.choices(names, weights)[0]


def expectation(action, seen):
    """What must follow action, pressed in state seen."""
    if action == "esc_main" and seen.main_free:
        return EXPECT_EXIT
    if action == "esc_notice":
        return EXPECT_NOTICE_GONE
    if action == "dismiss_message":
        return EXPECT_MESSAGE_GONE
    if action in ("badge", "badge_label") and seen.main_free:
        return EXPECT_NOTICE
    return EXPECT_ANSWERING


def status_word(rng):
    words, weights = zip(*STATUS_WORDS)
    return rng.choices(words, weights)[0]


def rng_for(seed):
    return random.Random(seed)
