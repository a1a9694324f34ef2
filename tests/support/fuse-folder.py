#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A troublesome folder for the tests: mounts FOLDER at MOUNT (FUSE, read-only). Each read of a
# file waits DELAY_MS first, as a stalled network share or disk would; with FAIL_AFTER, reading
# at or past that byte fails with EIO, as a pulled-out stick does. Runs until unmounted.
# Usage: fuse-folder.py FOLDER MOUNT DELAY_MS [FAIL_AFTER]
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class TroublesomeFolder(Operations):
    def __init__(self, root, delay, fail_after):
        self.root = root
        self.delay = delay
        self.fail_after = fail_after

    def _path(self, path):
        return os.path.join(self.root, path.lstrip('/'))

    def getattr(self, path, fh=None):
        st = os.lstat(self._path(path))
        return {key: getattr(st, key) for key in ('st_atime', 'st_ctime', 'st_gid', 'st_mode', 'st_mtime',
                                                   'st_nlink', 'st_size', 'st_uid')}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._path(path))

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def read(self, path, size, offset, fh):
        time.sleep(self.delay)
        if self.fail_after is not None:
            if offset >= self.fail_after:
                raise FuseOSError(errno.EIO)
            size = min(size, self.fail_after - offset)  # the bytes before the bad place still read
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)


if __name__ == '__main__':
    fail_after = int(sys.argv[4]) if len(sys.argv) > 4 else None
    # A failing folder takes direct_io: every read reaches this program, none is answered
    # from the kernel's cache or cut short by its read-ahead.
    FUSE(TroublesomeFolder(sys.argv[1], int(sys.argv[3]) / 1000.0, fail_after), sys.argv[2], foreground=True,
         nothreads=True, ro=True, direct_io=fail_after is not None)
