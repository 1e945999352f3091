#!/usr/bin/python3
"""Drives the test display as a user or window manager would.

  close WID          send WM_DELETE_WINDOW (the close box) to WID until the window is gone,
                     as a user clicks again; prints "closed", or "still open" after 30 s
  title WID          print WID's title (UTF-8)
  mapped WID         print 1 when WID is viewable, else 0
  steal-focus SECS   map a window of our own, give it the input focus, hold it SECS seconds
"""
import sys
import time

from Xlib import X, Xatom, display, error, protocol


def window(d, text):
    return d.create_resource_object('window', int(text, 0))


def exists(d, w):
    try:
        w.get_attributes()
        return True
    except error.BadWindow:
        return False


def close(d, wid):
    w = window(d, wid)
    protocols = d.intern_atom('WM_PROTOCOLS')
    delete = d.intern_atom('WM_DELETE_WINDOW')
    event = protocol.event.ClientMessage(window=w, client_type=protocols,
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    end = time.monotonic() + 30
    while time.monotonic() < end:
        if not exists(d, w):
            print('closed')
            return
        w.send_event(event, event_mask=X.NoEventMask)
        d.sync()
        resend = time.monotonic() + 2
        while time.monotonic() < resend and exists(d, w):
            time.sleep(0.05)
    print('still open')


def title(d, wid):
    w = window(d, wid)
    utf8 = d.intern_atom('UTF8_STRING')
    prop = w.get_full_property(d.intern_atom('_NET_WM_NAME'), utf8)
    if prop is not None:
        value = prop.value
        print(value.decode('utf-8') if isinstance(value, bytes) else value)
        return
    prop = w.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
    value = prop.value if prop is not None else b''
    print(value.decode('latin-1') if isinstance(value, bytes) else value)


def mapped(d, wid):
    print(1 if window(d, wid).get_attributes().map_state == X.IsViewable else 0)


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
    d.sync()


def main():
    d = display.Display()
    command, argument = sys.argv[1], sys.argv[2]
    {'close': close, 'title': title, 'mapped': mapped, 'steal-focus': steal_focus}[command](
        d, argument)
    d.flush()


if __name__ == '__main__':
    main()
