; Parcelo's per-user setup: no administrator rights, everything under the user's own folders
; and HKCU.
;
;   makensis -V2 -DVERSION=1.0.0 -DBUILD_DIR=<build dir> [-DOUT_FILE=<setup exe>] installer/parcelo.nsi
;
; BUILD_DIR holds parcelo.exe and standin/UploadAgent.exe; -DPARCELO_EXE= and -DAGENT_EXE= name
; them one by one instead. Paths are best absolute: makensis works in this script's folder.
;
; Setup switches:     /S (silent)  /D=<folder> (last)  /MACHINEREG  /NOAUTOSTART  /LOCALLOCKER
; Uninstall switches: /S (silent)  /CLEARSETTINGS

; 64-bit like the program: it runs only where parcelo.exe can, and a 64-bit-only Wine (no
; wine32) cannot start a 32-bit setup at all.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true

!ifndef VERSION
  !define VERSION 1.0.0
!endif
!ifdef BUILD_DIR
  !ifndef PARCELO_EXE
    !define PARCELO_EXE "${BUILD_DIR}/parcelo.exe"
  !endif
  !ifndef AGENT_EXE
    !define AGENT_EXE "${BUILD_DIR}/standin/UploadAgent.exe"
  !endif
  !ifndef OUT_FILE
    !define OUT_FILE "${BUILD_DIR}/installer/parcelo-setup.exe"
  !endif
!endif
!ifndef PARCELO_EXE | AGENT_EXE | OUT_FILE
  !error "Pass -DBUILD_DIR=<build dir>, or -DPARCELO_EXE=, -DAGENT_EXE= and -DOUT_FILE="
!endif

!define PRODUCT "Parcelo"
!define PUBLISHER "Sonavo Inc."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define AGENT_CLSID "{3E6889A5-4443-43F8-9306-B167252B7FFB}"
!define START_MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define AGENT_PROG_ID "Velorex2.Request2"
; The program's own text: a start by hand shows the window; a start at sign-in stays in the tray.
!define SHOW_SWITCH " /showparcelo"
; How long a running Parcelo may take to save its settings and end after it was asked to.
!define CLOSE_WAIT_MS 15000
!define EXIT_COMMAND 32770

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An update goes where the last install went, unless /D= or the user says otherwise.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "../res/images/parcelo_large.ico"
!define MUI_UNICON "../res/images/parcelo_large.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
; After the folder: whether the Local Locker is wanted depends on what is registered there.
!define MUI_PAGE_CUSTOMFUNCTION_PRE ComponentsPre
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\parcelo.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "${SHOW_SWITCH}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var MachineReg     ; 1: also register the agent under HKLM (see README: Wine needs it)
Var LockerAsked    ; 1: /LOCALLOCKER, the Local Locker even where another agent is registered
Var OtherAgent     ; the server command of an agent that is not this install's stand-in, or ""
Var DecidedFor     ; the install folder that the Local Locker's default was decided for
Var WasRunning     ; 1: a Parcelo from the install folder was closed for the update
Var WasShown       ; 1: and its window was shown
Var ClearSettings  ; 1: the uninstaller also deletes the user's settings

; A running program's image cannot be opened for writing, so this tells, without ending
; anything, whether the copy in the install folder is in use. Sets $0 to 1 when it is.
!macro _IsInUse FILE
  StrCpy $0 0
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $1 "${FILE}" a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
!macroend

; Waits until neither program in the install folder runs: a few seconds by itself (the agent
; ends only after its last client has gone), then by asking; gives up (and aborts) on Cancel,
; and at once when silent, since nobody could close them.
!macro _WaitUntilNotRunning
  StrCpy $2 0
  ${Do}
    !insertmacro _IsInUse "$INSTDIR\parcelo.exe"
    ${If} $0 == 0
      !insertmacro _IsInUse "$INSTDIR\UploadAgent.exe"
    ${EndIf}
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${If} $2 < 40
      IntOp $2 $2 + 1
      Sleep 250
      ${Continue}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} or its UploadAgent is still running from $INSTDIR.$\r$\n$\r$\nChoose Exit from ${PRODUCT}'s menu, wait a moment, then choose Retry." /SD IDCANCEL IDRETRY`
      Abort "${PRODUCT} is running; nothing was changed."
    ${EndIf}
  ${Loop}
!macroend

