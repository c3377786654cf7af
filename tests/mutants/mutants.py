#!/usr/bin/env python3
"""Mutation check: proves that the test suite catches small, real slips in the sources.

Each entry of tests/mutants/mutations.txt names a file, an exact piece of its text and what a
careless edit would make of it. The check copies the project's tracked files into a tree of its
own (BUILD/tree, where BUILD is build-mutants by default; the working tree is only read),
configures and builds that copy once in BUILD, and runs the suite on it unmutated: it must pass.
Then, one entry at a time, it puts the slip into the copy, rebuilds, runs the tests and puts the
file back (also after a failure or Ctrl-C, with a newer modification time, so that ninja rebuilds
it). A mutant is "killed" when a test fails, "survived" when the whole suite still passes.

The tests an entry names (a ctest regular expression) run first, built alone with the programs
they may start; only when none of them fails is everything built and the rest of the suite run.
Either run stops at its first failure. The `package` test is left out of every run, the unmutated
one too: it checks the Debian package, which no mutation touches, and takes most of the suite's
time. A test that hangs fails through ctest's --timeout, and so kills its mutant.

An entry whose text does not occur exactly once in its file, whose tests match no test, or whose
mutated tree does not build, is an error of the list, never a kill: the check names it and fails.
Exit status: 0 when every mutant was killed, 1 when one survived or an entry failed to build,
2 when the list is wrong or the unmutated tree does not build or pass, 130 when interrupted.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
LIST = ROOT / "tests" / "mutants" / "mutations.txt"
# The package test checks the packaging, which no mutation touches.
ALWAYS_EXCLUDED = "^package$"
ID = re.compile(r"^[a-z0-9]+(-[a-z0-9]+)*$")


class ListError(Exception):
    pass


class Mutation:
    def __init__(self, ident, line):
        self.id = ident
        self.line = line
        self.file = ""
        self.tests = ""
        self.about = ""
        self.original = []
        self.replacement = []

    @property
    def old(self):
        return "\n".join(self.original)

    @property
    def new(self):
        return "\n".join(self.replacement)


def parse_list(path):
    """The entries of the list file, in order. Format (see the file's head):
    [id] / file: PATH / tests: REGEX / about: TEXT / "- " original lines / "+ " replacement lines."""
    mutations, errors = [], []
    current = None
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        where = f"{os.path.relpath(path, ROOT)}:{number}"
        if line.startswith("#") or not line.strip():
            continue
        if line.startswith("[") and line.rstrip().endswith("]"):
            current = Mutation(line.strip()[1:-1], where)
            mutations.append(current)
            continue
        if current is None:
            errors.append(f"{where}: text before the first [id]")
            continue
        if line[:1] in "-+" and (len(line) == 1 or line[1] == " "):
            (current.original if line[0] == "-" else current.replacement).append(line[2:])
            continue
        key, colon, value = line.partition(":")
        if colon and key in ("file", "tests", "about"):
            setattr(current, key, value.strip())
        else:
            errors.append(f"{where}: not a field, an original (- ) or a replacement (+ ) line: {line!r}")
    return mutations, errors


def occurrences(text, snippet):
    count, start = 0, text.find(snippet)
    while start >= 0:
        count += 1
        start = text.find(snippet, start + 1)
    return count


def check_entries(mutations, tracked, source_root):
    """The errors of the list that can be seen without building."""
    errors, seen = [], set()
    for m in mutations:
        def error(text):
            errors.append(f"[{m.id}] ({m.line}): {text}")
        if not ID.match(m.id):
            error("the id is not short kebab-case")
        if m.id in seen:
            error("the id is used twice")
        seen.add(m.id)
        if not m.about:
            error("no about: line")
        if not m.original:
            error("no original (- ) lines")
        if m.old == m.new:
            error("the replacement is the original")
        if m.tests:
            try:
                re.compile(m.tests)
            except re.error as failure:
                error(f"tests: is no regular expression: {failure}")
        if m.file not in tracked:
            error(f"file: {m.file!r} is not a tracked file")
            continue
        count = occurrences((source_root / m.file).read_text(encoding="utf-8"), m.old) if m.original else 0
        if m.original and count != 1:
            error(f"the original text occurs {count} times in {m.file}, not once")
    return errors


def tracked_files():
    listed = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z", "--cached"], check=True,
                            capture_output=True).stdout.decode("utf-8", "surrogateescape")
    return sorted({name for name in listed.split("\0") if name and os.path.lexists(ROOT / name)})


def sync_tree(tree, files):
    """Makes tree hold exactly the working tree's tracked files as they are now. Only files whose
    content differs are written, so the build stays current."""
    wanted = set(files)
    for name in files:
        source, copy = ROOT / name, tree / name
        copy.parent.mkdir(parents=True, exist_ok=True)
        if source.is_symlink():
            target = os.readlink(source)
            if not copy.is_symlink() or os.readlink(copy) != target:
                if copy.exists() or copy.is_symlink():
                    copy.unlink()
                os.symlink(target, copy)
            continue
        content = source.read_bytes()
        if copy.is_symlink() or not copy.is_file() or copy.read_bytes() != content:
            if copy.is_symlink():
                copy.unlink()
            copy.write_bytes(content)
        mode = source.stat().st_mode & 0o777
        if copy.stat().st_mode & 0o777 != mode:
            os.chmod(copy, mode)
    for folder, subfolders, names in os.walk(tree, topdown=False):
        for name in names:
            path = Path(folder) / name
            if path.relative_to(tree).as_posix() not in wanted:
                path.unlink()
        for name in subfolders:
            path = Path(folder) / name
            if path.is_dir() and not path.is_symlink() and not any(path.iterdir()):
                path.rmdir()


class Runner:
    def __init__(self, build, jobs, timeout):
        self.build = build
        self.tree = build / "tree"
        self.logs = build / "logs"
        self.jobs = jobs
        self.timeout = timeout
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.test_exes = {}  # test name -> the build's executables it runs
        self.programs = []  # the build's other executables: programs a test may start

    def run(self, command, log, cwd=None):
        """The command's exit status. It runs in a process group of its own, ended as a whole (the
        compilers or tests it started too) when this script is interrupted."""
        with open(log, "a", encoding="utf-8", errors="replace") as out:
            out.write(f"\n$ {' '.join(command)}\n")
            out.flush()
            process = subprocess.Popen(command, cwd=cwd or self.build, env=self.env, stdout=out,
                                       stderr=subprocess.STDOUT, start_new_session=True)
            try:
                return process.wait()
            except BaseException:
                end_group(process)
                raise

    def configure(self, log):
        if (self.build / "CMakeCache.txt").exists():
            return 0
        command = ["cmake", "-S", str(self.tree), "-B", str(self.build), "-G", "Ninja",
                   "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVEXA_BUILD_BENCH=OFF"]
        if shutil.which("ccache"):
            command.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        return self.run(command, log)

    def compile(self, log, targets=()):
        return self.run(["cmake", "--build", str(self.build), "-j", str(self.jobs), "--", *targets], log)

    def ctest(self, log, include=None, exclude=ALWAYS_EXCLUDED, stop=False):
        command = ["ctest", "--timeout", str(self.timeout), "-j", str(self.jobs), "--output-on-failure", "-E", exclude]
        if include:
            command += ["-R", include]
        if stop:
            command.append("--stop-on-failure")
        start = log.stat().st_size if log.exists() else 0
        status = self.run(command, log)
        with open(log, encoding="utf-8", errors="replace") as out:
            out.seek(start)
            output = out.read()
        _, marker, failures = output.partition("The following tests FAILED:")
        return status, re.findall(r"^\s*\d+ - (\S+)", failures, re.M) if marker else []

    def learn_tests(self):
        shown = subprocess.run(["ctest", "--show-only=json-v1"], cwd=self.build, env=self.env, check=True,
                               capture_output=True, text=True).stdout
        built = self.build.resolve()
        tree = self.tree.resolve()
        for test in json.loads(shown)["tests"]:
            exes = []
            for part in test.get("command", []):
                path = Path(part)
                if path.is_absolute() and path.is_file() and built in path.parents and tree not in path.parents:
                    exes.append(path.relative_to(built).as_posix())
            self.test_exes[test["name"]] = exes
        run_by_tests = {exe for exes in self.test_exes.values() for exe in exes}
        # Only what the build still makes: a program left in bin/ by an older build is no target.
        listed = subprocess.run(["ninja", "-C", str(self.build), "-t", "targets", "all"], check=True,
                                capture_output=True, text=True).stdout
        targets = {line.split(":", 1)[0] for line in listed.splitlines()}
        bin_folder = self.build / "bin"
        self.programs = sorted(f"bin/{p.name}" for p in bin_folder.iterdir()
                               if p.is_file() and os.access(p, os.X_OK) and f"bin/{p.name}" in targets
                               and f"bin/{p.name}" not in run_by_tests)

    def matching(self, regex):
        pattern = re.compile(regex)
        return [name for name in self.test_exes if pattern.search(name) and not re.search(ALWAYS_EXCLUDED, name)]


def end_group(process):
    """Interrupts a command's process group as Ctrl-C would, and kills what is left after 10 s."""
    for signum, grace in ((signal.SIGINT, 10), (signal.SIGKILL, 5)):
        try:
            os.killpg(process.pid, signum)
        except ProcessLookupError:
            return
        try:
            process.wait(timeout=grace)
            return
        except subprocess.TimeoutExpired:
            continue


