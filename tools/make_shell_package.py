#!/usr/bin/env python3
"""Builds the sparse package that gives the shell extension's first-level menu
entry its package identity on Windows 11: a package with external content whose
files stay in the installation folder.

    tools/make_shell_package.py <source root> <out dir> --certificate cert.pem [--version X.Y.Z]

writes one package per architecture (OrvaneShell.msix for x64, OrvaneShellArm64.msix):
Windows on ARM hosts the verb's class in an ARM64 surrogate, which loads only the
ARM64 server.

The package holds AppxManifest.xml, a logo, AppxBlockMap.xml and [Content_Types].xml
(an OPC zip; the block map carries the SHA-256 of every 64 KiB block of every
file). The program and the COM server it declares are the files installer/files.txt
lists; the verb's class is the one contextmenu/tilmar.rgs registers as
"Orvane Explorer Command". Signing is osslsigncode's (see installer/CMakeLists.txt):
the publisher is the signing certificate's subject as Windows writes a name
(publisher_of below), since Windows compares the two exactly.
"""
import argparse
import base64
import binascii
import hashlib
import io
import os
import re
import struct
import sys
import zipfile
import zlib
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_package_sources as sources  # noqa: E402

PACKAGE_NAME = "Corvath.OrvaneShell"
COMMAND_CLASS_NAME = "Orvane Explorer Command"
# Sparse packages came with Windows 10 2004; the first-level menu takes their
# verbs from Windows 11 (10.0.22000) on, where older systems skip the package.
MIN_VERSION = "10.0.19041.0"
MAX_VERSION_TESTED = "10.0.22621.0"
BLOCK_SIZE = 64 * 1024
LOGO = "Assets/Logo.png"


# X.500 key names Windows writes for a name's attribute types; any other type is
# written as OID.<dotted number>.
X500_KEYS = {
    "2.5.4.3": "CN", "2.5.4.4": "SN", "2.5.4.5": "SERIALNUMBER", "2.5.4.6": "C", "2.5.4.7": "L",
    "2.5.4.8": "S", "2.5.4.9": "STREET", "2.5.4.10": "O", "2.5.4.11": "OU", "2.5.4.12": "T",
    "2.5.4.13": "Description", "2.5.4.17": "PostalCode", "2.5.4.18": "POBox", "2.5.4.20": "Phone",
    "2.5.4.24": "X21Address", "2.5.4.42": "G", "2.5.4.43": "I", "2.5.4.46": "dnQualifier",
    "1.2.840.113549.1.9.1": "E", "0.9.2342.19200300.100.1.25": "DC",
}
# The manifest schema's pattern for a publisher: name parts joined by ", " only.
KEY = r"(CN|L|O|OU|E|C|S|STREET|T|G|I|SN|DC|SERIALNUMBER|Description|PostalCode|POBox|Phone|X21Address|dnQualifier" \
      r"|(OID\.(0|[1-9][0-9]*)(\.(0|[1-9][0-9]*))+))=(([^,+=\"<>#;])+|\".*\")"
PUBLISHER_PATTERN = re.compile(KEY + "(, " + KEY + ")*")


def der_items(data, start=0, end=None):
    """(tag, contents start, contents end) of each DER item in data[start:end]."""
    end = len(data) if end is None else end
    while start < end:
        tag, length = data[start], data[start + 1]
        start += 2
        if length & 0x80:
            count = length & 0x7F
            length = int.from_bytes(data[start:start + count], "big")
            start += count
        yield tag, start, start + length
        start += length


