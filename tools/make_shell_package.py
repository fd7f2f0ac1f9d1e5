#!/usr/bin/env python3
"""Builds the sparse package that gives the shell extension's first-level menu
entry its package identity on Windows 11: a package with external content whose
files stay in the installation folder.

    tools/make_shell_package.py <source root> <out dir> --publisher "CN=..." [--version X.Y.Z]

writes one package per architecture (OrvaneShell.msix for x64, OrvaneShellArm64.msix):
Windows on ARM hosts the verb's class in an ARM64 surrogate, which loads only the
ARM64 server.

The package holds AppxManifest.xml, a logo, AppxBlockMap.xml and [Content_Types].xml
(an OPC zip; the block map carries the SHA-256 of every 64 KiB block of every
file). The program and the COM server it declares are the files installer/files.txt
lists; the verb's class is the one contextmenu/tilmar.rgs registers as
"Orvane Explorer Command". Signing is osslsigncode's (see installer/CMakeLists.txt):
the publisher must be the signing certificate's subject, as Windows compares them.
"""
import argparse
import base64
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
    parser.add_argument("--publisher", required=True)
    parser.add_argument("--version")
    args = parser.parse_args()
    version = args.version or sources.read_version(os.path.join(args.source_root, "resources", "version.h"))
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        raise sources.SourceError("version %r is not X.Y.Z" % version)
    for architecture, name in sources.SHELL_PACKAGES.items():
        with open(os.path.join(args.output_dir, name), "wb") as f:
            f.write(build(args.source_root, args.publisher, version, architecture))


if __name__ == "__main__":
    try:
        main()
    except sources.SourceError as e:
        sys.exit("make_shell_package: %s" % e)
