; Orvane Suite installer (Debian's makensis 3.x).
;   makensis -DSTAGE=<folder with the files> -DFILES=<files.nsh> -DOUTFILE=<setup.exe> orvane.nsi
; FILES, written by tools/make_package_sources.py from installer/files.txt, holds
; the file lines and the version (resources/version.h), so that this installer and the MSI package carry the same files.
; Command line of the installer: /S installs silently; /LANG=<code> picks the
; language of the texts (EN, GR, FN, SP, IT, DT, PO, BP, JP); silent default EN.
; A file missing from STAGE is left out with a warning, so a partial build still
; gives an installer to test; the packaging test reports what was missing.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef STAGE
  !error "define STAGE, the folder that holds the files to install"
!endif
!ifndef FILES
  !error "define FILES, the file lines tools/make_package_sources.py writes"
!endif
!ifndef OUTFILE
  !define OUTFILE "OrvaneSetup.exe"
!endif

!define PRODUCT "Orvane Suite"
!define PUBLISHER "Corvath"
!define LANG_KEY "SOFTWARE\QEL\Orvane Suite"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane Suite"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "TextFunc.nsh"
!include "StrFunc.nsh"
${StrStr}  ; declares the function for the installer
!include "LogicLib.nsh"
!include "x64.nsh"

Var LangCode      ; two-letter code written to QELLangCode
Var ShellPackage  ; "0" when /NOSHELLPACKAGE asks not to register the sparse package
Var ShellPackageFile  ; the sparse package of this machine's architecture

!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The language dialog lists these; the choice sets both the installer's own
; language and the language the programs start in.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "Polish"
!insertmacro MUI_LANGUAGE "PortugueseBR"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_RESERVEFILE_LANGDLL

; Puts a file from STAGE into the current output folder, or warns when the build
; has not produced it.
!macro StageFile name
  !if /FileExists "${STAGE}/${name}"
    File "${STAGE}/${name}"
  !else
    !warning "${name} is not in ${STAGE}; the installer goes without it"
  !endif
!macroend
!include "${FILES}"

; Code <-> Windows language id of the installer's languages.
!macro LangToCode id code
  ${If} $LANGUAGE == ${id}
    StrCpy $LangCode "${code}"
  ${EndIf}
!macroend
!macro CodeToLang code id
  ${If} $LangCode == "${code}"
    StrCpy $LANGUAGE ${id}
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64

  ; /NOSHELLPACKAGE leaves Windows 11's first-level menu entry unregistered.
  StrCpy $ShellPackage "1"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSHELLPACKAGE" $1
  ${IfNot} ${Errors}
    StrCpy $ShellPackage "0"
  ${EndIf}

  ; /LANG=xx on the command line chooses the language without asking.
  StrCpy $LangCode ""
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LANG=" $1
  ${IfNot} ${Errors}
    StrCpy $1 $1 2
    ${StrFilter} $1 "+" "" "" $LangCode
  ${EndIf}

  ${If} $LangCode != ""
    !insertmacro CodeToLang "EN" 1033
    !insertmacro CodeToLang "GR" 1031
    !insertmacro CodeToLang "FN" 1036
    !insertmacro CodeToLang "SP" 1034
    !insertmacro CodeToLang "IT" 1040
    !insertmacro CodeToLang "DT" 1043
    !insertmacro CodeToLang "PO" 1045
    !insertmacro CodeToLang "BP" 1046
    !insertmacro CodeToLang "JP" 1041
  ${ElseIf} ${Silent}
    StrCpy $LangCode "EN"
    StrCpy $LANGUAGE 1033
  ${Else}
    !insertmacro MUI_LANGDLL_DISPLAY
    !insertmacro LangToCode 1033 "EN"
    !insertmacro LangToCode 1031 "GR"
    !insertmacro LangToCode 1036 "FN"
    !insertmacro LangToCode 1034 "SP"
    !insertmacro LangToCode 3082 "SP"
    !insertmacro LangToCode 1040 "IT"
    !insertmacro LangToCode 1043 "DT"
    !insertmacro LangToCode 1045 "PO"
    !insertmacro LangToCode 1046 "BP"
    !insertmacro LangToCode 1041 "JP"
    ${If} $LangCode == ""
      StrCpy $LangCode "EN"
    ${EndIf}
  ${EndIf}
FunctionEnd

; regsvr32 of the right bitness for a DLL; a failure is reported, not fatal:
; the 32-bit side cannot register where no 32-bit programs run.
!macro Register regsvr dll args
  ${If} ${FileExists} "$INSTDIR\${dll}"
    ExecWait '"${regsvr}" /s ${args} "$INSTDIR\${dll}"' $0
    ${If} $0 != 0
      DetailPrint "regsvr32 ${args} ${dll} failed ($0)"
    ${EndIf}
  ${EndIf}
!macroend

; Says that the first-level menu entry was not registered ($1: the reason): in
; the details and a message box, and for a silent install in %TEMP%\OrvaneSetup.log.
Function ShellPackageFailed
  StrCpy $1 "${SHELL_PACKAGE_FAILED_BEFORE}$1${SHELL_PACKAGE_FAILED_AFTER}"
  DetailPrint "$1"
  ${If} ${Silent}
    FileOpen $2 "$TEMP\OrvaneSetup.log" a
    FileSeek $2 0 END
    FileWrite $2 "$1$\r$\n"
    FileClose $2
  ${EndIf}
  MessageBox MB_OK|MB_ICONEXCLAMATION "$1" /SD IDOK
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  !insertmacro OrvaneInstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Both programs read the language from HKLM, each in its own registry view:
  ; Orvex and Tilmar64 the 64-bit one, Tilmar (in 32-bit file managers) the 32-bit one.
  SetRegView 64
  WriteRegStr HKLM "${LANG_KEY}" "QELLangCode" $LangCode
  SetRegView 32
  WriteRegStr HKLM "${LANG_KEY}" "QELLangCode" $LangCode

  ; Registration only opens the approved-extensions key, so make sure it exists.
  SetRegView 64
  WriteRegStr HKLM "${APPROVED_KEY}" "OrvaneSetup" ""
  DeleteRegValue HKLM "${APPROVED_KEY}" "OrvaneSetup"
  SetRegView 32
  WriteRegStr HKLM "${APPROVED_KEY}" "OrvaneSetup" ""
  DeleteRegValue HKLM "${APPROVED_KEY}" "OrvaneSetup"

  ; An ARM64 file manager loads only the ARM64 server.
  ${DisableX64FSRedirection}
  ${If} ${IsNativeARM64}
    !insertmacro Register "$WINDIR\System32\regsvr32.exe" "${ARM64_EXTENSION}" ""
  ${Else}
    !insertmacro Register "$WINDIR\System32\regsvr32.exe" "Tilmar64.dll" ""
  ${EndIf}
  ; The sparse package (PowerShell skips it before Windows 11).
  StrCpy $ShellPackageFile "${SHELL_PACKAGE_X64}"
  ${If} ${IsNativeARM64}
    StrCpy $ShellPackageFile "${SHELL_PACKAGE_ARM64}"
  ${EndIf}
  ${If} $ShellPackage == "1"
  ${AndIf} ${FileExists} "$INSTDIR\$ShellPackageFile"
    ; A registration is per user: Active Setup repeats it for each user at their
    ; next logon; the install's time as its version makes a reinstall count.
    ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
    SetRegView 64
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" `"${POWERSHELL}" ${SHELL_PACKAGE_ADD}`
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "$2,$1$0,$4$5,$6"
    WriteRegDWORD HKLM "${ACTIVE_SETUP_KEY}" "IsInstalled" 1
    nsExec::ExecToStack `"${POWERSHELL}" ${SHELL_PACKAGE_ADD}`
    Pop $0  ; exit code, or "error" when PowerShell could not be started
    Pop $1  ; what it wrote: the reason of a failure, or the word that it is done
    ${StrStr} $2 $1 "${SHELL_PACKAGE_DONE}"
    ${If} $0 == "error"
      StrCpy $1 "PowerShell could not be started"
      Call ShellPackageFailed
    ${ElseIf} $0 != 0
      ${TrimNewLines} $1 $1
      ${If} $1 == ""
        StrCpy $1 "exit code $0"
      ${EndIf}
      Call ShellPackageFailed
    ${ElseIf} $2 == ""
      StrCpy $1 "PowerShell did not carry out the registration"
      Call ShellPackageFailed
    ${EndIf}
  ${EndIf}
  ${EnableX64FSRedirection}
  !insertmacro Register "$WINDIR\SysWOW64\regsvr32.exe" "Tilmar.dll" ""

  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${If} ${FileExists} "$INSTDIR\Orvex.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orvex.exe"
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  ; No further user gets the package; every user who has it loses it.
  DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  ${DisableX64FSRedirection}
  ExecWait `"${POWERSHELL}" ${SHELL_PACKAGE_REMOVE}` $0
  ${If} ${IsNativeARM64}
    !insertmacro Register "$WINDIR\System32\regsvr32.exe" "${ARM64_EXTENSION}" "/u"
  ${Else}
    !insertmacro Register "$WINDIR\System32\regsvr32.exe" "Tilmar64.dll" "/u"
  ${EndIf}
  ${EnableX64FSRedirection}
  !insertmacro Register "$WINDIR\SysWOW64\regsvr32.exe" "Tilmar.dll" "/u"

  !insertmacro OrvaneDeleteFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetRegView 32
  DeleteRegValue HKLM "${LANG_KEY}" "QELLangCode"
  DeleteRegKey /ifempty HKLM "${LANG_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\QEL"
  SetRegView 64
  DeleteRegValue HKLM "${LANG_KEY}" "QELLangCode"
  DeleteRegKey /ifempty HKLM "${LANG_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\QEL"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
