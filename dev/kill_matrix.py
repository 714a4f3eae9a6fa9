#!/usr/bin/env python3
"""Which test case catches which planted fault, and what a smaller suite would keep.

  python3 dev/kill_matrix.py run OUT.json [--seed 1] [--per-dir 25]
  python3 dev/kill_matrix.py curve OUT.json [--check OTHER.json]

`run` plants the mutants dev/mutate.py selects (same seed, same selection) on
a scratch clone, one at a time, and runs every test program that links the
mutated code in full, so that each mutant lists every case that fails on it;
it writes OUT.json after each mutant and resumes from it. `curve` prints, for
growing test shares, the most a suite of that size catches of the judged
mutants: the fuzz targets, the scripts and the support code stay, test cases
are bought one at a time by new catches per line; with --check, what that
suite (chosen on OUT.json) catches of an independent run. Not part of CI.
"""
import argparse
import fnmatch
import json
import os
import random
import re
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutate  # noqa: E402  (dev/mutate.py)

ROOT = mutate.root


def chosen_mutants(h, repo, seed, per_dir):
    files = []
    for d in h.DIRS:
        for fn in sorted(os.listdir(os.path.join(repo, d))):
            p = d + "/" + fn
            if fn.endswith(".cpp") and not any(fnmatch.fnmatch(p, g) for g in h.DEFAULT_EXCLUDES):
                files.append(p)
    candidates = []
    for p in sorted(files):
        candidates += h.scan_file(repo, p, random.Random("%s:scan:%s" % (seed, p)))
    return h.select(candidates, 0, per_dir, seed)


def failing_cases(h, project, program):
    """Every failing case of one program; a crash or hang is named by the case
    that was running, and the program runs again without it."""
    if program in h.SCRIPT_TESTS:
        return [] if project.run_test(program)[0] == "passed" else [program]
    failing, skip = [], list(project.excluded.get(program, []))
    with tempfile.TemporaryDirectory() as tmp:
        report = os.path.join(tmp, "out.json")
        for _ in range(4):
            if os.path.exists(report):
                os.remove(report)
            cmd = [os.path.join(project.bin, program), "--gtest_color=no", "--gtest_output=json:" + report]
            if skip:
                cmd.append("--gtest_filter=-" + ":".join(skip))
            rc, _, out = h.run_cmd(cmd, project.root, project.timeout)
            if rc is not None and os.path.exists(report):
                for suite in json.load(open(report)).get("testsuites", []):
                    failing += [program + ":" + suite["name"] + "." + t["name"]
                                for t in suite.get("testsuite", []) if t.get("failures")]
                # A failure after the last case (a leak found at exit) is the program's.
                return failing or ([program] if rc != 0 else [])
            running = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
            name = running[-1] if running else "?"
            failing.append(program + ":" + name)
            if rc is None or name == "?" or name in skip:
                return failing
            skip.append(name)
    return failing


def run(args):
    h = mutate.harness()
    with mutate.scratch_clone() as repo:
        ns = argparse.Namespace(repo=repo, build_dir=None, sanitize=True, jobs=2, timeout=args.timeout,
                                build_timeout=600, cxx_flags="-O1")
        project = h.Project(ns)
        chosen = chosen_mutants(h, repo, args.seed, args.per_dir)
        results = json.load(open(args.out)) if os.path.exists(args.out) else []
        done = {r["id"] for r in results}
        project.configure(ns)
        h.baseline(project, sorted({t for m in chosen for t in h.tests_for(m, True)}))
        for i, m in enumerate(chosen, 1):
            if m["id"] in done:
                continue
            record = {k: m[k] for k in ("id", "file", "line", "desc")}
            path = os.path.join(repo, m["file"])
            original = open(path, "rb").read()
            lines = original.split(b"\n")
            lines[m["line"] - 1] = m["mutated"].encode("latin-1")
            tests = h.tests_for(m, True)
            try:
                open(path, "wb").write(b"\n".join(lines))
                if project.build_for(tests)[0] != 0:
                    record["status"] = "stillborn"
                else:
                    record["killers"] = [k for t in tests for k in failing_cases(h, project, t)]
                    record["status"] = "killed" if record["killers"] else "survived"
            finally:
                open(path, "wb").write(original)
            results.append(record)
            json.dump(results, open(args.out, "w"), indent=1)
            print("[%d/%d] #%d %-9s %s:%d  %d case(s)" % (i, len(chosen), m["id"], record["status"], m["file"],
                                                           m["line"], len(record.get("killers", []))), flush=True)


