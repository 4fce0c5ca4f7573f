; Kestrilo's installer for Windows (NSIS 3, makensis). Per user and without
; administrator rights: the programs go to %LOCALAPPDATA%\Programs\Kestrilo,
; the Start menu entry to the user's own menu. /S installs silently.
;
;   makensis -DVERSION=0.1.0 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> kestrilo.nsi

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "Kestrilo"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrilo"
InstallDirRegKey HKCU "Software\Kestrilo" "InstallDir"
BrandingText "Kestrilo ${VERSION}"
!define MUI_ICON "${STAGE}\kestrilo.ico"
!define MUI_UNICON "${STAGE}\kestrilo.ico"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrilo"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kestrilo.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "Kestrilo"
  SetOutPath "$INSTDIR"
  File "${STAGE}\kestrilo.exe"
  File "${STAGE}\kestrilo-cli.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\recipes"
  File "${STAGE}\recipes\builtin.toml"
  File "${STAGE}\recipes\current.toml"
  File "${STAGE}\recipes\extra.toml"
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Kestrilo"
  CreateShortcut "$SMPROGRAMS\Kestrilo\Kestrilo.lnk" "$INSTDIR\kestrilo.exe" "" "$INSTDIR\kestrilo.exe" 0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "Software\Kestrilo" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kestrilo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrilo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what was installed goes: the folders are removed only when empty, so
; a list the user exported into the program's folder stays, and so does
; %APPDATA%\kestrilo\sources.toml, which the installer never wrote.
Section "Uninstall"
  Delete "$INSTDIR\kestrilo.exe"
  Delete "$INSTDIR\kestrilo-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\recipes\builtin.toml"
  Delete "$INSTDIR\recipes\current.toml"
  Delete "$INSTDIR\recipes\extra.toml"
  RMDir "$INSTDIR\recipes"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kestrilo\Kestrilo.lnk"
  RMDir "$SMPROGRAMS\Kestrilo"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Kestrilo"
SectionEnd
