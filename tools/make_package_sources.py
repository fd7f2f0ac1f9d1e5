#!/usr/bin/env python3
"""Writes what both installers take from installer/files.txt, and the MSI package's registry rows.

    tools/make_package_sources.py <source root> <stage dir> <output dir> [--version X.Y.Z]

Output:
  files.txt    the expanded list, one name per line (the packaging tests read it)
  files.nsh    the NSIS installer's OrvaneInstallFiles and OrvaneDeleteFiles macros
               and its VERSION
  components.wxi, component-refs.wxi
               the MSI package's components and the feature's references to them:
               one per file, and per registered COM server one registry-only
               component in its view, with the rows its registrar script
               (contextmenu/tilmar.rgs) and its type library's registration write,
               the approved-extension entry and the language value
  product.wxi  the package's language property (LANGCODE: its default from the
               user's language, as the NSIS installer's table; other codes refused)
               and the program's icon for Programs and Features
  version.txt  the product version (resources/version.h unless --version says otherwise)

A file missing from the stage is left out with a warning, and so are its rows, as
the NSIS installer does; the packaging tests report the package as incomplete.
"""
import os
import re
import sys
import uuid
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import orvane_i18n as i18n  # noqa: E402

# Component GUIDs are derived from the component's name, so they stay the same
# from one build and one version to the next.
GUID_NAMESPACE = uuid.UUID("5d0c3b7e-41a6-4c54-9a7e-1f6b6f0d2a91")
LANGUAGE_KEY = r"SOFTWARE\QEL\Orvane Suite"
APPROVED_KEY = r"Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
APPROVED_NAME = "Orvane"  # what DllRegisterServer writes as the entry's data
# Dual interfaces are marshalled by the automation marshaler (oleaut32's PSOAInterface).
AUTOMATION_PROXY = "{00020424-0000-0000-C000-000000000046}"
# Windows language ids that choose each code when LANGCODE is not given: the
# language's own id, and for Spanish also the traditional sort, as in orvane.nsi.
EXTRA_LANGUAGE_IDS = {"SP": [0x040A]}
ROOTS = {"HKCR": "HKCR", "HKEY_CLASSES_ROOT": "HKCR", "HKCU": "HKCU", "HKEY_CURRENT_USER": "HKCU",
         "HKLM": "HKLM", "HKEY_LOCAL_MACHINE": "HKLM"}


