; Parcelo's per-user setup: no administrator rights, everything under the user's own folders
; and HKCU.
;
;   makensis -V2 -DVERSION=1.0.0 -DBUILD_DIR=<build dir> [-DOUT_FILE=<setup exe>] installer/parcelo.nsi
;
; BUILD_DIR holds parcelo.exe, standin/UploadAgent.exe and installer/plugin/ParceloSetup.dll;
; -DPARCELO_EXE=, -DAGENT_EXE= and -DPLUGIN_DIR= name them one by one instead. Paths are best
; absolute: makensis works in this script's folder. VERSION has one to four numbers.
;
; Setup switches:     /S (silent)  /D=<folder> (last)  /AUTOSTART  /NOAUTOSTART  /LOCALLOCKER
;                     /MACHINEREG (only under Wine, in a setup run as administrator)
; Uninstall switches: /S (silent)  /CLEARSETTINGS  _?=<folder> (last: the caller waits for the end)
;                     /FROMSETUP (a setup that holds the setup mutex runs it)

; 64-bit like the program: it runs only where parcelo.exe can, and a 64-bit-only Wine (no
; wine32) cannot start a 32-bit setup at all.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
; A file that cannot be written (Parcelo started again meanwhile, a virus scanner holding it)
; stops the setup with Retry/Cancel, silent with exit code 2, instead of keeping the old file
; under the new version's name.
AllowSkipFiles off

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
  !ifndef PLUGIN_DIR
    !define PLUGIN_DIR "${BUILD_DIR}/installer/plugin"
  !endif
  !ifndef OUT_FILE
    !define OUT_FILE "${BUILD_DIR}/installer/parcelo-setup.exe"
  !endif
!endif
!ifndef PARCELO_EXE | AGENT_EXE | PLUGIN_DIR | OUT_FILE
  !error "Pass -DBUILD_DIR=<build dir>, or -DPARCELO_EXE=, -DAGENT_EXE=, -DPLUGIN_DIR= and -DOUT_FILE="
!endif
; -DSIGN_COMMAND=<command> signs the uninstaller and the setup as they are written: the command
; gets the file's path added (installer/Package.cmake passes PARCELO_SIGN; it signs the
; programs before they are packed).
!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
  !finalize '${SIGN_COMMAND} "%1"' = 0
!endif
; ParceloSetup.dll: the agent lookup, the elevation check, starting Parcelo as the user, and
; the running copies (installer/plugin/ParceloSetup.cpp).
!addplugindir /amd64-unicode "${PLUGIN_DIR}"

; The version's four parts, as Windows' version resource holds them; missing ones are 0.
!searchparse /noerrors "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "." VERSION_BUILD "." VERSION_REVISION
!ifndef VERSION_MINOR
  !define VERSION_MINOR 0
!endif
!ifndef VERSION_BUILD
  !define VERSION_BUILD 0
!endif
!ifndef VERSION_REVISION
  !define VERSION_REVISION 0
!endif

