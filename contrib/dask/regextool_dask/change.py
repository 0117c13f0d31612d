"""A change over the cluster in two steps: every task plans its files (regextool change
--plan), then, once all are planned, each file is committed by exactly one task (change
--apply), which writes it only while it is as planned. A task run again after its worker died
finds its files already holding the planned content and writes nothing twice."""

import json

from . import tasks as cutting
from . import worker
from .walk import walk

HEADING = b"regextool change plan 1"


def read_plan(text):
    """The argument lines and the file records (path, (device, inode), line) of a kept plan."""
    lines = text.split(b"\n")
    if lines[0] != HEADING:
        raise ValueError("no change plan")
    arguments, files = [], []
    for line in lines[1:]:
        if line.startswith(b"argument\t"):
            arguments.append(line)
        elif line.startswith(b"file\t"):
            fields = line.split(b"\t")
            files.append((fields[1], (fields[2], fields[3]), line))
    return arguments, files


def plan_text(arguments, records):
    return b"\n".join([HEADING] + arguments + records) + b"\n"


def run_change(client, tool, cwd, words, out, err, task_bytes):
    files, sizes, messages, trouble = walk(tool, cwd, words.walk, words.paths)
    err.write(messages)
    # The files of one directory stay in one task, so each plan sees every saved copy that
    # could collide with another (they collide only within a directory).
    plan = cutting.make_tasks(files, sizes, cwd, task_bytes, whole_directories=True)
    change = words.change()
    planned = [client.submit(worker.plan_files, tool, cwd, change, task.paths, pure=False)
               for task in plan]
    kept, refused = [], False
    for future in planned:
        text, code, report, problems = future.result()
        future.release()  # a worker lost later need not plan again
        err.write(problems)
        # The summary line is the driver's to print; the problem table is passed on.
        out.write(b"".join(report.splitlines(keepends=True)[1:]))
        trouble |= code == 2
        refused |= text is None
        kept.append(text)
    if refused:
        out.write(b"nothing was changed: a task's plan was refused (see above)\n")
        return 2

    # Each file once, by identity, in the walk's order: the first task to plan it owns it.
    owners, owned = {}, []
    for text in kept:
        arguments, records = read_plan(text)
        mine = []
        for path, identity, line in records:
            if identity in owners:
                err.write(b"regextool-dask: " + path + b": skipped: the same file as " +
                          owners[identity] + b"\n")
                continue
            owners[identity] = path
            mine.append(line)
        if mine:
            owned.append(plan_text(arguments, mine))

    committed = [client.submit(worker.apply_plan, tool, cwd, text, pure=False)
                 for text in owned]
    replacements = changed = 0
    for future in committed:
        code, report, problems = future.result()
        future.release()
        err.write(problems)
        trouble |= code == 2
        for line in report.splitlines():
            outcome = json.loads(line)
            if outcome["outcome"] in ("changed", "already-written"):
                replacements += outcome["replacements"]
                changed += 1
            else:
                out.write(f"not changed: {outcome['file']}: {outcome['outcome']}: "
                          f"{outcome.get('message', '')}\n".encode())
    noun = "replacement" if replacements == 1 else "replacements"
    files_noun = "file" if changed == 1 else "files"
    out.write(f"{replacements} {noun} written, {changed} {files_noun} changed\n".encode())
    if trouble:
        return 2
    return 0 if replacements else 1
