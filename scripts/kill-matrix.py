#!/usr/bin/env python3
"""Which test case catches which fault: the kill matrix behind slimming the suite.

Plants the mutants scripts/mutate.py selects (same seed, same selection), one at
a time, and runs every test program that links the mutated code in full (no
fail-fast), so that each mutant lists every test case that fails on it. The
report counts, per test case, the mutants it alone catches and all it catches,
and picks a small set of cases that together catch everything caught (the fuzz
targets' replays and the script checks first, then greedily). A case outside
that set catches nothing the others miss in this sample: a candidate to go, if
it guards nothing the sample does not reach (a fault named in an issue, a
message, a protocol detail).

  scripts/kill-matrix.py run OUT.json [--seed 2] [--per-dir 20] [--dirs host,driver]
  scripts/kill-matrix.py report OUT.json [MORE.json ...]
  scripts/kill-matrix.py curve OUT.json [MORE.json ...]

`curve` prints, for growing test shares, the most that a suite of that size
catches of the mutants the runs' suite caught; with `--check MORE.json` also
what that suite, chosen on the first runs, catches of independent ones.

`run` works on a scratch clone of HEAD (never on the working tree) and takes
about 3-20 s per mutant on the 2-core build machine; it writes OUT.json after
each mutant and resumes from it. Not part of CI.
"""
import argparse
import collections
import glob
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def load_harness():
    sys.path.insert(0, os.path.join(ROOT, "scripts"))
    sys.dont_write_bytecode = True  # no cache beside the scripts in the checkout
    import mutate
    return mutate


def failing_cases(mu, project, program, timeout):
    """Every failing case of one program; a crash is named by the case that
    was running, and the program runs again without it."""
    if program in mu.SCRIPT_TESTS:
        status, _, _ = project.run_test(program)
        return [] if status == "passed" else [program]
    failing, skip = [], []
    with tempfile.TemporaryDirectory() as tmp:
        report = os.path.join(tmp, "out.json")
        for _ in range(4):
            if os.path.exists(report):
                os.remove(report)
            cmd = [os.path.join(project.bin, program), "--gtest_color=no", "--gtest_output=json:" + report]
            if skip:
                cmd.append("--gtest_filter=-" + ":".join(skip))
            rc, _, out = mu.run_cmd(cmd, project.root, timeout)
            running = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
            if rc is not None and os.path.exists(report):
                for suite in json.load(open(report)).get("testsuites", []):
                    failing += [program + ":" + suite["name"] + "." + t["name"]
                                for t in suite.get("testsuite", []) if t.get("failures")]
                return failing
            name = running[-1] if running else "?"
            failing.append(program + ":" + name)
            if rc is None or name == "?" or name in skip:
                return failing  # a hang: the rest of the program is not waited for
            skip.append(name)
    return failing


