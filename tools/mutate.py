#!/usr/bin/env python3
"""Seeded mutation check of src/core and src/platform against the suite without the GUI.

Each mutant is one change of one operator on one line: a relational boundary (< and <=,
> and >=), an equality turned (== and !=), arithmetic (+ and -, * and /), && and ||, a `!`
dropped, a returned true or false turned, an if's condition made always true or always
false, or a statement deleted. The seed shuffles every such site of the tree; the first N
that compile are built in a build of their own without sanitizers and run against
`ctest -LE gui` with a time limit. A mutant is killed when the suite fails or runs out of
time.

Mutants are made in a copy of the source tree (build/mutation/tree, brought up to date with
the working tree at the start of each run), so work can go on while a run lasts. The copy is
restored after every mutant, also on Ctrl-C; after a hard kill, the next run restores it from
the journal first.

    tools/mutate.py --seed 22 -n 30            # build, run, report
    tools/mutate.py --seed 22 -n 30 --list     # only say which mutants the seed picks

Mutants that are equivalent to the program (no test could tell them apart) are listed in
tools/mutation_equivalents.txt with the reason, and skipped.
"""
import argparse
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

SOURCE = Path(__file__).resolve().parent.parent
SCOPES = ("src/core", "src/platform")
EQUIVALENTS = SOURCE / "tools" / "mutation_equivalents.txt"


@dataclass(frozen=True)
class Mutant:
    path: str  # relative to the tree
    line: int  # 1-based
    operator: str
    original: str  # the whole line
    mutated: str

    def describe(self):
        return f"{self.path}:{self.line} {self.operator}: {self.original.strip()}  ->  {self.mutated.strip()}"


def code_only(lines):
    """Each line with comments, string and character literals blanked, so that only code
    is mutated. Keeps every column where it was."""
    masked, state, raw_end = [], "code", ""
    for line in lines:
        out, i = [], 0
        while i < len(line):
            c, rest = line[i], line[i:]
            if state == "block":
                end = line.find("*/", i)
                stop = len(line) if end < 0 else end + 2
                out.append(" " * (stop - i))
                state = "block" if end < 0 else "code"
                i = stop
            elif state == "raw":
                end = line.find(raw_end, i)
                stop = len(line) if end < 0 else end + len(raw_end)
                out.append(" " * (stop - i))
                state = "raw" if end < 0 else "code"
                i = stop
            elif rest.startswith("//"):
                out.append(" " * (len(line) - i))
                i = len(line)
            elif rest.startswith("/*"):
                state = "block"
            elif (m := re.match(r'R"([^(\s]*)\(', rest)) and (i == 0 or not line[i - 1].isalnum()):
                raw_end, state = ")" + m.group(1) + '"', "raw"
                out.append(" " * len(m.group(0)))
                i += len(m.group(0))
            elif c in "\"'":
                j = i + 1
                while j < len(line) and line[j] != c:
                    j += 2 if line[j] == "\\" else 1
                out.append(" " * (min(j + 1, len(line)) - i))
                i = j + 1
            else:
                out.append(c)
                i += 1
        masked.append("".join(out))
    return masked


SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
         "+": "-", "-": "+", "*": "/", "/": "*", "&&": "||", "||": "&&"}
KIND = {"<": "boundary", "<=": "boundary", ">": "boundary", ">=": "boundary",
        "==": "equality", "!=": "equality", "+": "arithmetic", "-": "arithmetic",
        "*": "arithmetic", "/": "arithmetic", "&&": "logic", "||": "logic"}
BINARY = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||[<>+\-*/])(?= )")
NOT = re.compile(r"(?<![\w)\]!=])!(?!=)")
RETURN_BOOL = re.compile(r"\breturn (true|false);")
IF_COND = re.compile(r"^(\s*(?:\}\s*else\s+)?if \()(.*)(\) \{)$")
STATEMENT = re.compile(r"^\s*\*?[A-Za-z_][\w.:>\-\[\]]*\s*(\(|=[^=]|[+\-|&]=|\+\+|--)")
KEYWORDS = re.compile(r"^\s*(return|case|default|delete|throw|co_return|using|typedef)\b")


