#!/usr/bin/env python3
"""A FUSE passthrough of ROOT on MOUNTPOINT whose writes reach ROOT at BYTES_PER_SECOND, as a
cheap stick's do: each write returns once the medium would have taken it. An image on it, a loop
device over the image and a file system on that give a medium whose page cache takes writes at
once and whose flushes wait. Runs in the foreground until unmounted.

    slow_medium_fs.py ROOT MOUNTPOINT BYTES_PER_SECOND
"""
import os
import sys
import threading
import time

try:
    from fusepy import FUSE, Operations  # Debian names the module so
except ImportError:
    from fuse import FUSE, Operations


class SlowMedium(Operations):
    def __init__(self, root, rate):
        self.root = root
        self.rate = rate
        self._lock = threading.Lock()
        # When the medium is done with what it was given so far.
        self.free_at = time.monotonic()

    def _path(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def _take(self, size):
        with self._lock:
            now = time.monotonic()
            self.free_at = max(self.free_at, now) + size / self.rate
            done_at = self.free_at
        time.sleep(max(0.0, done_at - time.monotonic()))

    def getattr(self, path, fh=None):
        st = os.lstat(self._path(path))
        keys = ("st_mode", "st_nlink", "st_size", "st_uid", "st_gid", "st_atime", "st_mtime",
                "st_ctime")
        return {key: getattr(st, key) for key in keys}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._path(path))

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        written = os.pwrite(fh, data, offset)
        self._take(written)
        return written

    def truncate(self, path, length, fh=None):
        os.truncate(self._path(path), length)

    def unlink(self, path):
        os.unlink(self._path(path))

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def release(self, path, fh):
        os.close(fh)


if __name__ == "__main__":
    root, mountpoint, rate = sys.argv[1], sys.argv[2], float(sys.argv[3])
    FUSE(SlowMedium(root, rate), mountpoint, foreground=True, allow_other=True)
