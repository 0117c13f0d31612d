"""The walked files cut into tasks of about equal size, in the order the walk listed them.

A task is a run of whole files, or one byte range of a file larger than the split size; a
range starts and ends at a line boundary, so the lines of the ranges are the lines of the file.
"""

import os

SCAN = 64 * 1024


class FilesTask:
    def __init__(self, paths):
        self.paths = paths


class RangeTask:
    def __init__(self, path, start, end, first):
        self.path, self.start, self.end = path, start, end
        self.first = first  # the file's first range: the ranges of one file follow it


def line_cuts(path, size, split):
    """Offsets just after a line feed, about `split` bytes apart, that cut the file in ranges."""
    cuts = [0]
    with open(path, "rb") as file:
        at = split
        while at < size:
            file.seek(at - 1)
            cut = None
            while cut is None:
                block = file.read(SCAN)
                if not block:
                    break
                found = block.find(b"\n")
                if found >= 0:
                    cut = file.tell() - len(block) + found + 1
            if cut is None or cut >= size:
                break
            cuts.append(cut)
            at = cut + split
    return cuts


def by_directory(paths, sizes):
    """The paths with their sizes, each directory's files together (a walk may list a
    directory's files on both sides of a sub-directory's), directories in the walk's order."""
    buckets = {}
    for path, size in zip(paths, sizes):
        buckets.setdefault(os.path.dirname(path), []).append((path, size))
    return [entry for bucket in buckets.values() for entry in bucket]


def make_tasks(paths, sizes, cwd, task_bytes, split_bytes=None, max_files=1000,
               whole_directories=False):
    """Tasks over `paths` (bytes, as walked), in the walk's order; with `whole_directories` the
    files of one directory are always in one task, whatever its size."""
    entries = by_directory(paths, sizes) if whole_directories else list(zip(paths, sizes))
    tasks, group, held = [], [], 0

    def close():
        nonlocal group, held
        if group:
            tasks.append(FilesTask(group))
        group, held = [], 0

    for path, size in entries:
        if split_bytes and size > split_bytes:
            close()
            cuts = line_cuts(os.path.join(os.fsencode(cwd), path), size, split_bytes)
            ends = cuts[1:] + [size]
            for index, (start, end) in enumerate(zip(cuts, ends)):
                tasks.append(RangeTask(path, start, end, index == 0))
            continue
        full = held >= task_bytes or len(group) >= max_files
        if group and full and not (whole_directories and
                                   os.path.dirname(group[-1]) == os.path.dirname(path)):
            close()
        group.append(path)
        held += size
    close()
    return tasks
