"""The usage convention of the project's Python scripts: bad usage (an unknown
option, a missing value, a wrong number of arguments) ends with exit status 64,
as in every program and shell script, so that a caller can tell it from a
failed run."""
import argparse
import sys

EXIT_USAGE = 64


class UsageParser(argparse.ArgumentParser):
    """argparse.ArgumentParser whose usage errors exit with EXIT_USAGE, not 2."""

    def error(self, message):
        self.print_usage(sys.stderr)
        self.exit(EXIT_USAGE, "%s: %s\n" % (self.prog, message))
