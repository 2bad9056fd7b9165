#!/usr/bin/env python3
"""A FUSE passthrough of ROOT on MOUNTPOINT without hard links, unnamed files or rename flags,
as many FUSE bridges to phones, shares and cloud drives are. Runs in the background until
unmounted.

    no_link_fs.py ROOT MOUNTPOINT [MARK]

With MARK it is a bad disk: writes pass unchanged, but a read whose data holds MARK comes back
with its first byte altered, and the kernel keeps no page cache for it (direct_io), so every
read reaches it.
"""
import errno
import os
import sys

try:
    from fusepy import FUSE, FuseOSError, Operations  # Debian names the module so
except ImportError:
    from fuse import FUSE, FuseOSError, Operations


class NoLinks(Operations):
    def __init__(self, root, mark=None):
        self.root = root
        self.mark = mark

    def _path(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def getattr(self, path, fh=None):
        st = os.lstat(self._path(path))
        keys = ("st_mode", "st_nlink", "st_size", "st_uid", "st_gid", "st_atime", "st_mtime",
                "st_ctime")
        return {key: getattr(st, key) for key in keys}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._path(path))

    def statfs(self, path):
        st = os.statvfs(self._path(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
                "f_flag", "f_frsize", "f_namemax")
        return {key: getattr(st, key) for key in keys}

    def access(self, path, mode):
        if not os.access(self._path(path), mode):
            raise FuseOSError(errno.EACCES)

    def mkdir(self, path, mode):
        os.mkdir(self._path(path), mode)

    def rmdir(self, path):
        os.rmdir(self._path(path))

    def unlink(self, path):
        os.unlink(self._path(path))

    def rename(self, old, new):
        os.rename(self._path(old), self._path(new))

    def link(self, target, source):
        raise FuseOSError(errno.EPERM)

    def chmod(self, path, mode):
        os.chmod(self._path(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._path(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._path(path), times)

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_RDWR | os.O_CREAT | os.O_EXCL, mode)

    def read(self, path, size, offset, fh):
        data = os.pread(fh, size, offset)
        if self.mark and self.mark in data:
            data = bytes([data[0] ^ 1]) + data[1:]
        return data

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(self._path(path), length)

    def flush(self, path, fh):
        return 0

    def release(self, path, fh):
        os.close(fh)

    def fsync(self, path, datasync, fh):
        os.fsync(fh)


if __name__ == "__main__":
    mark = sys.argv[3].encode() if len(sys.argv) > 3 else None
    options = {"direct_io": True} if mark else {}
    FUSE(NoLinks(sys.argv[1], mark), sys.argv[2], foreground=False, nothreads=True, **options)
