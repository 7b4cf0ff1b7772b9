; The Windows installer of Patchwarden, made by makensis (make windows-installer):
; the program in Program Files, a Start-menu entry for every user, and an
; uninstaller that Windows lists under its installed programs and that takes
; all of it away again.
;
;   makensis -DVERSION=1.00 -DPROGRAM=<patchwarden.exe> -DICON=<patchwarden.ico>
;            -DOUTFILE=<setup.exe> patchwarden.nsi

; A 64-bit installer, for a 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Patchwarden"

Name "Patchwarden ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\Patchwarden"
; Program Files and the entries for every user need an administrator.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Patchwarden"
VIAddVersionKey "FileDescription" "Patchwarden ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Patchwarden developers, MIT licence"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Patchwarden"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=patchwarden.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Patchwarden.lnk" "$INSTDIR\patchwarden.exe" "" "$INSTDIR\patchwarden.exe" 0 \
    SW_SHOWNORMAL "" "Librarian for the Alesis A6 Andromeda"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Patchwarden"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\patchwarden.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Patchwarden developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Patchwarden.lnk"
  Delete "$INSTDIR\patchwarden.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
