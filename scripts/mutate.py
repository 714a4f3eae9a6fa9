#!/usr/bin/env python3
"""mutate.py - a small, self-contained mutation-testing harness for Quorvel.

Standard library only. It works on a git checkout of the project (never on a
tree someone else is building in): it configures a fast native build of its
own, checks that the unmutated suite passes, then applies one mutant at a
time to a production source, rebuilds only the test targets that need it,
runs the test programs for that source's directory and restores the file
byte for byte (checked with git after every mutant).

Statuses: killed (a test program failed), survived (all passed), timeout (a
test program ran past --timeout), stillborn (the mutant did not compile; not
counted in the score). Score = killed / (killed + survived); timeouts are
shown apart (a hang is a detected fault too, see "score incl. timeouts").

Example:
  scripts/mutate.sh /tmp/qv-mut-results   (a scratch clone, the whole tree, as the baseline was taken)
  python3 scripts/mutate.py --repo /tmp/qv-mut --files 'convert/*.cpp' --per-file 5 --list
"""

import argparse
import contextlib
import csv
import fnmatch
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

# --------------------------------------------------------------------------
# Project knowledge
# --------------------------------------------------------------------------

DIRS = ["convert", "host", "context", "driver", "dialog", "filter", "platform"]

# Files never mutated by default: Windows-only code cannot run natively, and
# convert/reference.cpp is the test oracle (only tests and benchmarks use it).
DEFAULT_EXCLUDES = ["platform/win32_platform.cpp", "*_win32.cpp", "convert/reference.cpp"]

# The test programs of a source directory (the default mapping) ...
DIR_TESTS = {
    "convert": ["qv_test_convert"],
    "host": ["qv_test_host"],
    "context": ["qv_test_driver"],
    "driver": ["qv_test_driver"],
    "dialog": ["qv_test_dialog"],
    "platform": ["qv_test_platform"],
    "filter": ["qv_test_filter"],
}
ALWAYS_TESTS = ["qv_test_hardening"]

# ... and every test program that links the directory's code (--wide, and the
# survivors' recheck with --recheck-wide).
WIDE_TESTS = {
    "convert": ["qv_test_convert", "qv_test_convert_no_sse2", "qv_test_driver", "qv_test_filter"],
    "host": ["qv_test_host", "qv_test_driver"],
    "context": ["qv_test_driver", "qv_test_dialog", "qv_test_filter", "quorvel_without_host"],
    "driver": ["qv_test_driver", "qv_test_filter", "quorvel_without_host"],
    "dialog": ["qv_test_dialog", "qv_test_driver"],
    "platform": ["qv_test_platform", "qv_test_convert", "qv_test_dialog", "qv_test_host", "qv_test_driver",
                 "qv_test_filter", "quorvel_without_host"],
    "filter": ["qv_test_filter"],
}

# Checks that are not GoogleTest programs: name -> (build targets, command).
SCRIPT_TESTS = {
    "quorvel_without_host": (["Quorvel"], ["bash", "tests/driver/no_host_test.sh", "{bin}/quorvel"]),
}

# Per-file extras: the tool's own main() is only run by the no-host check.
FILE_EXTRA_TESTS = {
    "driver/main.cpp": ["quorvel_without_host"],
}

# Preprocessor configurations a line can be compiled in natively. convert/ is
# also built without SSE2 (qv_test_convert_no_sse2), so its #else branches of
# __SSE2__ are live there and are tested by that program.
NATIVE_MACROS = {"__linux__": 1, "__unix__": 1, "__GNUC__": 1, "__x86_64__": 1, "__SSE2__": 1, "SIGPIPE": 1,
                 "_WIN32": None, "_WIN64": None, "_MSC_VER": None, "__MINGW32__": None, "__MINGW64__": None,
                 "__APPLE__": None, "__clang__": None}
NO_SSE2_MACROS = dict(NATIVE_MACROS, __SSE2__=None)
CONFIGS = {"native": NATIVE_MACROS, "no_sse2": NO_SSE2_MACROS}
CONFIG_TESTS = {"no_sse2": ["qv_test_convert_no_sse2"]}


def configs_for(path):
    return ["native", "no_sse2"] if path.startswith("convert/") else ["native"]


# --------------------------------------------------------------------------
# Source scanning
# --------------------------------------------------------------------------

def mask_source(text):
    """Returns text with comments, string and character literals blanked
    (same length, newlines kept), so that patterns only see code."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c == "/" and i + 1 < n and text[i + 1] == "/":
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
        elif c == "/" and i + 1 < n and text[i + 1] == "*":
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        elif c == "R" and i + 1 < n and text[i + 1] == '"' and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if m:
                end = text.find(")" + m.group(1) + '"', i)
                end = n if end < 0 else end + len(m.group(1)) + 2
                for k in range(i, end):
                    if out[k] != "\n":
                        out[k] = " "
                i = end
            else:
                i += 1
        elif c in "\"'":
            # A digit separator (1'000) is no character literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum() and \
                    re.match(r"[0-9A-Fa-fxX']", text[i - 1]):
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            for k in range(i + 1, j - 1):
                out[k] = " "
            i = j
        else:
            i += 1
    return "".join(out)


class CondError(Exception):
    pass


def eval_condition(expr, macros):
    """Evaluates a #if expression; unknown identifiers raise CondError."""
    expr = expr.strip()
    expr = re.sub(r"defined\s*\(\s*(\w+)\s*\)", lambda m: "__D_" + m.group(1), expr)
    expr = re.sub(r"defined\s+(\w+)", lambda m: "__D_" + m.group(1), expr)

    def ident(m):
        name = m.group(0)
        if name.startswith("__D_"):
            name = name[4:]
            if name not in macros:
                raise CondError(name)
            return "1" if macros[name] is not None else "0"
        if name not in macros:
            raise CondError(name)
        return str(macros[name] or 0)

    expr = re.sub(r"\b[A-Za-z_]\w*\b", ident, expr)
    expr = re.sub(r"(\d+)[uUlL]+", r"\1", expr)
    expr = expr.replace("&&", " and ").replace("||", " or ")
    expr = re.sub(r"!(?!=)", " not ", expr)
    if not re.fullmatch(r"[\d\s()<>=!+\-*/%notand]*", expr):
        raise CondError(expr)
    try:
        return bool(eval(expr, {"__builtins__": {}}, {}))
    except Exception as e:  # noqa: BLE001
        raise CondError(str(e))


def live_lines(lines, macros):
    """For each line: True when it is compiled under `macros` (and is no
    preprocessor line). Blocks under conditions that cannot be evaluated are
    treated as not live."""
    live = []
    stack = []  # (parent_live, this_live, taken)
    active = True
    cont = False
    for raw in lines:
        s = raw.strip()
        if cont:
            cont = s.endswith("\\")
            live.append(False)
            continue
        if s.startswith("#"):
            cont = s.endswith("\\")
            d = re.match(r"#\s*(\w+)\s*(.*)", s)
            kw, rest = (d.group(1), d.group(2)) if d else ("", "")
            rest = re.sub(r"//.*$", "", rest)
            rest = re.sub(r"/\*.*?\*/", "", rest)

            def cond(e):
                try:
                    return eval_condition(e, macros)
                except CondError:
                    return None

            if kw in ("if", "ifdef", "ifndef"):
                if kw == "ifdef":
                    v = cond("defined(" + rest.strip() + ")")
                elif kw == "ifndef":
                    v = cond("!defined(" + rest.strip() + ")")
                else:
                    v = cond(rest)
                this = bool(v) if v is not None else False
                stack.append([active, this, this or v is None])
                active = active and this
            elif kw == "elif" and stack:
                parent, _, taken = stack[-1]
                v = cond(rest)
                this = (not taken) and bool(v) if v is not None else False
                stack[-1] = [parent, this, taken or this or v is None]
                active = parent and this
            elif kw == "else" and stack:
                parent, _, taken = stack[-1]
                this = not taken
                stack[-1] = [parent, this, True]
                active = parent and this
            elif kw == "endif" and stack:
                parent, _, _ = stack.pop()
                active = parent
            live.append(False)
            continue
        live.append(active)
    return live


# --------------------------------------------------------------------------
# Mutation operators. Each yields (col, old, new, operator, description).
# Patterns run on the masked line; the edit is applied to the real line at
# the same columns.
# --------------------------------------------------------------------------

ROR = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
KEYWORDS = {"return", "if", "while", "for", "switch", "case", "else", "do", "delete", "new", "throw", "goto",
            "sizeof", "static_assert", "using", "typedef", "co_return", "default", "break", "continue"}
DECL_PREFIX = re.compile(
    r"^\s*(?:(?:static|const|constexpr|inline|unsigned|signed|struct|thread_local|alignas\([^)]*\))\s+)*"
    r"[A-Za-z_][\w:]*(?:<[^<>]*>)?(?:\s+const)?\s*[*&]*\s+[*&]*$")


def declarator_spans(masked):
    """Spans [start, end) of array-declarator brackets (`uint8_t half[3][256]`)."""
    spans = []
    for m in re.finditer(r"([A-Za-z_]\w*)((?:\[[^\[\]]*\])+)", masked):
        if DECL_PREFIX.match(masked[:m.start(1)]) or re.search(r"\bsizeof\s*\(?\s*$", masked[:m.start(1)]):
            spans.append((m.start(2), m.end(2)))
    return spans


def inside(col, spans):
    return any(a <= col < b for a, b in spans)


def gen_line_mutants(line, masked, prev_code, rng_pick):
    out = []
    decl = declarator_spans(masked)
    if re.search(r"\bstatic_assert\b|\btemplate\s*<", masked):
        return out
    # Relational and equality operators, spaced as clang-format writes them.
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", masked):
        op = m.group(1)
        out.append((m.start(1), op, ROR[op], "ror", "%s -> %s" % (op, ROR[op])))
    # Logical connectives.
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", masked):
        op = m.group(1)
        new = "||" if op == "&&" else "&&"
        out.append((m.start(1), op, new, "lcr", "%s -> %s" % (op, new)))
    # Negation removed.
    for m in re.finditer(r"(?<![\w!=)\]])!(?=[\w(*])", masked):
        out.append((m.start(), "!", "", "not", "delete !"))
    # return true <-> return false.
    for m in re.finditer(r"\breturn\s+(true|false)\s*;", masked):
        v = m.group(1)
        nv = "false" if v == "true" else "true"
        out.append((m.start(1), v, nv, "bool", "return %s -> return %s" % (v, nv)))
    # Hexadecimal constants +-1 (digit count and case kept where it fits).
    for m in re.finditer(r"(?<![\w.])0[xX]([0-9A-Fa-f]+)([uUlL]*)(?![\w.])", masked):
        digits = m.group(1)
        value = int(digits, 16)
        delta = rng_pick([1, -1]) if value > 0 else 1
        nv = value + delta
        upper = not any(ch.islower() for ch in digits)
        new_digits = ("%0*X" if upper else "%0*x") % (len(digits), nv)
        old = m.group(0)
        new = old[:2] + new_digits + m.group(2)
        if not inside(m.start(), decl):
            out.append((m.start(), old, new, "hex", "%s -> %s" % (old, new)))
    # Decimal integer literals +-1.
    for m in re.finditer(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])", masked):
        if inside(m.start(), decl):
            continue
        value = int(m.group(1))
        delta = rng_pick([1, -1]) if value > 0 else 1
        old = m.group(0)
        new = str(value + delta) + m.group(2)
        out.append((m.start(), old, new, "lit", "%s -> %s" % (old, new)))
    # Index expressions +-1: a[i] -> a[i + 1] / a[i - 1].
    for m in re.finditer(r"(?<=[\w\])])\[([^\[\]]+)\]", masked):
        if inside(m.start(), decl):
            continue
        inner = m.group(1)
        if not inner.strip() or inner.strip() in ("&", "=", "this") or ":" in inner.replace("::", ""):
            continue
        real_inner = line[m.start(1):m.end(1)]
        delta = rng_pick(["+", "-"])
        simple = re.fullmatch(r"\s*[\w.:]+(?:\(\))?\s*", real_inner)
        body = real_inner.strip() if simple else "(" + real_inner.strip() + ")"
        new = "[%s %s 1]" % (body, delta)
        out.append((m.start(), "[" + real_inner + "]", new, "idx", "[%s] -> %s" % (real_inner.strip(), new)))
    # A statement that is a single function call: deleted.
    stripped = masked.strip()
    if stripped.endswith(";") and prev_code is not None and prev_code.rstrip().endswith((";", "{", "}", ":")):
        m = re.fullmatch(r"\s*((?:[A-Za-z_][\w]*(?:::[A-Za-z_]\w*)*(?:\(\))?(?:\.|->))*"
                         r"[A-Za-z_]\w*(?:::[A-Za-z_]\w*)*)\s*\((.*)\)\s*;\s*", masked)
        if m and m.group(1).split("::")[0].split(".")[0].split("(")[0] not in KEYWORDS:
            depth, ok = 0, True
            for ch in m.group(2):
                depth += 1 if ch == "(" else -1 if ch == ")" else 0
                if depth < 0:
                    ok = False
                    break
            if ok and depth == 0:
                indent = len(line) - len(line.lstrip())
                body = line[indent:].rstrip("\n")
                out.append((indent, body, ";", "del", "delete call: " + body.strip()[:60]))
    return out


def scan_file(root, path, rng):
    with open(os.path.join(root, path), "rb") as f:
        data = f.read()
    text = data.decode("latin-1")
    masked = mask_source(text)
    lines = text.split("\n")
    mlines = masked.split("\n")
    lives = {cfg: live_lines(lines, CONFIGS[cfg]) for cfg in configs_for(path)}
    mutants = []
    prev_code = None
    for idx, (line, ml) in enumerate(zip(lines, mlines)):
        cfgs = [cfg for cfg, lv in lives.items() if lv[idx]]
        is_pp = ml.strip().startswith("#")
        if cfgs and not is_pp and ml.strip():
            for col, old, new, op, desc in gen_line_mutants(line, ml, prev_code, lambda xs: rng.choice(xs)):
                if line[col:col + len(old)] != old:
                    continue
                mutated = line[:col] + new + line[col + len(old):]
                if mutated == line:
                    continue
                mutants.append({
                    "file": path, "line": idx + 1, "col": col + 1, "op": op, "desc": desc,
                    "original": line, "mutated": mutated, "configs": cfgs,
                })
        if ml.strip() and not is_pp:
            prev_code = ml
        elif is_pp:
            prev_code = "{"  # a directive ends whatever came before
    return mutants


def select(mutants, per_file, per_dir, seed):
    """Deterministic choice: per file a seeded shuffle that prefers lines not
    chosen yet; then per directory a share proportional to the candidates."""
    by_file = {}
    for m in mutants:
        by_file.setdefault(m["file"], []).append(m)
    picked = {}
    for path, ms in sorted(by_file.items()):
        rng = random.Random("%s:%s" % (seed, path))
        order = ms[:]
        rng.shuffle(order)
        first, rest, seen = [], [], set()
        for m in order:
            (rest if m["line"] in seen else first).append(m)
            seen.add(m["line"])
        chosen = first + rest
        if per_file:
            chosen = chosen[:per_file]
        picked[path] = chosen
    if per_dir:
        result = []
        dirs = {}
        for path in picked:
            dirs.setdefault(path.split("/")[0], []).append(path)
        for d, paths in sorted(dirs.items()):
            total = sum(len(picked[p]) for p in paths)
            if total <= per_dir:
                for p in paths:
                    result += picked[p]
                continue
            # Largest remainder, at least one per file where the cap allows.
            quotas = {p: per_dir * len(picked[p]) / total for p in paths}
            alloc = {p: min(len(picked[p]), max(1, int(q))) for p, q in quotas.items()}
            while sum(alloc.values()) > per_dir:
                p = max((x for x in alloc if alloc[x] > 0), key=lambda x: (alloc[x] - quotas[x], x))
                alloc[p] -= 1
            while sum(alloc.values()) < per_dir:
                p = max((x for x in paths if alloc[x] < len(picked[x])), key=lambda x: (quotas[x] - alloc[x], x))
                alloc[p] += 1
            for p in paths:
                result += picked[p][:alloc[p]]
        chosen_all = result
    else:
        chosen_all = [m for p in sorted(picked) for m in picked[p]]
    chosen_all.sort(key=lambda m: (m["file"], m["line"], m["col"], m["op"]))
    for i, m in enumerate(chosen_all, 1):
        m["id"] = i
    return chosen_all


# --------------------------------------------------------------------------
# Build and test
# --------------------------------------------------------------------------

def choose(root, globs, excludes, ops, per_file, per_dir, seed):
    """(files, candidates, selection): the same mutants for the same tree and seed."""
    globs = globs or ["%s/*.cpp" % d for d in DIRS]
    files = []
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        dirnames[:] = [d for d in dirnames if not d.startswith(".") and d != "build"]
        for fn in filenames:
            p = fn if rel == "." else rel + "/" + fn
            if any(fnmatch.fnmatch(p, g) for g in globs) and not any(fnmatch.fnmatch(p, g) for g in excludes):
                files.append(p)
    files.sort()
    candidates = []
    for p in files:
        candidates += scan_file(root, p, random.Random("%s:scan:%s" % (seed, p)))
    if ops:
        candidates = [m for m in candidates if m["op"] in ops]
    return files, candidates, select(candidates, per_file, per_dir, seed)


def log(msg):
    print(msg, flush=True)


def run_cmd(cmd, cwd, timeout, env=None):
    """Runs cmd in its own process group; kills the group on timeout.
    Returns (rc or None on timeout, seconds, output)."""
    start = time.time()
    p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True,
                         env=env)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, time.time() - start, out.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        out, _ = p.communicate()
        return None, time.time() - start, out.decode("utf-8", "replace")


class Project:
    def __init__(self, args):
        self.root = os.path.abspath(args.repo)
        if args.build_dir is None:
            args.build_dir = "build/mut-asan" if args.sanitize else "build/mut"
        self.build = os.path.join(self.root, args.build_dir)
        self.bin = os.path.join(self.build, "bin")
        self.jobs = args.jobs
        self.timeout = args.timeout
        self.build_timeout = args.build_timeout
        self.excluded = {}  # test program -> [failing test names at baseline]

    def configure(self, args):
        if os.path.exists(os.path.join(self.build, "build.ninja")) or os.path.exists(os.path.join(self.build, "Makefile")):
            return
        cmd = ["cmake", "-S", self.root, "-B", self.build, "-DCMAKE_BUILD_TYPE=Debug", "-DQV_TESTS=ON",
               "-DQV_SANITIZE=" + ("ON" if args.sanitize else "OFF"), "-DQV_E2E=OFF",
               "-DCMAKE_CXX_FLAGS=" + args.cxx_flags]
        if shutil.which("ninja"):
            cmd[1:1] = ["-G", "Ninja"]
        log("configure: " + " ".join(cmd))
        rc, _, out = run_cmd(cmd, self.root, 600)
        if rc != 0:
            sys.exit("configure failed:\n" + out[-4000:])

    def build_targets(self, tests):
        targets = []
        for t in tests:
            targets += SCRIPT_TESTS[t][0] if t in SCRIPT_TESTS else [t]
        return sorted(set(targets))

    def build_for(self, tests):
        cmd = ["cmake", "--build", self.build, "-j", str(self.jobs), "--target"] + self.build_targets(tests)
        return run_cmd(cmd, self.root, self.build_timeout)

    def run_test(self, name):
        """(status, seconds, output tail) with status passed/failed/timeout."""
        if name in SCRIPT_TESTS:
            cmd = [c.replace("{bin}", self.bin) for c in SCRIPT_TESTS[name][1]]
        else:
            cmd = [os.path.join(self.bin, name), "--gtest_brief=1", "--gtest_fail_fast", "--gtest_color=no"]
            if self.excluded.get(name):
                cmd.append("--gtest_filter=-" + ":".join(self.excluded[name]))
        rc, secs, out = run_cmd(cmd, self.root, self.timeout)
        # The first failing case (or sanitizer report) leads the tail kept.
        first = re.search(r"^\[  FAILED  \] [^\n]*|^[^\n]*runtime error:[^\n]*|^==\d+==ERROR:[^\n]*", out, re.M)
        tail = (first.group(0) + "\n" if first else "") + out[-1500:]
        if rc is None:
            return "timeout", secs, tail
        return ("passed" if rc == 0 else "failed"), secs, tail

    def git_clean(self):
        r = subprocess.run(["git", "status", "--porcelain", "--untracked-files=all"], cwd=self.root,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return r.returncode == 0 and not r.stdout.strip(), r.stdout.decode("utf-8", "replace")


def tests_for(m, wide):
    d = m["file"].split("/")[0]
    if "native" in m["configs"]:
        tests = list((WIDE_TESTS if wide else DIR_TESTS).get(d, []))
        tests += FILE_EXTRA_TESTS.get(m["file"], [])
        tests += ALWAYS_TESTS
    else:
        tests = []
    for cfg in m["configs"]:
        if cfg != "native" and "native" not in m["configs"]:
            tests += CONFIG_TESTS.get(cfg, [])
    seen, result = set(), []
    for t in tests:
        if t not in seen:
            seen.add(t)
            result.append(t)
    return result


def baseline(project, tests):
    log("baseline: building %s" % " ".join(project.build_targets(tests)))
    rc, secs, out = project.build_for(tests)
    if rc != 0:
        sys.exit("baseline build failed:\n" + out[-4000:])
    log("baseline: built in %.0f s" % secs)
    report = {}
    for t in tests:
        status, secs, out = project.run_test(t)
        if status == "passed":
            report[t] = {"status": "passed", "seconds": round(secs, 2)}
            log("baseline: %-26s passed  %.1f s" % (t, secs))
            continue
        if t in SCRIPT_TESTS:
            sys.exit("baseline: %s does not pass unmutated:\n%s" % (t, out))
        # Name the failing cases (without --gtest_fail_fast) and exclude them,
        # again until the rest passes: a case may fail only beside others.
        failing = []
        for _ in range(6):
            cmd = [os.path.join(project.bin, t), "--gtest_brief=1", "--gtest_color=no"]
            if failing:
                cmd.append("--gtest_filter=-" + ":".join(failing))
            rc, _, full = run_cmd(cmd, project.root, project.timeout * 5)
            if rc == 0:
                break
            more = sorted(set(re.findall(r"^\[  FAILED  \] ([^\s,]+)", full, re.M)) - set(failing))
            if not more:
                sys.exit("baseline: %s fails and no failing case could be named:\n%s" % (t, full[-3000:]))
            failing += more
        project.excluded[t] = failing
        status2, secs2, out2 = project.run_test(t)
        if status2 != "passed":
            sys.exit("baseline: %s still fails with %s excluded:\n%s" % (t, failing, out2))
        report[t] = {"status": "passed with exclusions", "excluded": failing, "seconds": round(secs2, 2)}
        log("baseline: %-26s FAILS unmutated in %d case(s); excluded: %s" % (t, len(failing), ", ".join(failing)))
    return report


@contextlib.contextmanager
def planted(project, m):
    """The mutant written into its file for the block; the file restored after,
    however the block ends. Yields False when the line changed since the scan."""
    path = os.path.join(project.root, m["file"])
    with open(path, "rb") as f:
        original = f.read()
    lines = original.split(b"\n")
    if lines[m["line"] - 1] != m["original"].encode("latin-1"):
        yield False
        return
    lines[m["line"] - 1] = m["mutated"].encode("latin-1")
    try:
        with open(path, "wb") as f:
            f.write(b"\n".join(lines))
        yield True
    finally:
        with open(path, "wb") as f:
            f.write(original)
    clean, st = project.git_clean()
    if not clean:
        sys.exit("the tree is not clean after mutant %d:\n%s" % (m["id"], st))


def run_mutant(project, m, wide, keep_going_tests=False):
    tests = tests_for(m, wide)
    result = {"tests": tests}
    t0 = time.time()
    with planted(project, m) as ok:
        if not ok:
            return {"status": "error", "detail": "line changed since the scan"}
        rc, bsecs, bout = project.build_for(tests)
        result["build_seconds"] = round(bsecs, 1)
        if rc is None:
            result.update(status="stillborn", detail="build timed out")
        elif rc != 0:
            err = [ln for ln in bout.splitlines() if "error" in ln]
            result.update(status="stillborn", detail=(err[0] if err else bout[-300:]).strip()[:300])
        else:
            result["status"] = "survived"
            result["runs"] = {}
            for t in tests:
                status, secs, out = project.run_test(t)
                result["runs"][t] = status
                if status != "passed":
                    result["status"] = "killed" if status == "failed" else "timeout"
                    result["killed_by"] = t
                    lines = out.strip().splitlines()
                    result["detail"] = lines[0][:200] if lines else ""
                    if not keep_going_tests:
                        break
    result["seconds"] = round(time.time() - t0, 1)
    return result


# --------------------------------------------------------------------------
# Reporting
# --------------------------------------------------------------------------

def summarize(mutants, wall):
    rows = {}
    for m in mutants:
        d = m["file"].split("/")[0]
        r = rows.setdefault(d, {"mutants": 0, "stillborn": 0, "killed": 0, "survived": 0, "timeout": 0, "error": 0})
        r["mutants"] += 1
        r[m.get("status", "error")] = r.get(m.get("status", "error"), 0) + 1
    lines = []
    hdr = "%-10s %7s %9s %6s %8s %7s %6s %13s" % ("dir", "mutants", "stillborn", "killed", "survived", "timeout",
                                                  "score", "incl.timeouts")
    lines.append(hdr)
    lines.append("-" * len(hdr))
    tot = {"mutants": 0, "stillborn": 0, "killed": 0, "survived": 0, "timeout": 0}

    def score(k, s, t=0):
        return "%.0f%%" % (100.0 * (k + t) / (k + s + t)) if k + s + t else "-"

    for d in sorted(rows):
        r = rows[d]
        for k in tot:
            tot[k] += r[k]
        lines.append("%-10s %7d %9d %6d %8d %7d %6s %13s" % (d, r["mutants"], r["stillborn"], r["killed"],
                                                            r["survived"], r["timeout"],
                                                            score(r["killed"], r["survived"]),
                                                            score(r["killed"], r["survived"], r["timeout"])))
    lines.append("-" * len(hdr))
    lines.append("%-10s %7d %9d %6d %8d %7d %6s %13s" % ("all", tot["mutants"], tot["stillborn"], tot["killed"],
                                                        tot["survived"], tot["timeout"],
                                                        score(tot["killed"], tot["survived"]),
                                                        score(tot["killed"], tot["survived"], tot["timeout"])))
    lines.append("")
    lines.append("wall time: %.0f s (%.1f s per mutant)" % (wall, wall / max(1, len(mutants))))
    surv = [m for m in mutants if m.get("status") == "survived"]
    lines.append("")
    lines.append("survivors (%d):" % len(surv))
    for m in surv:
        extra = ""
        if "wide_status" in m:
            extra = "  [wide recheck: %s%s]" % (m["wide_status"],
                                                " by " + m["wide_killed_by"] if m.get("wide_killed_by") else "")
        lines.append("  #%-3d %s:%d  %-4s %s%s" % (m["id"], m["file"], m["line"], m["op"], m["desc"], extra))
        lines.append("        - %s" % m["original"].strip())
        lines.append("        + %s" % m["mutated"].strip())
    to = [m for m in mutants if m.get("status") == "timeout"]
    if to:
        lines.append("")
        lines.append("timeouts (%d):" % len(to))
        for m in to:
            lines.append("  #%-3d %s:%d  %s  (%s)" % (m["id"], m["file"], m["line"], m["desc"], m.get("killed_by")))
    return "\n".join(lines)


def write_results(out_prefix, meta, mutants, summary):
    with open(out_prefix + ".json", "w") as f:
        json.dump({"meta": meta, "mutants": mutants}, f, indent=1)
    with open(out_prefix + ".csv", "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["id", "file", "line", "col", "op", "desc", "status", "killed_by", "detail", "seconds",
                    "wide_status", "wide_killed_by", "original", "mutated"])
        for m in mutants:
            w.writerow([m["id"], m["file"], m["line"], m["col"], m["op"], m["desc"], m.get("status", ""),
                        m.get("killed_by", ""), m.get("detail", ""), m.get("seconds", ""), m.get("wide_status", ""),
                        m.get("wide_killed_by", ""), m["original"].strip(), m["mutated"].strip()])
    with open(out_prefix + ".txt", "w") as f:
        f.write(summary + "\n")


