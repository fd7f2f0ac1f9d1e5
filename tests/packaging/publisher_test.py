#!/usr/bin/env python3
"""The sparse packages' publisher for signing certificates of several shapes,
made with openssl here: each is built and signed as the build does it
(installer/make-shell-package.sh) and then checked from outside
(check_shell_package.py, which reads the subject through openssl's own walk of
the certificate). The expected texts are written out as Windows writes such a
name, so the writer and the check cannot share a mistake unseen.

    publisher_test.py <source root> <Tilmar64.dll> <TilmarArm64.dll>
"""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_shell_package as check  # noqa: E402

# (openssl subject, the publisher Windows reads from it; None: the build refuses it)
CASES = [
    ("/CN=Orvane Test Publisher/O=Corvath", "O=Corvath, CN=Orvane Test Publisher"),
    ("/C=US/ST=Washington/L=Redmond/O=Corvath/OU=Printing/CN=Orvane Build",
     "CN=Orvane Build, OU=Printing, O=Corvath, L=Redmond, S=Washington, C=US"),
    ("/C=DE/O=Corvath, Inc./CN=Orvane", 'CN=Orvane, O="Corvath, Inc.", C=DE'),
    ('/O=Say "Hi"/CN=a=b#c', 'CN="a=b#c", O="Say ""Hi"""'),
    # Two attributes in one part, in their encoded (sorted) order; the manifest
    # schema allows none, so the build stops with the name it would have written.
    ("/O=Corvath/CN=Orvane Build+OU=Printing", "OU=Printing + CN=Orvane Build, O=Corvath"),
]


def main(source_root, dll_x64, dll_arm64):
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for n, (subject, expected) in enumerate(CASES):
            cert, key, out = (os.path.join(work, "%d-%s" % (n, name)) for name in ("cert.pem", "key.pem", "out"))
            os.makedirs(out)
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key,
                            "-out", cert, "-subj", subject, "-multivalue-rdn", "-addext",
                            "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
            if check.publisher_of(cert) != expected:
                failures.append("%s: the check reads %r" % (subject, check.publisher_of(cert)))
            made = subprocess.run([os.path.join(source_root, "installer", "make-shell-package.sh"), source_root, out,
                                   cert, key], capture_output=True, text=True)
            refused = "manifest schema allows only one attribute" in made.stderr
            if refused != (" + " in expected) or (refused and repr(expected) not in made.stderr):
                failures.append("%s: build exit %d, %s" % (subject, made.returncode, made.stderr.strip()))
            if made.returncode != 0:
                continue
            for package, arch, dll in (("OrvaneShell.msix", "x64", dll_x64), ("OrvaneShellArm64.msix", "arm64", dll_arm64)):
                path = os.path.join(out, package)
                with zipfile.ZipFile(path) as z:
                    identity = ET.fromstring(z.read("AppxManifest.xml")).find("m:Identity", check.NS)
                if identity.get("Publisher") != expected:
                    failures.append("%s: %s names %r" % (subject, package, identity.get("Publisher")))
                if check.main(path, arch, cert, dll, os.path.join(source_root, "installer", "files.txt")) != 0:
                    failures.append("%s: %s fails the package check" % (subject, package))
    for failure in failures:
        print("FAIL", failure)
    print("%d certificate subjects, %d failures" % (len(CASES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
