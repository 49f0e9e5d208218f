"""Random misbehaviour of the demo shop, for soak runs of the client.

With --chaos SEED, each answer is bent at random: sent late, failed, cut off,
stalled, given a lying length, replaced by binary bytes or garbage, made huge
or endless, or the connection is closed or reset without an answer. The choice
for an answer depends only on the seed, the site, the request target and how
many times that target was asked for before, so a seed replays the same
answers for the same requests whatever order the client's connections take.

Every wait is bounded by --chaos-wait. The status and notice files never get
an endless body: the client reads them to their end before it does anything
else, so an endless one would hold it for good, which is how it is meant to
work and nothing a soak run should find. Endless bodies trickle (a few KB a
second at most) so that a client which stores what it gets cannot fill a disk.
"""

import random
import socket
import struct
import threading
import time

TEXT_FILES = ("/1.txt", "/new.txt")

KINDS = ("delay", "fail", "cut", "stall", "wrong_length", "binary", "huge", "close", "reset",
         "garbage", "endless")
TEXT_KINDS = tuple(kind for kind in KINDS if kind != "endless")

FAIL_CODES = (400, 403, 404, 500, 502, 503)
HUGE_MIN = 1 << 20
HUGE_MAX = {"text": 2 << 20, "page": 8 << 20}
BINARY_MAX = 64 * 1024
# Content-Length values no client should take at face value.
NONSENSE_LENGTHS = ("-1", "abc", "99999999999999999999999", "0x10", "12 34", "", "+5")
BROKEN_HEADS = (
    b"HTTP/1.1 OK\r\n\r\n",
    b"HTTP/1.1 2000 Fine\r\nContent-Length: 3\r\n\r\nyes",
    b"HTTP/9.9 200 OK\r\nContent-Length: 2\r\n\r\nno",
    b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 50\r\n\r\nhello",
    b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nnot a chunk\r\n",
    b"HTTP/1.1 200 OK\r\n" + b"X-Long: " + b"a" * 200000 + b"\r\n\r\nyes",
    b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nno blank line follows",
    b"\r\n\r\n\r\n",
)
ENDLESS_SECONDS = 3600.0  # the server gives up on a client that never goes away


class Plan:
    """One bent answer, drawn in full when it is chosen."""

    def __init__(self, kind, rng, wait, text_file):
        self.kind = kind
        self.seconds = rng.uniform(0.05, wait) if wait > 0.05 else wait
        self.fraction = rng.random()
        self.finish = rng.random() < 0.5
        self.code = rng.choice(FAIL_CODES)
        self.length_mode = rng.choice(("longer", "shorter", "nonsense"))
        self.extra = rng.randint(1, 100000)
        self.nonsense = rng.choice(NONSENSE_LENGTHS)
        self.ctype = rng.choice((None, "keep", "application/octet-stream", "text/html", "text/plain"))
        self.size = rng.randint(1, BINARY_MAX)
        self.huge = rng.randint(HUGE_MIN, HUGE_MAX["text" if text_file else "page"])
        self.binary = rng.random() < 0.3
        self.announce = rng.random() < 0.7
        self.garbage = rng.choice(BROKEN_HEADS + (None,))
        self.sub_seed = rng.getrandbits(64)


class Chaos:
    def __init__(self, seed, rate, wait):
        self.seed = seed
        self.rate = rate
        self.wait = wait
        self.counts = {}
        self.lock = threading.Lock()

    def plan_for(self, site, target):
        """The bent answer for this request, or None for a normal one."""
        with self.lock:
            n = self.counts.get((site, target), 0)
            self.counts[(site, target)] = n + 1
        rng = random.Random(f"{self.seed}/{site}/{target}/{n}")
        if rng.random() >= self.rate:
            return None
        text_file = site == "shop" and target in TEXT_FILES
        kind = rng.choice(TEXT_KINDS if text_file else KINDS)
        return Plan(kind, rng, self.wait, text_file)


