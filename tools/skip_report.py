#!/usr/bin/env python3
"""skip_report.py <ctest junit file>: what the test run skipped, and whether that may pass.

Every skip is listed: whole tests CTest counted as skipped (exit code 77) and single
GoogleTest cases that called GTEST_SKIP inside a test that passed. On a developer's
machine a skip is honest; in CI (the CI environment variable set) it means the bench
or the machine is not what the test command sets up, so the run fails. The one skip
that stays a skip everywhere is the 32-bit one where the kernel refuses i386
programs, or where the package mirror could not give 32-bit Wine (a lagging i386
index). The last line sums the run up, and names a 32-bit skip there, so that a
green run that did not test the 32-bit shell extension cannot pass unnoticed.
"""
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

KERNEL_REFUSES_I386 = "SKIP: 32-bit Wine cannot run on this machine (the kernel refuses i386 executables)"
MIRROR_REFUSED_I386 = "SKIP: 32-bit Wine could not be installed"
# The allowed skips: the start of the runner's line, and the summary's reason.
ALLOWED = {KERNEL_REFUSES_I386: "this machine's kernel refuses i386 programs",
           MIRROR_REFUSED_I386: "the package mirror could not give 32-bit Wine (see tools/install-deps.sh)"}
# GoogleTest prints the reason after "Skipped", then "[  SKIPPED ] Suite.Case (n ms)".
CASE_SKIP = re.compile(r"Skipped\r?\n(?P<reason>.*?)\r?\n\[  SKIPPED \] (?P<case>\S+) \(", re.S)


def skips(junit_path):
    """(test, reason) for every skip; the reason is a key of ALLOWED for an allowed one."""
    found = []
    for case in ElementTree.parse(junit_path).getroot().iter("testcase"):
        name = case.get("name")
        out = case.findtext("system-out") or ""
        if case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            allowed = [key for key in ALLOWED if key in out]
            reason = allowed[0] if allowed else (out.strip().splitlines() or [case.get("status")])[-1]
            found.append((name, reason))
            continue
        for m in CASE_SKIP.finditer(out):
            found.append((f"{name}: {m.group('case')}", m.group("reason").strip() or "no reason given"))
    return found


def failures(junit_path):
    return sum(1 for case in ElementTree.parse(junit_path).getroot().iter("testcase")
               if case.find("failure") is not None or case.get("status") == "fail")


def summary(found, failed, ci):
    """The run's last line: what failed, and any 32-bit tests that did not run, and why."""
    others = [(test, reason) for test, reason in found if reason not in ALLOWED]
    verdict = "FAIL" if failed or (others and ci) else "PASS"
    parts = [f"{failed} test(s) failed" if failed else "no test failed"]
    if others:
        parts.append(f"{len(others)} other skip(s)" + (" (not allowed in CI)" if ci else ""))
    for key, why in ALLOWED.items():
        count = sum(1 for _, reason in found if reason == key)
        if count:
            parts.append(f"{count} 32-bit Wine tests NOT RUN: {why}; run them on a machine that can "
                         "(README, \"The 32-bit tests elsewhere\")")
    return f"summary: {verdict}: " + "; ".join(parts)


def main():
    found = skips(sys.argv[1])
    ci = bool(os.environ.get("CI"))
    for key, why in ALLOWED.items():
        count = sum(1 for _, reason in found if reason == key)
        if count:
            print(f"skipped: {count} 32-bit Wine tests, because {why}")
    for test, reason in found:
        if reason not in ALLOWED:
            print(f"skipped: {test} ({reason})")
    print(summary(found, failures(sys.argv[1]), ci))
    return 1 if ci and any(reason not in ALLOWED for _, reason in found) else 0


if __name__ == "__main__":
    sys.exit(main())
