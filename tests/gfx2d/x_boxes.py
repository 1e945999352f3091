#!/usr/bin/python3
"""Watches the X display for message boxes, and sets the server's font path.

  watch CAPTION OUTFILE LOGFILE   report the first window named CAPTION to OUTFILE
  fonts built-ins | default       the server's core fonts: only its built-in one, or the usual

watch writes "ready PID" once it listens, then "mapped ID class=CLASS log=SIZE" when a
top-level window named CAPTION is mapped (SIZE: bytes in LOGFILE at that moment, -1 when it
does not exist), then "gone" when that window is unmapped or destroyed. It ends there, or on
SIGTERM. Names are read when the window maps, or from its property changes before that, so a
box dismissed at once is still seen.
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


def window_class(w):
    cls = w.get_wm_class()
    return cls[1] if cls else ''


def log_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return -1


def watch(caption, out_path, log_path):
    d = display.Display()
    d.set_error_handler(lambda *_: None)  # windows may go while they are looked at
    root = d.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()
    out = open(out_path, 'w', buffering=1)
    out.write('ready %d\n' % os.getpid())
    names = {}
    box = None
    while True:
        e = d.next_event()
        try:
            if e.type == X.CreateNotify and e.parent == root:
                e.window.change_attributes(event_mask=X.PropertyChangeMask)
                names[e.window.id] = window_name(d, e.window)
            elif e.type == X.PropertyNotify and e.window.id in names:
                names[e.window.id] = window_name(d, e.window) or names[e.window.id]
            elif e.type == X.MapNotify and e.event == root and box is None:
                size = log_size(log_path)
                name = window_name(d, e.window) or names.get(e.window.id)
                if name == caption:
                    box = e.window.id
                    out.write('mapped 0x%x class=%s log=%d\n' % (box, window_class(e.window), size))
            elif e.type in (X.UnmapNotify, X.DestroyNotify) and box == e.window.id:
                out.write('gone\n')
                return
        except error.XError:
            pass  # the window went away while it was looked at


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
