#!/usr/bin/env python3
"""A loopback HTTP server that misbehaves on request, for the HTTP fetch suite.

The request path picks the reply (see REPLIES). Prints "port N" once it listens,
"closed N" for a port nobody listens on and "full N" for one that never accepts. Every connection is served on a thread of its own,
and the whole server ends after --life seconds, so nothing it does can outlive a test run.
"""
import argparse
import socket
import struct
import threading
import time

HEADER = b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nServer: raw\r\n\r\n"
TEN = b"0123456789"
PART = b"first part of a body that never ends"
BYTEWISE_BODY = bytes(range(256)) * 2


def read_request(conn):
    """The request up to its empty line (at most 64 KiB, within 10 s)."""
    conn.settimeout(10)
    data = b""
    while b"\r\n\r\n" not in data and len(data) < 65536:
        chunk = conn.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


def wait_for_close(conn, seconds):
    """Keeps the connection open, silent, until the client closes it or time runs out."""
    conn.settimeout(0.2)
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if not conn.recv(4096):
                return
        except socket.timeout:
            continue
        except OSError:
            return


def reply_ten(conn, request):
    conn.sendall(HEADER)
    time.sleep(0.05)  # the body arrives in a read of its own
    conn.sendall(TEN)


def reply_same_read(conn, request):
    conn.sendall(HEADER + TEN)


def reply_bare_lf(conn, request):
    conn.sendall(b"HTTP/1.0 200 OK\nContent-Type: text/plain\n\nbody\r\n\r\nafter a blank line")


def reply_bytewise(conn, request):
    for b in HEADER + BYTEWISE_BODY:
        conn.sendall(bytes([b]))
        time.sleep(0.001)


def reply_stall(conn, request):
    conn.sendall(HEADER + PART)
    wait_for_close(conn, 90)


def reply_reset(conn, request):
    conn.sendall(HEADER + PART)
    time.sleep(0.1)
    # Linger 0: the close sends a reset instead of the normal end.
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def reply_close_mid(conn, request):
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + PART)


def reply_no_blank_line(conn, request):
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n")


def reply_echo(conn, request):
    conn.sendall(HEADER + request)


def reply_silent(conn, request):
    """Closes without a byte."""


REPLIES = {
    "/ten": reply_ten,
    "/same-read": reply_same_read,
    "/bare-lf": reply_bare_lf,
    "/bytewise": reply_bytewise,
    "/stall": reply_stall,
    "/reset": reply_reset,
    "/close-mid": reply_close_mid,
    "/no-blank-line": reply_no_blank_line,
    "/echo": reply_echo,
    "/silent": reply_silent,
}


def serve(conn):
    with conn:
        try:
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            request = read_request(conn)
            parts = request.split(b" ")
            path = parts[1].decode("latin-1") if len(parts) > 1 else ""
            REPLIES.get(path.split("?")[0], reply_echo)(conn, request)
        except OSError:
            pass


def closed_port():
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--life", type=float, default=300)
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    listener.settimeout(0.5)
    print("port", listener.getsockname()[1], flush=True)
    print("closed", closed_port(), flush=True)
    # Never accepts: once its queue is full, further connects hang unanswered.
    full = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    full.bind(("127.0.0.1", 0))
    full.listen(0)
    print("full", full.getsockname()[1], flush=True)
    end = time.monotonic() + args.life
    while time.monotonic() < end:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
