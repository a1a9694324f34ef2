#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A slow folder for the tests: mounts FOLDER at MOUNT (FUSE, read-only), each read of a file
# waiting DELAY_MS first, as a stalled network share or disk would. Runs until unmounted.
# Usage: slow-folder.py FOLDER MOUNT DELAY_MS
import os
import sys
import time

from fusepy import FUSE, Operations


class SlowFolder(Operations):
    def __init__(self, root, delay):
        self.root = root
        self.delay = delay

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
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)


if __name__ == '__main__':
    FUSE(SlowFolder(sys.argv[1], int(sys.argv[3]) / 1000.0), sys.argv[2], foreground=True, nothreads=True, ro=True)