!define PRODUCT "Parcelo"
!define PUBLISHER "Sonavo Inc."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define AGENT_CLSID "{3E6889A5-4443-43F8-9306-B167252B7FFB}"
!define START_MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Where Task Manager and Settings turn a Run value off, leaving the value itself in place.
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
; The program's own text: a start by hand shows the window; a start at sign-in stays in the tray.
!define SHOW_SWITCH " /showparcelo"
; How long a running Parcelo may take to save its settings and end after it was asked to.
!define CLOSE_WAIT_MS 15000
; How often, 100 ms apart, the uninstaller that waited in the install folder is tried to be
; removed after it ended (it ends at once).
!define REMOVE_WAITER_TRIES 100
; Held while a setup runs, so that a second one says so instead of working beside it.
!define SETUP_MUTEX "Sonavo.Parcelo.Setup"
; Held while an uninstaller that a caller waited for is being removed from the folder it ran in,
; right after it ended: a setup started at once waits for that instead of losing its new
; uninstaller to it.
!define REMOVAL_MUTEX "Sonavo.Parcelo.Setup.Removal"
!define SYNCHRONIZE 0x00100000
!define ERROR_ALREADY_EXISTS 183
; What an elevated setup's mutex gives a setup without elevation.
!define ERROR_ACCESS_DENIED 5
; A setup run as the wrong account ends with this, before it changes anything.
!define WRONG_ACCOUNT_EXIT 3

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

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_BUILD}.${VERSION_REVISION}"
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
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
; Never Exec: a setup run as administrator would start Parcelo as administrator too.
!define MUI_FINISHPAGE_RUN_FUNCTION StartFromFinishPage
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Elevated       ; 1: the setup runs elevated ("Run as administrator")
Var MachineReg     ; 1: also register the agent under HKLM (see README: Wine needs it)
Var LockerAsked    ; 1: /LOCALLOCKER, the Local Locker even where another agent is registered
Var OtherAgent     ; the agent registered that is not this install's stand-in, described, or ""
Var DecidedFor     ; the install folder that the Local Locker's default was decided for
Var EarlierDir     ; an earlier install in another folder (its uninstall entry says where), or ""
Var ClosedIn       ; the folder a running Parcelo was closed in for this setup, or ""
Var WasShown       ; 1: and its window was shown
Var CloseFailure   ; the close request that could not be made, named, or ""
Var Changed        ; what this setup has changed so far, one line each, for a setup that stops
Var StartFolder    ; StartParcelo's folder and switches
Var StartSwitches
Var StartFailure   ; why StartParcelo did not start it, or ""
Var ClearSettings  ; 1: the uninstaller also deletes the user's settings
Var Unregistered   ; 0: a registration of this folder's agent could not be taken away
Var Warnings       ; what went only partly right although the install went on, for the last message

; Closes every Parcelo that runs from the folder on the stack and waits until neither program
; runs from there: a few seconds by itself (the agent ends only after its last client has
; gone), then by asking; gives up (and aborts) on Cancel, and at once when silent, since nobody
; could close them. Sets $ClosedIn, $WasShown and $CloseFailure.
!macro _CloseAndWait UN
Function ${UN}CloseAndWait
  Exch $R9
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  ParceloSetup::CloseParcelo "$R9" "${CLOSE_WAIT_MS}"
  Pop $R0
  Pop $R3
  Pop $R1
  Pop $R2
  ${If} $R0 > 0
    DetailPrint "Closed the running ${PRODUCT} in $R9"
  ${EndIf}
  ; A copy that took the request but has not ended yet was closed by this setup too, once it
  ; ends below; it is started again with the rest.
  ${If} $R0 > 0
  ${OrIf} $R3 > 0
    StrCpy $ClosedIn $R9
    ${If} $R1 == 1
      StrCpy $WasShown 1
    ${EndIf}
  ${EndIf}
  ${If} $R2 != ""
    DetailPrint $R2
    StrCpy $CloseFailure "$\r$\n$\r$\n$R2"
  ${EndIf}
  StrCpy $R0 0
  ${Do}
    ParceloSetup::CountRunning "$R9"
    Pop $R1
    ${If} $R1 == 0
      ${Break}
    ${EndIf}
    ${If} $R0 < 40
      IntOp $R0 $R0 + 1
      Sleep 250
      ${Continue}
    ${EndIf}
    ; Parcelo has gone, and its Local Locker still works through what was dropped: it keeps
    ; that on disk and goes on at the next sign-in, so it is ended rather than waited for.
    ParceloSetup::CountParcelo "$R9"
    Pop $R1
    ${If} $R1 == 0
    ${AndIf} $R0 == 40
      IntOp $R0 $R0 + 1
      ParceloSetup::EndAgent "$R9"
      Pop $R1
      ${If} $R1 > 0
        DetailPrint "Ended the Local Locker in $R9; what it had still to upload goes on at the next sign-in"
        ${Continue}
      ${EndIf}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} or its UploadAgent is still running from $R9.$CloseFailure$\r$\n$\r$\nChoose Exit from ${PRODUCT}'s menu, wait a moment, then choose Retry." /SD IDCANCEL IDRETRY`
      Abort "${PRODUCT} or its UploadAgent is still running from $R9."
    ${EndIf}
  ${Loop}
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
  Pop $R9
FunctionEnd
!macroend
!insertmacro _CloseAndWait ""
!insertmacro _CloseAndWait "un."

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

