"""tolvane-fetch against the scripted shop server: what goes on the wire and
what the caller gets, for every row of FetchText's failure table. One table of
cases, run on Linux and, with the Windows build, under Wine."""

import base64
import os
import random
import subprocess
import tempfile
import time
import unittest
from collections import namedtuple

from .runners import LinuxRunner, WineRunner
from .shop import ScriptedShop, refused_port

AGENT = b"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"


def b64(data):
    return base64.b64encode(data).decode("ascii")


def framed(*texts):
    """tolvane-fetch's output for several URLs: each text's length, a line feed, its bytes."""
    return b"".join(str(len(t)).encode() + b"\n" + t for t in texts)


def request_line(head):
    return head.split(b"\r\n", 1)[0].decode("latin-1")


def header_values(head, name):
    values = []
    for line in head.split(b"\r\n")[1:]:
        key, sep, value = line.partition(b":")
        if sep and key.strip().lower() == name.encode():
            values.append(value.strip())
    return values


def sends_the_request_of_the_table(test, heads, runner):
    head = heads[0]
    test.assertTrue(head.endswith(b"\r\n\r\n"), head)
    test.assertEqual(header_values(head, "user-agent"), [AGENT])
    test.assertEqual(header_values(head, "accept"), [b"*/*"], "one Accept header, */*")
    for absent in ("content-length", "transfer-encoding", "range", "referer"):
        test.assertEqual(header_values(head, absent), [], f"no {absent}: a GET without a body")
    test.assertEqual(len(header_values(head, "host")), 1)
    if runner.name == "linux":  # what libcurl is told to send for a fresh answer
        test.assertEqual(header_values(head, "pragma"), [b"no-cache"])
        test.assertEqual(header_values(head, "cache-control"), [b"no-cache"])


def every_request_carries_the_agent(test, heads, runner):
    for head in heads:
        test.assertEqual(header_values(head, "user-agent"), [AGENT], head)


def sends_the_cookie_back(test, heads, runner):
    test.assertEqual(header_values(heads[0], "cookie"), [])
    test.assertEqual(header_values(heads[1], "cookie"), [b"sid=abc123"])


# Bytes 1 to 255 only: a zero byte would end the text.
_rng = random.Random(4)
LARGE_BODY = bytes(_rng.randrange(1, 256) for _ in range(300000))

Case = namedtuple("Case", "name script urls output requests check args seconds status",
                  defaults=(None, None, (), 20, None))
# urls are templates: {base} is the server ("http://127.0.0.1:PORT"), {hostport}
# its host and port, {refused} a loopback address nothing listens on.

