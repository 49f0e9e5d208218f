"""Two questions to the X server that the X tools cannot ask: does a window's
client still answer (the _NET_WM_PING a window manager sends, answered by the
toolkit from inside its event loop, so a program stuck anywhere else leaves
it unanswered), and what colour is a pixel on the screen. Xlib through ctypes:
nothing beyond the X library that every X client has."""

import ctypes
import time

CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def _x11():
    x11 = ctypes.CDLL("libX11.so.6")
    signatures = {
        "XOpenDisplay": (ctypes.c_void_p, [ctypes.c_char_p]),
        "XCloseDisplay": (ctypes.c_int, [ctypes.c_void_p]),
        "XDefaultRootWindow": (ctypes.c_ulong, [ctypes.c_void_p]),
        "XInternAtom": (ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]),
        "XSelectInput": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]),
        "XSendEvent": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                      ctypes.POINTER(_Event)]),
        "XPending": (ctypes.c_int, [ctypes.c_void_p]),
        "XNextEvent": (ctypes.c_int, [ctypes.c_void_p, ctypes.POINTER(_Event)]),
        "XSync": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_int]),
        "XGetImage": (ctypes.c_void_p, [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]),
        "XGetPixel": (ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]),
        "XDestroyImage": (ctypes.c_int, [ctypes.c_void_p]),
        "XSetErrorHandler": (ctypes.c_void_p, [ctypes.c_void_p]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(x11, name)
        function.restype = result
        function.argtypes = arguments
    return x11


# A window that is gone between the question and the answer gives an X error;
# the default handler would end this process.
_IGNORE_ERRORS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)


class XDisplay:
    """One connection to the display, kept for the whole run."""

    def __init__(self, display):
        self.x11 = _x11()
        self.x11.XSetErrorHandler(ctypes.cast(_IGNORE_ERRORS, ctypes.c_void_p))
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display}")
        self.root = self.x11.XDefaultRootWindow(self.display)
        self.protocols = self.x11.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        self.ping_atom = self.x11.XInternAtom(self.display, b"_NET_WM_PING", 0)
        # The answer goes to the root window, where the window manager takes
        # it; a listener for structure changes there sees it too.
        self.x11.XSelectInput(self.display, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        self.stamp = 1000

    def close(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None

    def ping(self, window, timeout):
        """True once the client of window answers, False after timeout seconds."""
        self.stamp += 1
        event = _Event()
        event.client.type = CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = self.protocols
        event.client.format = 32
        event.client.data[0] = self.ping_atom
        event.client.data[1] = self.stamp
        event.client.data[2] = window
        self.x11.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.x11.XSync(self.display, 0)
        deadline = time.monotonic() + timeout
        reply = _Event()
        while time.monotonic() < deadline:
            while self.x11.XPending(self.display):
                self.x11.XNextEvent(self.display, ctypes.byref(reply))
                c = reply.client
                if (reply.type == CLIENT_MESSAGE and c.message_type == self.protocols
                        and c.data[0] == self.ping_atom and c.data[1] == self.stamp):
                    return True
            time.sleep(0.02)
        return False

    def pixel(self, x, y):
        """(red, green, blue) of a screen pixel, on a 24-bit screen."""
        image = self.x11.XGetImage(self.display, self.root, x, y, 1, 1, ALL_PLANES, Z_PIXMAP)
        if not image:
            return None
        value = self.x11.XGetPixel(image, 0, 0)
        self.x11.XDestroyImage(image)
        return (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF
