#!/usr/bin/python3
"""Watches the X display for message boxes, and sets the server's font path.

  watch CAPTION OUTFILE LOGFILE   report the first window named CAPTION to OUTFILE
  fonts built-ins | default       the server's core fonts: only its built-in one, or the usual

watch writes "ready PID" once it listens, then "mapped ID class=CLASS log=SIZE live=LIVE" when
a top-level window named CAPTION is mapped, then "gone" when that window is unmapped or
destroyed; it ends there, or on SIGTERM. SIZE is the size of LOGFILE when the map was read (-1
when it did not exist); LIVE is 1 when the window was still there after that, 0 when the
watcher fell behind and the box was gone already.
"""
import os
import signal
import sys

from Xlib import X, Xatom, display, error


def window_name(d, w):
    utf8 = d.intern_atom('UTF8_STRING')
    for atom, kind in ((d.intern_atom('_NET_WM_NAME'), utf8), (Xatom.WM_NAME, X.AnyPropertyType)):
        prop = w.get_full_property(atom, kind)
        if prop is not None and prop.value:
            value = prop.value
            return value.decode('utf-8', 'replace') if isinstance(value, bytes) else str(value)
    return None


def log_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return -1


class Windows:
    """Name and class of each top-level window, kept from its property changes: when the watcher
    falls behind, a box may be gone by the time its map event is read."""

    def __init__(self, d):
        self.d = d
        self.known = {}

    def refresh(self, w):
        """Name, class, and whether the window was still there."""
        entry = self.known.setdefault(w.id, [None, ''])
        try:
            entry[0] = window_name(self.d, w) or entry[0]
            cls = w.get_wm_class()
            entry[1] = cls[1] if cls else entry[1]
        except error.XError:
            return entry[0], entry[1], False  # gone: what was read before stands
        return entry[0], entry[1], True


def watch(caption, out_path, log_path):
    d = display.Display()
    d.set_error_handler(lambda *_: None)  # windows may go while they are looked at
    root = d.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()
    out = open(out_path, 'w', buffering=1)
    out.write('ready %d\n' % os.getpid())
    windows = Windows(d)
    box = None
    while True:
        e = d.next_event()
        if e.type == X.CreateNotify and e.parent == root:
            e.window.change_attributes(event_mask=X.PropertyChangeMask)
            windows.refresh(e.window)
        elif e.type == X.PropertyNotify and e.window.id in windows.known:
            windows.refresh(e.window)
        elif e.type == X.MapNotify and e.event == root and box is None:
            size = log_size(log_path)
            name, cls, live = windows.refresh(e.window)
            if name == caption:
                box = e.window.id
                out.write('mapped 0x%x class=%s log=%d live=%d\n' % (box, cls, size, live))
        elif e.type in (X.UnmapNotify, X.DestroyNotify) and box == e.window.id:
            out.write('gone\n')
            return


def set_fonts(which):
    d = display.Display()
    d.set_font_path(['built-ins'] if which == 'built-ins' else [])
    d.sync()


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if len(sys.argv) == 5 and sys.argv[1] == 'watch':
        watch(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) == 3 and sys.argv[1] == 'fonts' and sys.argv[2] in ('built-ins', 'default'):
        set_fonts(sys.argv[2])
    else:
        sys.exit(__doc__)


main()