; Takes away the registrations of $INSTDIR\UploadAgent.exe, per user and for all users,
; each only while it still points here; one that cannot be taken away is reported and
; leaves $Unregistered 0.
!macro _UnregisterHere UN
Function ${UN}UnregisterHere
  StrCpy $Unregistered 1
  !insertmacro _AgentRegisteredHere HKCU
  ${If} $0 == 1
    DetailPrint "Unregistering UploadAgent for this user"
    StrCpy $4 '"$INSTDIR\UploadAgent.exe" /UnregServer'
    Call ${UN}UnregisterWith
  ${EndIf}
  !insertmacro _AgentRegisteredHere HKLM
  ${If} $0 == 1
    DetailPrint "Unregistering UploadAgent for all users"
    StrCpy $4 '"$INSTDIR\UploadAgent.exe" /UnregServer /machine'
    Call ${UN}UnregisterWith
  ${EndIf}
FunctionEnd

Function ${UN}UnregisterWith
  StrCpy $5 "not started"
  ClearErrors
  ExecWait $4 $5
  ${If} ${Errors}
  ${OrIf} $5 != 0
    StrCpy $Unregistered 0
    DetailPrint "UploadAgent could not be unregistered (exit code $5): $4"
    MessageBox MB_OK|MB_ICONEXCLAMATION "UploadAgent could not be unregistered (exit code $5):$\r$\n$4$\r$\n$\r$\nIts registration still names $INSTDIR\UploadAgent.exe, so that file stays there. Run this again as administrator if it was registered for all users." /SD IDOK
  ${EndIf}
FunctionEnd
!macroend
!insertmacro _UnregisterHere ""
!insertmacro _UnregisterHere "un."

; Starts $StartFolder\parcelo.exe with $StartSwitches as the signed-in user's normal process,
; never as administrator (ParceloSetup::StartAsUser decides how); sets $StartFailure to why
; it was not started, or "".
Function StartParcelo
  ParceloSetup::StartAsUser '"$StartFolder\parcelo.exe"$StartSwitches' "$StartFolder"
  Pop $StartFailure
  ${If} $StartFailure == ""
    DetailPrint "Started ${PRODUCT}"
  ${Else}
    DetailPrint "${PRODUCT} was not started: $StartFailure"
  ${EndIf}
FunctionEnd

; The same, and where it could not, the user is told how to start it.
Function StartParceloOrSayHow
  Call StartParcelo
  ${If} $StartFailure != ""
    MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT} was not started: $StartFailure$\r$\n$\r$\nStart it from the Start menu: ${PRODUCT}." /SD IDOK
  ${EndIf}
FunctionEnd

; The folder the uninstall entry names, in $0, while Parcelo is there: a roaming profile brings
; the entry, the Run value and the shortcut to another computer without the files, and such an
; entry is no install.
Function InstalledFolder
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIfNot} ${FileExists} "$0\parcelo.exe"
    StrCpy $0 ""
  ${EndIf}
FunctionEnd

; An earlier install in another folder: the folder its uninstall entry names, while Parcelo and
; its uninstaller are still there.
Function FindEarlierInstall
  StrCpy $EarlierDir ""
  Call InstalledFolder
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    StrCpy $EarlierDir $0
  ${EndIf}
FunctionEnd

; The earlier install in another folder goes first: closed, then removed by its own
; uninstaller, silent (so the settings stay) and run in place (_?=) so that it is waited for
; and its exit code counts. Until it is gone, nothing is installed.
Function RemoveEarlierInstall
  Call FindEarlierInstall
  ${If} $EarlierDir == ""
    Return
  ${EndIf}
  Push $EarlierDir
  Call CloseAndWait
  DetailPrint "Removing the earlier ${PRODUCT} in $EarlierDir"
  StrCpy $0 "not started"
  ClearErrors
  ; This setup holds the setup mutex: the uninstaller must not wait for it.
  ExecWait '"$EarlierDir\uninstall.exe" /S /FROMSETUP _?=$EarlierDir' $0
  ; 2: removed, except what it could not take away (a registration it could not remove keeps
  ; its UploadAgent.exe); the files are gone, so this install goes on, and says so at the end.
  ; One that refused before deleting anything (it needs administrator rights) gives 2 as well:
  ; its parcelo.exe is still there then.
  StrCpy $1 0
  ${If} ${Errors}
    StrCpy $1 1
  ${ElseIf} $0 == 2
    ${If} ${FileExists} "$EarlierDir\parcelo.exe"
      StrCpy $1 1
    ${EndIf}
  ${ElseIf} $0 != 0
    StrCpy $1 1
  ${EndIf}
  ${If} $1 == 1
    Abort "The earlier ${PRODUCT} in $EarlierDir could not be removed (its uninstaller: $0)."
  ${EndIf}
  ; Run in place, it cannot delete itself.
  Delete "$EarlierDir\uninstall.exe"
  RMDir "$EarlierDir"
  ${If} $0 == 2
    StrCpy $1 "The earlier ${PRODUCT} in $EarlierDir was removed with warnings (its uninstaller's exit code 2):"
    ${If} ${FileExists} "$EarlierDir\UploadAgent.exe"
      StrCpy $1 "$1 $EarlierDir\UploadAgent.exe stays there, still registered."
    ${Else}
      StrCpy $1 "$1 see the details."
    ${EndIf}
    DetailPrint $1
    StrCpy $Warnings "$Warnings$\r$\n$\r$\n$1"
    StrCpy $Changed "$Changed$\r$\n- the earlier ${PRODUCT} in $EarlierDir was removed with warnings (your settings stay)"
  ${Else}
    StrCpy $Changed "$Changed$\r$\n- the earlier ${PRODUCT} in $EarlierDir was removed (your settings stay)"
  ${EndIf}
