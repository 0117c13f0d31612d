"""A search over the cluster, printed as one machine prints it (grep-files --json)."""

from . import tasks as cutting
from . import worker
from .submit import submit
from .walk import walk

LINE_KEY = b',"line":'


def shift_lines(out, base):
    """grep --json lines of a range with their line numbers counted from the file's start. The
    key is found as text: inside a JSON string a quote is always escaped, so `,"line":` can
    only be the key."""
    if base == 0:
        return out
    shifted = []
    for line in out.split(b"\n"):
        at = line.find(LINE_KEY)
        if at >= 0:
            start = end = at + len(LINE_KEY)
            while end < len(line) and line[end:end + 1].isdigit():
                end += 1
            line = line[:start] + str(int(line[start:end]) + base).encode() + line[end:]
        shifted.append(line)
    return b"\n".join(shifted)


class Status:
    """grep's exit status over many runs: 2 once any had trouble, else 0 once any selected."""

    def __init__(self):
        self.trouble = self.selected = False

    def add(self, status):
        self.trouble |= status not in (0, 1)
        self.selected |= status == 0

    def value(self):
        return 2 if self.trouble else 0 if self.selected else 1


def run_search(client, tool, cwd, words, out, err, task_bytes, split_bytes):
    files, sizes, messages, trouble = walk(tool, cwd, words.walk, words.paths)
    err.write(messages)
    status = Status()
    if trouble:
        status.add(2)
    plan = cutting.make_tasks(files, sizes, cwd, task_bytes,
                              split_bytes if words.splittable else None)
    search = words.search()
    futures = []
    for task in plan:
        if isinstance(task, cutting.FilesTask):
            futures.append(submit(client, worker.search_files, tool, cwd, search, task.paths))
        else:
            futures.append(submit(client, worker.search_range, tool, cwd, search, task.path,
                                  task.start, task.end))
    def take(index):
        # Once read, a result is let go: a worker lost later need not compute it again.
        result = futures[index].result()
        futures[index].release()
        return result

    i = 0
    while i < len(plan):
        task = plan[i]
        if isinstance(task, cutting.FilesTask):
            code, text, problems = take(i)
            out.write(text)
            err.write(problems)
            status.add(code)
            i += 1
            continue
        # The ranges of one file, put together; a file with a NUL byte is searched whole.
        end = i + 1
        while end < len(plan) and isinstance(plan[end], cutting.RangeTask) and \
                not plan[end].first:
            end += 1
        ranges = [take(index) for index in range(i, end)]
        if any(result is None for result in ranges):
            code, text, problems = submit(client, worker.search_files, tool, cwd, search,
                                          [task.path]).result()
            out.write(text)
            err.write(problems)
            status.add(code)
        else:
            base = 0
            for code, text, problems, lines in ranges:
                out.write(shift_lines(text, base))
                err.write(problems)
                status.add(code)
                base += lines
        i = end
    return status.value()
