; MorvaneSetup.exe: installs Morvane, its database updater Tessarin, the
; reference database and the help page, with shortcuts and an uninstaller.
; Built by CMake: makensis -DVERSION=0.1 -DVERSION_QUAD=0.1.0.0 -DSTAGE=dir
;                 -DOUTFILE=MorvaneSetup.exe [-DWITH_MORVANE] morvane.nsi
; Silent use: MorvaneSetup.exe /S [/D=C:\Other Folder]; Uninstall.exe /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined"
!endif

!define PRODUCT "Morvane"
!define PUBLISHER "The Morvane developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Morvane"
RequestExecutionLevel admin
; Sharp at every scale; Windows 7, 8, 8.1 and 10/11, as the programs declare.
ManifestDPIAware true
ManifestDPIAwareness "PerMonitorV2,System"
ManifestSupportedOS {35138b9a-5d96-4fbd-8e2d-a2440225f93a} {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} \
    {1f676c76-80e1-4239-95bb-83d0f6d0da78} {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WITH_MORVANE
  !define MUI_FINISHPAGE_RUN "$INSTDIR\Morvane.exe"
  !define MUI_FINISHPAGE_RUN_TEXT "Start Morvane"
!endif
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Help\help.htm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read the user's guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running Morvane: every top-level window captioned "Morvane" whose
; process runs a file named Morvane.exe is asked to close; a process still
; running 15 seconds later (a scan in progress refuses to close) is ended.
!macro DEFINE_STOP_MORVANE prefix
Function ${prefix}StopMorvane
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $0 0
  StrCpy $5 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p r0, p 0, w "Morvane") p .r0'
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r1) p .r2'
    ${If} $2 == 0
      ${Continue}
    ${EndIf}
    StrCpy $3 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i'
    ${GetFileName} "$3" $4
    ${If} $4 == "Morvane.exe"
      DetailPrint "Closing the running Morvane..."
      System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0) i'
      System::Call 'kernel32::WaitForSingleObject(p r2, i 15000) i .r4'
      ${If} $4 != 0
        DetailPrint "Morvane did not close; ending it."
        System::Call 'kernel32::TerminateProcess(p r2, i 1) i'
        System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i'
      ${EndIf}
      ; The window list changed: search again from the start (a few times at most).
      IntOp $5 $5 + 1
      ${If} $5 < 10
        StrCpy $0 0
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2) i'
  ${Loop}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_MORVANE ""
!insertmacro DEFINE_STOP_MORVANE "un."

Section "Morvane (required)" SecMain
  SectionIn RO
  SetShellVarContext all
  Call StopMorvane
  SetOutPath "$INSTDIR"
!ifdef WITH_MORVANE
  File "${STAGE}\Morvane.exe"
!endif
!ifdef WITH_SCAN
  File "${STAGE}\MorvaneScan.exe"
!endif
  File "${STAGE}\Tessarin.exe"
  ; The database and its signature "DataBase.ref.sig" go in as a pair. A
  ; database that Tessarin has downloaded since is newer: its pair stays.
  GetFileTimeLocal "${STAGE}/DataBase.ref" $R0 $R1
  StrCpy $R4 1
  ClearErrors
  GetFileTime "$INSTDIR\DataBase.ref" $R2 $R3
  ${IfNot} ${Errors}
    ${If} $R2 U> $R0
      StrCpy $R4 0
    ${ElseIf} $R2 == $R0
    ${AndIf} $R3 U> $R1
      StrCpy $R4 0
    ${EndIf}
  ${EndIf}
  ${If} $R4 == 1
    File "${STAGE}\DataBase.ref.sig"
    File "${STAGE}\DataBase.ref"
  ${Else}
    DetailPrint "Kept the newer database downloaded since and its signature"
  ${EndIf}
  ; The user's own server setting survives a reinstall.
  SetOverwrite off
  File "${STAGE}\Tessarin.ini"
  SetOverwrite on
  SetOutPath "$INSTDIR\Help"
  File /r "${STAGE}\Help\*.*"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Morvane"
!ifdef WITH_MORVANE
  CreateShortcut "$SMPROGRAMS\Morvane\Morvane.lnk" "$INSTDIR\Morvane.exe" "" "$INSTDIR\Morvane.exe" 0
!endif
  CreateShortcut "$SMPROGRAMS\Morvane\Update Database.lnk" "$INSTDIR\Tessarin.exe" "" "$INSTDIR\Tessarin.exe" 0
  CreateShortcut "$SMPROGRAMS\Morvane\Morvane Help.lnk" "$INSTDIR\Help\help.htm"
  CreateShortcut "$SMPROGRAMS\Morvane\Uninstall Morvane.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
!ifdef WITH_MORVANE
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Morvane.exe,0"
!else
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Tessarin.exe,0"
!endif
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Desktop shortcut" SecDesktop
  SetShellVarContext all
!ifdef WITH_MORVANE
  CreateShortcut "$DESKTOP\Morvane.lnk" "$INSTDIR\Morvane.exe" "" "$INSTDIR\Morvane.exe" 0
!else
  CreateShortcut "$DESKTOP\Morvane.lnk" "$INSTDIR\Tessarin.exe" "" "$INSTDIR\Tessarin.exe" 0
!endif
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The scanner, the database updater, the reference database, the user's guide and the Start menu shortcuts."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to Morvane on the desktop of every user."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  SetShellVarContext all
  Call un.StopMorvane

  Delete "$INSTDIR\Morvane.exe"
  Delete "$INSTDIR\MorvaneScan.exe"
  Delete "$INSTDIR\Tessarin.exe"
  Delete "$INSTDIR\Tessarin.ini"
  Delete "$INSTDIR\DataBase.ref"
  Delete "$INSTDIR\DataBase.ref.sig"
  Delete "$INSTDIR\DataBase.tmp"
  Delete "$INSTDIR\DataBase.sig.tmp"
  RMDir /r "$INSTDIR\Help"

  Delete "$SMPROGRAMS\Morvane\Morvane.lnk"
  Delete "$SMPROGRAMS\Morvane\Update Database.lnk"
  Delete "$SMPROGRAMS\Morvane\Morvane Help.lnk"
  Delete "$SMPROGRAMS\Morvane\Uninstall Morvane.lnk"
  RMDir "$SMPROGRAMS\Morvane"
  Delete "$DESKTOP\Morvane.lnk"

  DeleteRegValue HKLM "${RUN_KEY}" "Morvane"
  DeleteRegKey HKLM "${UNINST_KEY}"

  ; Quarantined items, settings, registry backups and the scan log belong to
  ; the user: removed only on an explicit Yes (never in silent mode).
  ${If} ${FileExists} "$INSTDIR\Quarantine\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\Settings\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\Registry Backups\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\SpyLog.txt"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Morvane keeps your quarantined items, settings, registry backups and scan log in$\r$\n$INSTDIR.$\r$\n$\r$\nRemove them too? Quarantined items cannot be restored afterwards.$\r$\n$\r$\nChoose No to keep them." \
      /SD IDNO IDYES remove_user_data
    DetailPrint "Kept the quarantine, settings, registry backups and scan log in $INSTDIR"
    Goto user_data_done
    remove_user_data:
      RMDir /r "$INSTDIR\Quarantine"
      RMDir /r "$INSTDIR\Settings"
      RMDir /r "$INSTDIR\Registry Backups"
      Delete "$INSTDIR\SpyLog.txt"
    user_data_done:
  ${EndIf}

  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