; Asks every Parcelo that runs from the install folder to exit, the way its menu's Exit does
; (it saves its settings on the way out), and waits a bounded time for each. What will not end
; is left to _WaitUntilNotRunning. Sets $WasRunning and $WasShown.
!macro _CloseRunningParcelo UN
Function ${UN}CloseRunningParcelo
  StrCpy $WasRunning 0
  StrCpy $WasShown 0
  ; Found first and closed afterwards: a window that goes away ends the search from it.
  StrCpy $R0 0
  StrCpy $R5 0
  ${Do}
    FindWindow $R0 "Sonavo" "" 0 $R0
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i R1) p .R2'
    ${If} $R2 P<> 0
      StrCpy $R3 ""
      System::Call 'kernel32::QueryFullProcessImageNameW(p R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN})'
      ${If} $R3 == "$INSTDIR\parcelo.exe"
        Push $R2
        Push $R0
        IntOp $R5 $R5 + 1
      ${Else}
        System::Call 'kernel32::CloseHandle(p R2)'
      ${EndIf}
    ${EndIf}
  ${Loop}
  ${DoWhile} $R5 > 0
    Pop $R0
    Pop $R2
    IntOp $R5 $R5 - 1
    StrCpy $WasRunning 1
    System::Call 'user32::IsWindowVisible(p R0) i .R4'
    ${If} $R4 <> 0
      StrCpy $WasShown 1
    ${EndIf}
    DetailPrint "Closing the running ${PRODUCT}"
    System::Call 'user32::PostMessageW(p R0, i ${WM_COMMAND}, p ${EXIT_COMMAND}, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p R2, i ${CLOSE_WAIT_MS}) i .R4'
    System::Call 'kernel32::CloseHandle(p R2)'
  ${Loop}
FunctionEnd
!macroend
!insertmacro _CloseRunningParcelo ""
!insertmacro _CloseRunningParcelo "un."

; Sets $0 to 1 when the agent's class under ROOT\Software\Classes is the one in $INSTDIR, so
; that removing it never takes away another copy's registration.
!macro _AgentRegisteredHere ROOT
  StrCpy $0 0
  ReadRegStr $1 ${ROOT} "Software\Classes\CLSID\${AGENT_CLSID}\LocalServer32" ""
  StrCpy $2 '"$INSTDIR\UploadAgent.exe"'
  StrLen $3 $2
  StrCpy $1 $1 $3
  ${If} $1 == $2
    StrCpy $0 1
  ${EndIf}
!macroend