def _head(version, code, reason, headers):
    lines = [f"{version} {code} {reason}"] + [f"{name}: {value}" for name, value in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def _filler(body, size, rng, binary):
    if binary:
        return rng.randbytes(size)
    unit = body or b"x\r\n"
    return (unit * (size // len(unit) + 1))[:size]


def send(sock, version, method, keep_alive, normal, plan, server_name):
    """Sends the bent answer for a request whose normal answer is
    normal = (code, reason, content type, extra headers, body); gives True
    when the connection stays open for the next request."""
    code, reason, ctype, extra, body = normal
    rng = random.Random(plan.sub_seed)
    with_body = method != "HEAD"

    def headers(content_type, length):
        out = [("Server", server_name)]
        if content_type:
            out.append(("Content-Type", content_type))
        if length is not None:
            out.append(("Content-Length", str(length)))
        return out + [("Connection", "close")]

    kind = plan.kind
    if kind == "delay":
        time.sleep(plan.seconds)
        hs = [("Server", server_name), ("Content-Type", ctype), ("Content-Length", str(len(body)))]
        if keep_alive and version == "HTTP/1.0":
            hs.append(("Connection", "keep-alive"))
        elif not keep_alive:
            hs.append(("Connection", "close"))
        sock.sendall(_head(version, code, reason, hs + extra) + (body if with_body else b""))
        return keep_alive
    if kind == "fail":
        page = f"<html><body><h1>{plan.code}</h1></body></html>".encode("ascii")
        sock.sendall(_head(version, plan.code, "Chaos", headers("text/html", len(page)))
                     + (page if with_body else b""))
        return False
    if kind in ("cut", "stall"):
        sock.sendall(_head(version, code, reason, headers(ctype, len(body)) + extra))
        if with_body:
            split = int(len(body) * plan.fraction)
            sock.sendall(body[:split])
            if kind == "stall":
                time.sleep(plan.seconds)
                if plan.finish:
                    sock.sendall(body[split:])
        return False
    if kind == "wrong_length":
        if plan.length_mode == "longer":
            length = str(len(body) + plan.extra)
        elif plan.length_mode == "shorter":
            length = str(int(len(body) * plan.fraction))
        else:
            length = plan.nonsense
        sock.sendall(_head(version, code, reason, headers(ctype, length)) + (body if with_body else b""))
        # Held open a while, silently: a client that believes a longer length waits.
        time.sleep(plan.seconds)
        return False
    if kind == "binary":
        data = rng.randbytes(plan.size)
        content_type = ctype if plan.ctype == "keep" else plan.ctype
        sock.sendall(_head(version, 200, "OK", headers(content_type, len(data))) + (data if with_body else b""))
        return False
    if kind == "huge":
        data = _filler(body, plan.huge, rng, plan.binary)
        sock.sendall(_head(version, 200, "OK", headers(ctype, len(data) if plan.announce else None)))
        if with_body:
            sock.sendall(data)
        return False
    if kind == "close":
        return False
    if kind == "reset":
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
        return False
    if kind == "garbage":
        sock.sendall(plan.garbage if plan.garbage is not None else rng.randbytes(plan.size))
        return False
    if kind == "endless":
        length = None if not plan.announce else 1 << 40
        sock.sendall(_head(version, code, reason, headers(ctype, length)))
        if not with_body:
            return False
        sock.sendall(body[: len(body) // 2])
        unit = body or b"x"
        end = time.monotonic() + ENDLESS_SECONDS
        offset = 0
        while time.monotonic() < end:
            size = rng.randint(64, 8192)
            piece = (unit * (size // len(unit) + 2))[offset % len(unit):][:size]
            offset += size
            sock.sendall(piece)  # fails once the client has gone
            time.sleep(rng.uniform(0.1, 1.0))
        return False
    raise ValueError(f"unknown chaos kind {kind}")
