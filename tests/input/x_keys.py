#!/usr/bin/python3
"""Presses or releases keys on the X display through XTEST, by keysym name.

  down NAME...   press each key in order
  up NAME...     release each key in order

Each name is sent as the one keycode that carries it, with no modifier added on the side.
"""
import sys

from Xlib import X, XK, display
from Xlib.ext import xtest


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ('down', 'up'):
        sys.exit(__doc__)
    d = display.Display()
    kind = X.KeyPress if sys.argv[1] == 'down' else X.KeyRelease
    for name in sys.argv[2:]:
        code = d.keysym_to_keycode(XK.string_to_keysym(name))
        if code == 0:
            sys.exit('no key for ' + name)
        xtest.fake_input(d, kind, code)
    d.sync()


main()
