"""A change over the cluster in two steps: every task plans its files (regextool change
--plan), then, once all are planned, each file is committed by exactly one task (change
--apply), which writes it only while it is as planned. A task run again after its worker died
finds its files already holding the planned content and writes nothing twice."""

import json

from . import tasks as cutting
from . import worker
from .submit import submit
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
    planned = [submit(client, worker.plan_files, tool, cwd, change, task.paths)
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
            owned.append((arguments, mine))

    committed = [submit(client, worker.apply_plan, tool, cwd, plan_text(*part))
                 for part in owned]
    outcomes = []  # [outcome, the plan's arguments, the file's record], in the plan's order
    for (arguments, records), future in zip(owned, committed):
        _, report, problems = future.result()
        future.release()
        err.write(problems)
        lines = report.splitlines()
        if len(lines) != len(records):
            raise RuntimeError("an apply did not tell the outcome of every file")
        outcomes += [[json.loads(line), arguments, record] for line, record in zip(lines, records)]
    settle(tool, cwd, outcomes, err)

    replacements = changed = 0
    for outcome, _, record in outcomes:
        if outcome["outcome"] in ("changed", "already-written"):
            replacements += outcome["replacements"]
            changed += 1
        else:
            # The name as the plan writes it: control bytes escaped, the rest as it is.
            trouble = True
            out.write(b"not changed: " + record.split(b"\t")[1] +
                      f": {outcome['outcome']}: {outcome.get('message', '')}\n".encode())
    noun = "replacement" if replacements == 1 else "replacements"
    files_noun = "file" if changed == 1 else "files"
    out.write(f"{replacements} {noun} written, {changed} {files_noun} changed\n".encode())
    if trouble:
        return 2
    return 0 if replacements else 1


def settle(tool, cwd, outcomes, err):
    """Applies once more, here and after every task is done, the files a task left unchanged.
    A worker killed in the middle of an apply leaves its regextool running while the task runs
    again elsewhere: the two may meet at a file, and the one that finds it replaced under it
    reports a problem although the file holds the planned content. Afterwards the file tells
    what it holds; one that truly changed since the plan stays changed-since-plan."""
    unsettled = [entry for entry in outcomes
                 if entry[0]["outcome"] in ("problem", "changed-since-plan")]
    if not unsettled:
        return
    arguments = unsettled[0][1]  # the same run's words; the files come from the records
    _, report, problems = worker.apply_plan(tool, cwd,
                                            plan_text(arguments, [e[2] for e in unsettled]))
    lines = report.splitlines()
    if len(lines) != len(unsettled):
        err.write(problems)
        return
    for entry, line in zip(unsettled, lines):
        entry[0] = json.loads(line)