; The agent that the ProgID under ROOT\Software\Classes leads to, when it is not this install's
; stand-in: its server command into $OtherAgent. The class is looked up in the same hive first:
; the stand-in shares the agent's class id, so a per-user stand-in must not hide a machine-wide
; agent from this search (as it would from Windows' merged view).
!macro _FindOtherAgentIn ROOT OTHER
  ReadRegStr $0 ${ROOT} "Software\Classes\${AGENT_PROG_ID}\CLSID" ""
  ${If} $0 != ""
  ${AndIf} $OtherAgent == ""
    ReadRegStr $1 ${ROOT} "Software\Classes\CLSID\$0\LocalServer32" ""
    ${If} $1 == ""
      ReadRegStr $1 ${ROOT} "Software\Classes\CLSID\$0\InprocServer32" ""
    ${EndIf}
    ${If} $1 == ""
      ReadRegStr $1 ${OTHER} "Software\Classes\CLSID\$0\LocalServer32" ""
    ${EndIf}
    ${If} $1 == ""
      ReadRegStr $1 ${OTHER} "Software\Classes\CLSID\$0\InprocServer32" ""
    ${EndIf}
    StrCpy $2 '"$INSTDIR\UploadAgent.exe"'
    StrLen $3 $2
    StrCpy $4 $1 $3
    ${If} $1 != ""
    ${AndIf} $4 != $2
      StrCpy $OtherAgent $1
    ${EndIf}
  ${EndIf}
!macroend

Section "Parcelo" SecMain
  SectionIn RO
  SetShellVarContext current
  Call CloseRunningParcelo
  !insertmacro _WaitUntilNotRunning

  SetOutPath "$INSTDIR"
  File "/oname=parcelo.exe" "${PARCELO_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortcut "${START_MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\parcelo.exe" "${SHOW_SWITCH}" "$INSTDIR\parcelo.exe" 0

  ; Written before the agent is registered, so that even a failed registration leaves
  ; something the user can remove.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\parcelo.exe,0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Start ${PRODUCT} when I sign in to Windows" SecAutostart
  ; No switch: a start at sign-in stays in the tray.
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\parcelo.exe"'
SectionEnd

Section "Local Locker for trying ${PRODUCT} without the service" SecLocker
  SetOutPath "$INSTDIR"
  File "/oname=UploadAgent.exe" "${AGENT_EXE}"
  DetailPrint "Registering UploadAgent for this user"
  ExecWait '"$INSTDIR\UploadAgent.exe" /RegServer' $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "UploadAgent could not be registered (exit code $0)." /SD IDOK
    Abort "UploadAgent could not be registered."
  ${EndIf}
  ${If} $MachineReg == 1
    DetailPrint "Registering UploadAgent for all users (/MACHINEREG)"
    ExecWait '"$INSTDIR\UploadAgent.exe" /RegServer /machine' $0
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONSTOP "UploadAgent could not be registered for all users (exit code $0)." /SD IDOK
      Abort "UploadAgent could not be registered for all users."
    ${EndIf}
    ; Never cleared by a later setup without the switch: that registration still points here,
    ; and the uninstaller must still remove it.
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MachineRegistration" 1
  ${EndIf}
SectionEnd

; What the choices left out is taken away from an earlier install, then Parcelo comes back if
; the update closed it.
Section "-Finish"
  SetShellVarContext current
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  ${IfNot} ${SectionIsSelected} ${SecLocker}
    ${If} $OtherAgent != ""
      DetailPrint "${PRODUCT} uses the UploadAgent already registered; the Local Locker is left out."
      DetailPrint "That agent: $OtherAgent"
      ; The details stay up until Next, so that this is read.
      SetAutoClose false
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\UploadAgent.exe"
      !insertmacro _AgentRegisteredHere HKCU
      ${If} $0 == 1
        ExecWait '"$INSTDIR\UploadAgent.exe" /UnregServer'
      ${EndIf}
      !insertmacro _AgentRegisteredHere HKLM
      ${If} $0 == 1
        ExecWait '"$INSTDIR\UploadAgent.exe" /UnregServer /machine'
      ${EndIf}
      Delete "$INSTDIR\UploadAgent.exe"
    ${EndIf}
    DeleteRegValue HKCU "${UNINSTALL_KEY}" "MachineRegistration"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $WasRunning == 1
    DetailPrint "Starting ${PRODUCT} again"
    ${If} $WasShown == 1
      Exec '"$INSTDIR\parcelo.exe"${SHOW_SWITCH}'
    ${Else}
      Exec '"$INSTDIR\parcelo.exe"'
    ${EndIf}
  ${EndIf}
SectionEnd

; The Local Locker is on by default only where no other agent answers to the ProgID: a real
; UploadAgent stays the one Parcelo talks to. Both hives count: Windows lets a per-user
; registration hide a machine-wide one, and Wine reads only the machine-wide one.
Function DecideLocker
  StrCpy $DecidedFor $INSTDIR
  StrCpy $OtherAgent ""
  !insertmacro _FindOtherAgentIn HKCU HKLM
  !insertmacro _FindOtherAgentIn HKLM HKCU
  ${If} $OtherAgent == ""
  ${OrIf} $LockerAsked == 1
    !insertmacro SelectSection ${SecLocker}
  ${Else}
    !insertmacro UnselectSection ${SecLocker}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $MachineReg 0
  StrCpy $LockerAsked 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/MACHINEREG" $R1
  ${IfNot} ${Errors}
    StrCpy $MachineReg 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LOCALLOCKER" $R1
  ${IfNot} ${Errors}
    StrCpy $LockerAsked 1
  ${EndIf}
  Call DecideLocker
FunctionEnd

; The folder may have changed on the page before; a choice the user made for the same folder
; stays.
Function ComponentsPre
  ${If} $DecidedFor != $INSTDIR
    Call DecideLocker
  ${EndIf}
FunctionEnd

; Parcelo is already back when the update closed it: a second one is not offered.
Function FinishShow
  ${If} $WasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
  StrCpy $ClearSettings 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEARSETTINGS" $R1
  ${IfNot} ${Errors}
    StrCpy $ClearSettings 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.CloseRunningParcelo
  !insertmacro _WaitUntilNotRunning

  ; Asked only when neither the switch nor silence has decided; No unless the user says Yes.
  ${If} $ClearSettings == 0
  ${AndIfNot} ${Silent}
    ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also delete your ${PRODUCT} settings (window position, proxy, account)?" /SD IDNO IDYES`
      StrCpy $ClearSettings 1
    ${EndIf}
  ${EndIf}
  ${If} $ClearSettings == 1
  ${AndIf} ${FileExists} "$INSTDIR\parcelo.exe"
    DetailPrint "Deleting the settings"
    ; The program looks for the text " /clearreg", blank included.
    ExecWait '"$INSTDIR\parcelo.exe" /clearreg'
  ${EndIf}

  ReadRegDWORD $R2 HKCU "${UNINSTALL_KEY}" "MachineRegistration"
  ${If} ${FileExists} "$INSTDIR\UploadAgent.exe"
    !insertmacro _AgentRegisteredHere HKCU
    ${If} $0 == 1
      DetailPrint "Unregistering UploadAgent for this user"
      ExecWait '"$INSTDIR\UploadAgent.exe" /UnregServer'
    ${EndIf}
    !insertmacro _AgentRegisteredHere HKLM
    ${If} $R2 == 1
    ${AndIf} $0 == 1
      DetailPrint "Unregistering UploadAgent for all users"
      ExecWait '"$INSTDIR\UploadAgent.exe" /UnregServer /machine'
    ${EndIf}
  ${EndIf}

  ; Only this install's entry: another copy's autostart stays.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\parcelo.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}

  Delete "$INSTDIR\parcelo.exe"
  Delete "$INSTDIR\UploadAgent.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: files the user put there stay, and so does the folder then.
  RMDir "$INSTDIR"

  ; The shortcut and the entry belong to the install the entry names: a stray copy of the
  ; uninstaller elsewhere leaves them to it.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    Delete "${START_MENU_FOLDER}\${PRODUCT}.lnk"
    RMDir "${START_MENU_FOLDER}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
