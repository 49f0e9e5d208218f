"""A private copy of the built program in a folder of its own, so each test
has its own pz.ini, skin file and skin library beside the program."""

import os
import shutil
import tempfile

from .program import BUILD

FILES = ["tolvane", "libSkinH_EL.so", "skin.she"]


def program_copy(without=()):
    folder = tempfile.mkdtemp(prefix="tolvane-program-")
    for name in FILES:
        if name not in without and os.path.exists(os.path.join(BUILD, name)):
            shutil.copy2(os.path.join(BUILD, name), folder)
    shutil.copytree(os.path.join(BUILD, "assets"), os.path.join(folder, "assets"))
    return folder
