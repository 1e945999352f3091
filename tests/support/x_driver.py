#!/usr/bin/python3
"""Drives the test display as a user, a window manager or a desktop would.

Windows:
  close WID          send WM_DELETE_WINDOW (the close box) to WID until the window is gone,
                     as a user clicks again; prints "closed", or "still open" after 30 s
  close-once WID     send WM_DELETE_WINDOW to WID once and return
  title WID          print WID's title (UTF-8)
  mapped WID         print 1 when WID is viewable, else 0
  find PID           print the id of PID's viewable window titled "Ondrel" (nothing if none)
  grab WID FILE      write the window's pixels to FILE as a binary PPM (P6)
  steal-focus SECS   map a window of our own, give it the input focus, hold it SECS seconds

Keys, through XTEST, by keysym name:
  keys down|up NAME...   press or release each key in order; each name is sent as the one
                         keycode that carries it, with no modifier added on the side
  serve                  read commands like the ones above from standard input, one a line,
                         and answer each with "ok" or "failed" once the server has it; a test
                         that sends hundreds of keys then starts the interpreter only once

Message boxes and fonts:
  boxes                           print how many software-renderer warning boxes are open
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
import time

from Xlib import X, XK, Xatom, display, error, protocol
from Xlib.ext import xtest

PROGRAM_TITLE = 'Ondrel'
WARNING_BOX = '!!OpenGL Software Emulation!!'


def window(d, text):
    return d.create_resource_object('window', int(text, 0))


def window_name(d, w):
    """The window's title, '' when it has none. Raises when the window is gone."""
    for atom, kind in ((d.intern_atom('_NET_WM_NAME'), d.intern_atom('UTF8_STRING')),
                       (Xatom.WM_NAME, X.AnyPropertyType)):
        prop = w.get_full_property(atom, kind)
        if prop is not None and prop.value:
            value = prop.value
            if not isinstance(value, bytes):
                return str(value)
            # WM_NAME in the STRING type is Latin-1.
            return value.decode('utf-8' if kind != X.AnyPropertyType else 'latin-1', 'replace')
    return ''


def name_or_empty(d, w):
    try:
        return window_name(d, w)
    except Exception:
        return ''


def all_windows(d):
    stack = [d.screen().root]
    while stack:
        w = stack.pop()
        yield w
        try:
            stack.extend(w.query_tree().children)
        except Exception:
            pass


def exists(w):
    try:
        w.get_attributes()
        return True
    except error.BadWindow:
        return False


def viewable(w):
    try:
        return w.get_attributes().map_state == X.IsViewable
    except Exception:
        return False


def send_close(d, w):
    event = protocol.event.ClientMessage(
        window=w, client_type=d.intern_atom('WM_PROTOCOLS'),
        data=(32, [d.intern_atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0]))
    w.send_event(event, event_mask=X.NoEventMask)
    d.sync()


def close(d, wid):
    w = window(d, wid)
    end = time.monotonic() + 30
    while time.monotonic() < end:
        if not exists(w):
            print('closed')
            return
        send_close(d, w)
        resend = time.monotonic() + 2
        while time.monotonic() < resend and exists(w):
            time.sleep(0.05)
    print('still open')


def close_once(d, wid):
    send_close(d, window(d, wid))


def title(d, wid):
    print(window_name(d, window(d, wid)))


def mapped(d, wid):
    print(1 if window(d, wid).get_attributes().map_state == X.IsViewable else 0)


def find(d, pid):
    pid_atom = d.intern_atom('_NET_WM_PID')
    for w in all_windows(d):
        try:
            prop = w.get_full_property(pid_atom, Xatom.CARDINAL)
        except Exception:
            continue
        if (prop is not None and prop.value[0] == int(pid) and
                name_or_empty(d, w) == PROGRAM_TITLE and viewable(w)):
            print(hex(w.id))
            return


def grab(d, wid, path):
    w = window(d, wid)
    g = w.get_geometry()
    image = w.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xffffffff)
    data = image.data
    if isinstance(data, str):
        data = data.encode('latin-1')
    # 24-bit visuals come back as 32 bits a pixel, blue first.
    rgb = bytearray(g.width * g.height * 3)
    rgb[0::3] = data[2::4]
    rgb[1::3] = data[1::4]
    rgb[2::3] = data[0::4]
    with open(path, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (g.width, g.height))
        f.write(rgb)


def steal_focus(d, seconds):
    screen = d.screen()
    w = screen.root.create_window(0, 0, 64, 64, 0, screen.root_depth,
                                  event_mask=X.StructureNotifyMask)
    w.map()
    while True:
        if d.next_event().type == X.MapNotify:
            break
    w.set_input_focus(X.RevertToParent, X.CurrentTime)
    d.sync()
    print('focused', flush=True)
    time.sleep(float(seconds))
    w.destroy()


def keys(d, direction, *names):
    if direction not in ('down', 'up') or not names:
        sys.exit(__doc__)
    kind = X.KeyPress if direction == 'down' else X.KeyRelease
    for name in names:
        code = d.keysym_to_keycode(XK.string_to_keysym(name))
        if code == 0:
            sys.exit('no key for ' + name)
        xtest.fake_input(d, kind, code)


def serve(d):
    for line in sys.stdin:
        words = line.split()
        entry = COMMANDS.get(words[0]) if words else None
        ok = entry is not None and entry[0] is not serve
        if ok:
            try:
                entry[0](d, *words[1:])
                d.sync()
            except (SystemExit, TypeError, error.XError):
                ok = False
        print('ok' if ok else 'failed', flush=True)


def boxes(d):
    print(sum(1 for w in all_windows(d) if name_or_empty(d, w) == WARNING_BOX))


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


def watch(d, caption, out_path, log_path):
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


def fonts(d, which):
    if which not in ('built-ins', 'default'):
        sys.exit(__doc__)
    d.set_font_path(['built-ins'] if which == 'built-ins' else [])


# Sub-command: (function, number of arguments; None for any number).
COMMANDS = {
    'close': (close, 1),
    'close-once': (close_once, 1),
    'title': (title, 1),
    'mapped': (mapped, 1),
    'find': (find, 1),
    'grab': (grab, 2),
    'steal-focus': (steal_focus, 1),
    'keys': (keys, None),
    'serve': (serve, 0),
    'boxes': (boxes, 0),
    'watch': (watch, 3),
    'fonts': (fonts, 1),
}


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS:
        sys.exit(__doc__)
    function, count = COMMANDS[sys.argv[1]]
    arguments = sys.argv[2:]
    if count is not None and len(arguments) != count:
        sys.exit(__doc__)
    d = display.Display()
    function(d, *arguments)
    d.sync()


if __name__ == '__main__':
    main()