FunctionEnd

Section "Parcelo" SecMain
  SectionIn RO
  SetShellVarContext current
  Push $INSTDIR
  Call CloseAndWait
  Call RemoveEarlierInstall

  SetOutPath "$INSTDIR"
  File "/oname=parcelo.exe" "${PARCELO_EXE}"
  StrCpy $Changed "$Changed$\r$\n- $INSTDIR\parcelo.exe is the new one"
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    Abort "$INSTDIR\uninstall.exe could not be written."
  ${EndIf}

  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortcut "${START_MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\parcelo.exe" "${SHOW_SWITCH}" "$INSTDIR\parcelo.exe" 0

  ; Written before the agent is registered, so that even a failed registration leaves
  ; something the user can remove. The version comes last (in -Finish): a setup that stops
  ; halfway does not claim it.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  ; With _?= the uninstaller started here waits for the copy that does the work (un.onInit),
  ; so that the caller sees the end and the exit code.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\parcelo.exe,0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  StrCpy $Changed "$Changed$\r$\n- its uninstaller, Start-menu shortcut and uninstall entry"
SectionEnd

; Written (or taken away) in -Finish, once nothing can stop the setup any more.
Section "Start ${PRODUCT} when I sign in to Windows" SecAutostart
SectionEnd

Section "Local Locker for trying ${PRODUCT} without the service" SecLocker
  SetOutPath "$INSTDIR"
  File "/oname=UploadAgent.exe" "${AGENT_EXE}"
  StrCpy $Changed "$Changed$\r$\n- $INSTDIR\UploadAgent.exe is the new one"
  DetailPrint "Registering UploadAgent for this user"
  StrCpy $0 "not started"
  ClearErrors
  ExecWait '"$INSTDIR\UploadAgent.exe" /RegServer' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "UploadAgent could not be registered (exit code $0)." /SD IDOK
    Abort "UploadAgent could not be registered."
  ${EndIf}
  StrCpy $Changed "$Changed$\r$\n- UploadAgent is registered for this user"
  ${If} $MachineReg == 1
    ; A machine-wide agent of someone else's stays: it serves every user of this computer.
    ParceloSetup::FindOtherAgent "machine" "$INSTDIR" "$EarlierDir"
    Pop $0
    ${If} $0 != ""
      DetailPrint "Another UploadAgent is registered for all users, and stays: $0"
      DetailPrint "The Local Locker is registered for this user only."
      SetAutoClose false
    ${Else}
      DetailPrint "Registering UploadAgent for all users (/MACHINEREG)"
      StrCpy $0 "not started"
      ClearErrors
      ExecWait '"$INSTDIR\UploadAgent.exe" /RegServer /machine' $0
      ${If} ${Errors}
      ${OrIf} $0 != 0
        MessageBox MB_OK|MB_ICONSTOP "UploadAgent could not be registered for all users (exit code $0)." /SD IDOK
        Abort "UploadAgent could not be registered for all users."
      ${EndIf}
      ; Never cleared by a later setup without the switch: that registration still points
      ; here, and the uninstaller must still remove it.
      WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MachineRegistration" 1
      StrCpy $Changed "$Changed$\r$\n- UploadAgent is registered for all users"
    ${EndIf}
  ${EndIf}
