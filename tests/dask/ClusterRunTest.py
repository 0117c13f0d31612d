"""regextool-dask on a local cluster of two worker processes: a search and a change give what
one machine gives, also when a worker is killed in the middle, and a change writes each file
once (old or new, never changed twice)."""

import os
import shutil
import tempfile
import unittest

import ClusterSupport as support

CLUSTER = CLIENT = None


def setUpModule():
    global CLUSTER, CLIENT
    CLUSTER, CLIENT = support.start_cluster()


def tearDownModule():
    CLIENT.close()
    CLUSTER.close()


def snapshot(root):
    """Every file under `root` with its content."""
    files = {}
    for directory, _, names in os.walk(root):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as file:
                files[os.path.relpath(path, root)] = file.read()
    return files


class ClusterRun(unittest.TestCase):
    def setUp(self):
        self.room = tempfile.mkdtemp(prefix="regextool-dask-test-")
        self.tree = os.path.join(self.room, "tree")
        support.sample_tree(os.fsencode(self.tree))

    def tearDown(self):
        shutil.rmtree(self.room)

    def copy_tree(self):
        """A copy of the tree for one machine's run, its two links to one file kept."""
        copy = os.path.join(self.room, "copy")
        shutil.copytree(self.tree, copy, symlinks=True)
        os.unlink(os.path.join(copy, "src/linked.txt"))
        os.link(os.path.join(copy, "logs/f00.txt"), os.path.join(copy, "src/linked.txt"))
        return copy

    def driver(self, tool, command, words, cwd=None):
        return support.run([support.PYTHON, support.DRIVER, "--scheduler",
                            CLUSTER.scheduler_address, "--regextool", tool, "--task-bytes",
                            "2000", "--split-bytes", "40000", command] + words,
                           cwd or self.room)

    def test_a_search_prints_what_one_machine_prints_in_its_order(self):
        for words in (["cat|ERROR", "tree"], ["-v", "-i", "-w", "CAT", "tree/logs", "tree"],
                      ["-c", "cat", "tree", "missing"], ["-e", "line 5", "-e", "^0+7", "tree"],
                      ["no such text", "tree"]):
            status, out, err = self.driver(support.REGEXTOOL, "grep", words)
            one = support.run([support.REGEXTOOL, "grep-files", "--json"] + words, self.room)
            self.assertEqual((status, out), one[:2], words)
            self.assertEqual(err, one[2], words)

    def test_a_search_survives_a_worker_killed_under_it(self):
        killer = support.WorkerKiller("search")
        try:
            status, out, err = self.driver(killer.tool, "grep", ["cat", "tree"])
            self.assertTrue(killer.happened(), "a worker was killed mid-search")
        finally:
            killer.close()
        one = support.run([support.REGEXTOOL, "grep-files", "--json", "cat", "tree"], self.room)
        self.assertEqual((status, out), one[:2])
        self.assertGreater(len(out.splitlines()), 1000)

    def check_change_against_one_machine(self, phase, killer=support.WorkerKiller):
        """The change run on the cluster with a worker (or a regextool) killed in `phase`, and
        the same change on a copy by one regextool: the trees end the same. The replacement
        holds its match, so a file changed twice would differ."""
        copy = self.copy_tree()
        before = snapshot(self.tree)
        words = ["--save-ext", "bak", "cat", "[$&$&]"]
        killer = killer(phase)
        try:
            status, out, err = self.driver(killer.tool, "change", words + ["tree"])
            self.assertTrue(killer.happened(), f"killed mid-{phase}")
        finally:
            killer.close()
        one = support.run([support.REGEXTOOL, "change"] + words + ["copy"], self.room)
        self.assertEqual(status, one[0], err)
        self.assertEqual(out.splitlines()[-1], one[1].splitlines()[0])
        self.assertIn(b"tree/src/linked.txt: skipped: the same file as tree/logs/f00.txt", err)
        after, expected = snapshot(self.tree), snapshot(copy)
        self.assertEqual(sorted(after), sorted(expected))
        for name, content in after.items():
            self.assertEqual(content, expected[name], name)
            if not name.endswith(".bak"):
                self.assertIn(content, (before[name], expected[name]))
        self.assertIn(b"[catcat]", after["logs/f00.txt"])
        self.assertNotIn(b"[[catcat]", after["logs/f00.txt"])

    def test_a_file_changed_between_plan_and_commit_is_left_as_it_was_changed(self):
        # Once the first plan is made, another program appends to the last file it planned.
        # Plans run side by side, so the first one claims the meddling by creating the
        # marker exclusively (noclobber); a test-then-write would let two plans meddle.
        self.copy_tree()
        one = support.run([support.REGEXTOOL, "change", "cat", "[$&$&]", "copy"], self.room)
        files = int(one[1].split(b", ")[1].split()[0]) - 1  # less the one meddled with
        once = os.path.join(self.room, "meddled")
        stand_in = support.StandIn("plan", f"""  if ( set -C; : > "{once}" ) 2>/dev/null; then
    for last; do :; done
    printf '%s' "$last" > "{once}"
    printf 'cat by another program\\n' >> "$last"
  fi""")
        try:
            status, out, err = self.driver(stand_in.tool, "change", ["cat", "[$&$&]", "tree"])
        finally:
            stand_in.close()
        with open(once, "rb") as file:
            meddled = file.read()
        self.assertEqual(status, 2, err)
        shown = b"".join(b"\\\\" if byte == 0x5c else b"\\x%02x" % byte if byte < 0x20 or
                         byte == 0x7f else bytes([byte]) for byte in meddled)
        self.assertIn(b"not changed: " + shown + b": changed-since-plan", out)
        with open(os.path.join(self.room, os.fsdecode(meddled)), "rb") as file:
            content = file.read()
        self.assertTrue(content.endswith(b"cat by another program\n"))
        self.assertNotIn(b"[catcat]", content)
        self.assertEqual(out.splitlines()[-1].split(b", ")[1], b"%d files changed" % files)

    def test_a_change_survives_a_worker_killed_while_committing(self):
        self.check_change_against_one_machine("apply")

    def test_a_change_survives_a_worker_killed_while_planning(self):
        self.check_change_against_one_machine("plan")

    def test_a_change_survives_its_regextool_killed_while_committing(self):
        self.check_change_against_one_machine("apply", support.RegextoolKiller)


if __name__ == "__main__":
    unittest.main()
