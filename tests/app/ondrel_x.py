#!/usr/bin/python3
"""Looks at Ondrel's window through the X server, as a user's desktop would.

  find PID             print the id of PID's viewable window titled "Ondrel" (nothing if none)
  boxes                print how many software-renderer warning boxes are open
  grab WID FILE        write the window's pixels to FILE as a binary PPM (P6)
  close WID            ask the window to close (WM_DELETE_WINDOW, as the close box does)
"""
import sys

from Xlib import X, Xatom, display, protocol

TITLE = 'Ondrel'
WARNING_BOX = '!!OpenGL Software Emulation!!'


def windows(d):
    stack = [d.screen().root]
    while stack:
        w = stack.pop()
        yield w
        try:
            stack.extend(w.query_tree().children)
        except Exception:
            pass


def name(d, w):
    try:
        prop = w.get_full_property(d.intern_atom('_NET_WM_NAME'), d.intern_atom('UTF8_STRING'))
        if prop is None:
            prop = w.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
    except Exception:
        return ''
    if prop is None:
        return ''
    value = prop.value
    return value.decode('utf-8', 'replace') if isinstance(value, bytes) else str(value)


def viewable(w):
    try:
        return w.get_attributes().map_state == X.IsViewable
    except Exception:
        return False


def find(d, pid):
    pid_atom = d.intern_atom('_NET_WM_PID')
    for w in windows(d):
        try:
            prop = w.get_full_property(pid_atom, Xatom.CARDINAL)
        except Exception:
            continue
        if prop is not None and prop.value[0] == int(pid) and name(d, w) == TITLE and viewable(w):
            print(hex(w.id))
            return


def boxes(d):
    print(sum(1 for w in windows(d) if name(d, w) == WARNING_BOX))


def grab(d, wid, path):
    w = d.create_resource_object('window', int(wid, 0))
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


def close(d, wid):
    w = d.create_resource_object('window', int(wid, 0))
    event = protocol.event.ClientMessage(
        window=w, client_type=d.intern_atom('WM_PROTOCOLS'),
        data=(32, [d.intern_atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0]))
    w.send_event(event, event_mask=X.NoEventMask)


def main():
    d = display.Display()
    command, arguments = sys.argv[1], sys.argv[2:]
    {'find': find, 'boxes': boxes, 'grab': grab, 'close': close}[command](d, *arguments)
    d.sync()


if __name__ == '__main__':
    main()
