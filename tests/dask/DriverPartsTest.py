"""The driver's own parts, without a cluster: how it reads a command line, where it cuts a
large file, and how it numbers a range's lines."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "contrib", "dask"))

from regextool_dask import search, tasks, words  # noqa: E402


class CommandLines(unittest.TestCase):
    def test_values_are_told_from_paths_in_every_spelling(self):
        run = words.GrepWords(["-ie", "x", "--glob", "*.c", "-w", "--",
                               "-dash", "b"])
        self.assertEqual(run.pattern, [])
        self.assertEqual(run.paths, ["-dash", "b"])
        self.assertEqual(run.walk, ["--glob", "*.c", "-w"])
        run = words.GrepWords(["-j2", "--max-depth=3", "--color", "never", "pat", "a", "b"])
        self.assertEqual((run.pattern, run.paths), (["pat"], ["a", "b"]))
        self.assertEqual(run.search(), ["-j2", "--max-depth=3", "--color", "never", "--", "pat"])
        self.assertTrue(run.splittable)
        self.assertFalse(words.GrepWords(["-cv", "pat"]).splittable)
        self.assertFalse(words.GrepWords(["-m", "3", "pat"]).splittable)
        self.assertFalse(words.GrepWords(["-z", "pat"]).splittable)

    def test_what_spans_files_or_reads_standard_input_is_refused(self):
        for line in (["-A", "1", "p"], ["-2", "p"], ["-nC1", "p"], ["--files"], ["p", "-"],
                     ["-e"], []):
            with self.assertRaises(words.UsageError, msg=line):
                words.GrepWords(line)
        for line in (["-n", "a", "b", "c"], ["a", "b"], ["--plan", "f", "a", "b", "c"]):
            with self.assertRaises(words.UsageError, msg=line):
                words.ChangeWords(line)

    def test_a_change_keeps_its_words_and_walks_with_the_walks_options(self):
        run = words.ChangeWords(["-i", "--save-ext", "bak", "--glob", "*.txt", "-j", "2", "--",
                                 "-p", "f", "d"])
        self.assertEqual(run.change(), ["-i", "--save-ext", "bak", "--glob", "*.txt", "-j", "2",
                                        "--", "-p", "f"])
        self.assertEqual((run.paths, run.walk), (["d"], ["--glob", "*.txt"]))


class Ranges(unittest.TestCase):
    def cuts(self, content, split):
        with tempfile.NamedTemporaryFile() as file:
            file.write(content)
            file.flush()
            return tasks.line_cuts(file.name, len(content), split)

    def test_cuts_fall_just_after_a_line_feed_and_cover_the_file(self):
        content = b"".join(b"line %d\n" % n for n in range(10000))
        cuts = self.cuts(content, 1000)
        self.assertEqual(cuts[0], 0)
        for cut in cuts[1:]:
            self.assertEqual(content[cut - 1:cut], b"\n")
        self.assertEqual(sorted(set(cuts)), cuts)
        gaps = [b - a for a, b in zip(cuts, cuts[1:] + [len(content)])]
        self.assertTrue(all(gap <= 1000 + 12 for gap in gaps), gaps)
        # A line longer than the split is never cut; a file without a line feed is one range.
        self.assertEqual(self.cuts(b"a\n" + b"x" * 200000 + b"\nb\n", 10), [0, 200003])
        self.assertEqual(self.cuts(b"x" * 300000, 1000), [0])

    def test_a_range_numbers_its_lines_from_the_start_of_the_file(self):
        out = (b'{"file":"a,\\"line\\":1","line":3,"text":"x,\\"line\\":9","matches":[]}\n'
               b'{"file":"a","line":40,"text":"y","matches":[]}\n')
        self.assertEqual(search.shift_lines(out, 100),
                         b'{"file":"a,\\"line\\":1","line":103,"text":"x,\\"line\\":9",'
                         b'"matches":[]}\n{"file":"a","line":140,"text":"y","matches":[]}\n')

    def test_tasks_keep_the_walks_order_and_a_directory_whole_when_asked(self):
        paths = [b"a/1", b"a/2", b"a/3", b"b/1", b"b/2"]
        sizes = [10, 10, 10, 10, 10]
        loose = tasks.make_tasks(paths, sizes, "/", 15)
        self.assertEqual([t.paths for t in loose], [[b"a/1", b"a/2"], [b"a/3", b"b/1"], [b"b/2"]])
        whole = tasks.make_tasks(paths, sizes, "/", 15, whole_directories=True)
        self.assertEqual([t.paths for t in whole], [[b"a/1", b"a/2", b"a/3"], [b"b/1", b"b/2"]])
        # A walk lists a/p.n/ between a/p.md and a/p.txt: their saved copies still meet in
        # one task.
        split = tasks.make_tasks([b"a/p.md", b"a/p.n/x", b"a/p.txt"], [10, 10, 10], "/", 5,
                                 whole_directories=True)
        self.assertEqual([t.paths for t in split], [[b"a/p.md", b"a/p.txt"], [b"a/p.n/x"]])


if __name__ == "__main__":
    unittest.main()