def restore(path, original_bytes):
    """Writes the file back, its modification time past the mutant's so that ninja rebuilds it."""
    mutated_ns = path.stat().st_mtime_ns
    path.write_bytes(original_bytes)
    if path.stat().st_mtime_ns <= mutated_ns:
        later = mutated_ns + 10_000_000
        os.utime(path, ns=(later, later))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter,
                                     epilog="See the README's section 'Mutation check'.")
    parser.add_argument("--build", default="build-mutants",
                        help="the mutants' build folder, relative to the project (default: build-mutants)")
    parser.add_argument("--jobs", "-j", type=int, default=2, help="parallel build and test jobs (default: 2)")
    parser.add_argument("--timeout", type=int, default=60,
                        help="seconds after which ctest fails a test that hangs (default: 60)")
    parser.add_argument("--mutations", default=str(LIST.relative_to(ROOT)),
                        help="the list, relative to the project (default: %(default)s)")
    parser.add_argument("--only", default="", help="comma-separated ids: run these mutations alone")
    parser.add_argument("--check", action="store_true", help="only check the list against the sources, build nothing")
    parser.add_argument("--list", action="store_true", help="print the ids, files and descriptions, build nothing")
    args = parser.parse_args()
    build = (ROOT / args.build).resolve()

    list_file = (ROOT / args.mutations).resolve()
    mutations, errors = parse_list(list_file)
    files = tracked_files()
    errors += check_entries(mutations, set(files), ROOT)
    if errors:
        for error in errors:
            print(f"error: {error}")
        print(f"mutants: {len(errors)} error(s) in {args.mutations}; nothing was built")
        return 2
    if args.list:
        for m in mutations:
            print(f"{m.id:34} {m.file:40} {m.about}")
        return 0
    if args.check:
        print(f"mutants: {len(mutations)} mutations, the list matches the sources")
        return 0
    if args.only:
        wanted = [ident.strip() for ident in args.only.split(",") if ident.strip()]
        unknown = [ident for ident in wanted if ident not in {m.id for m in mutations}]
        if unknown:
            print(f"mutants: no such mutation: {', '.join(unknown)}")
            return 2
        mutations = [m for m in mutations if m.id in wanted]

    runner = Runner(build, args.jobs, args.timeout)
    runner.tree.mkdir(parents=True, exist_ok=True)
    if runner.logs.exists():
        shutil.rmtree(runner.logs)
    runner.logs.mkdir()
    sync_tree(runner.tree, files)

    started = time.monotonic()
    baseline = runner.logs / "baseline.log"
    print(f"mutants: building and testing the unmutated copy in {build.relative_to(ROOT)}/ (log: "
          f"{baseline.relative_to(ROOT)})", flush=True)
    if runner.configure(baseline) != 0 or runner.compile(baseline) != 0:
        print(f"mutants: the unmutated tree does not build; nothing was mutated. See {baseline}")
        return 2
    status, failed = runner.ctest(baseline)
    if status != 0:
        print(f"mutants: the suite fails without any mutation ({', '.join(failed) or 'see the log'}); "
              f"fix that first. See {baseline}")
        return 2
    runner.learn_tests()
    unmatched = [m for m in mutations if m.tests and not runner.matching(m.tests)]
    for m in unmatched:
        print(f"error: [{m.id}] ({m.line}): tests: {m.tests!r} matches no test")
    if unmatched:
        print(f"mutants: {len(unmatched)} error(s) in {args.mutations}; nothing was mutated")
        return 2
    print(f"mutants: the unmutated suite passes ({len(runner.matching('.'))} tests, "
          f"{time.monotonic() - started:.0f} s); {len(mutations)} mutations follow", flush=True)

    killed, survived, broken = [], [], []
    for m in mutations:
        path = runner.tree / m.file
        assert runner.tree.resolve() in path.resolve().parents, "a mutation is only ever put in the copy"
        original_bytes = path.read_bytes()
        text = original_bytes.decode("utf-8")
        if occurrences(text, m.old) != 1:
            print(f"ERROR     {m.id}: the original text does not occur once in the copy of {m.file}")
            broken.append(m.id)
            continue
        log = runner.logs / f"{m.id}.log"
        begun = time.monotonic()
        try:
            path.write_bytes(text.replace(m.old, m.new, 1).encode("utf-8"))
            outcome, detail = None, ""
            if m.tests:
                selected = runner.matching(m.tests)
                targets = sorted({exe for name in selected for exe in runner.test_exes[name]} | set(runner.programs))
                if runner.compile(log, targets) != 0:
                    outcome = "ERROR"
                else:
                    status, failed = runner.ctest(log, include=m.tests, stop=True)
                    if status != 0:
                        outcome, detail = "killed", ", ".join(failed[:3]) or f"ctest exit {status}"
            if outcome is None:
                if runner.compile(log) != 0:
                    outcome = "ERROR"
                else:
                    exclude = f"({m.tests})|{ALWAYS_EXCLUDED}" if m.tests else ALWAYS_EXCLUDED
                    status, failed = runner.ctest(log, exclude=exclude, stop=True)
                    outcome = "killed" if status != 0 else "survived"
                    detail = (", ".join(failed[:3]) or f"ctest exit {status}") if status != 0 else ""
        finally:
            restore(path, original_bytes)
        seconds = time.monotonic() - begun
        if outcome == "ERROR":
            broken.append(m.id)
            print(f"ERROR     {m.id}: the mutated tree does not build ({seconds:.0f} s). See {log}", flush=True)
            continue
        (killed if outcome == "killed" else survived).append(m.id)
        print(f"{outcome:9} {m.id:34} {seconds:4.0f} s  {detail}".rstrip(), flush=True)

    minutes, seconds = divmod(round(time.monotonic() - started), 60)
    if broken:
        print(f"mutants: {len(broken)} error(s) of the list: {', '.join(broken)}")
    print(f"mutants: run time {minutes} min {seconds} s; logs in {runner.logs.relative_to(ROOT)}/")
    print(f"mutants: {len(killed)} killed, {len(survived)} survived")
    return 1 if survived or broken else 0


def interrupted(signum, frame):
    raise KeyboardInterrupt


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("\nmutants: interrupted; the file in work was put back")
        sys.exit(130)
