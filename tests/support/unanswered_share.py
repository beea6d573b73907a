#!/usr/bin/env python3
"""A file system that, like a share whose server has gone, does not answer: every look-up of a
name starting with "track" is held for HOLD_SECONDS, then answered "no such file". Mounted
through /dev/fuse (root), without any library. The answer is always the same, so nothing ever
opens such a file afterwards and waits again where it cannot be released.

usage: unanswered_share.py MOUNTPOINT      (SIGTERM or SIGINT: unmount and end)"""
import ctypes
import os
import select
import signal
import stat
import struct
import sys
import time

HOLD_SECONDS = 5
ENOENT, ENOSYS = 2, 38
LOOKUP, GETATTR, OPEN, READ, RELEASE, STATFS, FLUSH, INIT, OPENDIR, READDIR, RELEASEDIR, ACCESS = (
    1, 3, 14, 15, 18, 17, 25, 26, 27, 28, 29, 34)
NO_ANSWER = (2, 36, 42)  # FORGET, INTERRUPT, BATCH_FORGET

mountpoint = sys.argv[1]
libc = ctypes.CDLL(None, use_errno=True)
fd = os.open('/dev/fuse', os.O_RDWR)
options = f'fd={fd},rootmode=40000,user_id=0,group_id=0,allow_other'.encode()
if libc.mount(b'unanswered', mountpoint.encode(), b'fuse.unanswered', 6, options) != 0:  # MS_NOSUID|MS_NODEV
    sys.exit('mount failed: errno %d' % ctypes.get_errno())


def stop(*_):
    os.close(fd)
    libc.umount2(mountpoint.encode(), 2)  # MNT_DETACH
    os._exit(0)


signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)


def reply(unique, error=0, data=b''):
    try:
        os.write(fd, struct.pack('<IiQ', 16 + len(data), -error, unique) + data)
    except OSError:
        pass


def attributes(inode, mode, links):
    return struct.pack('<QQQQQQIIIIIIIIII', inode, 0, 0, 0, 0, 0, 0, 0, 0, mode, links, 0, 0, 0, 4096, 0)


held = []  # (deadline, unique)
print('unanswered share mounted on', mountpoint, flush=True)
while True:
    now = time.monotonic()
    while held and held[0][0] <= now:
        reply(held.pop(0)[1], ENOENT)
    ready, _, _ = select.select([fd], [], [], max(0.0, held[0][0] - now) if held else None)
    if not ready:
        continue
    try:
        request = os.read(fd, 1 << 20)
    except OSError as error:
        if error.errno == 19:  # ENODEV: unmounted
            break
        continue
    length, opcode, unique, node = struct.unpack_from('<IIQQ', request)
    body = request[40:length]
    if opcode == INIT:
        reply(unique, 0, struct.pack('<IIIIHHIIHHII', 7, 31, 0, 0, 16, 12, 131072, 1, 32, 0, 0, 0) + b'\0' * 24)
    elif opcode == LOOKUP:
        if body.split(b'\0')[0].lower().startswith(b'track'):
            held.append((time.monotonic() + HOLD_SECONDS, unique))
        else:
            reply(unique, ENOENT)
    elif opcode == GETATTR:
        reply(unique, 0, struct.pack('<QII', 0, 0, 0) + attributes(1, stat.S_IFDIR | 0o755, 2))
    elif opcode in (OPEN, OPENDIR):
        reply(unique, 0, struct.pack('<QII', 0, 0, 0))
    elif opcode == READDIR:
        reply(unique, 0, b'')
    elif opcode == STATFS:
        reply(unique, 0, struct.pack('<QQQQQIIII', 1000, 500, 500, 100, 50, 4096, 255, 4096, 0) + b'\0' * 24)
    elif opcode in (RELEASE, RELEASEDIR, FLUSH, ACCESS):
        reply(unique)
    elif opcode not in NO_ANSWER:
        reply(unique, ENOSYS)
