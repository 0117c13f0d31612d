"""What runs on a worker: regextool on the task's files, in the driver's working directory.

Only the standard library is used here, so the functions travel to the workers by value and
a worker needs regextool and Dask, not this package.
"""

import os
import subprocess
import tempfile


class ToolKilled(Exception):
    """regextool ended by a signal (killed, out of memory): the task fails and is run again;
    every step of regextool's leaves each file old or new, so that is safe."""


def run_tool(tool, words, cwd, data=None):
    """regextool's exit status, output and errors for `words` (standard input: `data`)."""
    done = subprocess.run([tool] + words, cwd=cwd, input=data,
                          stdin=subprocess.DEVNULL if data is None else None,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if done.returncode < 0:
        raise ToolKilled(f"regextool {words[0]} ended by signal {-done.returncode}")
    return done.returncode, done.stdout, done.stderr


def search_files(tool, cwd, words, paths):
    """grep --json over whole files."""
    return run_tool(tool, ["grep", "--json"] + words + paths, cwd)


def search_range(tool, cwd, words, path, start, end):
    """grep --json over the bytes [start, end) of `path`, shown under the file's name, with the
    number of lines in the range; None when the range holds a NUL byte (the file may then be
    binary from that line on, which only a search of the whole file can tell)."""
    with open(os.path.join(os.fsencode(cwd), path), "rb") as file:
        file.seek(start)
        data = file.read(end - start)
    if b"\0" in data:
        return None
    status, out, err = run_tool(tool, ["grep", "--json", "--label", path] + words + ["-"], cwd,
                                data)
    return status, out, err, data.count(b"\n")


def plan_files(tool, cwd, words, paths):
    """change --plan over the task's files: the kept plan's text (None when the plan was not
    kept: refused) with the run's exit status, output and errors."""
    with tempfile.TemporaryDirectory(prefix="regextool-plan-") as room:
        kept = os.path.join(room, "plan")
        status, out, err = run_tool(tool, ["change", "--plan", kept] + words + paths, cwd)
        text = None
        if os.path.exists(kept):
            with open(kept, "rb") as file:
                text = file.read()
    return text, status, out, err


def apply_plan(tool, cwd, text):
    """change --apply --json of a kept plan: each planned file's outcome, one JSON line each."""
    with tempfile.TemporaryDirectory(prefix="regextool-apply-") as room:
        kept = os.path.join(room, "plan")
        with open(kept, "wb") as file:
            file.write(text)
        return run_tool(tool, ["change", "--apply", kept, "--json"], cwd)
