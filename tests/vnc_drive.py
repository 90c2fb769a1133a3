#!/usr/bin/env python3
"""A busy VNC viewer for a bounded time: RFB 3.3, raw pixels, an incremental frame
request after each update (a full one every tenth) and a press and release of one of the
letters r, s, q, o a few times a second. When the panel restarts (an application upgrade
reboots it) it connects again. Stops by itself after SECONDS and prints
"FRAMES KEYS CONNECTIONS".
  tests/vnc_drive.py PORT SECONDS [START]"""
import random
import select
import socket
import struct
import sys
import time

port, seconds = int(sys.argv[1]), float(sys.argv[2])
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
end = time.monotonic() + seconds
frames = keys = connections = 0


class Gone(Exception):
    pass


def read(s, n):
    b = b""
    while len(b) < n:
        left = end - time.monotonic()
        if left <= 0:
            raise Gone()
        s.settimeout(min(left, 10))
        try:
            chunk = s.recv(n - len(b))
        except OSError:
            raise Gone()
        if not chunk:
            raise Gone()
        b += chunk
    return b


def connect():
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    if not read(s, 12).startswith(b"RFB 003."):
        raise Gone()
    s.sendall(b"RFB 003.003\n")
    if read(s, 4) != b"\0\0\0\1":
        raise Gone()
    s.sendall(b"\1")  # shared
    init = read(s, 24)
    w, h, bpp = struct.unpack(">HHB", init[:5])
    read(s, struct.unpack(">I", init[20:24])[0])
    s.sendall(struct.pack(">BxHi", 2, 1, 0))  # raw only
    return s, w, h, bpp // 8


def request(s, w, h, incremental):
    s.sendall(struct.pack(">BBHHHH", 3, incremental, 0, 0, w, h))


def message(s, bytes_per_pixel):
    """Reads one server message; True for a frame update."""
    kind = read(s, 1)[0]
    if kind == 0:
        (n,) = struct.unpack(">xH", read(s, 3))
        for _ in range(n):
            _, _, rw, rh, enc = struct.unpack(">HHHHi", read(s, 12))
            if enc != 0:
                raise Gone()
            read(s, rw * rh * bytes_per_pixel)
        return True
    if kind == 2:  # bell
        return False
    if kind == 3:  # cut text
        read(s, 3)
        read(s, struct.unpack(">I", read(s, 4))[0])
        return False
    raise Gone()


def drive():
    global frames, keys, connections
    s, w, h, bpp = connect()
    connections += 1
    try:
        request(s, w, h, 0)
        next_key = time.monotonic() + rng.uniform(0.1, 0.5)
        while time.monotonic() < end:
            now = time.monotonic()
            ready, _, _ = select.select([s], [], [], max(0, min(next_key, end) - now))
            if ready:
                if message(s, bpp):
                    frames += 1
                    request(s, w, h, 0 if frames % 10 == 0 else 1)
            if time.monotonic() >= next_key:
                k = ord(rng.choice("rsqo"))
                s.sendall(struct.pack(">BBxxI", 4, 1, k) + struct.pack(">BBxxI", 4, 0, k))
                keys += 1
                next_key = time.monotonic() + rng.uniform(0.1, 0.5)
    finally:
        s.close()


while time.monotonic() < end:
    try:
        drive()
    except (Gone, OSError):
        time.sleep(0.5)  # the panel restarts: again on the same port
print(frames, keys, connections)
