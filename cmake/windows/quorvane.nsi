; Per-user installer for Quorvane: no administrator rights; the program goes under the user's
; %LOCALAPPDATA%\Programs, its entry under HKCU. Built by installer.cmake, which passes VERSION, PUBLISHER,
; OUTFILE, the two file lists, and START_PROGRAM and ICON when the desktop program is part of the build.
; A 64-bit installer for a 64-bit program (and wine without its 32-bit half runs it too).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane"
; The program's own start-at-log-in shortcut (written by the program, named after its file).
!define AUTOSTART_LINK "$SMSTARTUP\quorvane.exe.lnk"

Name "Quorvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef START_PROGRAM
  !define MUI_FINISHPAGE_RUN "$INSTDIR\${START_PROGRAM}"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "Quorvane"
  SetShellVarContext current
  !include "${INSTALL_FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

!ifdef START_PROGRAM
  CreateShortcut "$SMPROGRAMS\Quorvane.lnk" "$INSTDIR\${START_PROGRAM}"
!endif

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef START_PROGRAM
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${START_PROGRAM}"
!endif
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Quorvane.lnk"
  ; A start-at-log-in entry would otherwise point at a program that is gone. The settings in
  ; C:\quibexlar stay: they belong to the user, and a later installation reads them again.
  Delete "${AUTOSTART_LINK}"
  !include "${UNINSTALL_FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
