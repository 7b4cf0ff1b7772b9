#!/usr/bin/env python3
"""Plants single faults in the program's C++ sources, one at a time, and
tells which of them the tests catch.

A mutant is one small change to one line: a comparison flipped or loosened,
a condition negated, && and || swapped, a + 1 or - 1 dropped, a statement
that calls or assigns removed, a returned value replaced. For each mutant the
source is changed, the tests that cover its folder are built incrementally
and run; a mutant is caught when a test fails or runs past its time limit (a
hang is a failure), missed when every test passes, and left out of the score
when it does not build, or when it builds into the very objects the source
gave (a line the build does not compile, such as another platform's, or a
change the compiler sees through: an equivalent mutant). The source is always restored, also when the run is
interrupted; a run killed outright restores it at the next start.

Which lines: those a change touched (--base REV: the working tree against
REV), or every line of the files named, or else a sample over app/ and
midi/transport/. --count N picks N mutants at random, spread over the lines,
with a seed that is printed (--seed repeats a run).
"""

import argparse
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
STATE = TOP / "build-mutants" / "restore.json"
DEFAULT_SAMPLE_FOLDERS = ("app", "midi/transport")
DEFAULT_SAMPLE_COUNT = 30
PROGRAM_FOLDERS = ("data", "library", "midi", "app", "a6_emulator", "ui")
# Files the Linux build does not compile.
NOT_BUILT_HERE = re.compile(r"(^|/)(winmm/|windows_)")
# The tests that cover each folder: its own label and those of the layers
# above it that drive it.
COVERING_LABELS = {
    "data": ("data", "library", "app"),
    "library": ("library", "app"),
    "midi": ("midi", "app"),
    "a6_emulator": ("midi",),
    "app": ("app",),
    "ui": ("ui",),
}


@dataclass
class mutant:
    path: str  # relative to the top
    line: int  # 1-based
    operator: str
    before: str  # the whole line
    after: str


# ---------------------------------------------------------------------------
# Reading C++: the code of each line with comments and literals blanked, so
# that operators are only looked for where they are code.

def masked_lines(text):
    out = []
    i, n = 0, len(text)
    in_block = False
    buf = []
    while i < n:
        c = text[i]
        if c == "\n":
            out.append("".join(buf))
            buf = []
            i += 1
            continue
        if in_block:
            if text.startswith("*/", i):
                in_block = False
                buf.append("  ")
                i += 2
            else:
                buf.append(" ")
                i += 1
            continue
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            buf.append(" " * (j - i))
            i = j
            continue
        if text.startswith("/*", i):
            in_block = True
            buf.append("  ")
            i += 2
            continue
        m = re.match(r'(u8|u|U|L)?R"([^(\s]*)\(', text[i:i + 40])
        if m and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + m.group(2) + '"', i + m.end())
            end = n if end < 0 else end + len(m.group(2)) + 2
            for ch in text[i:end]:
                if ch == "\n":
                    out.append("".join(buf))
                    buf = []
                else:
                    buf.append(" ")
            i = end
            continue
        if c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            buf.append(c + " " * (min(j, n) - i - 1) + (c if j < n and text[j] == c else ""))
            i = j + 1 if j < n and text[j] == c else j
            continue
        buf.append(c)
        i += 1
    out.append("".join(buf))
    return out


