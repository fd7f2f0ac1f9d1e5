#!/usr/bin/env python3
"""Checks the signed sparse package from outside: the manifest's rules that
Windows enforces for a package with external content, the block map recomputed
from the zip's own bytes, and the signature through osslsigncode.

    check_shell_package.py <package.msix> <x64|arm64> <certificate.pem> <its server DLL> <installer/files.txt>
"""
import base64
import hashlib
import re
import struct
import subprocess
import sys
import uuid
import xml.etree.ElementTree as ET
import zipfile

NS = {"m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
      "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
      "uap10": "http://schemas.microsoft.com/appx/manifest/uap/windows10/10",
      "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
      "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
      "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
      "rescap": "http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities",
      "b": "http://schemas.microsoft.com/appx/2010/blockmap"}
SERVER_VIEWS = {"x64": "64", "arm64": "arm64"}  # the server's mark in installer/files.txt
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}


# openssl's names of the attribute types -> the keys Windows writes in a name.
WINDOWS_KEYS = {"commonName": "CN", "surname": "SN", "serialNumber": "SERIALNUMBER", "countryName": "C",
                "localityName": "L", "stateOrProvinceName": "S", "streetAddress": "STREET",
                "organizationName": "O", "organizationalUnitName": "OU", "title": "T", "givenName": "G",
                "initials": "I", "emailAddress": "E", "domainComponent": "DC", "description": "Description",
                "postalCode": "PostalCode", "postOfficeBox": "POBox", "telephoneNumber": "Phone",
                "x121Address": "X21Address", "dnQualifier": "dnQualifier"}
NEEDS_QUOTES = re.compile(r'^$|^\s|\s$|[,+="\n<>#;]')


def publisher_of(cert):
    """The subject as Windows writes a signer's name, from openssl's own walk of
    the certificate's DER (asn1parse): the subject is the sixth item of the
    signed part; each SET in it is one name part, written last part first."""
    lines = subprocess.run(["openssl", "asn1parse", "-in", cert], check=True, capture_output=True,
                           text=True).stdout.splitlines()
    parts, child, key = [], 0, None
    for line in lines:
        depth = int(re.search(r"d=(\d+)", line).group(1))
        what = line.split(":", 3)[3] if line.count(":") >= 3 else ""  # offset:depth... prim: TYPE :what
        if depth == 1:
            child = 0
        elif depth == 2:
            child += 1
        elif child == 6 and depth == 3:  # [0] version, serial, algorithm, issuer, validity, subject
            parts.append([])
        elif child == 6 and depth == 5 and "OBJECT" in line:
            name = what.strip()
            key = WINDOWS_KEYS.get(name, "OID." + name if re.fullmatch(r"[\d.]+", name) else name)
        elif child == 6 and depth == 5:
            value = what
            parts[-1].append("%s=%s" % (key, '"%s"' % value.replace('"', '""') if NEEDS_QUOTES.search(value) else value))
    written = []
    while parts:
        written.append(" + ".join(parts.pop()))
    return ", ".join(written)


def installed_files(files_txt):
    names = {}
    for line in open(files_txt, encoding="utf-8"):
        words = line.split("#", 1)[0].split()
        if words:
            names[words[0]] = words[1] if len(words) > 1 else None
    return names


def manifest_problems(manifest, package_names, architecture, cert, dll, files):
    attr = lambda e, name: e.get(name) if e is not None else None  # noqa: E731
    identity = manifest.find("m:Identity", NS)
    app = manifest.find("m:Applications/m:Application", NS)
    verb = manifest.find(".//desktop5:ItemType[@Type='.pdf']/desktop5:Verb", NS)
    server = manifest.find(".//com:SurrogateServer/com:Class", NS)
    capabilities = {c.get("Name") for c in manifest.findall("m:Capabilities/rescap:Capability", NS)}
    family = manifest.find("m:Dependencies/m:TargetDeviceFamily[@Name='Windows.Desktop']", NS)
    checks = [
        ("identity name", bool(attr(identity, "Name"))),
        ("publisher is the certificate's subject", attr(identity, "Publisher") == publisher_of(cert)),
        ("four-part version", len((attr(identity, "Version") or "").split(".")) == 4),
        ("architecture " + architecture, attr(identity, "ProcessorArchitecture") == architecture),
        ("external content allowed",
         manifest.findtext("m:Properties/uap10:AllowExternalContent", namespaces=NS) == "true"),
        ("full trust, unvirtualized", {"runFullTrust", "unvirtualizedResources"} <= capabilities),
        ("Windows 10 2004 or later", tuple(map(int, (attr(family, "MinVersion") or "0").split("."))) >= (10, 0, 19041)),
        ("program installed by the installers", attr(app, "Executable") in files),
        ("desktop program", attr(app, "{%s}RuntimeBehavior" % NS["uap10"]) == "win32App"),
        ("verb for .pdf", verb is not None and server is not None),
        ("verb's class is the COM server's", attr(verb, "Clsid") is not None and attr(verb, "Clsid") == attr(server, "Id")),
        ("COM server is the installed %s extension" % architecture,
         files.get(attr(server, "Path")) == SERVER_VIEWS[architecture]),
        ("logo in the package", (manifest.findtext("m:Properties/m:Logo", namespaces=NS) or "").replace("\\", "/")
         in package_names),
    ]
    if attr(verb, "Clsid"):
        dll_bytes = open(dll, "rb").read()
        checks.append(("the DLL holds the verb's class id", uuid.UUID(attr(verb, "Clsid")).bytes_le in dll_bytes))
    return [name for name, ok in checks if not ok]


def block_map_problems(archive, raw):
    """Recomputes every payload file's entry from the zip itself."""
    listed = {f.get("Name"): f for f in ET.fromstring(archive.read("AppxBlockMap.xml")).findall("b:File", NS)}
    problems = []
    payload = [i for i in archive.infolist() if i.filename not in FOOTPRINT]
    if sorted(listed) != sorted(i.filename.replace("/", "\\") for i in payload):
        problems.append("block map lists %s, the package holds %s" % (sorted(listed), [i.filename for i in payload]))
    for info in payload:
        entry = listed.get(info.filename.replace("/", "\\"))
        if entry is None:
            continue
        data = archive.read(info)
        name_length, extra_length = struct.unpack_from("<HH", raw, info.header_offset + 26)
        hashes = [base64.b64encode(hashlib.sha256(data[i:i + 65536]).digest()).decode()
                  for i in range(0, len(data), 65536)]
        if entry.get("Size") != str(len(data)) or entry.get("LfhSize") != str(30 + name_length + extra_length):
            problems.append("%s: sizes %s/%s" % (info.filename, entry.get("Size"), entry.get("LfhSize")))
        if [b.get("Hash") for b in entry.findall("b:Block", NS)] != hashes:
            problems.append("%s: block hashes differ" % info.filename)
    return problems


def main(msix, architecture, cert, dll, files_txt):
    raw = open(msix, "rb").read()
    with zipfile.ZipFile(msix) as archive:
        problems = ["corrupt entry %s" % bad for bad in [archive.testzip()] if bad]
        manifest = ET.fromstring(archive.read("AppxManifest.xml"))
        problems += manifest_problems(manifest, archive.namelist(), architecture, cert, dll, installed_files(files_txt))
        problems += block_map_problems(archive, raw)
    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", msix], capture_output=True, text=True)
    if verify.returncode != 0:
        problems.append("osslsigncode verify failed:\n" + verify.stdout + verify.stderr)
    for problem in problems:
        print("FAIL", problem)
    if not problems:
        print("%s: manifest, block map and signature check out" % msix)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
