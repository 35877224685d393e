#!/usr/bin/python3
"""Makes the X server's root window claim, or stop claiming, a window manager that handles
_NET_ACTIVE_WINDOW, without any window manager running: a program then asks for the focus
through that message, and nobody gives it. "set" also takes the focus from every window. libX11 through ctypes, so that nothing beyond
Python is needed.

    netwm_claim.py set|remove      (on $DISPLAY)
"""
import ctypes
import ctypes.util
import sys

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
x11.XDeleteProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                             ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_int]

XA_ATOM = 4
PROP_MODE_REPLACE = 0

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("netwm_claim: no display")
root = x11.XDefaultRootWindow(display)
supported = x11.XInternAtom(display, b"_NET_SUPPORTED", 0)
if sys.argv[1:] == ["set"]:
    atoms = (ctypes.c_long * 1)(x11.XInternAtom(display, b"_NET_ACTIVE_WINDOW", 0))
    x11.XChangeProperty(display, root, supported, XA_ATOM, 32, PROP_MODE_REPLACE, atoms, 1)
    # No window has the focus, and none gets it by the pointer: the pointer goes to the
    # top left corner, and the focus to None (not the root, which follows the pointer).
    x11.XWarpPointer(display, 0, root, 0, 0, 0, 0, 0, 0)
    x11.XSetInputFocus(display, 0, 0, 0)
elif sys.argv[1:] == ["remove"]:
    x11.XDeleteProperty(display, root, supported)
else:
    sys.exit("usage: netwm_claim.py set|remove")
x11.XCloseDisplay(display)
