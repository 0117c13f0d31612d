"""regextool merge and grep as the stream filters of a Dask bag: each partition's lines piped
through regextool on a worker give, put together, what one run over the whole text gives."""

import subprocess
import unittest

import ClusterSupport as support

CLUSTER = CLIENT = None


def setUpModule():
    global CLUSTER, CLIENT
    CLUSTER, CLIENT = support.start_cluster()


def tearDownModule():
    CLIENT.close()
    CLUSTER.close()


def through(tool, words):
    """A partition function: the partition's lines through `tool words` (grep's status 1, no
    line selected, is no failure)."""
    def run(lines):
        done = subprocess.run([tool] + words, input=b"".join(lines), stdout=subprocess.PIPE,
                              check=False)
        if done.returncode not in (0, 1):
            raise RuntimeError(f"regextool exited with {done.returncode}")
        return [done.stdout]
    return run


class StreamFilters(unittest.TestCase):
    TEXT = b"".join(b"id=%d level=%s %s\n" % (n, b"ERROR" if n % 5 == 0 else b"info",
                                              b"caf\xc3\xa9 \xff" if n % 11 == 0 else b"")
                    for n in range(3000))

    def check(self, words):
        import dask.bag
        bag = dask.bag.from_sequence(self.TEXT.splitlines(keepends=True), npartitions=7)
        self.assertEqual(bag.npartitions, 7)
        spread = b"".join(bag.map_partitions(through(support.REGEXTOOL, words)).compute())
        local = support.run([support.REGEXTOOL] + words, None, self.TEXT)
        self.assertEqual(spread, local[1], words)
        return spread

    def test_merge_on_the_cluster_equals_a_local_merge(self):
        merged = self.check(["merge", "level=([A-Z]+)", "severity=$1"])
        self.assertIn(b"id=5 severity=ERROR", merged)
        self.check(["merge", "--first", "-i", "[aeiou]", "<$&>"])

    def test_grep_on_the_cluster_equals_a_local_grep(self):
        found = self.check(["grep", "level=ERROR"])
        self.assertEqual(len(found.splitlines()), 600)
        self.check(["grep", "-v", "-o", "caf."])
        self.check(["grep", "-F", "-w", "-i", "LEVEL=INFO"])


if __name__ == "__main__":
    unittest.main()