SectionEnd

; What the choices left out is taken away from an earlier install, the version is recorded,
; then Parcelo comes back if the setup closed it.
Section "-Finish"
  SetShellVarContext current
  ${If} ${SectionIsSelected} ${SecAutostart}
    ; No switch: a start at sign-in stays in the tray. A mark that turned it off in Windows'
    ; startup list would keep it off.
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\parcelo.exe"'
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
  ${EndIf}
  ${IfNot} ${SectionIsSelected} ${SecLocker}
    ${If} $OtherAgent != ""
      DetailPrint "${PRODUCT} uses the UploadAgent already registered; the Local Locker is left out."
      DetailPrint "That agent: $OtherAgent"
      ; The details stay up until Next, so that this is read.
      SetAutoClose false
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\UploadAgent.exe"
      Call UnregisterHere
      ${If} $Unregistered == 1
        Delete "$INSTDIR\UploadAgent.exe"
        DeleteRegValue HKCU "${UNINSTALL_KEY}" "MachineRegistration"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallDate" "$2$1$0"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $ClosedIn != ""
    StrCpy $StartFolder $INSTDIR
    StrCpy $StartSwitches ""
    ${If} $WasShown == 1
      StrCpy $StartSwitches "${SHOW_SWITCH}"
    ${EndIf}
    Call StartParceloOrSayHow
  ${EndIf}

  ${If} $Warnings != ""
    SetAutoClose false
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} ${VERSION} is installed in $INSTDIR.$Warnings$\r$\n$\r$\nWhat was changed:$Changed" /SD IDOK
  ${EndIf}
SectionEnd

; A setup that stopped says what it changed and what not, and a Parcelo that it closed runs
; again: from where it ran, or from the install folder when that copy is gone.
Function .onInstFailed
  StrCpy $R0 "Nothing was changed."
  ${If} $Changed != ""
    StrCpy $R0 "What was changed:$Changed$\r$\nNothing else was changed."
  ${EndIf}
  StrCpy $R1 ""
  ${If} $ClosedIn != ""
    StrCpy $StartFolder $ClosedIn
    ${IfNot} ${FileExists} "$StartFolder\parcelo.exe"
      StrCpy $StartFolder $INSTDIR
    ${EndIf}
    StrCpy $StartSwitches ""
    ${If} $WasShown == 1
      StrCpy $StartSwitches "${SHOW_SWITCH}"
    ${EndIf}
    ; A copy that did not end in time, or one started meanwhile, runs already: not a second.
    ParceloSetup::CountParcelo "$ClosedIn"
    Pop $0
    ParceloSetup::CountParcelo "$StartFolder"
    Pop $1
    ${If} $0 > 0
    ${OrIf} $1 > 0
      StrCpy $StartFailure ""
    ${ElseIf} ${FileExists} "$StartFolder\parcelo.exe"
      Call StartParcelo
    ${Else}
      StrCpy $StartFailure "no copy of it is left."
    ${EndIf}
    StrCpy $R1 "$\r$\n$\r$\n${PRODUCT}, which the setup had closed, runs again."
    ${If} $StartFailure != ""
      StrCpy $R1 "$\r$\n$\r$\n${PRODUCT}, which the setup had closed, was not started again: $StartFailure"
    ${EndIf}
  ${EndIf}
  DetailPrint "$R0$R1"
  MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} Setup did not finish.$\r$\n$\r$\n$R0$R1" /SD IDOK
FunctionEnd

; The Local Locker is on by default only where no other agent answers to the ProgID: a real
; UploadAgent stays the one Parcelo talks to. Every registration counts (per user and for all
; users, 64-bit and 32-bit, a service) except this install's own stand-in, here or in the
; folder of an earlier install that this setup replaces.
Function DecideLocker
  StrCpy $DecidedFor $INSTDIR
  Call FindEarlierInstall
  ParceloSetup::FindOtherAgent "any" "$INSTDIR" "$EarlierDir"
  Pop $OtherAgent
  ${If} $OtherAgent == ""
  ${OrIf} $LockerAsked == 1
    !insertmacro SelectSection ${SecLocker}
  ${Else}
    !insertmacro UnselectSection ${SecLocker}
  ${EndIf}
