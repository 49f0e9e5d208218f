"""What an X display shows, read straight from the server through Xlib (ctypes),
cheaply enough to poll every few milliseconds while a program starts: the
top-level windows a process has mapped, and how many pixels of a colour a
rectangle of the screen holds."""

import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")

Window = ctypes.c_ulong
Atom = ctypes.c_ulong
ZPIXMAP = 2
IS_VIEWABLE = 2
ANY_PROPERTY_TYPE = 0
ALL_PLANES = ctypes.c_ulong(~0 & 0xFFFFFFFFFFFFFFFF)


class _ImageFuncs(ctypes.Structure):
    _fields_ = [("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)),
                ("get_pixel", ctypes.c_void_p), ("put_pixel", ctypes.c_void_p),
                ("sub_image", ctypes.c_void_p), ("add_pixel", ctypes.c_void_p)]


class _Image(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_char)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("f", _ImageFuncs)]


class _Attributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", Window), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window can go away between two requests; Xlib's default handler would end
# the whole benchmark for that.
_ignore_errors = _ERROR_HANDLER(lambda display, event: 0)

_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
_x11.XSetErrorHandler.restype = ctypes.c_void_p
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = Window
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XInternAtom.restype = Atom
_x11.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(_Attributes)]
_x11.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
_x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XGetImage.restype = ctypes.POINTER(_Image)
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


class Screen:
    def __init__(self, display_name):
        _x11.XSetErrorHandler(_ignore_errors)
        self.display = _x11.XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display_name}")
        self.root = _x11.XDefaultRootWindow(self.display)
        self._client_list = _x11.XInternAtom(self.display, b"_NET_CLIENT_LIST", 0)
        self._pid = _x11.XInternAtom(self.display, b"_NET_WM_PID", 0)
        attributes = _Attributes()
        _x11.XGetWindowAttributes(self.display, self.root, ctypes.byref(attributes))
        self.size = (attributes.width, attributes.height)

    def close(self):
        if self.display:
            _x11.XCloseDisplay(self.display)
            self.display = None

    def _cardinals(self, window, atom):
        kind, unit = Atom(), ctypes.c_int()
        count, rest, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = _x11.XGetWindowProperty(self.display, window, atom, 0, 4096, 0, ANY_PROPERTY_TYPE,
                                         ctypes.byref(kind), ctypes.byref(unit), ctypes.byref(count),
                                         ctypes.byref(rest), ctypes.byref(data))
        if status != 0 or not data.value:
            return []
        try:
            if unit.value != 32:
                return []
            # Format 32 comes back as C longs.
            return list(ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[:count.value])
        finally:
            _x11.XFree(data)

    def mapped_windows(self, pid):
        """(left, top, width, height) on the screen of each viewable window that
        the window manager manages for the process, largest first."""
        found = []
        for window in self._cardinals(self.root, self._client_list):
            if pid not in self._cardinals(window, self._pid):
                continue
            attributes = _Attributes()
            if not _x11.XGetWindowAttributes(self.display, window, ctypes.byref(attributes)):
                continue
            if attributes.map_state != IS_VIEWABLE:
                continue
            x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
            _x11.XTranslateCoordinates(self.display, window, self.root, 0, 0, ctypes.byref(x),
                                       ctypes.byref(y), ctypes.byref(child))
            found.append((x.value, y.value, attributes.width, attributes.height))
        return sorted(found, key=lambda r: r[2] * r[3], reverse=True)

    def grab(self, rect):
        """The pixels of a rectangle of the screen (clipped to it), 4 bytes each."""
        left, top, width, height = rect
        left, top = max(0, left), max(0, top)
        width, height = min(width, self.size[0] - left), min(height, self.size[1] - top)
        if width <= 0 or height <= 0:
            return b""
        image = _x11.XGetImage(self.display, self.root, left, top, width, height, ALL_PLANES, ZPIXMAP)
        if not image:
            return b""
        try:
            if image.contents.bits_per_pixel != 32:
                raise RuntimeError("the benchmarks read a 24-bit screen, 4 bytes a pixel")
            return ctypes.string_at(image.contents.data, image.contents.bytes_per_line * height)
        finally:
            image.contents.f.destroy_image(image)


def pixel_counts(data, colours):
    """How many pixels of exactly each colour. The server gives blue, green,
    red and a pad byte whose value is not defined, so the pads are cleared
    once (a C-speed slice assignment) and whole pixels are counted."""
    clean = bytearray(data)
    clean[3::4] = bytes(len(clean) // 4)
    return [clean.count(bytes((b, g, r, 0))) for r, g, b in colours]
