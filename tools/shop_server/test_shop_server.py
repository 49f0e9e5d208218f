#!/usr/bin/env python3
"""Tests for the demo shop server: each starts it on free ports in a subprocess
and talks raw HTTP to it, so what is checked is exactly what the client gets."""

import json
import os
import random
import re
import select
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SERVER = HERE / "shop_server.py"
LAUNCHER = HERE / "run_demo_shop.sh"
DATA = HERE.parent.parent / "demo" / "shop"
sys.path.insert(0, str(HERE))
import shop_server  # noqa: E402  (for the catalogue checks only)

CATALOGUES = {
    "/?mod=goods&ac=nine": "9块9包邮",
    "/?mod=goods&ac=nineteen": "19块9包邮",
    "/?mod=goods&ac=jingpin": "精品推荐",
    "/?mod=brand": "品牌团",
}
CARD_PRICE = re.compile(r'<span class="price"><i>¥</i>(\d+\.\d)</span><del class="was">¥(\d+\.\d)</del>')


class Server:
    """shop_server.py in a subprocess, on ports it picked itself."""

    def __init__(self, *args, sites=2):
        cmd = [sys.executable, str(SERVER), "--port", "0", "--official-port", "0", *args]
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.ports = []
        deadline = time.monotonic() + 10
        pending = b""
        while len(self.ports) < sites:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.proc.stdout], [], [], max(left, 0))
            if not ready:
                self.stop()
                raise AssertionError("server did not report listening in time")
            chunk = os.read(self.proc.stdout.fileno(), 4096)
            if not chunk:
                err = self.proc.stderr.read().decode()
                self.stop()
                raise AssertionError(f"server exited early: {err}")
            pending += chunk
            *lines, pending = pending.split(b"\n")
            for line in lines:
                m = re.fullmatch(rb"listening on http://127\.0\.0\.1:(\d+)", line)
                assert m, f"unexpected output line {line!r}"
                self.ports.append(int(m.group(1)))

    @property
    def shop(self):
        return self.ports[0]

    @property
    def official(self):
        return self.ports[1]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()


class Reply:
    def __init__(self, raw, elapsed):
        self.raw = raw
        self.elapsed = elapsed
        head, sep, self.body = raw.partition(b"\r\n\r\n")
        assert sep, f"no end of head in {raw[:200]!r}"
        lines = head.decode("latin-1").split("\r\n")
        version, code, *reason = lines[0].split(" ", 2)
        self.version = version
        self.code = int(code)
        self.reason = reason[0] if reason else ""
        self.headers = [tuple(part.strip() for part in line.split(":", 1)) for line in lines[1:]]

    def header(self, name):
        values = self.all(name)
        return values[0] if values else None

    def all(self, name):
        return [v for n, v in self.headers if n.lower() == name.lower()]

    @property
    def text(self):
        return self.body.decode("utf-8")


def exchange(port, data, timeout=10):
    """Send raw request bytes and read everything until the server closes."""
    start = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(data)
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            chunks.append(chunk)
    return b"".join(chunks), time.monotonic() - start


def request(port, target, method="GET", version="HTTP/1.1", headers=(), body=b""):
    lines = [f"{method} {target} {version}", f"Host: 127.0.0.1:{port}", "Connection: close"]
    lines += list(headers)
    if body:
        lines.append(f"Content-Length: {len(body)}")
    return ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8") + body


def fetch(port, target, **kw):
    return Reply(*exchange(port, request(port, target, **kw)))


def write_json(tmp, name, data):
    path = Path(tmp) / name
    path.write_text(json.dumps(data, ensure_ascii=False), encoding="utf-8")
    return str(path)


class SitesTest(unittest.TestCase):
    """Normal pages and files of both sites, with the request log on."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.log = Path(cls.tmp.name) / "requests.jsonl"
        cls.server = Server("--log", str(cls.log))

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.tmp.cleanup()

    def cards(self, page):
        prices = [(float(p), float(w)) for p, w in CARD_PRICE.findall(page)]
        self.assertEqual(len(prices), page.count('class="card"'), "every card shows a price pair")
        self.assertEqual(page.count('<span class="tag">包邮</span>'), len(prices))
        return prices

    def test_shop_pages(self):
        # path, words the page must show, product count range
        cases = [("/", "九块九包邮购", (16, 16))]
        cases += [(path, title, (8, 12)) for path, title in CATALOGUES.items()]
        for path, title, (low, high) in cases:
            with self.subTest(path=path):
                r = fetch(self.server.shop, path)
                self.assertEqual(r.code, 200)
                self.assertEqual(r.header("Content-Type"), "text/html; charset=utf-8")
                self.assertEqual(int(r.header("Content-Length")), len(r.body))
                page = r.text
                self.assertIn('<meta charset="utf-8">', page)
                self.assertIn("九块九包邮购", page)
                self.assertIn(title, page)
                prices = self.cards(page)
                self.assertTrue(low <= len(prices) <= high, len(prices))
                for price, was in prices:
                    self.assertLess(price, was, "the crossed-out price is the higher one")
                # Nothing may make the embedded browser reach out to the network.
                self.assertNotRegex(page, r"(?i)<script|<img|<link|src=|url\(|@import")
                for url in re.findall(r'href="([^"]+)"', page):
                    self.assertRegex(url, r"^(/|#|http://127\.0\.0\.1:\d+/)", url)

    def test_price_bands_match_catalogue(self):
        for path, price in [("/?mod=goods&ac=nine", 9.9), ("/?mod=goods&ac=nineteen", 19.9)]:
            with self.subTest(path=path):
                prices = self.cards(fetch(self.server.shop, path).text)
                self.assertEqual({p for p, _ in prices}, {price})

    def test_catalogues_have_different_products(self):
        seen = {}
        for path in CATALOGUES:
            names = set(re.findall(r'<div class="name" title="([^"]+)"', fetch(self.server.shop, path).text))
            for other, other_names in seen.items():
                self.assertFalse(names & other_names, f"{path} shares products with {other}")
            seen[path] = names

    def test_nav_links_lead_to_pages(self):
        page = fetch(self.server.shop, "/").text
        nav = re.search(r'<div class="nav">(.*?)</div>', page).group(1)
        hrefs = {h.replace("&amp;", "&") for h in re.findall(r'href="([^"]+)"', nav)}
        self.assertTrue(set(CATALOGUES) <= hrefs, hrefs)
        business = f"http://127.0.0.1:{self.server.official}/?mod=business"
        self.assertIn(business, hrefs, "the merchant link points at the official site's real port")
        for href in CATALOGUES:
            with self.subTest(href=href):
                self.assertEqual(fetch(self.server.shop, href).code, 200)

    def test_request_target_forms(self):
        port = self.server.shop
        # raw request line, words the answer must contain
        cases = [
            (b"GET  HTTP/1.1", "今日10点"),                  # bare host, empty target
            (b"GET HTTP/1.0", "今日10点"),                   # bare host, target left out
            (f"GET http://127.0.0.1:{port}/?mod=brand HTTP/1.1".encode(), "品牌团"),
            (b"GET /index.php?mod=goods&ac=nine HTTP/1.1", "9块9包邮"),
            (b"GET /?ac=jingpin&mod=goods HTTP/1.1", "精品推荐"),
            (b"GET /?mod=goods&ac=nineteen&page=2 HTTP/1.0", "19块9包邮"),
        ]
        for line, words in cases:
            with self.subTest(line=line):
                r = Reply(*exchange(port, line + b"\r\nConnection: close\r\n\r\n"))
                self.assertEqual(r.code, 200)
                self.assertIn(words, r.text)
                self.assertEqual(r.version, line.rsplit(b" ", 1)[1].decode())

    def test_not_found(self):
        cases = [
            ("shop", "/nope"),
            ("shop", "/?mod=goods&ac=bogus"),
            ("shop", "/?mod=goods"),
            ("shop", "/?mod=unknown"),
            ("shop", "/?mod=business"),
            ("shop", "/2.txt"),
            ("official", "/1.txt"),
            ("official", "/?mod=brand"),
            ("official", "/new.txt"),
        ]
        for site, path in cases:
            with self.subTest(site=site, path=path):
                r = fetch(getattr(self.server, site), path)
                self.assertEqual(r.code, 404)
                self.assertTrue(r.header("Content-Type").startswith("text/html"))
                self.assertIn("404", r.text)
                self.assertLess(len(r.body), 16000)

    def test_official_pages(self):
        for path, words in [("/", "桌面客户端"), ("/?mod=business", "商家报名")]:
            with self.subTest(path=path):
                r = fetch(self.server.official, path)
                self.assertEqual(r.code, 200)
                self.assertIn(words, r.text)
                self.assertIn(f'href="http://127.0.0.1:{self.server.shop}/"', r.text)

    def test_business_form_post(self):
        form = "shop=%3Cb%3E%E5%B0%8F%E5%BA%97%3C%2Fb%3E&phone=1".encode()
        r = fetch(self.server.official, "/?mod=business", method="POST", body=form,
                  headers=["Content-Type: application/x-www-form-urlencoded"])
        self.assertEqual(r.code, 200)
        self.assertIn("店铺「&lt;b&gt;小店&lt;/b&gt;」的报名已收到", r.text)

    def test_methods(self):
        cases = [("shop", "POST", "/", 405), ("shop", "DELETE", "/", 405),
                 ("official", "PUT", "/?mod=business", 405), ("shop", "POST", "/nope", 404)]
        for site, method, path, code in cases:
            with self.subTest(method=method, path=path):
                r = fetch(getattr(self.server, site), path, method=method, body=b"x=1")
                self.assertEqual(r.code, code)

    def test_head_has_length_but_no_body(self):
        full = fetch(self.server.shop, "/?mod=brand")
        head = fetch(self.server.shop, "/?mod=brand", method="HEAD")
        self.assertEqual(head.code, 200)
        self.assertEqual(head.body, b"")
        self.assertEqual(head.header("Content-Length"), str(len(full.body)))

    def test_status_file_exact_bytes(self):
        r = fetch(self.server.shop, "/1.txt")
        self.assertEqual((r.code, r.body), (200, b"yes"))
        self.assertEqual(r.header("Content-Type"), "text/plain")
        self.assertEqual(r.header("Content-Length"), "3")

    def test_notice_is_gbk_with_crlf(self):
        r = fetch(self.server.shop, "/new.txt")
        self.assertEqual(r.code, 200)
        self.assertEqual(r.body, (DATA / "new.txt").read_bytes())
        self.assertIn("gbk", r.header("Content-Type"))
        text = r.body.decode("gbk")
        self.assertTrue(text.startswith("新版本 V1.0.2.0 已发布！\r\n"))
        self.assertNotIn("\ufeff", text)
        self.assertEqual(text.count("\n"), text.count("\r\n"), "every line ends in CRLF")
        with self.assertRaises(UnicodeDecodeError, msg="saved as UTF-8 instead of GBK"):
            r.body.decode("utf-8")

    def test_keep_alive(self):
        port = self.server.shop
        one = f"GET /1.txt HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode()
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            s.sendall(one + one)  # pipelined on one connection
            data = b""
            while data.count(b"yes") < 2:
                chunk = s.recv(4096)
                self.assertTrue(chunk, "connection closed after the first answer")
                data += chunk
        self.assertEqual(data.count(b"HTTP/1.1 200 OK"), 2)
        # HTTP/1.0 without keep-alive ends after one answer: exchange() returns only on close.
        raw, _ = exchange(port, b"GET /1.txt HTTP/1.0\r\n\r\n")
        self.assertTrue(raw.startswith(b"HTTP/1.0 200") and raw.endswith(b"\r\n\r\nyes"), raw)

    def test_bad_requests(self):
        cases = [b"GARBAGE\r\n\r\n", b"GET / HTTP/2.0\r\n\r\n", b"GET / HTTP/1.1\r\nNoColon\r\n\r\n",
                 b"POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\n"]
        for data in cases:
            with self.subTest(data=data):
                r = Reply(*exchange(self.server.shop, data))
                self.assertEqual(r.code, 400)

    def test_request_log_has_exact_bytes(self):
        port = self.server.shop
        sent = [
            (b"GET /?mod=brand HTTP/1.1\r\nHost: 127.0.0.1\r\nuser-agent:  Odd  Agent \r\n"
             b"X-Dup: 1\r\nX-Dup: 2\r\nAccept-Language: zh-cn\xff\r\nConnection: close\r\n\r\n", "/?mod=brand"),
            (b"GET  HTTP/1.0\r\n\r\n", ""),
            (b"GET /1.txt?t=\x01 HTTP/1.0\n\n", "/1.txt?t=\x01"),
        ]
        for data, _ in sent:
            exchange(port, data)
        entries = [json.loads(line) for line in self.log.read_text(encoding="ascii").splitlines()]
        for data, path in sent:
            with self.subTest(data=data):
                match = [e for e in entries if e["raw"].encode("latin-1") == data]
                self.assertEqual(len(match), 1, "the head is logged once, byte for byte")
                self.assertEqual(match[0]["port"], port)
                self.assertEqual(match[0]["path"], path)


class StatusOptionTest(unittest.TestCase):
    def test_status_sources(self):
        with tempfile.TemporaryDirectory() as tmp:
            status_file = Path(tmp) / "1.txt"
            status_file.write_bytes(b"no")
            # --status value, bytes expected
            for value, expected in [("no", b"no"), ("yes", b"yes"), (str(status_file), b"no")]:
                with self.subTest(status=value):
                    server = Server("--site", "shop", "--status", value, sites=1)
                    try:
                        r = fetch(server.shop, "/1.txt")
                        self.assertEqual((r.code, r.body, r.header("Content-Length")),
                                         (200, expected, str(len(expected))))
                    finally:
                        server.stop()

    def test_status_file_is_read_on_every_request(self):
        with tempfile.TemporaryDirectory() as tmp:
            status_file = Path(tmp) / "1.txt"
            status_file.write_bytes(b"yes")
            server = Server("--site", "shop", "--status", str(status_file), sites=1)
            try:
                self.assertEqual(fetch(server.shop, "/1.txt").body, b"yes")
                status_file.write_bytes(b"no")
                self.assertEqual(fetch(server.shop, "/1.txt").body, b"no")
                status_file.unlink()
                self.assertEqual(fetch(server.shop, "/1.txt").code, 404)
            finally:
                server.stop()


class CommandLineTest(unittest.TestCase):
    def run_server(self, *args):
        return subprocess.run([sys.executable, str(SERVER), *args], capture_output=True,
                              text=True, timeout=10)

    def test_refuses_other_bind_addresses_and_bad_options(self):
        cases = [
            (["--host", "0.0.0.0"], "refusing"),
            (["--host", "localhost"], "refusing"),
            (["--host", "192.168.1.10"], "refusing"),
            (["--host", "::1"], "refusing"),
            (["--port", "70000"], "--port"),
            (["--status", "maybe"], "--status"),
            (["--data", "/nonexistent"], "catalogue"),
            (["--idle-timeout", "0"], "--idle-timeout"),
            (["--chaos", "1", "--chaos-rate", "1.5"], "--chaos-rate"),
            (["--chaos", "1", "--chaos-wait", "-1"], "--chaos-wait"),
            (["--chaos", "1", "--script", str(DATA / "scripts" / "status_flip.json")], "--script"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.run_server("--port", "0", "--official-port", "0", *args)
                self.assertEqual(r.returncode, 2)
                self.assertIn(message, r.stderr)
                self.assertNotIn("listening", r.stdout)

    def test_single_site_runs(self):
        server = Server("--site", "official", sites=1)
        try:
            self.assertEqual(len(server.ports), 1)
            self.assertIn("商家报名", fetch(server.ports[0], "/?mod=business").text)
            self.assertEqual(fetch(server.ports[0], "/1.txt").code, 404)
        finally:
            server.stop()

    def test_shipped_example_scripts_load(self):
        scripts = sorted((DATA / "scripts").glob("*.json"))
        self.assertTrue(scripts)
        for path in scripts:
            with self.subTest(script=path.name):
                r = self.run_server("--check", "--script", str(path))
                self.assertEqual((r.returncode, r.stderr), (0, ""))

    def test_bad_scripts_are_refused(self):
        cases = [
            ({"/a": {"bogus": 1}}, "unknown keys"),
            ({"/a": {"delay": -1}}, "delay"),
            ({"/a": {"hold": 1e9}}, "delay/hold"),
            ({"/a": {"delay": 1, "hold": 1}}, "give one"),
            ({"/a": {"body": "x", "body_b64": "eA=="}}, "not both"),
            ({"/a": {"body_b64": "!!!"}}, "base64"),
            ({"/a": {"body": "€", "encoding": "gbk"}}, "gbk"),
            ({"/a": {"encoding": "nope"}}, "encoding"),
            ({"/a": {"length": -1}}, "length"),
            ({"/a": {"pause_after": 3}}, "pause_after needs pause"),
            ({"/a": {"raw": "x", "code": 200}}, "raw goes only"),
            ({"/a": {"code": 42}}, "code"),
            ({"/a": {"headers": ["X"]}}, "headers"),
            ({"/a": {"cookies": [1]}}, "cookies"),
            ({"/a": []}, "empty"),
            ({"/a": {"seq": ["x"], "then": "loop"}}, "then"),
            ({"/a": {"seq": ["x"], "delay": 1}}, "only then"),
            ({"a": "x"}, "must be a path"),
            ({"other:/a": "x"}, "must be a path"),
            ([1], "top level"),
        ]
        with tempfile.TemporaryDirectory() as tmp:
            for i, (script, message) in enumerate(cases):
                with self.subTest(script=script):
                    path = write_json(tmp, f"s{i}.json", script)
                    with self.assertRaisesRegex(shop_server.ConfigError, re.escape(message)):
                        shop_server.Script.load(path)
            # And through the command line, where a bad script must stop the start.
            not_json = Path(tmp) / "bad.json"
            not_json.write_text("{", encoding="utf-8")
            r = self.run_server("--check", "--script", str(not_json))
            self.assertEqual(r.returncode, 2)
            self.assertIn("cannot read script", r.stderr)


class CatalogueDataTest(unittest.TestCase):
    def test_shipped_catalogue(self):
        data = json.loads((DATA / "catalog.json").read_text(encoding="utf-8"))
        self.assertEqual(shop_server.validate_catalog(data), [])
        names = [i["name"] for s in data["sections"] for i in s["items"]]
        self.assertEqual(len(names), len(set(names)), "a product is listed twice")
        for s in data["sections"]:
            with self.subTest(section=s["key"]):
                self.assertTrue(8 <= len(s["items"]) <= 12)
                for item in s["items"]:
                    self.assertRegex(item["color"], r"^#[0-9a-f]{6}$")
                    self.assertEqual(len(item["glyph"]), 1)
                    if s["key"] == "brand":
                        self.assertTrue(item.get("brand"))

    def test_broken_catalogues_are_reported(self):
        good = json.loads((DATA / "catalog.json").read_text(encoding="utf-8"))

        def broken(change):
            data = json.loads(json.dumps(good))
            change(data)
            return data

        cases = [
            ("section missing", lambda d: d["sections"].pop(), "sections must be exactly"),
            ("section twice", lambda d: d["sections"].append(d["sections"][0]), "sections must be exactly"),
            ("no items", lambda d: d["sections"][0].update(items=[]), "non-empty list"),
            ("price zero", lambda d: d["sections"][1]["items"][0].update(price=0), "price"),
            ("price text", lambda d: d["sections"][1]["items"][0].update(was="9.9"), "was"),
            ("no glyph", lambda d: d["sections"][2]["items"][0].pop("glyph"), "glyph"),
            ("no shop name", lambda d: d.pop("shop_name"), "shop_name"),
        ]
        for label, change, message in cases:
            with self.subTest(label):
                problems = shop_server.validate_catalog(broken(change))
                self.assertTrue(any(message in p for p in problems), problems)


SCRIPT = {
    "#": "one rule per scripted feature",
    "/seq-default": {"seq": ["first"], "then": "default"},
    "/plain": "just text",
    "/no-length": {"body": "abcdef", "length": None},
    "/lying-long": {"body": "abc", "length": 10},
    "/lying-short": {"body": "abcdef", "length": 2},
    "/empty": {"body": ""},
    "/nul": {"body_b64": "AAAA"},
    "/bom": {"body_b64": "77u/eWVz"},
    "/gbk": {"body": "公告\r\n", "encoding": "gbk"},
    "/cut": {"body": "0123456789", "cut": 4},
    "/delay": {"delay": 0.4, "body": "late"},
    "/redirect": {"redirect": "/?mod=brand"},
    "/moved": {"redirect": "http://127.0.0.1:9/x", "code": 301},
    "/cookie": {"body": "c", "cookies": ["sid=abc; Path=/", "u=1"]},
    "/error": {"code": 503, "body": "维护中", "reason": "Busy"},
    "/error-default": {"code": 500},
    "/headers": {"body": "h", "headers": {"Content-Type": "application/x-test", "X-Twice": ["a", "b"],
                                           "Server": None}},
    "/raw": {"raw": "HTTP/1.1 200 OK\r\nX-Raw: 1\r\n\r\nraw!"},
    "/?mod=goods&ac=nine": {"hold": 0.4},
    "official:/": {"body": "official only"},
}


class ScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        script = dict(SCRIPT)
        script["/1.txt"] = ["yes", "no", {"code": 500, "body": "boom"}]
        script["/pause"] = {"body": "0123456789", "pause_after": 4, "pause": 0.5}
        script["/linger"] = {"body": "x", "linger": 0.4}
        cls.server = Server("--script", write_json(cls.tmp.name, "script.json", script))

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.tmp.cleanup()

    def test_answers(self):
        # site, path, code, exact body (None: skip), headers expected (None: absent), min seconds
        cases = [
            ("shop", "/plain", 200, b"just text", {"Content-Length": "9"}, 0),
            ("shop", "/no-length", 200, b"abcdef", {"Content-Length": None, "Connection": "close"}, 0),
            ("shop", "/lying-long", 200, b"abc", {"Content-Length": "10"}, 0),
            ("shop", "/lying-short", 200, b"abcdef", {"Content-Length": "2"}, 0),
            ("shop", "/empty", 200, b"", {"Content-Length": "0"}, 0),
            ("shop", "/nul", 200, b"\0\0\0", {"Content-Length": "3"}, 0),
            ("shop", "/bom", 200, b"\xef\xbb\xbfyes", {"Content-Length": "6"}, 0),
            ("shop", "/gbk", 200, "公告\r\n".encode("gbk"), {"Content-Length": "6"}, 0),
            ("shop", "/cut", 200, b"0123", {"Content-Length": "10"}, 0),
            ("shop", "/delay", 200, b"late", {}, 0.4),
            ("shop", "/redirect", 302, None, {"Location": "/?mod=brand"}, 0),
            ("shop", "/moved", 301, None, {"Location": "http://127.0.0.1:9/x"}, 0),
            ("shop", "/error", 503, "维护中".encode(), {"Content-Type": "text/html; charset=utf-8"}, 0),
            ("shop", "/headers", 200, b"h", {"Content-Type": "application/x-test", "Server": None}, 0),
            ("shop", "/seq-default", 200, b"first", {}, 0),
            ("shop", "/seq-default", 404, None, {}, 0),  # list used up: the normal answer
            ("official", "/", 200, b"official only", {}, 0),
            ("shop", "/", 200, None, {}, 0),  # official: rules stay on the official site
        ]
        for site, path, code, body, headers, min_time in cases:
            with self.subTest(site=site, path=path, code=code):
                r = fetch(getattr(self.server, site), path)
                self.assertEqual(r.code, code)
                if body is not None:
                    self.assertEqual(r.body, body)
                for name, value in headers.items():
                    self.assertEqual(r.header(name), value, name)
                self.assertGreaterEqual(r.elapsed, min_time)
                if site == "shop" and path == "/":
                    self.assertIn("九块九包邮购", r.text)

    def test_rules_match_bare_host_and_absolute_targets(self):
        port = self.server.official
        for line in [b"GET  HTTP/1.1", b"GET HTTP/1.1", f"GET http://127.0.0.1:{port} HTTP/1.1".encode(),
                     f"GET http://127.0.0.1:{port}/ HTTP/1.1".encode()]:
            with self.subTest(line=line):
                r = Reply(*exchange(port, line + b"\r\nConnection: close\r\n\r\n"))
                self.assertEqual(r.body, b"official only")

    def test_status_sequence_repeats_last(self):
        got = [(r.code, r.body) for r in (fetch(self.server.shop, "/1.txt") for _ in range(4))]
        self.assertEqual(got, [(200, b"yes"), (200, b"no"), (500, b"boom"), (500, b"boom")])

    def test_cookies_headers_and_reason(self):
        self.assertEqual(fetch(self.server.shop, "/cookie").all("Set-Cookie"), ["sid=abc; Path=/", "u=1"])
        self.assertEqual(fetch(self.server.shop, "/headers").all("X-Twice"), ["a", "b"])
        self.assertEqual(fetch(self.server.shop, "/error").reason, "Busy")

    def test_code_without_body_gets_small_status_page(self):
        r = fetch(self.server.shop, "/error-default")
        self.assertEqual(r.code, 500)
        self.assertIn("500 Internal Server Error", r.text)
        self.assertNotIn("class=\"card\"", r.text)

    def test_held_page_is_the_normal_page(self):
        r = fetch(self.server.shop, "/?mod=goods&ac=nine")
        self.assertGreaterEqual(r.elapsed, 0.4)
        self.assertEqual(r.code, 200)
        self.assertIn("9块9包邮", r.text)
        self.assertGreaterEqual(r.text.count('class="card"'), 8)

    def test_raw_bytes_sent_as_given(self):
        raw, _ = exchange(self.server.shop, request(self.server.shop, "/raw"))
        self.assertEqual(raw, b"HTTP/1.1 200 OK\r\nX-Raw: 1\r\n\r\nraw!")

    def test_pause_in_body(self):
        port = self.server.shop
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            start = time.monotonic()
            s.sendall(request(port, "/pause"))
            data = b""
            while b"\r\n\r\n0123" not in data:
                chunk = s.recv(4096)
                self.assertTrue(chunk, "closed before the first body bytes")
                data += chunk
            early = time.monotonic() - start
            while True:
                chunk = s.recv(4096)
                if not chunk:
                    break
                data += chunk
            late = time.monotonic() - start
        self.assertLess(early, 0.4, "bytes before the pause come at once")
        self.assertGreaterEqual(late, 0.5)
        self.assertTrue(data.endswith(b"\r\n\r\n0123456789"))

    def test_linger_keeps_connection_open(self):
        r = fetch(self.server.shop, "/linger")
        self.assertEqual(r.body, b"x")
        self.assertGreaterEqual(r.elapsed, 0.4)

    def test_kept_alive_after_plain_answer_but_closed_after_lying_length(self):
        port = self.server.shop
        req = f"GET /plain HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode()
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            s.sendall(req + req)
            data = b""
            while data.count(b"just text") < 2:
                chunk = s.recv(4096)
                self.assertTrue(chunk)
                data += chunk
        req = f"GET /lying-short HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode()
        raw, _ = exchange(port, req)  # returns only because the server closes
        self.assertTrue(raw.endswith(b"abcdef"))


def running(pid):
    """True unless PID is gone or a zombie waiting for its adopter to reap it."""
    try:
        stat = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    return stat.rsplit(") ", 1)[1].split()[0] != "Z"


class ChaosTest(unittest.TestCase):
    """--chaos: what each kind of bent answer puts on the wire, and that a seed
    replays the same answers."""

    SEED = 20240611
    WAIT = 0.2

    @staticmethod
    def read_answer(port, target, seconds=1.5):
        """Everything the server sends within seconds: (bytes, how it ended)."""
        end = time.monotonic() + seconds
        data = b""
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            s.sendall(request(port, target))
            while True:
                left = end - time.monotonic()
                if left <= 0:
                    return data, "open"
                s.settimeout(left)
                try:
                    chunk = s.recv(1 << 20)
                except socket.timeout:
                    return data, "open"
                except ConnectionResetError:
                    return data, "reset"
                if not chunk:
                    return data, "closed"
                data += chunk

    @staticmethod
    def split(data):
        head, _, body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        headers = {n.strip().lower(): v.strip() for n, _, v in (line.partition(":") for line in lines[1:])}
        return lines[0], headers, body

    def test_each_kind_on_the_wire(self):
        chaos = shop_server.chaos
        predict = chaos.Chaos(self.SEED, 1.0, self.WAIT)
        # For each kind, a target of its own whose first answer is of that kind
        # (the page ignores the extra parameter).
        targets = {}
        for i in range(500):
            target = f"/?mod=brand&try={i}"
            targets.setdefault(predict.plan_for("shop", target).kind, target)
        self.assertEqual(set(targets), set(chaos.KINDS))

        plain = Server("--site", "shop", sites=1)
        try:
            page = fetch(plain.shop, "/?mod=brand").body
        finally:
            plain.stop()

        def complete(p, status, h, body, ended):
            return h.get("content-length") == str(len(body)) and body == page

        def shorter(p, status, h, body, ended):
            return int(h["content-length"]) > len(body) and ended == "closed"

        # kind -> what the client gets: the plan, status line, headers, body, how it ended
        checks = {
            "delay": complete,
            "fail": lambda p, st, h, b, e: st.split(" ")[1] == str(p.code),
            "cut": shorter,
            "stall": lambda *a: complete(*a) if a[0].finish else shorter(*a),
            "wrong_length": lambda p, st, h, b, e: h.get("content-length") != str(len(b)) and b == page,
            "binary": lambda p, st, h, b, e: h["content-length"] == str(len(b)) == str(p.size),
            "huge": lambda p, st, h, b, e: len(b) == p.huge and e == "closed",
            "close": lambda p, st, h, b, e: (st, b, e) == ("", b"", "closed"),
            "reset": lambda p, st, h, b, e: (st, b) == ("", b"") and e in ("reset", "closed"),
            "endless": lambda p, st, h, b, e: e == "open" and len(b) > len(page) // 2,
        }
        with tempfile.TemporaryDirectory() as tmp:
            log = Path(tmp) / "log.jsonl"
            server = Server("--site", "shop", "--chaos", str(self.SEED), "--chaos-rate", "1",
                            "--chaos-wait", str(self.WAIT), "--log", str(log), sites=1)
            try:
                replay = chaos.Chaos(self.SEED, 1.0, self.WAIT)
                for kind, target in sorted(targets.items()):
                    with self.subTest(kind=kind):
                        plan = replay.plan_for("shop", target)
                        data, ended = self.read_answer(server.shop, target)
                        if kind == "garbage":
                            expected = plan.garbage
                            if expected is None:
                                expected = random.Random(plan.sub_seed).randbytes(plan.size)
                            self.assertEqual(data, expected)
                            continue
                        status, headers, body = self.split(data)
                        self.assertTrue(checks[kind](plan, status, headers, body, ended),
                                        f"{status!r} {headers} {len(body)} bytes, {ended}")
                self.assertIsNone(server.proc.poll(), "the server died")
                logged = {json.loads(line)["path"]: json.loads(line)["chaos"]
                          for line in log.read_text().splitlines()}
                self.assertEqual({target: logged[target] for target in targets.values()},
                                 {target: kind for kind, target in targets.items()})
            finally:
                server.stop()

    def test_a_seed_replays_the_same_answers_in_any_order(self):
        def kinds(order, seed=self.SEED):
            chaos = shop_server.chaos.Chaos(seed, 0.5, self.WAIT)
            seen = {}
            for site, target in order:
                plan = chaos.plan_for(site, target)
                seen.setdefault((site, target), []).append(plan and (plan.kind, plan.sub_seed))
            return seen

        a, b = ("shop", "/1.txt"), ("shop", "/?mod=brand")
        first = kinds([a, b] * 30)
        self.assertEqual(first, kinds([a] * 30 + [b] * 30))
        self.assertNotEqual(first, kinds([a, b] * 30, seed=self.SEED + 1))
        # About half bent: a rate that is not applied would show here.
        bent = sum(plan is not None for plans in first.values() for plan in plans)
        self.assertTrue(15 < bent < 45, bent)

    def test_rates_and_text_files(self):
        for rate, expected in [(0.0, set()), (1.0, set(shop_server.chaos.TEXT_KINDS))]:
            with self.subTest(rate=rate):
                chaos = shop_server.chaos.Chaos(self.SEED, rate, self.WAIT)
                kinds = set()
                for _ in range(400):
                    for target in ("/1.txt", "/new.txt"):
                        plan = chaos.plan_for("shop", target)
                        if plan:
                            kinds.add(plan.kind)
                            self.assertLessEqual(plan.seconds, self.WAIT)
                            self.assertLessEqual(plan.huge, shop_server.chaos.HUGE_MAX["text"])
                # Never endless: the client reads these files to their end.
                self.assertEqual(kinds, expected)

    def test_status_file_answers_follow_the_seed_and_are_logged(self):
        with tempfile.TemporaryDirectory() as tmp:
            log = Path(tmp) / "log.jsonl"
            server = Server("--site", "shop", "--status", "no", "--chaos", str(self.SEED),
                            "--chaos-rate", "0.5", "--chaos-wait", str(self.WAIT), "--log", str(log),
                            sites=1)
            try:
                predict = shop_server.chaos.Chaos(self.SEED, 0.5, self.WAIT)
                expected = []
                for _ in range(12):
                    plan = predict.plan_for("shop", "/1.txt")
                    expected.append(plan.kind if plan else None)
                    data, ended = self.read_answer(server.shop, "/1.txt", seconds=3)
                    if plan is None:
                        self.assertEqual(self.split(data)[2], b"no")
                        self.assertEqual(ended, "closed")
                logged = [json.loads(line)["chaos"] for line in log.read_text().splitlines()]
                self.assertEqual(logged, expected)
                self.assertIn(None, expected)
            finally:
                server.stop()


class LauncherTest(unittest.TestCase):
    def test_start_and_stop(self):
        with tempfile.TemporaryDirectory() as tmp:
            env = dict(os.environ, SHOP_PORT="0", OFFICIAL_PORT="0", SHOP_STATE_DIR=tmp,
                       PYTHON=sys.executable)
            start = subprocess.run(["bash", str(LAUNCHER)], env=env, capture_output=True,
                                   text=True, timeout=20)
            pid_file = Path(tmp) / "shop_server.pid"
            try:
                self.assertEqual(start.returncode, 0, start.stderr)
                ports = [int(p) for p in re.findall(r"^listening on http://127\.0\.0\.1:(\d+)$",
                                                     start.stdout, re.M)]
                self.assertEqual(len(ports), 2)
                self.assertEqual(fetch(ports[0], "/1.txt").body, b"yes")
                self.assertIn("商家报名", fetch(ports[1], "/?mod=business").text)
                again = subprocess.run(["bash", str(LAUNCHER)], env=env, capture_output=True,
                                       text=True, timeout=20)
                self.assertEqual(again.returncode, 1)
                self.assertIn("already running", again.stderr)
            finally:
                pid = int(pid_file.read_text()) if pid_file.exists() else None
                stop = subprocess.run(["bash", str(LAUNCHER), "stop"], env=env, capture_output=True,
                                      text=True, timeout=20)
            self.assertEqual(stop.returncode, 0)
            self.assertIsNotNone(pid)
            self.assertFalse(running(pid), "server still running after stop")
            self.assertFalse(pid_file.exists())

    def test_failed_start_is_reported(self):
        with tempfile.TemporaryDirectory() as tmp:
            env = dict(os.environ, SHOP_PORT="0", OFFICIAL_PORT="0", SHOP_STATE_DIR=tmp,
                       PYTHON=sys.executable)
            r = subprocess.run(["bash", str(LAUNCHER), "--status", "maybe"], env=env,
                               capture_output=True, text=True, timeout=20)
            self.assertEqual(r.returncode, 1)
            self.assertIn("--status", r.stderr)
            self.assertFalse((Path(tmp) / "shop_server.pid").exists())


if __name__ == "__main__":
    # Close with a plain "N passed, N failed" line that CI log readers understand.
    runner = unittest.TextTestRunner(verbosity=1)
    program = unittest.main(testRunner=runner, exit=False)
    result = program.result
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    passed = result.testsRun - failed - len(result.skipped)
    print(f"{passed} passed, {failed} failed" + (f", {len(result.skipped)} skipped" if result.skipped else ""))
    sys.exit(0 if result.wasSuccessful() else 1)
