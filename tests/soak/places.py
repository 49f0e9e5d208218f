"""Where a user presses, in client coordinates of the designs: MainWindow's
tiles and badge, NoticeWindow's two buttons. Each press lands on a random
point of its control."""

# (left, top, width, height)
MAIN_BOXES = {
    "tile1": (6, 6, 180, 89),
    "tile2": (6, 98, 76, 163),
    "tile3": (83, 98, 103, 79),
    "tile4": (83, 177, 103, 85),
    "tile5": (7, 263, 179, 91),
    "tile6": (7, 357, 179, 112),
    "badge_label": (879, 28, 47, 53),  # 透明标签2, on the badge
}
BADGE = (859, 10, 80, 80)  # 图片框9
NOTICE_BOXES = {"notice_update": (203, 200, 80, 29), "notice_ignore": (291, 200, 80, 29)}
# Points of the badge that its label never covers.
BADGE_POINTS = [(862, 13), (935, 13), (862, 86), (935, 86)]


def point_in(box, rng, margin=3):
    left, top, width, height = box
    return (rng.randint(left + margin, left + width - 1 - margin),
            rng.randint(top + margin, top + height - 1 - margin))


def badge_point(rng):
    """A point of the badge outside its label, so the press is the badge's own."""
    label = MAIN_BOXES["badge_label"]
    while True:
        x, y = point_in(BADGE, rng)
        if not (label[0] <= x < label[0] + label[2] and label[1] <= y < label[1] + label[3]):
            return x, y


def main_point(action, rng):
    """The point of MainWindow that action presses."""
    return badge_point(rng) if action == "badge" else point_in(MAIN_BOXES[action], rng)


def is_main_press(action):
    return action in MAIN_BOXES or action == "badge"