CASES = [
    Case("request_of_the_table", None, ["{base}/1.txt"], b"yes", ["GET /1.txt HTTP/1.0"],
         sends_the_request_of_the_table),
    Case("second_call_sends_a_second_request", {"/1.txt": ["yes", "no"]},
         ["{base}/1.txt", "{base}/1.txt"], framed(b"yes", b"no"),
         ["GET /1.txt HTTP/1.0", "GET /1.txt HTTP/1.0"], every_request_carries_the_agent),
    Case("line_end_kept", {"/1.txt": "yes\r\n"}, ["{base}/1.txt"], b"yes\r\n", ["GET /1.txt HTTP/1.0"]),
    Case("line_feed_not_translated", {"/1.txt": "yes\n"}, ["{base}/1.txt"], b"yes\n"),
    Case("byte_order_mark_kept", {"/1.txt": {"body_b64": b64(b"\xef\xbb\xbfyes")}}, ["{base}/1.txt"],
         b"\xef\xbb\xbfyes"),
    Case("code_page_936_unchanged", {"/new.txt": {"body": "公告：系统维护中\r\n", "encoding": "gbk"}},
         ["{base}/new.txt"], "公告：系统维护中\r\n".encode("gbk")),
    Case("zero_byte_inside", {"/1.txt": {"body_b64": b64(b"yes\0more")}}, ["{base}/1.txt"], b"yes"),
    Case("zero_byte_first", {"/1.txt": {"body_b64": b64(b"\0yes")}}, ["{base}/1.txt"], b""),
    Case("error_status_gives_its_page", {"/1.txt": {"code": 404, "body": "<html>gone</html>"}},
         ["{base}/1.txt"], b"<html>gone</html>"),
    Case("error_status_without_body", {"/1.txt": {"code": 404, "body": ""}}, ["{base}/1.txt"], b""),
    Case("server_error_page", {"/1.txt": {"code": 500, "body": "maintenance"}}, ["{base}/1.txt"],
         b"maintenance"),
    Case("broken_transfer_keeps_the_part", {"/1.txt": {"body": "0123456789abcdef", "cut": 6}},
         ["{base}/1.txt"], b"012345"),
    Case("length_longer_than_the_body", {"/1.txt": {"body": "yes", "length": 10}}, ["{base}/1.txt"],
         b"yes"),
    # Where a body ends past a lying Content-Length is the HTTP client's own
    # business: libcurl stops at the length; Wine's WinINet also takes what
    # came in the same receive, so either may come there.
    Case("length_shorter_than_the_body", {"/1.txt": {"body": "yes, and more", "length": 3}},
         ["{base}/1.txt"], {"linux": b"yes", "wine": (b"yes", b"yes, and more")}),
    Case("no_length", {"/1.txt": {"body": "yes", "length": None}}, ["{base}/1.txt"], b"yes"),
    Case("whole_large_body", None, ["{base}/1.txt"], LARGE_BODY, ["GET /1.txt HTTP/1.0"],
         status=LARGE_BODY),
    Case("large_body_broken_off", {"/1.txt": {"cut": 250000}}, ["{base}/1.txt"], LARGE_BODY[:250000],
         status=LARGE_BODY),
    Case("redirect_followed", {"/old.txt": {"redirect": "/1.txt"}}, ["{base}/old.txt"], b"yes",
         ["GET /old.txt HTTP/1.0", "GET /1.txt HTTP/1.0"], every_request_carries_the_agent),
    Case("cookies_sent_back_within_the_run",
         {"/a.txt": {"body": "one", "cookies": ["sid=abc123; Path=/"]}, "/b.txt": "two"},
         ["{base}/a.txt", "{base}/b.txt"], framed(b"one", b"two"),
         ["GET /a.txt HTTP/1.0", "GET /b.txt HTTP/1.0"], sends_the_cookie_back),
    Case("fragment_not_sent", {"/new.txt": "notice"}, ["{base}/new.txt#top"], b"notice",
         ["GET /new.txt HTTP/1.0"]),
    Case("dot_segments_resolved", None, ["{base}/a/./b/../../1.txt"], b"yes", ["GET /1.txt HTTP/1.0"]),
    Case("query_sent", {"/?mod=brand": "brand"}, ["{base}/?mod=brand"], b"brand", ["GET /?mod=brand HTTP/1.0"]),
    Case("connection_refused", None, ["{refused}/1.txt"], b""),
    Case("host_does_not_resolve", None, ["http://tolvane-nowhere.invalid/1.txt"], b"", seconds=30),
    Case("host_too_long", None, ["http://" + "h" * 300 + ".test/1.txt"], b"", []),
    Case("user_name_too_long", None, ["http://" + "u" * 200 + "@{hostport}/1.txt"], b"", []),
    Case("path_too_long", None, ["{base}/" + "p" * 2100], b"", []),
    Case("empty_then_good", None, ["", "{base}/1.txt"], framed(b"", b"yes"), ["GET /1.txt HTTP/1.0"]),
    # The stall limit is shortened for the test; the real one is in docs/remote.md.
    Case("stall_in_the_body_keeps_what_came",
         {"/1.txt": {"body": "yes, then nothing", "pause_after": 3, "pause": 60}},
         ["{base}/1.txt"], b"yes", args=("--stall-seconds", "2"), seconds=15),
    Case("stall_before_the_headers", {"/1.txt": {"body": "yes", "delay": 60}}, ["{base}/1.txt"], b"",
         args=("--stall-seconds", "2"), seconds=15),
]


class FetchTable:
    """The table, run by one runner. Subclasses name the runner."""

    runner = None

    @classmethod
    def setUpClass(cls):
        reason = cls.runner.unavailable()
        if reason:
            raise unittest.SkipTest(reason)
        cls.addClassCleanup(cls.runner.stop)
        cls.runner.start()

    def run_case(self, case):
        status_path = None
        if case.status is not None:
            fd, status_path = tempfile.mkstemp(prefix="tolvane-fetch-status-")
            with os.fdopen(fd, "wb") as f:
                f.write(case.status)
            self.addCleanup(os.remove, status_path)
        shop = ScriptedShop(case.script, status_path)
        self.addCleanup(shop.close)
        values = {"base": shop.base, "hostport": shop.base[len("http://"):],
                  "refused": f"http://127.0.0.1:{refused_port()}"}
        urls = [u.format(**values) if "{" in u else u for u in case.urls]
        started = time.monotonic()
        result = subprocess.run(self.runner.command([*case.args, *urls]), env=self.runner.env,
                                capture_output=True, timeout=case.seconds + 60)
        elapsed = time.monotonic() - started
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        output = case.output[self.runner.name] if isinstance(case.output, dict) else case.output
        if isinstance(output, tuple):  # any of these
            self.assertIn(result.stdout, output)
        else:
            self.assertEqual(result.stdout, output)
        self.assertLess(elapsed, case.seconds, "the exchange must end within its bound")
        heads = shop.heads()
        if case.requests is not None:
            self.assertEqual([request_line(h) for h in heads], case.requests)
        if case.check is not None:
            case.check(self, heads, self.runner)


def _add_cases(cls):
    for case in CASES:
        setattr(cls, f"test_{case.name}", lambda self, case=case: self.run_case(case))
    return cls


@_add_cases
class FetchOnLinux(FetchTable, unittest.TestCase):
    runner = LinuxRunner()


@_add_cases
class FetchUnderWine(FetchTable, unittest.TestCase):
    runner = WineRunner()


if __name__ == "__main__":
    unittest.main()
