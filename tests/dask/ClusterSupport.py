"""What the cluster tests share: a local Dask cluster of two worker processes, the programs
under test, a sample tree, and a regextool stand-in that lets a test kill a worker while one
of its tasks is under way."""

import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

REGEXTOOL = os.environ["REGEXTOOL"]
DRIVER = os.environ["REGEXTOOL_DASK"]
PYTHON = os.environ.get("DASK_PYTHON", "/usr/bin/python3")


def start_cluster():
    from distributed import Client, LocalCluster
    cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                           dashboard_address=None)
    return cluster, Client(cluster)


def run(words, cwd, data=None):
    done = subprocess.run(words, cwd=cwd, input=data, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False,
                          stdin=subprocess.DEVNULL if data is None else None)
    return done.returncode, done.stdout, done.stderr


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(content)


def sample_tree(root):
    """Small files in three directories, a file split into ranges, one whose NUL byte lies
    past its first block (binary from that line on), odd names, and a file with two links in
    two directories."""
    for d, directory in enumerate([b"logs", b"src/deep", b"src"]):
        for i in range(14):
            lines = b"".join(b"line %d of %d: %s\n" % (n, i, b"cat" if (n + i + d) % 3 == 0
                                                        else b"dog") for n in range(6))
            write(os.path.join(root, directory, b"f%02d.txt" % i), lines)
    write(os.path.join(root, b"big.log"),
          b"".join(b"%06d %s\n" % (n, b"cat level=ERROR" if n % 7 == 0 else b"ok") for n in
                   range(12000)))
    write(os.path.join(root, b"late-nul.log"),
          b"cat at the start\n" + b"filler line\n" * 4000 + b"cat\0here\n" + b"cat after\n" * 10)
    write(os.path.join(root, b"odd \xff name\n.txt"), b"a cat \xfe\n")
    os.link(os.path.join(root, b"logs/f00.txt"), os.path.join(root, b"src/linked.txt"))


class StandIn:
    """A regextool stand-in for the workers. In the phase the test names (search, plan or
    apply) the shell commands `before` run first; then regextool runs to its end, then the
    commands `after`."""

    def __init__(self, phase, after="", before=""):
        self.room = tempfile.mkdtemp(prefix="regextool-dask-stand-in-")
        self.tool = os.path.join(self.room, "regextool")
        with open(self.tool, "w") as script:
            script.write(f"""#!/bin/sh
case "$1 $2" in
  "change --apply") phase=apply ;;
  "change --plan") phase=plan ;;
  "grep "*) phase=search ;;
  *) phase=other ;;
esac
if [ "$phase" = "{phase}" ]; then
  :
{before}
fi
"{REGEXTOOL}" "$@"
status=$?
if [ "$phase" = "{phase}" ]; then
  :
{after}
fi
exit $status
""")
        os.chmod(self.tool, 0o755)

    def close(self):
        shutil.rmtree(self.room)


class RegextoolKiller(StandIn):
    """A stand-in that, the first time in its phase, kills regextool a moment after it started
    (wherever it is then) and ends by the same signal, as a regextool killed by the system
    would: the task fails and is run again."""

    def __init__(self, phase):
        super().__init__(phase, before=f"""  if mkdir "$0.killed" 2>/dev/null; then
    "{REGEXTOOL}" "$@" &
    sleep 0.05
    kill -9 $!
    kill -9 $$
  fi""")
        self.killed = os.path.join(self.room, "regextool.killed")

    def happened(self):
        return os.path.isdir(self.killed)


class WorkerKiller(StandIn):
    """A stand-in that, in its phase, notes its worker's process and waits a second, while the
    killer kills the first worker so noted. The task's result is lost with its worker, and the
    scheduler runs the task again elsewhere."""

    def __init__(self, phase):
        marks = tempfile.mkdtemp(prefix="regextool-dask-marks-")
        super().__init__(phase, after=f'  echo $PPID > "{marks}/$$"\n  sleep 1')
        self.marks = marks
        self.killed = None
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def watch(self):
        while not self.stop.is_set():
            for name in os.listdir(self.marks):
                with open(os.path.join(self.marks, name)) as mark:
                    pid = mark.read().strip()
                if pid:
                    os.kill(int(pid), signal.SIGKILL)
                    self.killed = int(pid)
                    return
            time.sleep(0.02)

    def happened(self):
        return self.killed is not None

    def close(self):
        self.stop.set()
        self.thread.join()
        shutil.rmtree(self.marks)
        super().close()
