"""The command line of a grep or change run, told apart into options, pattern and paths.

Only the driver needs this: the workers get the user's own words back, so regextool itself
reads every option. What the driver must know is which words take a value, which options it
can split a search under, and which it cannot run on a cluster at all.
"""

GREP_VALUE_LONG = {
    "--regexp", "--file", "--syntax", "--option", "--match-option", "--max-depth",
    "--exclude-dir", "--type", "--type-not", "--glob", "--include", "--exclude", "--threads",
    "--max-count", "--after-context", "--before-context", "--context", "--replace", "--label",
}
GREP_VALUE_SHORT = set("efgtTjmABC")
CHANGE_VALUE_LONG = {
    "--syntax", "--option", "--match-option", "--glob", "--include", "--exclude", "--threads",
    "--save-ext", "--backup", "--plan", "--apply",
}
CHANGE_VALUE_SHORT = set("j")
COLOUR_WORDS = {"auto", "always", "never"}


class UsageError(Exception):
    """A command line the driver cannot run."""


class Option:
    """One option as given: its words (name and value as typed) and the names it stands for."""

    def __init__(self, words, names):
        self.words = words
        self.names = names


def _split(words, value_long, value_short):
    """The options (in order) and the positional words."""
    options, positionals = [], []
    i = 0
    while i < len(words):
        word = words[i]
        if word == "--":
            positionals.extend(words[i + 1:])
            break
        if word.startswith("--"):
            name = word.split("=", 1)[0]
            if "=" in word or name not in value_long | {"--color", "--colour"}:
                options.append(Option([word], [name]))
            elif name in ("--color", "--colour"):
                takes = i + 1 < len(words) and words[i + 1] in COLOUR_WORDS
                options.append(Option(words[i:i + 1 + takes], [name]))
                i += takes
            else:
                if i + 1 == len(words):
                    raise UsageError(f"{word} needs a value")
                options.append(Option(words[i:i + 2], [name]))
                i += 1
        elif word.startswith("-") and word != "-":
            names = []
            taken = [word]
            for at, letter in enumerate(word[1:], start=1):
                if letter.isdigit():
                    names.append("-NUM")
                    break
                names.append("-" + letter)
                if letter in value_short:
                    if at == len(word) - 1:
                        if i + 1 == len(words):
                            raise UsageError(f"-{letter} needs a value")
                        taken.append(words[i + 1])
                        i += 1
                    break
            options.append(Option(taken, names))
        else:
            positionals.append(word)
        i += 1
    return options, positionals


def _named(options, *names):
    return [o for o in options if set(o.names) & set(names)]


def _words(options, leaving=()):
    return [w for o in options if not set(o.names) & set(leaving) for w in o.words]


class GrepWords:
    """A grep run: its options, the pattern words, the paths, and whether files may be split."""

    CONTEXT = ("-A", "-B", "-C", "-NUM", "--after-context", "--before-context", "--context")
    # Options whose output or whose lines a range of a file cannot give (-z: lines end at NUL).
    WHOLE_FILES = ("-m", "--max-count", "-c", "--count", "-l", "--files-with-matches", "-L",
                   "--files-without-match", "-q", "--quiet", "-z", "--null-data")
    REFUSED = CONTEXT + ("--files", "--type-list", "--label", "--help")

    def __init__(self, words):
        options, positionals = _split(words, GREP_VALUE_LONG, GREP_VALUE_SHORT)
        refused = _named(options, *self.REFUSED)
        if refused:
            raise UsageError(f"{refused[0].words[0]} is not run on a cluster: its output spans "
                             "files, or it is no search")
        self.options = _words(options)
        given = bool(_named(options, "-e", "--regexp", "-f", "--file"))
        if not given and not positionals:
            raise UsageError("no PATTERN")
        self.pattern = [] if given else positionals[:1]
        self.paths = positionals[len(self.pattern):]
        if "-" in self.paths:
            raise UsageError("standard input is not searched on a cluster")
        self.splittable = not _named(options, *self.WHOLE_FILES)
        # The walk lists files; a pattern file (-f -: standard input) is no part of that.
        self.walk = _words(options, ("-e", "--regexp", "-f", "--file"))

    def search(self):
        """The words before the paths of a search by regextool grep."""
        return self.options + ["--"] + self.pattern


class ChangeWords:
    """A change run: its options, pattern, format and paths, and the walk's options."""

    WALK = ("--glob", "--include", "--exclude", "--hidden", "--no-ignore", "-r", "--recursive")
    REFUSED = ("-n", "--dry-run", "--plan", "--apply", "--json", "--help")

    def __init__(self, words):
        options, positionals = _split(words, CHANGE_VALUE_LONG, CHANGE_VALUE_SHORT)
        refused = _named(options, *self.REFUSED)
        if refused:
            raise UsageError(f"{refused[0].words[0]} is not run on a cluster")
        if len(positionals) < 3:
            raise UsageError("change needs PATTERN FORMAT PATH...")
        self.options = _words(options)
        self.pattern, self.format = positionals[0], positionals[1]
        self.paths = positionals[2:]
        self.walk = [w for o in options if set(o.names) & set(self.WALK) for w in o.words]
        self.save = bool(_named(options, "--save-ext", "--backup"))

    def change(self):
        """The words before the paths of a change by regextool change."""
        return self.options + ["--", self.pattern, self.format]