def counted(text):
    """Lines as the test share counts them: not blank, not only a comment."""
    return sum(1 for line in text.splitlines() if not re.match(r"^\s*(//.*)?$", line))


def load(path, suites):
    """mutant -> the cases (file:Suite.Name, or a program) that catch it; and how many were judged."""
    killed, judged = {}, 0
    for m in json.load(open(path)):
        judged += m["status"] in ("killed", "survived")
        if m["status"] == "killed":
            names = set()
            for k in m["killers"]:
                program, _, case = k.partition(":")
                case = case.split("/")[1] if "/" in case else case  # a parameterised case by its test
                names.add(suites.get(case.split(".")[0], program) + ":" + case if case else program)
            killed[m["id"]] = names
    return killed, judged


def curve(args):
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    sources = [f for f in files if re.search(r"\.(cpp|h|c)$", f)]
    text = {f: open(os.path.join(ROOT, f), errors="replace").read() for f in sources}
    suites = {}
    for f in sources:
        if f.startswith("tests/"):
            for s in re.finditer(r"TEST(?:_P|_F)?\((\w+),", text[f]):
                suites.setdefault(s.group(1), f)
    killed, judged = load(args.out, suites)
    checked, checkJudged = load(args.check, suites) if args.check else ({}, 0)
    tests = sum(counted(text[f]) for f in sources if f.startswith(("tests/", "fuzz/")))
    code = sum(counted(text[f]) for f in sources if not f.startswith(("tests/", "fuzz/", "bench/")))
    # A case's lines, and a file's lines outside its cases, paid with its first
    # case; the fuzz targets' replays stay with the targets.
    catchers = {c.split(":")[0] for s in list(killed.values()) + list(checked.values()) for c in s}
    cost, head = {}, {}
    for f in sorted(catchers - {"tests/hardening/fuzz_replay_test.cpp"}):
        if not f.startswith("tests/"):
            continue
        case = None
        for line in text[f].splitlines():
            t = re.match(r"\s*TEST(?:_P|_F)?\((\w+),\s*(\w+)", line)
            case = "%s:%s.%s" % (f, t.group(1), t.group(2)) if t else case
            if counted(line):
                if case:
                    cost[case] = cost.get(case, 0) + 1
                else:
                    head[f] = head.get(f, 0) + 1
    lines = tests - sum(cost.values()) - sum(head.values())
    bought = {c for s in list(killed.values()) + list(checked.values()) for c in s if c not in cost}
    opened = set()
    caught = lambda runs, have: sum(1 for s in runs.values() if s & have)
    print("test share, caught of the %d judged mutants%s" % (judged, " | of the %d of --check" % checkJudged
                                                                 if args.check else ""))
    while True:
        now = caught(killed, bought)
        print("  %.3f  %3d  %.2f" % (lines / code, now, now / judged) +
              ("  |  %3d  %.2f" % (caught(checked, bought), caught(checked, bought) / checkJudged) if args.check else ""))
        price = lambda c: cost[c] + (0 if c.split(":")[0] in opened else head.get(c.split(":")[0], 0))
        gains = [((caught(killed, bought | {c}) - now) / price(c), c) for c in cost if c not in bought]
        gains = [g for g in gains if g[0] > 0]
        if not gains:
            break
        c = max(gains)[1]
        print("    + %s (%d lines)" % (c, price(c)))
        lines, opened = lines + price(c), opened | {c.split(":")[0]}
        bought.add(c)
    print("the whole suite: %.3f  %d  %.2f" % (tests / code, len(killed), len(killed) / judged) +
          ("  |  %d  %.2f" % (len(checked), len(checked) / checkJudged) if args.check else ""))


def main():
    ap = argparse.ArgumentParser(prog="kill_matrix.py", description=__doc__.split("\n")[0])
    sub = ap.add_subparsers(dest="command", required=True)
    r = sub.add_parser("run")
    r.add_argument("out")
    r.add_argument("--seed", default="1")
    r.add_argument("--per-dir", type=int, default=25)
    r.add_argument("--timeout", type=int, default=60, help="seconds per test program run")
    c = sub.add_parser("curve")
    c.add_argument("out")
    c.add_argument("--check", help="an independent run")
    args = ap.parse_args()
    {"run": run, "curve": curve}[args.command](args)


if __name__ == "__main__":
    main()
