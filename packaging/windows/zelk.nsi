; Zelk's Windows installer, made by scripts/package.sh with makensis, which defines:
;   VERSION        the version, CMakeLists.txt's project(Zelk VERSION ...)
;   OUTFILE        the installer to write
;   FILES          the folder of what it installs: Zelk.vst3, "Zelk Standalone.exe", zelk.exe and
;                  Zelk.ico (the logo)
;   BUNDLE_FILES   an include with the macros InstallBundleFiles and RemoveBundleFiles, one line
;                  for each file and folder of Zelk.vst3
;
; It is a 64-bit installer: all it installs is x64, and a 64-bit process sees the real Program
; Files and the 64-bit registry, with none of the redirection a 32-bit one would have to undo.
; 32-bit Windows refuses to start it before any of its code runs, so nothing is half installed;
; the message is Windows' own. A 32-bit installer could say why in words of ours, but Wine would
; need its 32-bit half to test it, which our build machines cannot run: their kernels start no
; 32-bit programs.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelk"
!define VENDOR_KEY "Software\Ostrel"
!define PRODUCT_KEY "${VENDOR_KEY}\Zelk"
; Where every VST 3 host looks; other plug-ins live there too.
!define VST3_FOLDER "$COMMONFILES64\VST3"
!define BUNDLE_FOLDER "${VST3_FOLDER}\Zelk.vst3"
; Not "Zelk.exe": Windows' file names ignore case, and zelk.exe is the tool beside it.
!define STANDALONE_NAME "Zelk Standalone.exe"

!include "${BUNDLE_FILES}"

Name "Zelk ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ostrel\Zelk"
; A reinstall or an upgrade goes where the last install went (unless /D= names a folder).
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
BrandingText "Ostrel Zelk ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Zelk"
VIAddVersionKey "CompanyName" "Ostrel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Zelk ${VERSION} installer"
VIAddVersionKey "LegalCopyright" "Ostrel, GNU GPL version 3 or later"

!define MUI_ICON "${FILES}/Zelk.ico"
!define MUI_UNICON "${FILES}/Zelk.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup installs the Zelk ${VERSION} VST 3 plug-in into $\r$\n\
${VST3_FOLDER}, where every VST 3 host looks for it, and the Zelk Standalone application and \
zelk.exe into the folder you choose next.$\r$\n$\r$\n\
Close your DAW first, so that it lets go of an earlier Zelk. Then rescan its plug-ins.$\r$\n$\r$\n\
$_CLICK"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${STANDALONE_NAME}"
!define MUI_FINISHPAGE_RUN_TEXT "Open the Zelk Standalone application"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Zelk" SectionZelk
    ; The uninstaller removes the VST 3 folder (when empty) only if this installer made it.
    ${IfNot} ${FileExists} "${VST3_FOLDER}\*.*"
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "CreatedVst3Folder" 1
    ${EndIf}

    ; An earlier Zelk's bundle goes first, so that none of its files outlives the version replacing it.
    RMDir /r "${BUNDLE_FOLDER}"
    !insertmacro InstallBundleFiles

    SetOutPath "$INSTDIR"
    File "${FILES}/${STANDALONE_NAME}"
    File "${FILES}/zelk.exe"
    File "${FILES}/Zelk.ico"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\Zelk.lnk" "$INSTDIR\${STANDALONE_NAME}" "" "$INSTDIR\Zelk.ico" 0

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zelk"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Zelk.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize ${SectionZelk} $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there, file by file: another plug-in in the VST 3 folder, and the
; patterns and exports in Documents, stay where they are.
Section "Uninstall"
    !insertmacro RemoveBundleFiles
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "CreatedVst3Folder"
    ${If} $0 = 1
        RMDir "${VST3_FOLDER}"
    ${EndIf}

    Delete "$SMPROGRAMS\Zelk.lnk"
    Delete "$INSTDIR\${STANDALONE_NAME}"
    Delete "$INSTDIR\zelk.exe"
    Delete "$INSTDIR\Zelk.ico"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\Ostrel"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
SectionEnd
