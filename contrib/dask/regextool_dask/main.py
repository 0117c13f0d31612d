"""regextool-dask: regextool's grep and change, run on a Dask cluster."""

import argparse
import os
import shutil
import sys

from . import worker
from .words import ChangeWords, GrepWords, UsageError

USAGE = """regextool-dask [DRIVER OPTIONS] grep [GREP OPTIONS] PATTERN [PATH...]
       regextool-dask [DRIVER OPTIONS] change [CHANGE OPTIONS] PATTERN FORMAT PATH..."""

DESCRIPTION = """grep prints what `regextool grep-files --json` prints on one machine, in the same
order, with grep's exit status. change plans every file on the workers, then commits each
file in exactly one task, written only while it is as planned. The paths must be the same on
every worker (a shared file system), and so must regextool's."""


def default_tool():
    beside = os.path.join(os.path.dirname(os.path.realpath(sys.argv[0])), "regextool")
    if os.access(beside, os.X_OK):
        return beside
    return shutil.which("regextool") or "regextool"


def parse(argv):
    parser = argparse.ArgumentParser(prog="regextool-dask", usage=USAGE, description=DESCRIPTION)
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="the scheduler to use (tcp://host:8786); default: a local cluster")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: the cores)")
    parser.add_argument("--task-bytes", type=int, default=16 << 20,
                        help="bytes of files a task searches or changes (default 16 MiB)")
    parser.add_argument("--split-bytes", type=int, default=64 << 20,
                        help="a file larger than this is searched in ranges of about this "
                             "size (default 64 MiB)")
    parser.add_argument("--regextool", default=default_tool(), metavar="PATH",
                        help="the regextool the workers run (default: the one beside this)")
    parser.add_argument("command", choices=["grep", "change"])
    parser.add_argument("words", nargs=argparse.REMAINDER)
    return parser.parse_args(argv)


def connect(arguments):
    from distributed import Client, LocalCluster  # only once the command line is good
    if arguments.scheduler:
        return Client(arguments.scheduler), None
    cluster = LocalCluster(n_workers=arguments.workers, threads_per_worker=1, processes=True,
                           dashboard_address=None)
    return Client(cluster), cluster


def main(argv=None):
    arguments = parse(sys.argv[1:] if argv is None else argv)
    try:
        words = arguments.words
        run = GrepWords(words) if arguments.command == "grep" else ChangeWords(words)
    except UsageError as error:
        print(f"regextool-dask: {arguments.command}: {error}", file=sys.stderr)
        return 2
    import cloudpickle
    cloudpickle.register_pickle_by_value(worker)  # workers need no copy of this package
    client, cluster = connect(arguments)
    out, err = sys.stdout.buffer, sys.stderr.buffer
    try:
        cwd = os.getcwd()
        tool = arguments.regextool
        if os.sep in tool:
            tool = os.path.abspath(tool)
        if arguments.command == "grep":
            from .search import run_search
            return run_search(client, tool, cwd, run, out, err, arguments.task_bytes,
                              arguments.split_bytes)
        from .change import run_change
        return run_change(client, tool, cwd, run, out, err, arguments.task_bytes)
    except Exception as error:  # a task that failed for good (its retries spent), a lost scheduler
        out.flush()
        print(f"regextool-dask: {arguments.command}: the run stopped: {error!r}", file=sys.stderr)
        return 2
    finally:
        out.flush()
        client.close()
        if cluster is not None:
            cluster.close()