def matching_paren(code, start):
    """Index of the ')' closing the '(' at start, or -1 within the line."""
    depth = 0
    for k in range(start, len(code)):
        if code[k] == "(":
            depth += 1
        elif code[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


DECLARATION = re.compile(
    r"^\s*(?:(?:const|constexpr|static|auto|using|typedef|return|case|default|break|continue|goto|throw|"
    r"template|typename|struct|class|enum|namespace|public|private|protected|friend|virtual|explicit|inline)\b"
    r"|[A-Za-z_][\w:]*(?:<[^;]*>)?[\s*&]+[A-Za-z_]\w*\s*(?:[=({;\[]|$))")
STATEMENT_START = re.compile(r"[;{}:]\s*$|^\s*$")

RELATIONAL = [(" <= ", " < "), (" >= ", " > "), (" < ", " <= "), (" > ", " >= "), (" == ", " != "), (" != ", " == ")]
LOGICAL = [(" && ", " || "), (" || ", " && ")]
CONSTANT = [(r"\btrue\b", "false"), (r"\bfalse\b", "true"), (r" \+ 1\b(?!\.)", ""), (r" - 1\b(?!\.)", "")]


def line_mutants(path, number, line, code, previous_code):
    """Every mutant of one line; code is the line with literals blanked."""
    found = []
    stripped = code.strip()
    if not stripped or stripped.startswith("#"):
        return found

    def add(operator, start, end, replacement):
        after = line[:start] + replacement + line[end:]
        if after != line:
            found.append(mutant(path, number, operator, line, after))

    for old, new in RELATIONAL:
        for m in re.finditer(re.escape(old), code):
            # Not the angle brackets of a template or a stream.
            if old.strip() in ("<", ">") and ("template" in code or "<<" in code or ">>" in code):
                continue
            add("comparison", m.start(), m.end(), new)
    for old, new in LOGICAL:
        for m in re.finditer(re.escape(old), code):
            add("logic", m.start(), m.end(), new)
    for pattern, new in CONSTANT:
        for m in re.finditer(pattern, code):
            add("constant", m.start(), m.end(), new)
    # A condition negated, and a negation dropped.
    for m in re.finditer(r"\b(if|while)\s*\(", code):
        open_at = m.end() - 1
        close_at = matching_paren(code, open_at)
        if close_at < 0:
            continue
        inner = line[open_at + 1:close_at]
        if inner.strip().startswith(("const ", "auto ", "auto&", "int ", "std::", "library_node*")) and ";" not in code[open_at:close_at] and "=" in inner and "==" not in inner:
            continue  # a declaration in the condition
        if inner.lstrip().startswith("!") and not re.search(r"&&|\|\||\?", inner):
            continue  # the same as dropping that negation, below
        add("negation", open_at + 1, close_at, "!(" + inner + ")")
    for m in re.finditer(r"(?<![!=<>])!(?!=)", code):
        add("negation", m.start(), m.end(), "")
    # A returned value replaced by a value-initialised one.
    m = re.match(r"^(\s*)return\s+(.+);\s*$", code)
    if m and m.group(2).strip() not in ("{}", "nullptr", "0", "false", "true") and "?" not in code:
        start = line.index("return", m.start(1)) + len("return ")
        end = len(line.rstrip()) - 1
        add("return", start, end, "{}")
    # A statement that calls or assigns removed: a whole statement on one
    # line, not a declaration.
    if (stripped.endswith(";") and STATEMENT_START.search(previous_code) and not DECLARATION.match(code)
            and not re.match(r"(if|else|for|while|do|switch)\b", stripped)
            and code.count("(") == code.count(")") and "{" not in code and "}" not in code
            and ("(" in code or re.search(r"[^=!<>]=[^=]|\+\+|--|\+=|-=", code))):
        indent = line[:len(line) - len(line.lstrip())]
        found.append(mutant(path, number, "statement", line, indent + ";"))
    return found


def in_function_body(codes):
    """For each line, whether it starts inside a function's body (rather
    than at namespace or class scope, where a line is a declaration)."""
    inside = []
    stack = []
    since = ""  # the code since the last ; { or }
    for code in codes:
        inside.append(bool(stack) and stack[-1] == "block")
        for ch in code:
            if ch == "{":
                scope = re.search(r"\b(class|struct|union|namespace|enum)\b[^()]*$", since)
                stack.append("scope" if scope else "block")
                since = ""
            elif ch == "}":
                if stack:
                    stack.pop()
                since = ""
            elif ch == ";":
                since = ""
            else:
                since += ch
        since += " "
    return inside


def file_mutants(path, wanted_lines=None):
    text = (TOP / path).read_text(encoding="utf-8")
    lines = text.split("\n")
    codes = masked_lines(text)
    in_body = in_function_body(codes)
    result = []
    previous = ""
    for index, (line, code) in enumerate(zip(lines, codes)):
        number = index + 1
        if wanted_lines is None or number in wanted_lines:
            found = line_mutants(path, number, line, code, previous)
            result.extend(m for m in found if in_body[index] or m.operator not in ("statement", "return"))
        if code.strip():
            previous = code
    return result


# ---------------------------------------------------------------------------
# Which files and lines.

def is_program_source(path):
    return (path.endswith((".cpp", ".h")) and path.split("/")[0] in PROGRAM_FOLDERS
            and not NOT_BUILT_HERE.search(path))


def changed_lines(base):
    # From where the work forked off base, so that a base that has moved on
    # since counts none of its own changes.
    fork = subprocess.run(["git", "merge-base", base, "HEAD"], cwd=TOP, check=True, capture_output=True,
                          text=True).stdout.strip()
    diff = subprocess.run(["git", "diff", "-U0", "--no-color", "--no-ext-diff", fork, "--"],
                          cwd=TOP, check=True, capture_output=True, text=True).stdout
    lines = {}
    current = None
    for row in diff.splitlines():
        if row.startswith("+++ "):
            name = row[4:]
            current = name[2:] if name.startswith("b/") else None
            if current and not is_program_source(current):
                current = None
        elif row.startswith("@@") and current:
            m = re.search(r"\+(\d+)(?:,(\d+))?", row)
            start, count = int(m.group(1)), int(m.group(2) or "1")
            lines.setdefault(current, set()).update(range(start, start + count))
    return lines


def sample_files():
    files = []
    for folder in DEFAULT_SAMPLE_FOLDERS:
        for p in sorted((TOP / folder).rglob("*")):
            rel = p.relative_to(TOP).as_posix()
            if p.is_file() and is_program_source(rel):
                files.append(rel)
    return files


def pick(mutants, count, rng):
    """count mutants spread over the lines: one per line first, in random
    order, then a second per line, and so on."""
    by_line = {}
    for m in mutants:
        by_line.setdefault((m.path, m.line), []).append(m)
    keys = list(by_line)
    rng.shuffle(keys)
    for k in keys:
        rng.shuffle(by_line[k])
    chosen = []
    depth = 0
    while len(chosen) < count and any(len(v) > depth for v in by_line.values()):
        for k in keys:
            if len(chosen) < count and len(by_line[k]) > depth:
                chosen.append(by_line[k][depth])
        depth += 1
    return chosen


# ---------------------------------------------------------------------------
# Building and testing.

class build:
    def __init__(self, folder, with_ui, jobs):
        self.folder = TOP / folder
        self.with_ui = with_ui
        self.jobs = jobs
        self.runs = {}  # label -> list of (name, command, environment, is_gtest[, the test's own command])
        self.limits = {}

    def configure(self):
        if (self.folder / "CMakeCache.txt").exists():
            return
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        subprocess.run(["cmake", "-S", str(TOP), "-B", str(self.folder), *generator, *launcher,
                        "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1",
                        "-DPW_BENCH=OFF", "-DPW_WERROR=OFF", f"-DPW_UI={'ON' if self.with_ui else 'OFF'}"],
                       check=True, stdout=subprocess.DEVNULL)

    def tests_of(self, label):
        if label not in self.runs:
            shown = subprocess.run(["ctest", "--show-only=json-v1", "-L", f"^{label}$"], cwd=self.folder,
                                   check=True, capture_output=True, text=True).stdout
            runs, seen = [], set()
            for test in json.loads(shown).get("tests", []):
                command = test.get("command") or []
                env = {}
                for prop in test.get("properties", []):
                    if prop["name"] == "ENVIRONMENT":
                        env.update(v.split("=", 1) for v in prop["value"])
                gtest = any(a.startswith("--gtest_filter") for a in command)
                key = command[0] if gtest else test["name"]
                if not command or key in seen:
                    continue
                seen.add(key)
                if gtest:
                    runs.append((test["name"], [command[0]], env, True))
                else:
                    # A scripted test may pass by the text it prints, or by
                    # an exit status that means skipped: ctest judges it.
                    # The command stays in the entry for targets_of.
                    judged = ["ctest", "--test-dir", str(self.folder), "-R", f"^{re.escape(test['name'])}$",
                              "--no-tests=error"]
                    runs.append((test["name"], judged, {}, False, command))
            self.runs[label] = runs
        return self.runs[label]

    def objects(self):
        return {p: p.stat().st_mtime_ns for p in self.folder.rglob("*.o")}

    def remember_objects(self):
        """The object files of the build as it stands without a mutant."""
        self.clean = {p: (mtime, digest(p)) for p, mtime in self.objects().items()}

    def objects_unchanged(self):
        """Whether every object rebuilt since remember_objects is the same
        as it was: the mutant changed no code the build compiles."""
        unchanged = True
        for p, mtime in self.objects().items():
            known = self.clean.get(p)
            if known and known[0] == mtime:
                continue
            if known and known[1] == digest(p):
                self.clean[p] = (mtime, known[1])
            else:
                unchanged = False
        return unchanged

    def targets_of(self, labels):
        """The programs the tests of these labels run: a test program, or
        a program of the build that a scripted test starts."""
        targets = set()
        for label in labels:
            for run in self.tests_of(label):
                for word in run[-1] if not run[3] else run[1]:
                    path = Path(word)
                    if path.is_absolute() and self.folder in path.parents and os.access(path, os.X_OK):
                        targets.add(path.name)
        return sorted(targets)

    def build(self, targets, limit=None):
        try:
            done = subprocess.run(["cmake", "--build", str(self.folder), f"-j{self.jobs}",
                                   *(["--target", *targets] if targets else [])],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=limit)
        except subprocess.TimeoutExpired:
            return False, "build timed out"
        return done.returncode == 0, done.stdout

    def run_tests(self, labels, measure=False):
        """'passed', 'failed: <test>' or 'timed out: <test>'."""
        for label in labels:
            for name, command, env, gtest, *_ in self.tests_of(label):
                args = command + (["--gtest_fail_fast", "--gtest_brief=1"] if gtest else [])
                limit = None if measure else self.limits.get(name, 600)
                started = time.monotonic()
                outcome = run_bounded(args, env, limit, self.folder)
                if measure:
                    seconds = time.monotonic() - started
                    self.limits[name] = 3 * seconds + 10
                if outcome != "passed":
                    return outcome if outcome.startswith("failed ") else f"{outcome}: {name}"
        return "passed"


def digest(path):
    return hashlib.sha256(path.read_bytes()).digest()


def run_bounded(args, env, limit, cwd):
    """'passed', 'timed out', or 'failed' with the first failing case."""
    full_env = dict(os.environ, **env)
    process = subprocess.Popen(args, cwd=cwd, env=full_env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=limit)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return "timed out"
    if process.returncode == 0:
        return "passed"
    failed = re.search(rb"^\[  FAILED  \] (\S+)", output, re.M)
    return "failed " + failed.group(1).decode(errors="replace") if failed else "failed"


# ---------------------------------------------------------------------------
# Keeping the sources whole.

def restore_left_over():
    if not STATE.exists():
        return
    saved = json.loads(STATE.read_text(encoding="utf-8"))
    (TOP / saved["path"]).write_text(saved["text"], encoding="utf-8")
    STATE.unlink()
    print(f"restored {saved['path']}, left mutated by a run that was killed")


class planted:
    """The mutant written into its file for the length of a with block."""

    def __init__(self, m):
        self.m = m
        self.file = TOP / m.path

    def __enter__(self):
        self.original = self.file.read_text(encoding="utf-8")
        STATE.parent.mkdir(parents=True, exist_ok=True)
        STATE.write_text(json.dumps({"path": self.m.path, "text": self.original}), encoding="utf-8")
        lines = self.original.split("\n")
        if lines[self.m.line - 1] != self.m.before:
            raise RuntimeError(f"{self.m.path}:{self.m.line} changed while the run went on")
        lines[self.m.line - 1] = self.m.after
        self.file.write_text("\n".join(lines), encoding="utf-8")
        return self

    def __exit__(self, *exc):
        self.file.write_text(self.original, encoding="utf-8")
        STATE.unlink(missing_ok=True)
        return False


def end_on_signal(number, _frame):
    raise KeyboardInterrupt(f"signal {number}")


# ---------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("files", nargs="*", help="sources to mutate, every line (relative to the top)")
    parser.add_argument("--base", help="mutate the lines the working tree changed since this revision")
    parser.add_argument("--count", type=int, help="how many mutants, picked at random")
    parser.add_argument("--seed", type=int, help="the random seed (printed by every run)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--list", action="store_true", help="print the mutants without running them")
    options = parser.parse_args()

    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, end_on_signal)
    restore_left_over()

    if options.files:
        wanted = {}
        for f in options.files:
            rel = Path(f).resolve().relative_to(TOP).as_posix()
            if not is_program_source(rel):
                parser.error(f"{f}: not a source the Linux build compiles")
            wanted[rel] = None
        if options.base:
            changed = changed_lines(options.base)
            wanted = {f: changed.get(f, set()) for f in wanted}
    elif options.base:
        wanted = changed_lines(options.base)
    else:
        wanted = {f: None for f in sample_files()}
        if options.count is None:
            options.count = DEFAULT_SAMPLE_COUNT

    candidates = []
    for path, lines in sorted(wanted.items()):
        candidates.extend(file_mutants(path, lines))
    seed = options.seed if options.seed is not None else random.SystemRandom().randrange(1, 1_000_000)
    rng = random.Random(seed)
    count = len(candidates) if options.count is None else min(options.count, len(candidates))
    chosen = pick(candidates, count, rng)
    chosen.sort(key=lambda m: (m.path, m.line))
    scope = (f"lines changed since {options.base}" if options.base else
             "files named" if options.files else "a sample over " + " and ".join(f + "/" for f in DEFAULT_SAMPLE_FOLDERS))
    print(f"mutants: {len(chosen)} of {len(candidates)} possible in {scope}; seed {seed}", flush=True)
    if options.list:
        for m in chosen:
            print(f"  {m.path}:{m.line} [{m.operator}] {m.before.strip()}  ->  {m.after.strip()}")
        return 0
    if not chosen:
        return 0

    builds = {}

    def build_for(path):
        with_ui = path.startswith("ui/")
        if with_ui not in builds:
            b = build("build-mutants-ui" if with_ui else "build-mutants", with_ui, options.jobs)
            b.configure()
            builds[with_ui] = b
        return builds[with_ui]

    # Every build and suite is first run as it stands: a suite that fails
    # without a mutant would count every mutant caught. Its time sets the
    # limit past which a mutant counts as a hang.
    needs = {}
    for m in chosen:
        labels = COVERING_LABELS[m.path.split("/")[0]]
        needs.setdefault(build_for(m.path), set()).update(labels)
    for b, labels in needs.items():
        print(f"building {b.folder.name} and running {', '.join(sorted(labels))} without mutants...", flush=True)
        built, log = b.build([])
        if not built:
            print(log[-3000:])
            print("the build fails without any mutant")
            return 2
        outcome = b.run_tests(sorted(labels), measure=True)
        if outcome != "passed":
            print(f"the tests fail without any mutant ({outcome})")
            return 2
        b.remember_objects()

    caught, missed, unbuilt, same = [], [], [], []
    started = time.monotonic()
    try:
        for index, m in enumerate(chosen, 1):
            b = build_for(m.path)
            labels = COVERING_LABELS[m.path.split("/")[0]]
            with planted(m):
                built, _ = b.build(b.targets_of(labels), limit=900)
                if not built:
                    outcome = "not built"
                elif b.objects_unchanged():
                    outcome = "same code"
                else:
                    outcome = b.run_tests(labels)
            if outcome == "not built":
                verdict = "no build"
                unbuilt.append(m)
            elif outcome == "same code":
                verdict = "same"
                same.append(m)
            elif outcome == "passed":
                verdict = "MISSED"
                missed.append(m)
            else:
                verdict = "caught"
                caught.append(m)
            why = f" ({outcome})" if verdict == "caught" else ""
            print(f"[{index:3}/{len(chosen)}] {verdict:8} {m.path}:{m.line} [{m.operator}]{why}\n"
                  f"          - {m.before.strip()}\n          + {m.after.strip()}", flush=True)
    except KeyboardInterrupt:
        print("\ninterrupted: the source is restored", flush=True)
        # The objects of the last mutant are rebuilt at the next run.
        return 130
    finally:
        restore_left_over()

    judged = len(caught) + len(missed)
    minutes = (time.monotonic() - started) / 60
    print(f"\nscore: {len(caught)} of {judged} mutants caught"
          + (f" ({100 * len(caught) / judged:.0f}%)" if judged else "")
          + f"; {len(unbuilt)} did not build and {len(same)} built into the same code, not counted;"
          + f" seed {seed}; {minutes:.1f} min")
    for m in missed:
        print(f"  missed {m.path}:{m.line}: {m.before.strip()}  ->  {m.after.strip()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
