#!/usr/bin/env python3
"""Asks an X11 window to close, as a window manager's close button does: sends
it WM_DELETE_WINDOW. The screenshot walk runs under Xvfb without a window
manager and needs the tool to exit on its own, not to be killed.

    python3 scripts/close-window.py WINDOW_ID      (with DISPLAY set)
"""
import ctypes
import sys

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


class ClientMessageEvent(ctypes.Structure):
    # XClientMessageEvent, padded to the size of an XEvent (24 longs).
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
        ("pad", ctypes.c_long * 12),
    ]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: close-window.py WINDOW_ID")
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("close-window: cannot open the display")
    window = int(sys.argv[1], 0)
    event = ClientMessageEvent(type=CLIENT_MESSAGE, display=display, window=window,
                               message_type=x11.XInternAtom(display, b"WM_PROTOCOLS", 0),
                               format=32)
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    sent = x11.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    if not sent:
        sys.exit("close-window: the event could not be sent")


if __name__ == "__main__":
    main()
