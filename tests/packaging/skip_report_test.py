#!/usr/bin/env python3
"""The test command's last line: a run that skipped the 32-bit tests says so there, and
why; in CI any other skip fails the run. skip_report_test.py <tools folder>"""
import os
import subprocess
import sys
import tempfile

KERNEL = "SKIP: 32-bit Wine cannot run on this machine (the kernel refuses i386 executables)"
MIRROR = "SKIP: 32-bit Wine could not be installed (E: Unable to correct problems)"


def case(name, out=None, failed=False):
    if out is None:
        return f'<testcase name="{name}" status="{"fail" if failed else "run"}">' + \
            ("<failure/>" if failed else "") + "</testcase>"
    return f'<testcase name="{name}" status="notrun"><skipped/><system-out>{out}</system-out></testcase>'


CASES = [  # what ran, CI set, the summary line's start, exit code
    ([case("native.a")], True, "summary: PASS: no test failed", 0),
    ([case("native.a"), case("win32.t", KERNEL), case("win32.u", KERNEL)], True,
     "summary: PASS: no test failed; 2 32-bit Wine tests NOT RUN: this machine's kernel refuses i386", 0),
    ([case("win32.t", MIRROR)], True,
     "summary: PASS: no test failed; 1 32-bit Wine tests NOT RUN: the package mirror could not give", 0),
    ([case("win64.t", "SKIP: no bench")], True, "summary: FAIL: no test failed; 1 other skip(s) (not allowed", 1),
    ([case("win64.t", "SKIP: no bench")], False, "summary: PASS: no test failed; 1 other skip(s)", 0),
    ([case("native.a", failed=True), case("win32.t", KERNEL)], False,
     "summary: FAIL: 1 test(s) failed; 1 32-bit Wine tests NOT RUN", 0),
]

failures = 0
for cases, ci, expected, code in CASES:
    with tempfile.NamedTemporaryFile("w", suffix=".xml", delete=False) as f:
        f.write("<testsuite>" + "".join(cases) + "</testsuite>")
    env = {k: v for k, v in os.environ.items() if k != "CI"}
    if ci:
        env["CI"] = "true"
    run = subprocess.run([sys.executable, os.path.join(sys.argv[1], "skip_report.py"), f.name],
                         capture_output=True, text=True, env=env)
    os.unlink(f.name)
    last = run.stdout.strip().splitlines()[-1] if run.stdout.strip() else ""
    if not last.startswith(expected) or run.returncode != code:
        failures += 1
        print(f"expected {expected!r} (exit {code}), got {last!r} (exit {run.returncode})")
sys.exit(1 if failures else 0)
