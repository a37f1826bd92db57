; The Windows installer, made by scripts/release.sh:
;   makensis -DVERSION=1.2.0 -DFILES=DIR -DICON=vorticel.ico -DSIZE_KB=N -DOUTFILE=setup.exe vorticel.nsi
; FILES holds the programs to install (stripped), grottebl.jpg, README.txt and LICENSE.txt.
; Installs into Program Files\Vorticel (the 32-bit folder: the programs are 32-bit), adds a
; Start-menu shortcut, optionally makes Vorticel the current user's screensaver, and registers
; the uninstaller. /S runs the installer or the uninstaller silently.
Unicode true
!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Vorticel"
!define PUBLISHER "The Vorticel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorticel"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Vorticel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER} (MIT licence)"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vorticel.exe"
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Vorticel" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${FILES}\Vorticel.exe"
  File "${FILES}\Vorticel.scr"
  File "${FILES}\grottebl.jpg"
  File "${FILES}\README.txt"
  File "${FILES}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The output path is the shortcut's working folder: Vorticel.exe reads grottebl.jpg from it.
  CreateShortcut "$SMPROGRAMS\Vorticel.lnk" "$INSTDIR\Vorticel.exe" "" "$INSTDIR\Vorticel.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vorticel.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; What right-click > Install on a .scr does, without opening the display settings.
Section "Make Vorticel my screensaver" SecScreensaver
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$INSTDIR\Vorticel.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Vorticel, its screensaver and the wall texture."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecScreensaver} "Use Vorticel as your screensaver."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Vorticel.exe"
  Delete "$INSTDIR\Vorticel.scr"
  Delete "$INSTDIR\grottebl.jpg"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vorticel.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The screensaver's own settings.
  DeleteRegKey HKCU "Software\Vorticel"
  ; The screensaver setting only while it still names this Vorticel (StrCmp ignores case).
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$INSTDIR\Vorticel.scr"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
SectionEnd