def run(args):
    mu = load_harness()
    scratch = tempfile.mkdtemp(prefix="qv-matrix.")
    repo = os.path.join(scratch, "repo")
    subprocess.run(["git", "clone", "-q", ROOT, repo], check=True)
    ns = argparse.Namespace(repo=repo, build_dir=None, sanitize=True, jobs=2, timeout=args.timeout,
                            build_timeout=600, cxx_flags="-O1")
    project = mu.Project(ns)
    _, _, chosen = mu.choose(repo, None, mu.DEFAULT_EXCLUDES, None, 0, args.per_dir, args.seed)
    if args.dirs:
        chosen = [m for m in chosen if m["file"].split("/")[0] in args.dirs.split(",")]
    results = json.load(open(args.out)) if os.path.exists(args.out) else []
    done = {r["id"] for r in results}
    project.configure(ns)
    mu.baseline(project, sorted({t for m in chosen for t in mu.tests_for(m, True)}))

    def stop(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    for i, m in enumerate(chosen, 1):
        if m["id"] in done:
            continue
        record = {k: m[k] for k in ("id", "file", "line", "desc", "original", "mutated")}
        tests = mu.tests_for(m, True)
        try:
            with mu.planted(project, m) as ok:
                if not ok:
                    record["status"] = "error"
                elif project.build_for(tests)[0] != 0:
                    record["status"] = "stillborn"
                else:
                    record["killers"] = [k for t in tests for k in failing_cases(mu, project, t, args.timeout)]
                    record["status"] = "killed" if record["killers"] else "survived"
        except KeyboardInterrupt:
            sys.exit("interrupted; %s keeps the mutants done" % args.out)
        results.append(record)
        json.dump(results, open(args.out, "w"), indent=1)
        print("[%d/%d] #%d %-9s %s:%d  %d case(s)" % (i, len(chosen), m["id"], record["status"], m["file"], m["line"],
                                                       len(record.get("killers", []))), flush=True)
    shutil.rmtree(scratch)


def case_name(killer, suites):
    """program:Suite.Name (a crash or hang named the same) -> file:Suite.Name;
    the fuzz replays by target, parameter instances by their test."""
    program, _, case = killer.partition(":")
    case = re.sub(r"\((crash|timeout)\)$", "", case)
    if not case:
        return program
    if "FuzzReplay" in case:
        return "fuzz/" + case.split("/")[-1]
    parts = case.split("/")
    case = parts[1] if len(parts) > 1 else case
    return suites.get(case.split(".")[0], program) + ":" + case


def load_runs(files):
    """(mutant -> the cases that catch it, for the caught ones; how many were
    caught or survived)."""
    suites = {}
    for path in glob.glob(os.path.join(ROOT, "tests", "**", "*.cpp"), recursive=True):
        for m in re.finditer(r"TEST(?:_P|_F)?\((\w+),", open(path, errors="replace").read()):
            suites.setdefault(m.group(1), os.path.relpath(path, ROOT))
    killed, judged = {}, 0
    for f in files:
        for m in json.load(open(f)):
            judged += m["status"] in ("killed", "survived")
            if m["status"] == "killed":
                killed[(f, m["id"])] = {case_name(k, suites) for k in m["killers"]}
    return killed, judged


def report(args):
    killed, _ = load_runs(args.files)
    cases = sorted({c for s in killed.values() for c in s})
    alone = collections.Counter(next(iter(s)) for s in killed.values() if len(s) == 1)
    total = collections.Counter(c for s in killed.values() for c in s)
    keep = [c for c in cases if c.startswith("fuzz/") or ":" not in c]
    covered = {k for k, s in killed.items() if s & set(keep)}
    while len(covered) < len(killed):
        best = max((c for c in cases if c not in keep),
                   key=lambda c: sum(1 for k, s in killed.items() if k not in covered and c in s))
        keep.append(best)
        covered |= {k for k, s in killed.items() if best in s}
    print("%d mutants caught; per case: caught alone / caught\n" % len(killed))
    print("together catching all of them:")
    for c in keep:
        print("  %3d %3d  %s" % (alone[c], total[c], c))
    print("\ncatching nothing the others miss:")
    for c in cases:
        if c not in keep:
            print("  %3d %3d  %s" % (alone[c], total[c], c))


def counted(text):
    """Lines as the test share counts them: not blank, not only a comment."""
    return sum(1 for line in text.splitlines() if not re.match(r"^\s*(//.*)?$", line))


def curve(args):
    """The most a suite of each size can catch of what the runs' suite caught:
    the fuzz targets, the scripts, the Wine-only tests and the support code stay;
    test cases are bought one at a time by new catches per line (a file's
    includes and helpers are paid with its first case)."""
    killed, judged = load_runs(args.files)
    checked, checkJudged = load_runs(args.check or [])
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    sources = [f for f in files if re.search(r"\.(cpp|h|c)$", f)]
    read = lambda f: open(os.path.join(ROOT, f), errors="replace").read()
    tests = sum(counted(read(f)) for f in sources if f.startswith(("tests/", "fuzz/")))
    code = sum(counted(read(f)) for f in sources if not f.startswith(("tests/", "fuzz/", "bench/")))
    catchers = {c.split(":")[0] for s in killed.values() for c in s if c.startswith("tests/")}
    cost, head = {}, {}
    for f in sorted(catchers):
        case = None
        for line in read(f).splitlines():
            m = re.match(r"\s*TEST(?:_P|_F)?\((\w+),\s*(\w+)", line)
            if m:
                case = "%s:%s.%s" % (f, m.group(1), m.group(2))
            if counted(line):
                if case:
                    cost[case] = cost.get(case, 0) + 1
                else:
                    head[f] = head.get(f, 0) + 1
    lines = tests - sum(cost.values()) - sum(head.values())
    bought = {c for s in killed.values() for c in s if not c.startswith("tests/")}
    opened = set()
    caught = lambda have: sum(1 for s in killed.values() if s & have)
    print("caught of the %d judged mutants (the runs' suite: %d), by test share" % (judged, len(killed)))
    if checked:
        print("and of the %d judged in the --check runs (their suite: %d)" % (checkJudged, len(checked)))
    while True:
        now = caught(bought)
        held = sum(1 for s in checked.values() if s & bought)
        print("  %.3f  %3d  %.2f" % (lines / code, now, now / judged) +
              ("  |  %3d  %.2f" % (held, held / checkJudged) if checked else ""))
        price = lambda c: cost[c] + (0 if c.split(":")[0] in opened else head.get(c.split(":")[0], 0))
        gains = [(caught(bought | {c}) - now, c) for c in cost if c not in bought]
        gains = [(g / price(c), c) for g, c in gains if g > 0]
        if not gains:
            print("the whole suite:\n  %.3f  %3d  %.2f" % (tests / code, len(killed), len(killed) / judged) +
                  ("  |  %3d  %.2f" % (len(checked), len(checked) / checkJudged) if checked else ""))
            break
        c = max(gains)[1]
        print("    + %s (%d lines)" % (c, price(c)))
        lines += price(c)
        bought.add(c)
        opened.add(c.split(":")[0])


def main():
    ap = argparse.ArgumentParser(prog="kill-matrix.py", description=__doc__.split("\n")[0])
    sub = ap.add_subparsers(dest="command", required=True)
    r = sub.add_parser("run", help="plant mutants and record every failing case")
    r.add_argument("out")
    r.add_argument("--seed", default="2", help="selection seed (default 2: apart from the acceptance sample)")
    r.add_argument("--per-dir", type=int, default=20)
    r.add_argument("--dirs", help="comma-separated source directories to keep (default: all)")
    r.add_argument("--timeout", type=int, default=25, help="seconds per test program run")
    p = sub.add_parser("report", help="cases that catch what others miss, from one or more runs")
    p.add_argument("files", nargs="+")
    c = sub.add_parser("curve", help="the most a suite of each test share catches, from one or more runs")
    c.add_argument("files", nargs="+")
    c.add_argument("--check", nargs="+", help="independent runs: what the suite chosen on FILES catches of theirs")
    args = ap.parse_args()
    {"run": run, "report": report, "curve": curve}[args.command](args)


if __name__ == "__main__":
    main()
