; The Tolvane installer: the program, its skin library and its skin into
; Program Files\Tolvane for all users, a Start-menu entry, and an uninstaller
; registered with Add/Remove Programs. The build passes VERSION, TARGET (x86 or
; amd64), PROGRAM, SKIN_LIBRARY, SKIN, ICON and OUTFILE.
Unicode true
Target ${TARGET}-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Tolvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"
; The names the program gives its own files in the user's folders.
!define DESKTOP_SHORTCUT "Tolvane（九块九包邮购）.lnk"
!define SETTINGS_FOLDER "Tolvane"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

; A 64-bit program's uninstall key belongs in the 64-bit registry.
!macro RegistryView
  !if ${TARGET} == amd64
    SetRegView 64
  !endif
  SetShellVarContext all
!macroend

Function .onInit
  !insertmacro RegistryView
FunctionEnd

Function un.onInit
  !insertmacro RegistryView
FunctionEnd

Section "Tolvane"
  SetOutPath "$INSTDIR"
  File "/oname=tolvane.exe" "${PROGRAM}"
  File "/oname=SkinH_EL.dll" "${SKIN_LIBRARY}"
  File "/oname=skin.she" "${SKIN}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tolvane.exe" "" "$INSTDIR\tolvane.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tolvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tolvane.exe"
  Delete "$INSTDIR\SkinH_EL.dll"
  Delete "$INSTDIR\skin.she"
  ; Written by the program when it ran with the right to write here.
  Delete "$INSTDIR\pz.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; What the program made for the user who uninstalls: the desktop shortcut
  ; of its first start, which would point at nothing now, and its settings,
  ; which would keep a new install from making that shortcut again.
  SetShellVarContext current
  Delete "$DESKTOP\${DESKTOP_SHORTCUT}"
  Delete "$APPDATA\${SETTINGS_FOLDER}\pz.ini"
  RMDir "$APPDATA\${SETTINGS_FOLDER}"
SectionEnd
