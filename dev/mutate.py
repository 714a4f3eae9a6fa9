#!/usr/bin/env python3
"""Mutation testing of this tree: the maintained harness (mutate.py of the
team's shared tools; QV_MUTATE names another) told about this tree's folders
and test programs, run on a scratch clone of HEAD unless --repo names one.

  python3 dev/mutate.py --per-dir 25 --seed 1 --recheck-wide --out /tmp/qv-mut
  python3 dev/mutate.py --files 'convert/*.cpp' --per-file 5 --list

Every other option is the harness's own (--help). Not part of CI.
"""
import contextlib
import os
import runpy
import shutil
import subprocess
import sys
import tempfile
import types

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def harness():
    """The shared harness, told this tree's folders and test programs."""
    path = os.environ.get("QV_MUTATE", os.path.join(os.path.dirname(root), "shared", "tools", "mutate.py"))
    m = types.SimpleNamespace(**runpy.run_path(path, run_name="harness"))
    # What the harness does not know of this tree: context/ (the argument list,
    # tested with the switches) and the filter's process-level checks.
    m.DIRS[:] = ["convert", "host", "context", "driver", "dialog", "filter", "platform"]
    m.DIR_TESTS["context"] = ["qv_test_driver"]
    m.WIDE_TESTS["context"] = ["qv_test_driver", "qv_test_dialog", "qv_test_filter", "quorvel_without_host"]
    m.DIR_TESTS["filter"] = ["qv_test_filter", "filter_program"]
    m.WIDE_TESTS["filter"] = ["qv_test_filter", "filter_program"]
    m.WIDE_TESTS["platform"] = m.WIDE_TESTS["platform"] + ["qv_test_convert", "filter_program"]
    m.SCRIPT_TESTS["filter_program"] = (["quorvel-filter"], ["bash", "tests/filter/program.sh", "{bin}/quorvel-filter"])
    return m


@contextlib.contextmanager
def scratch_clone():
    """A clone of HEAD to mutate, never the working tree."""
    scratch = tempfile.mkdtemp(prefix="qv-mut.")
    try:
        subprocess.run(["git", "clone", "-q", root, os.path.join(scratch, "repo")], check=True)
        yield os.path.join(scratch, "repo")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    m = harness()
    if "--repo" in sys.argv:
        sys.exit(m.main())
    with scratch_clone() as repo:
        sys.argv[1:1] = ["--repo", repo]
        status = m.main()
    sys.exit(status)