FunctionEnd

; On an update the start at sign-in stays as the user left it: on while the Run value is
; there and Windows' startup list does not turn it off. A first install turns it on. The
; switches decide over both.
Function DecideAutostart
  Call InstalledFolder
  ReadRegStr $1 HKCU "${RUN_KEY}" "${PRODUCT}"
  ParceloSetup::StartTurnedOff
  Pop $2
  ${If} $0 != ""
    ${If} $1 == ""
    ${OrIf} $2 == 1
      !insertmacro UnselectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

; Held until the setup or uninstaller ends (the handle closes with the process); a second one
; says so and aborts. A mutex that an elevated one created refuses a setup without elevation
; access to it: that, too, means one is running.
!macro _TakeSetupMutex UN
Function ${UN}TakeSetupMutex
  Push $R0
  Push $R1
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .R0 ?e'
  Pop $R1
  ${If} $R1 = ${ERROR_ALREADY_EXISTS}
  ${OrIf} $R1 = ${ERROR_ACCESS_DENIED}
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} Setup is already running. Finish it first, then start this one again." /SD IDOK
    Abort
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro _TakeSetupMutex ""
!insertmacro _TakeSetupMutex "un."

; Waits while an uninstaller that just ended is still being removed from its folder (see
; REMOVAL_MUTEX), at most as long as that removal tries.
Function WaitForRemoval
  ${For} $R1 1 ${REMOVE_WAITER_TRIES}
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${REMOVAL_MUTEX}") p .R0'
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R0)'
    Sleep 100
  ${Next}
FunctionEnd

Function .onInit
  SetShellVarContext current
  ; Installed into the profile of the account the setup runs as: under another than the
  ; signed-in user's, nobody would get Parcelo. Refused before anything else.
  ParceloSetup::CheckAccount
  Pop $R0
  ${If} $R0 != ""
    MessageBox MB_OK|MB_ICONSTOP $R0 /SD IDOK
    SetErrorLevel ${WRONG_ACCOUNT_EXIT}
    Quit
  ${EndIf}
  Call TakeSetupMutex
  Call WaitForRemoval

  ; An install whose entry names a folder without Parcelo (a roamed profile) is no install:
  ; a fresh one goes to the usual folder.
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Call InstalledFolder
  ${If} $R0 != ""
  ${AndIf} $0 == ""
  ${AndIf} $INSTDIR == $R0
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}

  ParceloSetup::IsElevated
  Pop $Elevated
  StrCpy $MachineReg 0
  StrCpy $LockerAsked 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/MACHINEREG" $R1
  ${IfNot} ${Errors}
    StrCpy $MachineReg 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LOCALLOCKER" $R1
  ${IfNot} ${Errors}
    StrCpy $LockerAsked 1
  ${EndIf}
  ; Only Wine needs it (it finds no class registered only per user). On Windows a machine-wide
  ; registration of a program in one user's writable folder would let that user replace what
  ; elevated programs and other users start. And writing for all users is an administrator's.
  ; Refused before anything is changed.
  ${If} $MachineReg == 1
    ParceloSetup::IsWine
    Pop $R1
    ${If} $R1 != 1
      MessageBox MB_OK|MB_ICONSTOP "/MACHINEREG is for Wine only: on Windows the Local Locker is registered for you, which is all Parcelo needs. Leave the switch out." /SD IDOK
      Abort
    ${EndIf}
    ${If} $Elevated != 1
      MessageBox MB_OK|MB_ICONSTOP "/MACHINEREG registers the Local Locker for all users of this computer. Run the setup as administrator for it, or leave the switch out." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  Call DecideAutostart
  Call DecideLocker
FunctionEnd

; The folder may have changed on the page before; a choice the user made for the same folder
; stays.
Function ComponentsPre
  ${If} $DecidedFor != $INSTDIR
    Call DecideLocker
  ${EndIf}
FunctionEnd

; A Parcelo that the setup closed has been started again already (or the user was told how):
; a second start is not offered.
Function FinishShow
  ${If} $ClosedIn != ""
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function StartFromFinishPage
  StrCpy $StartFolder $INSTDIR
  StrCpy $StartSwitches "${SHOW_SWITCH}"
  Call StartParceloOrSayHow
FunctionEnd

