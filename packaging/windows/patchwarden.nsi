; The Windows installer of Patchwarden, made by makensis (make windows-installer):
; the program in Program Files, a Start-menu entry for every user, .syx files
; offered to it in Explorer, and an uninstaller that Windows lists under its
; installed programs and that takes all of it away again.
;
;   makensis -DVERSION=1.00 -DPROGRAM=<patchwarden.exe> -DICON=<patchwarden.ico>
;            -DOUTFILE=<setup.exe> patchwarden.nsi

; A 64-bit installer, for a 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Patchwarden"
; .syx files: Patchwarden's file type (its icon, and its open command, which
; loads the file), listed among the programs that open .syx files ("Open
; with"), and the type a double click opens where no other program has
; claimed .syx.
!define CLASSES "Software\Classes"
!define PROGID "Patchwarden.SysExFile"
!define EXTENSION "${CLASSES}\.syx"
; SHChangeNotify's SHCNE_ASSOCCHANGED: Explorer reads the file types again.
!define TYPES_CHANGED 0x08000000

; Deletes a key of HKLM that holds nothing any more, neither a key nor a
; value (EnumRegValue fails only where there is no value, the default one
; included).
!macro DELETE_EMPTY_KEY subkey
  EnumRegKey $1 HKLM "${subkey}" 0
  ClearErrors
  EnumRegValue $2 HKLM "${subkey}" 0
  IfErrors 0 +3
    StrCmp $1 "" 0 +2
      DeleteRegKey HKLM "${subkey}"
!macroend

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
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Patchwarden developers, MIT License"

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

  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "SysEx file"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\patchwarden.exe,0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\patchwarden.exe" "%1"'
  WriteRegNone HKLM "${EXTENSION}\OpenWithProgids" "${PROGID}"
  ReadRegStr $0 HKLM "${EXTENSION}" ""
  StrCmp $0 "" 0 +2
    WriteRegStr HKLM "${EXTENSION}" "" "${PROGID}"
  System::Call 'shell32::SHChangeNotify(i ${TYPES_CHANGED}, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Patchwarden.lnk"
  Delete "$INSTDIR\patchwarden.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; Of .syx, only what the installer added: its file type, its place in
  ; "Open with", the double click where it was ours, and the keys it made
  ; that nothing else uses now.
  DeleteRegKey HKLM "${CLASSES}\${PROGID}"
  DeleteRegValue HKLM "${EXTENSION}\OpenWithProgids" "${PROGID}"
  ReadRegStr $0 HKLM "${EXTENSION}" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegValue HKLM "${EXTENSION}" ""
  !insertmacro DELETE_EMPTY_KEY "${EXTENSION}\OpenWithProgids"
  !insertmacro DELETE_EMPTY_KEY "${EXTENSION}"
  System::Call 'shell32::SHChangeNotify(i ${TYPES_CHANGED}, i 0, p 0, p 0)'
SectionEnd
