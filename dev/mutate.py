#!/usr/bin/env python3
"""Mutation testing of this tree: the maintained harness (mutate.py of the
team's shared tools; QV_MUTATE names another) told about this tree's folders
and test programs, run on a scratch clone of HEAD unless --repo names one.

  python3 dev/mutate.py --per-dir 25 --seed 1 --recheck-wide --out /tmp/qv-mut
  python3 dev/mutate.py --files 'convert/*.cpp' --per-file 5 --list

Every other option is the harness's own (--help). Not part of CI.
"""
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)
harness = os.environ.get("QV_MUTATE", os.path.join(os.path.dirname(root), "shared", "tools", "mutate.py"))
spec = importlib.util.spec_from_file_location("harness", harness)
m = importlib.util.module_from_spec(spec)
spec.loader.exec_module(m)

# What the harness does not know of this tree: context/ (the argument list,
# tested with the switches) and the filter's process-level checks.
m.DIRS[:] = ["convert", "host", "context", "driver", "dialog", "filter", "platform"]
m.DIR_TESTS["context"] = ["qv_test_driver"]
m.WIDE_TESTS["context"] = ["qv_test_driver", "qv_test_dialog", "qv_test_filter", "quorvel_without_host"]
m.DIR_TESTS["filter"] = ["qv_test_filter", "filter_program"]
m.WIDE_TESTS["filter"] = ["qv_test_filter", "filter_program"]
m.WIDE_TESTS["platform"] = m.WIDE_TESTS["platform"] + ["qv_test_convert", "filter_program"]
m.SCRIPT_TESTS["filter_program"] = (["quorvel-filter"], ["bash", "tests/filter/program.sh", "{bin}/quorvel-filter"])

scratch = None
if "--repo" not in sys.argv:
    scratch = tempfile.mkdtemp(prefix="qv-mut.")
    subprocess.run(["git", "clone", "-q", root, os.path.join(scratch, "repo")], check=True)
    sys.argv[1:1] = ["--repo", os.path.join(scratch, "repo")]
try:
    status = m.main()
finally:
    if scratch is not None:
        shutil.rmtree(scratch, ignore_errors=True)
sys.exit(status)
