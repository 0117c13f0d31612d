"""The one walk of a run: regextool lists the files (grep-files --files -Z), the driver sizes
them."""

import os

from . import worker


def walk(tool, cwd, options, paths):
    """The files in the walk's order (bytes, as regextool names them), their sizes, the walk's
    messages and whether it met trouble (a missing path, an unreadable directory)."""
    status, out, err = worker.run_tool(tool, ["grep-files", "--files", "-Z"] + options + ["--"]
                                       + paths, cwd)
    files = [name for name in out.split(b"\0") if name]
    sizes = []
    for name in files:
        try:
            sizes.append(os.stat(os.path.join(os.fsencode(cwd), name)).st_size)
        except OSError:
            sizes.append(0)  # gone since: its task says so
    return files, sizes, err, status == 2