def oid_text(raw):
    first, numbers, value = raw[0], [], 0
    for byte in raw[1:]:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            numbers.append(value)
            value = 0
    return ".".join(map(str, [min(first // 40, 2), first - 40 * min(first // 40, 2)] + numbers))


def attribute_value(tag, raw):
    if tag == 0x1E:  # BMPString
        return raw.decode("utf-16-be")
    if tag == 0x1C:  # UniversalString
        return raw.decode("utf-32-be")
    return raw.decode("utf-8" if tag == 0x0C else "latin-1")


def quoted(value):
    """A value as Windows writes it in a name: in double quotes (inner ones
    doubled) when empty, when it starts or ends with a blank, or when it holds
    a character that separates or marks name parts."""
    if value == "" or value != value.strip(" \t\r\n") or any(c in value for c in ',+="\n<>#;'):
        return '"%s"' % value.replace('"', '""')
    return value


def subject_parts(der):
    """The subject's name parts in encoded order: each a list of (type, value)."""
    certificate = next(der_items(der))
    tbs = next(der_items(der, certificate[1], certificate[2]))
    fields = [item for item in der_items(der, tbs[1], tbs[2]) if item[0] != 0xA0]  # without [0] version
    subject = fields[4]  # serial, signature, issuer, validity, subject
    parts = []
    for _, set_start, set_end in der_items(der, subject[1], subject[2]):
        part = []
        for _, start, end in der_items(der, set_start, set_end):
            (_, oid_start, oid_end), (tag, value_start, value_end) = list(der_items(der, start, end))[:2]
            part.append((oid_text(der[oid_start:oid_end]), attribute_value(tag, der[value_start:value_end])))
        parts.append(part)
    return parts


def publisher_of(der):
    """The certificate's subject as Windows writes a name (X.500 keys, reversed):
    the most specific part first, ", " between parts, " + " between the
    attributes of one part, values quoted as quoted() says."""
    return ", ".join(" + ".join("%s=%s" % (X500_KEYS.get(oid, "OID." + oid), quoted(value)) for oid, value in part)
                     for part in reversed(subject_parts(der)))


def certificate_der(path):
    """The DER bytes of a PEM (or DER) certificate file."""
    raw = open(path, "rb").read()
    pem = re.search(rb"-----BEGIN CERTIFICATE-----(.*?)-----END CERTIFICATE-----", raw, re.S)
    return binascii.a2b_base64(pem.group(1)) if pem else raw


def package_publisher(certificate):
    publisher = publisher_of(certificate_der(certificate))
    if not PUBLISHER_PATTERN.fullmatch(publisher):
        # The manifest schema has no room for such a subject (for instance two
        # attributes in one name part): Windows would refuse the package.
        raise sources.SourceError("the signing certificate's subject %r cannot be a package's publisher: the "
                                  "manifest schema allows only one attribute per name part" % publisher)
    return publisher


def command_class(source_root):
    """The class id (without braces) registered for the first-level menu's entry."""
    rgs = open(os.path.join(source_root, "contextmenu", "tilmar.rgs"), encoding="utf-8").read()
    values, _ = sources.parse_registrar_script(rgs, "module")
    for _, key, name, (_, data) in values:
        if name is None and data == COMMAND_CLASS_NAME and key.upper().startswith("CLSID\\"):
            return key.split("\\")[1].strip("{}").upper()
    raise sources.SourceError("tilmar.rgs registers no %r class" % COMMAND_CLASS_NAME)


def packaged_files(source_root, architecture):
    """The program and the architecture's COM server, as the installers install them."""
    entries = sources.read_file_list(os.path.join(source_root, "installer", "files.txt"))
    programs = [name for name, _ in entries if name.lower().endswith(".exe")]
    if not programs:
        raise sources.SourceError("installer/files.txt names no program")
    return programs[0], sources.server_file(entries, architecture)


def logo_png(size=150, rgb=(0x2B, 0x57, 0x9A)):
    """A plain square PNG at the tile's size: the package must name a logo; the
    menu shows none. Its pixels go uncompressed, as the package stores its files."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes(rgb) * size for _ in range(size))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 0)) + chunk(b"IEND", b""))


def manifest(publisher, version, architecture, program, server, clsid):
    logo = LOGO.replace("/", "\\")
    return f'''<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
         xmlns:uap="http://schemas.microsoft.com/appx/manifest/uap/windows10"
         xmlns:uap10="http://schemas.microsoft.com/appx/manifest/uap/windows10/10"
         xmlns:desktop4="http://schemas.microsoft.com/appx/manifest/desktop/windows10/4"
         xmlns:desktop5="http://schemas.microsoft.com/appx/manifest/desktop/windows10/5"
         xmlns:com="http://schemas.microsoft.com/appx/manifest/com/windows10"
         xmlns:rescap="http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities"
         IgnorableNamespaces="uap uap10 desktop4 desktop5 com rescap">
  <Identity Name="{PACKAGE_NAME}" Publisher={quoteattr(publisher)} Version="{version}.0" ProcessorArchitecture="{architecture}"/>
  <Properties>
    <DisplayName>Orvane</DisplayName>
    <PublisherDisplayName>Corvath</PublisherDisplayName>
    <Logo>{logo}</Logo>
    <uap10:AllowExternalContent>true</uap10:AllowExternalContent>
  </Properties>
  <Resources>
    <Resource Language="en-us"/>
  </Resources>
  <Dependencies>
    <TargetDeviceFamily Name="Windows.Desktop" MinVersion="{MIN_VERSION}" MaxVersionTested="{MAX_VERSION_TESTED}"/>
  </Dependencies>
  <Capabilities>
    <rescap:Capability Name="runFullTrust"/>
    <rescap:Capability Name="unvirtualizedResources"/>
  </Capabilities>
  <Applications>
    <Application Id="Orvex" Executable={quoteattr(program)} uap10:TrustLevel="mediumIL" uap10:RuntimeBehavior="win32App">
      <uap:VisualElements AppListEntry="none" DisplayName="Orvane" Description="Orvane" BackgroundColor="transparent"
                          Square150x150Logo="{logo}" Square44x44Logo="{logo}"/>
      <Extensions>
        <desktop4:Extension Category="windows.fileExplorerContextMenus">
          <desktop4:FileExplorerContextMenus>
            <desktop5:ItemType Type=".pdf">
              <desktop5:Verb Id="Orvane" Clsid="{clsid}"/>
            </desktop5:ItemType>
          </desktop4:FileExplorerContextMenus>
        </desktop4:Extension>
        <com:Extension Category="windows.comServer">
          <com:ComServer>
            <com:SurrogateServer DisplayName="Orvane shell extension">
              <com:Class Id="{clsid}" Path={quoteattr(server)} ThreadingModel="STA"/>
            </com:SurrogateServer>
          </com:ComServer>
        </com:Extension>
      </Extensions>
    </Application>
  </Applications>
</Package>
'''.encode("utf-8")


def block_map(archive, payload):
    """AppxBlockMap.xml for the payload entries already written to `archive` (bytes)."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    with zipfile.ZipFile(io.BytesIO(archive)) as z:
        for info in z.infolist():
            data = payload[info.filename]
            name_length, extra_length = struct.unpack_from("<HH", archive, info.header_offset + 26)
            lines.append('  <File Name=%s Size="%d" LfhSize="%d">'
                         % (quoteattr(info.filename.replace("/", "\\")), len(data), 30 + name_length + extra_length))
            for start in range(0, len(data), BLOCK_SIZE):
                digest = hashlib.sha256(data[start:start + BLOCK_SIZE]).digest()
                lines.append('    <Block Hash="%s"/>' % base64.b64encode(digest).decode("ascii"))
            lines.append("  </File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


CONTENT_TYPES = b'''<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
  <Default Extension="png" ContentType="image/png"/>
  <Override PartName="/AppxManifest.xml" ContentType="application/vnd.ms-appx.manifest+xml"/>
  <Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>
</Types>
'''


def build(source_root, publisher, version, architecture):
    program, server = packaged_files(source_root, architecture)
    payload = {"AppxManifest.xml": manifest(publisher, version, architecture, program, server,
                                            command_class(source_root)),
               LOGO: logo_png()}
    # Stored, not deflated: the block map then needs no compressed block sizes.
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED) as z:
        for name, data in payload.items():
            z.writestr(zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0)), data)
    blocks = block_map(out.getvalue(), payload)
    # The signing tool rewrites the content types deflated, keeping the entry's
    # method: they are written deflated.
    with zipfile.ZipFile(out, "a") as z:
        for name, data in (("AppxBlockMap.xml", blocks), ("[Content_Types].xml", CONTENT_TYPES)):
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return out.getvalue()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source_root")
    parser.add_argument("output_dir")
    parser.add_argument("--certificate", required=True, help="the signing certificate (PEM or DER)")
    parser.add_argument("--version")
    args = parser.parse_args()
    version = args.version or sources.read_version(os.path.join(args.source_root, "resources", "version.h"))
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        raise sources.SourceError("version %r is not X.Y.Z" % version)
    publisher = package_publisher(args.certificate)
    for architecture, name in sources.SHELL_PACKAGES.items():
        with open(os.path.join(args.output_dir, name), "wb") as f:
            f.write(build(args.source_root, publisher, version, architecture))


if __name__ == "__main__":
    try:
        main()
    except sources.SourceError as e:
        sys.exit("make_shell_package: %s" % e)