# What both installers run after installing and before removing the files: the
# sparse package (Windows 11's first-level menu entry) registered with the
# installation folder as its external location, and the ARM64 shell extension.
# PowerShell checks the system itself: Windows Installer reports every Windows
# since 8.1 as 8.1. A failed registration prints its reason and exits with 1;
# only a run that ends by printing SHELL_PACKAGE_DONE counts as done (a stand-in
# PowerShell that does nothing exits with 0 too). Otherwise the installers say
# so (SHELL_PACKAGE_FAILED, "%s" the reason) and go on.
SHELL_PACKAGE_NAME = "Corvath.OrvaneShell"
SHELL_PACKAGE_DONE = "Orvane shell package: done"
SHELL_PACKAGE_ADD = ("-NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"if ([Environment]::OSVersion.Version.Build"
                     " -ge 22000) { try { Add-AppxPackage -Path '{dir}{package}' -ExternalLocation '{dir}' -ErrorAction Stop }"
                     " catch { $_.Exception.Message; exit 1 } }; '%s'\"" % SHELL_PACKAGE_DONE)
SHELL_PACKAGE_FAILED = ("Orvane's entry in the Windows 11 context menu could not be registered: %s. The classic entry"
                        " (under Show more options) is installed. Windows takes the entry's package only from a publisher"
                        " it trusts: see Windows 11 and ARM64 in the README (put the signing certificate into the computer's"
                        " Trusted People store, or build the packages with ORVANE_SHELL_CERT and ORVANE_SHELL_KEY).")
# One package per architecture: each names its own COM server (installer/files.txt).
SHELL_PACKAGES = {"x64": "OrvaneShell.msix", "arm64": "OrvaneShellArm64.msix"}
SERVER_VIEWS = {"x64": "64", "arm64": "arm64"}
# Uninstalling removes the package for every user it was registered for.
SHELL_PACKAGE_REMOVE = ("-NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"Get-AppxPackage -AllUsers -Name %s"
                        " | Remove-AppxPackage -AllUsers\"" % SHELL_PACKAGE_NAME)
POWERSHELL = "WindowsPowerShell\\v1.0\\powershell.exe"  # under the 64-bit system folder
# A registration is per user: Active Setup runs SHELL_PACKAGE_ADD once for each
# user at their next logon (again whenever Version, the install's time, grows).
ACTIVE_SETUP_KEY = r"SOFTWARE\Microsoft\Active Setup\Installed Components\{3F7A1C52-6B0D-4E89-A4D3-91C2E5B7F0A6}"
# IMAGE_FILE_MACHINE_ARM64: the MSI's custom action sets NATIVEMACHINE to the machine's own.
ARM64_MACHINE = 0xAA64


class SourceError(Exception):
    pass


def read_file_list(path):
    """(name, view) in list order; view is "64" or "32" for a COM server whose rows the
    MSI writes, "arm64" for the one the installers register on ARM64 machines."""
    entries = []
    for line in open(path, encoding="utf-8"):
        line = line.split("#", 1)[0].split()
        if not line:
            continue
        name, view = line[0], (line[1] if len(line) > 1 else None)
        if view not in (None, "64", "32", "arm64"):
            raise SourceError("%s: unknown registry view %r for %s" % (path, view, name))
        if "{LANG}" in name:
            for code, _, _, _ in i18n.LANGUAGES:
                entries.append((name.replace("{LANG}", "" if code == "EN" else "_" + code), view))
        else:
            entries.append((name, view))
    return entries


def read_version(path):
    m = re.search(r'#define\s+ORVANE_VERSION_TEXT\s+"(\d+)\.(\d+)\.(\d+)', open(path, encoding="utf-8").read())
    if not m:
        raise SourceError("%s: no ORVANE_VERSION_TEXT" % path)
    return ".".join(m.groups())


def tokens(text, replacements):
    """The registrar script's tokens, separated by blanks; quoted ones as ('q', text).
    Brackets are escaped for the package's formatted texts; then %NAME% becomes its
    replacement and %% a percent sign."""
    def replace(m):
        if m.group(1) and m.group(1) not in replacements:
            raise SourceError("no replacement for %%%s%%" % m.group(1))
        return replacements[m.group(1)] if m.group(1) else "%"

    def text_of(raw):
        return re.sub(r"%(\w*)%", replace, re.sub(r"[\[\]]", lambda b: "[\\%s]" % b.group(0), raw))
    return [("q", text_of(m.group(1).replace("''", "'"))) if m.group(1) is not None else ("w", text_of(m.group(2)))
            for m in re.finditer(r"'((?:[^']|'')*)'|(\S+)", text)]


def parse_registrar_script(text, module):
    """[(root, key path, value name or None, ('s'|'d', value))] and the key-only paths,
    for what registration writes; %MODULE% becomes module."""
    toks = tokens(text, {"MODULE": module})
    pos = 0
    values, empty_keys = [], []

    def take():
        nonlocal pos
        if pos >= len(toks):
            raise SourceError("registrar script ends early")
        pos += 1
        return toks[pos - 1]

    def value():
        kind, data = take(), take()
        if kind[1].lower() not in ("s", "d") or data[0] != "q":
            raise SourceError("expected s '...' or d '...' after '='")
        return kind[1].lower(), data[1]

    def block(root, path):
        wrote = False
        while True:
            kind, word = take()
            if kind == "w" and word == "}":
                return wrote
            flag = word.lower() if kind == "w" and word.lower() in ("noremove", "forceremove", "delete") else None
            if flag:
                kind, word = take()
            if kind == "w" and word.lower() == "val" and not flag:
                name = take()[1]
                if take() != ("w", "="):
                    raise SourceError("expected '=' after val %s" % name)
                values.append((root, path, name, value()))
                wrote = True
                continue
            if flag == "delete":
                raise SourceError("the package cannot delete %s at install" % word)
            key = path + "\\" + word if path else word
            wrote_here = False
            if pos < len(toks) and toks[pos] == ("w", "="):
                take()
                values.append((root, key, None, value()))
                wrote_here = True
            if pos < len(toks) and toks[pos] == ("w", "{"):
                take()
                wrote_here = block(root, key) or wrote_here
            if not wrote_here and flag != "noremove":
                empty_keys.append((root, key))
            wrote = wrote or wrote_here or flag != "noremove"

    while pos < len(toks):
        kind, word = take()
        root = ROOTS.get(word.upper())
        if kind != "w" or not root or take() != ("w", "{"):
            raise SourceError("expected a root key and '{' at %r" % word)
        block(root, "")
    return values, empty_keys


def parse_type_library(text):
    """The library's identity and its dual interfaces, as the IDL declares them."""
    lib = re.search(r"\[([^\]]*)\]\s*library\s+(\w+)", text)
    if not lib:
        raise SourceError("no library in the IDL")
    attrs = lib.group(1)
    identity = {
        "uuid": "{%s}" % re.search(r"uuid\(([^)]+)\)", attrs).group(1).upper(),
        "version": re.search(r"version\(([^)]+)\)", attrs).group(1),
        "lcid": "%x" % int(re.search(r"lcid\(([^)]+)\)", attrs).group(1), 0),
        "help": re.search(r'helpstring\("([^"]*)"\)', attrs).group(1),
        "flags": sum(bit for word, bit in (("restricted", 1), ("control", 2), ("hidden", 4))
                     if re.search(r"\b%s\b" % word, attrs)),
        "interfaces": [],
    }
    for m in re.finditer(r"\[([^\]]*)\]\s*interface\s+(\w+)", text):
        if re.search(r"\b(dual|oleautomation)\b", m.group(1)):
            iid = "{%s}" % re.search(r"uuid\(([^)]+)\)", m.group(1)).group(1).upper()
            identity["interfaces"].append((iid, m.group(2)))
    return identity


def type_library_rows(lib, module, view):
    key = "TypeLib\\%s\\%s" % (lib["uuid"], lib["version"])
    rows = [("HKCR", key, None, ("s", lib["help"])),
            ("HKCR", key + "\\%s\\win%s" % (lib["lcid"], view), None, ("s", module)),
            # The library's flags as RegisterTypeLib writes them for a library loaded
            # from its file: none declared, plus LIBFLAG_FHASDISKIMAGE.
            ("HKCR", key + "\\FLAGS", None, ("s", str(lib["flags"] | 8))),
            ("HKCR", key + "\\HELPDIR", None, ("s", "[INSTALLDIR]"))]
    for iid, name in lib["interfaces"]:
        rows += [("HKCR", "Interface\\" + iid, None, ("s", name)),
                 ("HKCR", "Interface\\%s\\ProxyStubClsid" % iid, None, ("s", AUTOMATION_PROXY)),
                 ("HKCR", "Interface\\%s\\ProxyStubClsid32" % iid, None, ("s", AUTOMATION_PROXY)),
                 ("HKCR", "Interface\\%s\\TypeLib" % iid, None, ("s", lib["uuid"])),
                 ("HKCR", "Interface\\%s\\TypeLib" % iid, "Version", ("s", lib["version"]))]
    return rows


def registration_rows(source_root, file_id, view):
    """Every row the COM server's registration writes, plus the installers' language value."""
    module = "[#%s]" % file_id
    rgs = open(os.path.join(source_root, "contextmenu", "tilmar.rgs"), encoding="utf-8").read()
    values, empty_keys = parse_registrar_script(rgs, module)
    # The approved list names the classes the shell loads as handlers, as
    # DllRegisterServer writes it: those a ShellEx key refers to.
    clsids = {data for root, key, name, (_, data) in values if "\\SHELLEX\\" in key.upper() and name is None}
    idl = open(os.path.join(source_root, "contextmenu", "tilmar.idl"), encoding="utf-8").read()
    values += type_library_rows(parse_type_library(idl), module, view)
    values += [("HKLM", APPROVED_KEY, clsid, ("s", APPROVED_NAME)) for clsid in sorted(clsids)]
    values.append(("HKLM", LANGUAGE_KEY, "QELLangCode", ("s", "[LANGCODE]")))
    if view == "32":
        values = [row for row in values if not shared_between_views(row[0], row[1])]
        empty_keys = [key for key in empty_keys if not shared_between_views(*key)]
    return values, empty_keys


def shared_between_views(root, key):
    """64-bit Windows keeps one HKCR for both views but for a few redirected keys (the
    class and interface registrations; a type library keeps both under one key). The
    ProgIDs and the file-type handler are the same rows for both servers: the 64-bit one
    writes them, and a 32-bit component writing them again gets a redirected copy from
    Wine's msiexec, which uninstalling leaves behind."""
    return root == "HKCR" and key.split("\\", 1)[0].upper() not in ("CLSID", "INTERFACE", "TYPELIB")


def server_file(entries, architecture):
    """The COM server installer/files.txt lists for an architecture ("x64", "arm64")."""
    servers = [name for name, view in entries if view == SERVER_VIEWS.get(architecture)]
    if len(servers) != 1:
        raise SourceError("installer/files.txt lists %d %s COM servers" % (len(servers), architecture))
    return servers[0]


def component_guid(name):
    return "{%s}" % str(uuid.uuid5(GUID_NAMESPACE, name)).upper()


def wix_registry(rows, empty_keys):
    lines = []
    for i, (root, key, name, (kind, data)) in enumerate(rows):
        attrs = "Root=%s Key=%s" % (quoteattr(root), quoteattr(key))
        if name is not None:
            attrs += " Name=%s" % quoteattr(name)
        attrs += ' Type="%s" Value=%s' % ("integer" if kind == "d" else "string", quoteattr(data))
        lines.append("    <RegistryValue %s%s/>" % (attrs, ' KeyPath="yes"' if i == 0 else ""))
    # "*": the key is created at install and removed at uninstall.
    for root, key in empty_keys:
        lines.append('    <RegistryValue Root=%s Key=%s Name="*" Type="string" Value=""/>'
                     % (quoteattr(root), quoteattr(key)))
    return lines


def product_lines(source_root, stage, arm64_server, actions):
    codes = [code for code, _, _, _ in i18n.LANGUAGES]
    lines = ['<?xml version="1.0" encoding="utf-8"?>', '<Include xmlns="http://schemas.microsoft.com/wix/2006/wi">']
    sequence = ["  <InstallExecuteSequence>"]
    for n, (code, _, lcid, _) in enumerate(i18n.LANGUAGES):
        ids = [lcid] + EXTRA_LANGUAGE_IDS.get(code, [])
        lines.append('  <CustomAction Id="LangCode%s" Property="LANGCODE" Value="%s" Execute="immediate"/>' % (code, code))
        sequence.append('    <Custom Action="LangCode%s" Sequence="%d">NOT LANGCODE AND (%s)</Custom>'
                        % (code, 10 + n, " OR ".join("UserLanguageID=%d" % i for i in ids)))
    # Any other language of the user: English, the fallback files.
    lines.append('  <CustomAction Id="LangCodeDefault" Property="LANGCODE" Value="EN" Execute="immediate"/>')
    sequence.append('    <Custom Action="LangCodeDefault" Sequence="%d">NOT LANGCODE</Custom>' % (10 + len(codes)))
    # Both sequences: an install with the full user interface checks the launch
    # conditions in the UI sequence, before the execute sequence starts.
    custom, execute = package_actions(arm64_server, os.path.relpath(actions, stage))
    lines += custom + sequence + execute + ["  </InstallExecuteSequence>", "  <InstallUISequence>"] + sequence[1:] \
        + ["  </InstallUISequence>"]
    lines.append('  <Condition Message="LANGCODE must be one of %s.">Installed OR %s</Condition>'
                 % (", ".join(codes), " OR ".join('LANGCODE="%s"' % c for c in codes)))
    # The program's icon file rather than the program: the Icon table keeps a
    # whole copy of what it is given. wixl takes paths relative to the stage only.
    icon = os.path.relpath(os.path.join(source_root, "resources", "orvex.ico"), stage)
    lines += ['  <Icon Id="Orvex.ico" SourceFile=%s/>' % quoteattr(icon),
              '  <Property Id="ARPPRODUCTICON" Value="Orvex.ico"/>']
    return lines + ["</Include>"]


def msi_text(text):
    """`text` as a formatted text of the package: brackets are not property names."""
    return re.sub(r"[\[\]]", lambda b: "[\\%s]" % b.group(0), text)


def package_actions(arm64_server, actions_dll):
    """The MSI's custom actions for the sparse package and the ARM64 extension,
    and their place in the execute sequence. SHELLPACKAGE=0 on the command line
    leaves the package unregistered. actions_dll: OrvaneSetupActions.dll, as a
    path relative to the stage (wixl reads files from there)."""
    folder = "[INSTALLDIR]"
    add = '"[POWERSHELL]" ' + msi_text(SHELL_PACKAGE_ADD.replace("{dir}", "\0").replace("{package}", "\1")) \
        .replace("\0", folder).replace("\1", "[SHELLPACKAGEFILE]")
    arm64 = '/s "%s%s"' % (folder, arm64_server)
    arm64_machine = 'NATIVEMACHINE="%d"' % ARM64_MACHINE

    def exe(id_, prop, command, impersonate):
        return ('  <CustomAction Id="%s" Property="%s" ExeCommand=%s Execute="deferred" Impersonate="%s" '
                'Return="ignore"/>' % (id_, prop, quoteattr(command), impersonate))
    return [
        '  <Property Id="SHELLPACKAGE" Value="1"/>',
        '  <Binary Id="SetupActions" SourceFile=%s/>' % quoteattr(actions_dll),
        '  <CustomAction Id="ReadMachine" BinaryKey="SetupActions" DllEntry="ReadMachine" Execute="immediate" Return="check"/>',
        '  <CustomAction Id="SetPowerShell" Property="POWERSHELL" Value="[System64Folder]%s" Execute="immediate"/>'
        % POWERSHELL,
        '  <CustomAction Id="SetRegsvr32" Property="REGSVR32" Value="[System64Folder]regsvr32.exe" Execute="immediate"/>',
        '  <CustomAction Id="SetShellPackageFile" Property="SHELLPACKAGEFILE" Value="%s" Execute="immediate"/>'
        % SHELL_PACKAGES["x64"],
        '  <CustomAction Id="SetShellPackageFileArm64" Property="SHELLPACKAGEFILE" Value="%s" Execute="immediate"/>'
        % SHELL_PACKAGES["arm64"],
        # The deferred action reads its command and its failure line from here.
        '  <CustomAction Id="SetAddShellPackage" Property="AddShellPackage" Value=%s Execute="immediate"/>'
        % quoteattr("\n".join((add, msi_text(SHELL_PACKAGE_FAILED), SHELL_PACKAGE_DONE))),
        '  <CustomAction Id="AddShellPackage" BinaryKey="SetupActions" DllEntry="RegisterShellPackage" '
        'Execute="deferred" Impersonate="yes" Return="check"/>',
        exe("RemoveShellPackage", "POWERSHELL", msi_text(SHELL_PACKAGE_REMOVE), "no"),
        exe("RegisterArm64Extension", "REGSVR32", arm64, "no"),
        exe("UnregisterArm64Extension", "REGSVR32", "/u " + arm64, "no"),
    ], [
        '    <Custom Action="ReadMachine" Sequence="29"/>',
        '    <Custom Action="SetPowerShell" Sequence="30"/>',
        '    <Custom Action="SetRegsvr32" Sequence="31"/>',
        '    <Custom Action="SetShellPackageFile" Sequence="32"/>',
        '    <Custom Action="SetShellPackageFileArm64" Sequence="33">%s</Custom>' % arm64_machine,
        # Numbered, not placed After/Before others: wixl resolves those only against
        # the standard actions. Deferred actions run between InstallInitialize (1500)
        # and InstallFinalize (6600): removal before RemoveRegistryValues (2600),
        # registration after WriteRegistryValues (5000), where the ARM64 server
        # replaces the rows that point at the 64-bit one.
        '    <Custom Action="RemoveShellPackage" Sequence="1801">REMOVE="ALL"</Custom>',
        '    <Custom Action="UnregisterArm64Extension" Sequence="1802">%s AND REMOVE="ALL"</Custom>' % arm64_machine,
        '    <Custom Action="RegisterArm64Extension" Sequence="5001">%s AND NOT REMOVE</Custom>' % arm64_machine,
        '    <Custom Action="SetAddShellPackage" Sequence="5002">SHELLPACKAGE="1" AND NOT REMOVE</Custom>',
        '    <Custom Action="AddShellPackage" Sequence="5003">SHELLPACKAGE="1" AND NOT REMOVE</Custom>',
    ]


def active_setup_component():
    """The Active Setup entry that registers the package for each user at logon,
    in a feature of its own that Condition.idt leaves out with the package."""
    add = '"[POWERSHELL]" ' + msi_text(SHELL_PACKAGE_ADD.replace("{dir}", "\0").replace("{package}", "\1")) \
        .replace("\0", "[INSTALLDIR]").replace("\1", "[SHELLPACKAGEFILE]")
    rows = [("HKLM", ACTIVE_SETUP_KEY, None, ("s", "Orvane Suite")),
            ("HKLM", ACTIVE_SETUP_KEY, "StubPath", ("s", add)),
            ("HKLM", ACTIVE_SETUP_KEY, "Version", ("s", "[INSTALLSTAMP]")),
            ("HKLM", ACTIVE_SETUP_KEY, "IsInstalled", ("d", "1"))]
    return (['  <Component Id="ActiveSetup" Guid="%s" Win64="yes">' % component_guid("ActiveSetup")]
            + wix_registry(rows, []) + ["  </Component>"])


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main(argv):
    args = [a for a in argv if not a.startswith(("--version", "--actions"))]
    if len(args) != 3:
        sys.exit(__doc__)
    source_root, stage, out_dir = args
    version = next((a.split("=", 1)[1] for a in argv if a.startswith("--version=")), None)
    # The MSI's custom actions, built in the x86_64 tree beside the stage.
    actions = next((a.split("=", 1)[1] for a in argv if a.startswith("--actions=")),
                   os.path.join(os.path.dirname(os.path.abspath(stage)), "installer", "OrvaneSetupActions.dll"))
    entries = read_file_list(os.path.join(source_root, "installer", "files.txt"))
    arm64_server = server_file(entries, "arm64")
    os.makedirs(out_dir, exist_ok=True)
    write(os.path.join(out_dir, "files.txt"), [name for name, _ in entries])
    version = version or read_version(os.path.join(source_root, "resources", "version.h"))
    write(os.path.join(out_dir, "version.txt"), [version])

    nsh = ["; Generated by tools/make_package_sources.py from installer/files.txt.",
           '!define VERSION "%s"' % version,
           '!define POWERSHELL "$WINDIR\\System32\\%s"' % POWERSHELL,
           # "$$": a dollar sign for PowerShell, not an NSIS variable.
           "!define SHELL_PACKAGE_ADD `%s`" % SHELL_PACKAGE_ADD.replace("$", "$$").replace("{dir}", "$INSTDIR\\")
           .replace("{package}", "$ShellPackageFile"),
           "!define SHELL_PACKAGE_REMOVE `%s`" % SHELL_PACKAGE_REMOVE,
           "!define SHELL_PACKAGE_FAILED_BEFORE `%s`" % SHELL_PACKAGE_FAILED.split("%s")[0],
           "!define SHELL_PACKAGE_FAILED_AFTER `%s`" % SHELL_PACKAGE_FAILED.split("%s")[1],
           '!define ACTIVE_SETUP_KEY "%s"' % ACTIVE_SETUP_KEY,
           '!define SHELL_PACKAGE_DONE "%s"' % SHELL_PACKAGE_DONE,
           '!define SHELL_PACKAGE_X64 "%s"' % SHELL_PACKAGES["x64"],
           '!define SHELL_PACKAGE_ARM64 "%s"' % SHELL_PACKAGES["arm64"],
           '!define ARM64_EXTENSION "%s"' % arm64_server,
           "!macro OrvaneInstallFiles"]
    nsh += ['  !insertmacro StageFile "%s"' % name for name, _ in entries]
    nsh += ["!macroend", "!macro OrvaneDeleteFiles"]
    nsh += ['  Delete "$INSTDIR\\%s"' % name for name, _ in entries]
    write(os.path.join(out_dir, "files.nsh"), nsh + ["!macroend"])

    wxi = ['<?xml version="1.0" encoding="utf-8"?>',
           "<!-- Generated by tools/make_package_sources.py from installer/files.txt. -->",
           '<Include xmlns="http://schemas.microsoft.com/wix/2006/wi">']
    refs = []
    for name, view in entries:
        if not os.path.isfile(os.path.join(stage, name)):
            print("make_package_sources: %s is not in %s; the package goes without it" % (name, stage),
                  file=sys.stderr)
            continue
        component = "File_" + name
        wxi += ['  <Component Id=%s Guid="%s" Win64="yes">' % (quoteattr(component), component_guid(component)),
                "    <File Id=%s Source=%s KeyPath=\"yes\"/>"
                % (quoteattr(name), quoteattr(name)),
                "  </Component>"]
        refs.append(component)
        if view in ("64", "32"):
            component = "Registration_" + name
            rows, empty_keys = registration_rows(source_root, name, view)
            wxi.append('  <Component Id=%s Guid="%s" Win64="%s">'
                       % (quoteattr(component), component_guid(component), "yes" if view == "64" else "no"))
            wxi += wix_registry(rows, empty_keys)
            wxi.append("  </Component>")
            refs.append(component)
    wxi += active_setup_component()
    write(os.path.join(out_dir, "components.wxi"), wxi + ["</Include>"])
    write(os.path.join(out_dir, "product.wxi"), product_lines(source_root, stage, arm64_server, actions))
    write(os.path.join(out_dir, "component-refs.wxi"),
          ['<?xml version="1.0" encoding="utf-8"?>', '<Include xmlns="http://schemas.microsoft.com/wix/2006/wi">']
          + ['  <ComponentRef Id=%s/>' % quoteattr(ref) for ref in refs]
          + ['  <Feature Id="EveryUser" Title="Windows 11 menu entry for every user" Level="1">',
             '    <ComponentRef Id="ActiveSetup"/>', "  </Feature>", "</Include>"])
    # wixl writes no conditions: make-msi.sh adds this table, which leaves the
    # Active Setup entry out with the package (SHELLPACKAGE=0).
    write(os.path.join(out_dir, "Condition.idt"),
          ["Feature_\tLevel\tCondition", "s38\ti2\tS255", "Condition\tFeature_\tLevel", 'EveryUser\t0\tSHELLPACKAGE="0"'])


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except (SourceError, OSError, AttributeError) as error:
        sys.exit("make_package_sources: %s" % error)