Function un.onInit
  SetShellVarContext current
  ${GetParameters} $R0
  ; The uninstaller in the install folder, which waited for the copy that did the work, is
  ; removed as soon as it has ended (a tenth of a second).
  ClearErrors
  ${GetOptions} $R0 "/REMOVEWAITER" $R1
  ${IfNot} ${Errors}
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${REMOVAL_MUTEX}") p .R1'
    ${For} $R1 1 ${REMOVE_WAITER_TRIES}
      ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
        ${Break}
      ${EndIf}
      Sleep 100
      Delete "$INSTDIR\uninstall.exe"
    ${Next}
    RMDir "$INSTDIR"
    Quit
  ${EndIf}
  ; Started in place (_?= naming its own folder, as the uninstall entry starts it): the work is
  ; done by a copy in a temporary folder, which can remove this folder, and this one waits for
  ; it and passes its exit code on, so that the caller sees the end.
  ${If} $EXEDIR == $INSTDIR
    GetTempFileName $R2
    Delete $R2
    CreateDirectory $R2
    ClearErrors
    CopyFiles /SILENT "$EXEPATH" "$R2\uninstall.exe"
    StrCpy $R1 2
    ${IfNot} ${Errors}
      ExecWait '"$R2\uninstall.exe" $R0 _?=$INSTDIR' $R1
      ${If} ${Errors}
        StrCpy $R1 2
      ${EndIf}
    ${EndIf}
    Delete "$R2\uninstall.exe"
    RMDir $R2
    SetErrorLevel $R1
    Quit
  ${EndIf}

  ; Registered for all users, the agent can only be unregistered with administrator rights:
  ; without them, nothing is deleted (the files would go and the registration point at nothing).
  !insertmacro _AgentRegisteredHere HKLM
  ${If} $0 == 1
    ParceloSetup::IsElevated
    Pop $R1
    ${If} $R1 != 1
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT}'s UploadAgent in $INSTDIR is registered for all users of this computer, and only an administrator can take that registration away.$\r$\n$\r$\nRun the uninstaller as administrator. Nothing was changed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}

  ClearErrors
  ${GetOptions} $R0 "/FROMSETUP" $R1
  ${If} ${Errors}
    Call un.TakeSetupMutex
  ${EndIf}
  StrCpy $ClearSettings 0
  ClearErrors
  ${GetOptions} $R0 "/CLEARSETTINGS" $R1
  ${IfNot} ${Errors}
    StrCpy $ClearSettings 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Push $INSTDIR
  Call un.CloseAndWait

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
    ; The program looks for the text " /clearreg", blank included. Only Parcelo's own key
    ; goes: the Local Locker's accounts and the files in its Locker stay.
    ExecWait '"$INSTDIR\parcelo.exe" /clearreg'
  ${EndIf}

  StrCpy $Unregistered 1
  ${If} ${FileExists} "$INSTDIR\UploadAgent.exe"
    Call un.UnregisterHere
  ${EndIf}

  ; Only this install's entry, with Windows' mark on it: another copy's autostart stays.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\parcelo.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
  ${EndIf}

  Delete "$INSTDIR\parcelo.exe"
  ; A registration that could not be taken away still starts this file: it stays with it.
  ${If} $Unregistered == 1
    Delete "$INSTDIR\UploadAgent.exe"
  ${Else}
    DetailPrint "$INSTDIR\UploadAgent.exe stays: its registration could not be taken away."
  ${EndIf}
  ; Started in place by a caller that waits (the entry's commands), the uninstaller there runs
  ; until this copy has ended: another copy of this one removes it, and the folder, once it ends.
  Delete "$INSTDIR\uninstall.exe"
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    Exec '"$EXEPATH" /REMOVEWAITER _?=$INSTDIR'
    ; Not ended before that copy holds the removal mutex, so that a setup started as soon as
    ; the caller sees the end finds it.
    ${For} $1 1 ${REMOVE_WAITER_TRIES}
      System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${REMOVAL_MUTEX}") p .r2'
      ${If} $2 != 0
        System::Call 'kernel32::CloseHandle(p r2)'
        ${Break}
      ${EndIf}
      Sleep 10
    ${Next}
  ${EndIf}
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
  ; A registration left behind was reported; the exit code says so too.
  ${If} $Unregistered == 0
    SetErrorLevel 2
  ${EndIf}
SectionEnd