# --------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(
        prog="mutate.py",
        description="Mutation testing of Quorvel's production sources against its native test programs.")
    ap.add_argument("--repo", default=".", help="git checkout to mutate (default: .); never a shared one")
    ap.add_argument("--build-dir", default=None,
                    help="build directory inside the repo (default: build/mut-asan, with --no-sanitize build/mut)")
    ap.add_argument("--no-sanitize", dest="sanitize", action="store_false",
                    help="build without ASan/UBSan (faster; qv_test_hardening's AllocationFailure cases then fail "
                         "unmutated, as they tell heaps apart by address, and are excluded)")
    ap.add_argument("--cxx-flags", default="-O1", help="CMAKE_CXX_FLAGS of the build (default: -O1)")
    ap.add_argument("--files", nargs="+", metavar="GLOB",
                    help="source globs relative to the repo (default: */*.cpp in %s)" % ",".join(DIRS))
    ap.add_argument("--exclude", nargs="*", default=DEFAULT_EXCLUDES, metavar="GLOB",
                    help="globs never mutated (default: %s)" % " ".join(DEFAULT_EXCLUDES))
    ap.add_argument("--ops", nargs="+", choices=["ror", "lcr", "not", "bool", "hex", "lit", "idx", "del"],
                    help="mutation operators (default: all)")
    ap.add_argument("--seed", default="1", help="seed of the deterministic selection (default: 1)")
    ap.add_argument("--per-file", type=int, default=0, metavar="N", help="at most N mutants per file")
    ap.add_argument("--per-dir", type=int, default=0, metavar="N",
                    help="at most N mutants per directory, shared among its files by candidate count")
    ap.add_argument("--only", type=int, nargs="+", metavar="ID", help="run only these mutant ids of the selection")
    ap.add_argument("--jobs", "-j", type=int, default=2, help="build parallelism (default: 2)")
    ap.add_argument("--timeout", type=int, default=60, help="seconds per test program (default: 60)")
    ap.add_argument("--build-timeout", type=int, default=600, help="seconds per rebuild (default: 600)")
    ap.add_argument("--wide", action="store_true",
                    help="run every test program that links the mutated code, not only the directory's own")
    ap.add_argument("--recheck-wide", action="store_true",
                    help="afterwards run each survivor against every test program that links its code")
    ap.add_argument("--list", action="store_true", help="list the selected mutants and stop")
    ap.add_argument("--out", default="mutation-results", help="output prefix: PREFIX.json, .csv, .txt")
    args = ap.parse_args()

    project = Project(args)
    if not os.path.isdir(os.path.join(project.root, ".git")):
        sys.exit("%s is not a git checkout" % project.root)
    clean, st = project.git_clean()
    if not clean:
        sys.exit("the checkout has changes; mutate a clean clone:\n" + st)

    files, candidates, chosen = choose(project.root, args.files, args.exclude, args.ops, args.per_file, args.per_dir,
                                       args.seed)
    if not files:
        sys.exit("no files match")
    if args.only:
        chosen = [m for m in chosen if m["id"] in set(args.only)]
    log("%d files, %d candidate mutants, %d selected (seed %s)" % (len(files), len(candidates), len(chosen),
                                                                     args.seed))
    if args.list:
        for m in chosen:
            log("#%-3d %s:%d:%d %-4s %-40s %s" % (m["id"], m["file"], m["line"], m["col"], m["op"], m["desc"][:40],
                                                   ",".join(tests_for(m, args.wide))))
        return

    start = time.time()
    project.configure(args)
    all_tests = []
    for m in chosen:
        all_tests += tests_for(m, args.wide or args.recheck_wide)
        if args.recheck_wide:
            all_tests += tests_for(m, True)
    all_tests = sorted(set(all_tests))
    base = baseline(project, all_tests)

    meta = {"repo": project.root, "seed": args.seed, "per_file": args.per_file, "per_dir": args.per_dir,
            "files": files, "candidates": len(candidates), "baseline": base, "wide": args.wide,
            "cxx_flags": args.cxx_flags, "sanitize": args.sanitize, "build_dir": args.build_dir,
            "argv": sys.argv[1:]}

    def on_signal(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_signal)
    try:
        for i, m in enumerate(chosen, 1):
            r = run_mutant(project, m, args.wide)
            m.update(r)
            log("[%3d/%d] #%-3d %-9s %5.1fs %s:%d %s%s" % (
                i, len(chosen), m["id"], m["status"], m.get("seconds", 0), m["file"], m["line"], m["desc"][:50],
                "  (%s)" % m["killed_by"] if m.get("killed_by") else ""))
        if args.recheck_wide:
            for m in chosen:
                if m.get("status") != "survived":
                    continue
                if tests_for(m, True) == m["tests"]:
                    m["wide_status"] = "survived"
                    continue
                r = run_mutant(project, m, True)
                m["wide_status"] = r["status"]
                if r.get("killed_by"):
                    m["wide_killed_by"] = r["killed_by"]
                log("recheck #%-3d %-9s %s:%d %s%s" % (m["id"], r["status"], m["file"], m["line"], m["desc"][:50],
                                                       "  (%s)" % r["killed_by"] if r.get("killed_by") else ""))
    except KeyboardInterrupt:
        log("interrupted; the file under mutation was restored")
    wall = time.time() - start
    done = [m for m in chosen if "status" in m]
    summary = summarize(done, wall)
    meta["wall_seconds"] = round(wall, 1)
    write_results(args.out, meta, done, summary)
    # Leave the build matching the unmutated tree.
    project.build_for(all_tests)
    log("")
    log(summary)
    log("")
    log("results: %s.json %s.csv %s.txt" % (args.out, args.out, args.out))


if __name__ == "__main__":
    main()
