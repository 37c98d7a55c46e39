"""Runs the command lines of the user's guide as they are written.

The guide marks them as ```console blocks: a line starting with "$ " is a command (a
trailing backslash continues it on the next line), the lines after it up to the next
command are output it promises, each of which must appear in what the command printed
(stdout and stderr together); a line "..." stands for output left out. Every command runs
with bash in the demo folder (the guide tells the reader to `cd demo`), with the folders
of the programs named by --bin first on PATH, so `mvtervik-cli` means the one just built.
A command fails the test when it exits non-zero, when an output line it promises is
missing, or when it asks for --json and its stdout is not JSON.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys


def console_blocks(text):
    """Yields (line number, block lines) of every ```console block."""
    lines = text.splitlines()
    i = 0
    while i < len(lines):
        if lines[i].strip() == "```console":
            start = i + 1
            j = start
            while j < len(lines) and lines[j].strip() != "```":
                j += 1
            if j == len(lines):
                raise SystemExit(f"guide line {i + 1}: a console block is not closed")
            yield start + 1, lines[start:j]
            i = j
        i += 1


def commands(text):
    """Yields (line number, command, promised lines)."""
    for first, block in console_blocks(text):
        current = None
        k = 0
        while k < len(block):
            line = block[k]
            if line.startswith("$ "):
                if current:
                    yield current
                cmd = line[2:]
                at = first + k
                while cmd.endswith("\\") and k + 1 < len(block):
                    k += 1
                    cmd = cmd + "\n" + block[k]
                current = (at, cmd, [])
            elif current is None:
                if line.strip():
                    raise SystemExit(f"guide line {first + k}: output before any command")
            elif line.strip() and line.strip() != "...":
                current[2].append(line.strip())
            k += 1
        if current:
            yield current


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--guide", required=True)
    ap.add_argument("--bin", action="append", default=[], help="a program the guide runs")
    ap.add_argument("--work", required=True, help="scratch folder, emptied first")
    args = ap.parse_args()

    with open(args.guide, encoding="utf-8") as f:
        text = f.read()
    found = list(commands(text))
    if not found:
        raise SystemExit("the guide shows no command lines")

    bins = [os.path.abspath(b) for b in args.bin]
    for b in bins:
        if not os.access(b, os.X_OK):
            raise SystemExit(f"{b} is not built")
    names = {os.path.basename(b) for b in bins}
    env = dict(os.environ)
    env["PATH"] = os.pathsep.join([os.path.dirname(b) for b in bins] + [env.get("PATH", "")])

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    demo = os.path.join(args.work, "demo")
    demo_writer = next(b for b in bins if os.path.basename(b) == "mvt-demo")
    subprocess.run([demo_writer, demo], check=True, stdout=subprocess.DEVNULL)

    failures = 0
    for at, cmd, promised in found:
        program = cmd.split()[0]
        if program not in names and program not in ("ls", "mkdir"):
            print(f"guide line {at}: '{program}' is none of the programs the guide may run")
            failures += 1
            continue
        r = subprocess.run(["bash", "-euo", "pipefail", "-c", cmd], cwd=demo, env=env,
                           capture_output=True, text=True, timeout=240)
        shown = r.stdout + r.stderr
        problems = []
        if r.returncode != 0:
            problems.append(f"exit code {r.returncode}")
        for p in promised:
            if p not in shown:
                problems.append(f"output lacks: {p}")
        if re.search(r"(^|\s)--json(\s|$)", cmd):
            try:
                json.loads(r.stdout)
            except ValueError as e:
                problems.append(f"--json output is not JSON: {e}")
        status = "ok" if not problems else "FAILED"
        print(f"guide line {at}: {status}: {cmd.splitlines()[0]}")
        for p in problems:
            print(f"    {p}")
        if problems:
            failures += 1
            print("    --- output ---")
            print("    " + "\n    ".join(shown.splitlines()[-20:]))
    print(f"{len(found)} command lines, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
