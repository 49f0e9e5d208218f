#!/usr/bin/env python3
"""Runs the Python test modules given on the command line and prints one
closing line: "N passed, M failed"."""

import sys
import unittest


def main(paths):
    suite = unittest.TestSuite()
    loader = unittest.TestLoader()
    for path in paths:
        directory, _, name = path.rpartition("/")
        if name.startswith("test") and name.endswith(".py"):
            suite.addTests(loader.discover(directory or ".", pattern=name, top_level_dir="."))
        else:
            suite.addTests(loader.discover(path, pattern="test*.py", top_level_dir="."))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    # Subtests report one failure each; count every failing test once.
    failing = {id(test) if not hasattr(test, "test_case") else id(test.test_case)
               for test, _ in result.failures + result.errors}
    failed = len(failing) + len(result.unexpectedSuccesses)
    print(f"{result.testsRun - failed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
