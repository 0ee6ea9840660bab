#!/usr/bin/env python3
"""A disk that gives back other bytes than were written: watches a test disk's folder tree and, once the first
backup piece (*.lzh) has been written and closed, changes one byte in the middle of it, as failing media
would. Ends after that one change. Started in the background by floppy.sh for a disk inserted as "new-bad".

    bad_disk.py DISK_FOLDER
"""
import ctypes
import os
import struct
import sys

IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE, IN_ISDIR = 0x8, 0x80, 0x100, 0x40000000

libc = ctypes.CDLL("libc.so.6", use_errno=True)
fd = libc.inotify_init()
folders = {}


def watch(path):
    wd = libc.inotify_add_watch(fd, path.encode(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE)
    if wd >= 0:
        folders[wd] = path


def spoil(path):
    size = os.path.getsize(path)
    if size == 0:
        return False
    with open(path, "r+b") as f:
        f.seek(size // 2)
        byte = f.read(1)
        f.seek(size // 2)
        f.write(bytes([byte[0] ^ 0x5A]))
    return True


watch(sys.argv[1])
while True:
    data = os.read(fd, 65536)
    at = 0
    while at < len(data):
        wd, mask, _, length = struct.unpack_from("iIII", data, at)
        name = data[at + 16:at + 16 + length].rstrip(b"\0").decode(errors="replace")
        at += 16 + length
        path = os.path.join(folders.get(wd, ""), name)
        if mask & IN_ISDIR and mask & IN_CREATE:
            watch(path)
        elif mask & (IN_CLOSE_WRITE | IN_MOVED_TO) and name.lower().endswith(".lzh") and spoil(path):
            sys.exit(0)