def balanced(text):
    depth = 0
    for c in text:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def sites(path, lines):
    masked = code_only(lines)
    previous = ""
    for number, (line, code) in enumerate(zip(lines, masked), start=1):
        body = line.rstrip("\n")
        if code.lstrip().startswith("#"):
            continue
        here = lambda op, new: Mutant(path, number, op, body, new)  # noqa: E731
        for m in BINARY.finditer(code):
            token = m.group(1)
            if KIND[token] == "arithmetic" and '"' in body:
                continue  # text joined with +: a - would not compile
            yield here(KIND[token], body[: m.start()] + SWAPS[token] + body[m.end():])
        for m in NOT.finditer(code):
            yield here("negation", body[: m.start()] + body[m.end():])
        for m in RETURN_BOOL.finditer(code):
            turned = "false" if m.group(1) == "true" else "true"
            yield here("return", body[: m.start(1)] + turned + body[m.end(1):])
        stripped = code.rstrip()
        if (m := IF_COND.match(stripped)) and balanced(m.group(2)) and ";" not in m.group(2):
            for value in ("true", "false"):
                yield here("condition", body[: m.start(2)] + value + body[m.end(2):])
        if (stripped.endswith(";") and STATEMENT.match(stripped) and not KEYWORDS.match(stripped)
                and balanced(stripped) and previous.endswith((";", "{", "}", ":"))):
            indent = body[: len(body) - len(body.lstrip())]
            yield here("deleted", indent + ";")
        if stripped.strip():
            previous = stripped.rstrip()


def all_sites(root):
    found = []
    for scope in SCOPES:
        for file in sorted((root / scope).rglob("*")):
            if file.suffix in (".cpp", ".h"):
                text = file.read_text(encoding="utf-8").splitlines()
                found.extend(sites(str(file.relative_to(root)), text))
    return found


def sync_copy(tree, rev=None):
    """Makes `tree` hold the working tree's files (tracked, and new ones not ignored), or those
    of commit `rev`. Only files whose content changed are written, so the copy's build stays
    mostly up to date."""
    source_root = SOURCE
    if rev:
        source_root = tree.parent / "rev"
        shutil.rmtree(source_root, ignore_errors=True)
        source_root.mkdir(parents=True)
        archive = subprocess.run(["git", "archive", rev], cwd=SOURCE, check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", str(source_root)], input=archive, check=True)
        wanted = {str(p.relative_to(source_root)) for p in source_root.rglob("*")
                  if p.is_symlink() or p.is_file()}
    else:
        listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                                cwd=SOURCE, check=True, capture_output=True).stdout.split(b"\0")
        wanted = {name.decode() for name in listed if name}
        wanted = {name for name in wanted if (SOURCE / name).is_symlink() or (SOURCE / name).is_file()}
    for name in sorted(wanted):
        source, copy = source_root / name, tree / name
        copy.parent.mkdir(parents=True, exist_ok=True)
        if source.is_symlink():  # the captured sysfs trees are made of links
            if not copy.is_symlink() or os.readlink(copy) != os.readlink(source):
                copy.unlink(missing_ok=True)
                copy.symlink_to(os.readlink(source))
            continue
        data = source.read_bytes()
        if copy.is_symlink() or not copy.is_file() or copy.read_bytes() != data:
            copy.unlink(missing_ok=True)
            copy.write_bytes(data)
            shutil.copymode(source, copy)
    for copy in list(tree.rglob("*")):
        if (copy.is_symlink() or copy.is_file()) and str(copy.relative_to(tree)) not in wanted:
            copy.unlink()


def load_equivalents():
    """Lines `path | original line | mutated line | why`, the lines stripped."""
    skip = {}
    if EQUIVALENTS.exists():
        for row in EQUIVALENTS.read_text(encoding="utf-8").splitlines():
            if row.strip() and not row.startswith("#"):
                path, original, mutated, why = (part.strip() for part in row.split(" | ", 3))
                skip[(path, original, mutated)] = why
    return skip


def key(mutant):
    return mutant.path, mutant.original.strip(), mutant.mutated.strip()


