#!/usr/bin/env python3
"""Asks an X11 window to close the way a window manager does: a WM_DELETE_WINDOW
client message. Needs nothing but python3 and libX11.

    scripts/xclose.py --title "Vendrapolis - Voxel sprites"
    scripts/xclose.py --pid 1234

Exit status: 0 when a request was sent, 1 when no matching window was found,
2 when the display could not be opened.
"""
import argparse
import ctypes
import ctypes.util
import sys

Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", Window),
        ("message_type", Atom),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0
ANY_PROPERTY_TYPE = 0


def load_x11():
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    x = ctypes.CDLL(name)
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = Window
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = Atom
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                             ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
    x.XGetWindowProperty.argtypes = [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int,
                                     Atom, ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                     ctypes.POINTER(ctypes.c_void_p)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x


def children(x, dpy, win):
    root, parent = Window(), Window()
    kids = ctypes.POINTER(Window)()
    n = ctypes.c_uint()
    if not x.XQueryTree(dpy, win, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids), ctypes.byref(n)):
        return []
    out = [kids[i] for i in range(n.value)]
    if kids:
        x.XFree(kids)
    return out


def window_title(x, dpy, win, utf8, net_wm_name):
    data = ctypes.c_void_p()
    actual, fmt = Atom(), ctypes.c_int()
    count, after = ctypes.c_ulong(), ctypes.c_ulong()
    if x.XGetWindowProperty(dpy, win, net_wm_name, 0, 1024, 0, utf8, ctypes.byref(actual), ctypes.byref(fmt),
                            ctypes.byref(count), ctypes.byref(after), ctypes.byref(data)) == 0 and data.value:
        title = ctypes.string_at(data.value, count.value).decode("utf-8", "replace")
        x.XFree(data)
        return title
    name = ctypes.c_char_p()
    if x.XFetchName(dpy, win, ctypes.byref(name)) and name.value is not None:
        title = name.value.decode("latin-1")
        x.XFree(name)
        return title
    return None


def window_pid(x, dpy, win, net_wm_pid):
    data = ctypes.c_void_p()
    actual, fmt = Atom(), ctypes.c_int()
    count, after = ctypes.c_ulong(), ctypes.c_ulong()
    if x.XGetWindowProperty(dpy, win, net_wm_pid, 0, 1, 0, ANY_PROPERTY_TYPE, ctypes.byref(actual),
                            ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after),
                            ctypes.byref(data)) != 0 or not data.value:
        return None
    pid = ctypes.cast(data.value, ctypes.POINTER(ctypes.c_ulong))[0] if count.value else None
    x.XFree(data)
    return pid


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--title", help="exact window title")
    ap.add_argument("--pid", type=int, help="process id (_NET_WM_PID)")
    args = ap.parse_args()
    if args.title is None and args.pid is None:
        ap.error("give --title or --pid")

    x = load_x11()
    dpy = x.XOpenDisplay(None)
    if not dpy:
        print("xclose: cannot open the display", file=sys.stderr)
        return 2
    try:
        atom = lambda n: x.XInternAtom(dpy, n, 0)
        wm_protocols, wm_delete = atom(b"WM_PROTOCOLS"), atom(b"WM_DELETE_WINDOW")
        utf8, net_wm_name, net_wm_pid = atom(b"UTF8_STRING"), atom(b"_NET_WM_NAME"), atom(b"_NET_WM_PID")

        pending = [x.XDefaultRootWindow(dpy)]
        matches = []
        while pending:
            win = pending.pop()
            pending.extend(children(x, dpy, win))
            if args.title is not None and window_title(x, dpy, win, utf8, net_wm_name) != args.title:
                continue
            if args.pid is not None and window_pid(x, dpy, win, net_wm_pid) != args.pid:
                continue
            matches.append(win)
        if not matches:
            print("xclose: no matching window", file=sys.stderr)
            return 1
        for win in matches:
            ev = XEvent()
            ev.xclient.type = CLIENT_MESSAGE
            ev.xclient.window = win
            ev.xclient.message_type = wm_protocols
            ev.xclient.format = 32
            ev.xclient.data[0] = wm_delete
            ev.xclient.data[1] = 0  # CurrentTime
            x.XSendEvent(dpy, win, 0, NO_EVENT_MASK, ctypes.byref(ev))
        x.XFlush(dpy)
        return 0
    finally:
        x.XCloseDisplay(dpy)


if __name__ == "__main__":
    sys.exit(main())
