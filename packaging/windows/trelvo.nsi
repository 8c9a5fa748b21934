; The Windows installer, trelvo-<version>-setup.exe, made by scripts/test-windows:
;   makensis -DVERSION=1.0.0 -DPROGRAMS=<folder of the .exe files> -DTOP=<source folder>
;            -DOUTFILE=<setup.exe> packaging/windows/trelvo.nsi
; For the current user, with no administrator rights, unless run elevated: then for all users
; (/CURRENTUSER and /ALLUSERS choose). The Start menu, "Open with" for .kml and .kmz (never the
; default program), and an entry in "Apps & features"; /S installs and uninstalls silently.
; A 64-bit installer for a 64-bit program: no 32-bit layer needed, under Wine either.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Trelvo"
!define PUBLISHER "Brisko Solutions"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trelvo"
!define PROGID "Trelvo.KmlFile"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
Icon "${TOP}\ui\pictures\trelvo.ico"
UninstallIcon "${TOP}\ui\pictures\trelvo.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${TOP}\ui\pictures\trelvo.ico"
!define MUI_UNICON "${TOP}\ui\pictures\trelvo.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\trelvo.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${TOP}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; All users (HKLM, Program Files, the common Start menu) or the current user (HKCU, the user's
; own folders): the shell context every SHCTX key and shell folder below follows.
Function ChooseContext
  ${GetParameters} $R0
  UserInfo::GetAccountType
  Pop $R1
  StrCpy $R2 "current"
  ${If} $R1 == "Admin"
    StrCpy $R2 "all"
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R3
  ${IfNot} ${Errors}
    StrCpy $R2 "all"
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R3
  ${IfNot} ${Errors}
    StrCpy $R2 "current"
  ${EndIf}
  ${If} $R2 == "all"
    ${If} $R1 != "Admin"
      MessageBox MB_ICONSTOP "Installing for all users needs administrator rights." /SD IDOK
      Abort
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Function .onInit
  ; /D= sets the folder before this runs: keep it. The default is the current user's.
  StrCpy $R9 $INSTDIR
  StrCpy $R7 "$LOCALAPPDATA\Programs\${PRODUCT}"
  Call ChooseContext
  ${If} $R9 == $R7
    ; An earlier version of this context is upgraded where it is.
    ReadRegStr $R8 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R8 != ""
      StrCpy $INSTDIR $R8
    ${ElseIf} $R2 == "all"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Trelvo"
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\trelvo.exe"
  File "${PROGRAMS}\trelvo-cli.exe"
  File "${PROGRAMS}\proj.db"
  File "${TOP}\README.md"
  File "${TOP}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\trelvo.exe"

  ; "Open with": a ProgID of its own, offered for .kml and .kmz beside the user's default.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "KML file"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\trelvo.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\trelvo.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.kml\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\.kmz\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\Applications\trelvo.exe\SupportedTypes" ".kml" ""
  WriteRegStr SHCTX "Software\Classes\Applications\trelvo.exe\SupportedTypes" ".kmz" ""
  WriteRegStr SHCTX "Software\Classes\Applications\trelvo.exe\shell\open\command" "" '"$INSTDIR\trelvo.exe" "%1"'

  ; "Apps & features"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trelvo.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1

  ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; The uninstaller removes what the installer made in the context it was made in.
Function un.onInit
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\trelvo.exe"
  Delete "$INSTDIR\trelvo-cli.exe"
  Delete "$INSTDIR\proj.db"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; only when empty: files the user put there stay
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.kml\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kml\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kml"
  DeleteRegValue SHCTX "Software\Classes\.kmz\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kmz\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kmz"
  DeleteRegKey SHCTX "Software\Classes\Applications\trelvo.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