class Journal:
    """The original of the file being mutated, kept in the build folder until it is back."""

    def __init__(self, tree):
        self.tree = tree
        self.folder = tree.parent / "journal"
        self.folder.mkdir(parents=True, exist_ok=True)

    def restore_all(self):
        for saved in self.folder.iterdir():
            target = self.tree / saved.name.replace("%", "/")
            target.write_bytes(saved.read_bytes())
            saved.unlink()
            print(f"restored {saved.name} from an interrupted run")

    def apply(self, mutant):
        target = self.tree / mutant.path
        original = target.read_bytes()
        saved = self.folder / mutant.path.replace("/", "%")
        saved.write_bytes(original)
        lines = original.decode("utf-8").split("\n")
        assert lines[mutant.line - 1] == mutant.original, f"{mutant.path} changed under the run"
        lines[mutant.line - 1] = mutant.mutated
        target.write_text("\n".join(lines), encoding="utf-8")
        return lambda: (target.write_bytes(original), saved.unlink())


def run(command, limit=None, quiet=True):
    """Runs a command in its own process group; ends the whole group on time-out or Ctrl-C.
    Returns the exit code, or None on time-out."""
    out = subprocess.DEVNULL if quiet else None
    child = subprocess.Popen(command, stdout=out, stderr=out, start_new_session=True)
    try:
        return child.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        return None
    finally:
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=22)
    parser.add_argument("-n", type=int, default=30, help="mutants that compile (default 30)")
    parser.add_argument("--only", default="", help="regular expression over the file paths")
    parser.add_argument("--folder", default=str(SOURCE / "build" / "mutation"),
                        help="where the copy (tree/) and its build (build/) live")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--rev", help="mutate the tree of this commit instead of the working tree")
    parser.add_argument("--list", action="store_true", help="list the picks, build nothing")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # a kill restores as Ctrl-C does

    tree, build = Path(args.folder) / "tree", Path(args.folder) / "build"
    tree.mkdir(parents=True, exist_ok=True)
    journal = Journal(tree)
    journal.restore_all()
    sync_copy(tree, args.rev)
    equivalents = load_equivalents()
    candidates = [m for m in all_sites(tree) if re.search(args.only, m.path)]
    random.Random(args.seed).shuffle(candidates)
    if args.list:
        picked = [m for m in candidates if key(m) not in equivalents]
        for mutant in picked[: args.n]:
            print(mutant.describe())
        print(f"{len(candidates)} sites in all; first {args.n} shown (some may not compile)")
        return 0

    configure = ["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=Debug", "-DLINKVANE_GUI=OFF", "-DLINKVANE_WERROR=OFF"]
    compile_all = ["cmake", "--build", str(build), "-j", str(args.jobs)]
    tests = ["ctest", "--test-dir", str(build), "-LE", "gui", "-j", str(args.jobs),
             "--timeout", "120", "--stop-on-failure"]
    if run(configure, quiet=False) != 0 or run(compile_all, quiet=False) != 0:
        sys.exit("the unmutated tree does not build")
    started = time.monotonic()
    if run(tests, quiet=False) != 0:
        sys.exit("the unmutated tree fails its tests; fix that first")
    limit = 3 * (time.monotonic() - started) + 30
    print(f"suite without mutants: {time.monotonic() - started:.0f} s; limit per mutant {limit:.0f} s")

    results = {"killed": [], "survived": []}
    try:
        for mutant in candidates:
            if len(results["killed"]) + len(results["survived"]) == args.n:
                break
            if why := equivalents.get(key(mutant)):
                print(f"equivalent  {mutant.describe()}  ({why})")
                continue
            restore = journal.apply(mutant)
            try:
                if run(compile_all) != 0:
                    print(f"no build    {mutant.describe()}")
                    continue
                code = run(tests, limit)
            finally:
                restore()
            verdict = "survived" if code == 0 else "killed"
            results[verdict].append(mutant)
            timed = " (time-out)" if code is None else ""
            print(f"{verdict:<11} {mutant.describe()}{timed}", flush=True)
    except KeyboardInterrupt:
        print("interrupted; the tree is restored")
        return 130
    finally:
        run(compile_all)  # leave the build matching the tree
    killed, total = len(results["killed"]), len(results["killed"]) + len(results["survived"])
    print(f"\nseed {args.seed}: {killed} of {total} killed ({100 * killed / max(total, 1):.0f}%)")
    for mutant in results["survived"]:
        print(f"  survived: {mutant.describe()}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
