; Parcelo's per-user setup: no administrator rights, everything under the user's own folders
; and HKCU.
;
;   makensis -V2 -DVERSION=1.0.0 -DBUILD_DIR=<build dir> [-DOUT_FILE=<setup exe>] installer/parcelo.nsi
;
; BUILD_DIR holds parcelo.exe and standin/UploadAgent.exe; -DPARCELO_EXE= and -DAGENT_EXE= name
; them one by one instead. Paths are best absolute: makensis works in this script's folder.
;
; Setup switches:     /S (silent)  /D=<folder> (last)  /MACHINEREG
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

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An update goes where the last install went, unless /D= or the user says otherwise.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

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
!define MUI_FINISHPAGE_RUN "$INSTDIR\parcelo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var MachineReg     ; 1: also register the agent under HKLM (see README: Wine needs it)
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

; Asks until neither program in the install folder runs; gives up (and aborts) on Cancel, and
; at once when silent, since nobody could close them.
!macro _WaitUntilNotRunning
  ${Do}
    !insertmacro _IsInUse "$INSTDIR\parcelo.exe"
    ${If} $0 == 0
      !insertmacro _IsInUse "$INSTDIR\UploadAgent.exe"
    ${EndIf}
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} or its UploadAgent is still running from $INSTDIR.$\r$\n$\r$\nChoose Exit from ${PRODUCT}'s menu, wait a moment, then choose Retry." /SD IDCANCEL IDRETRY`
      Abort "${PRODUCT} is running; nothing was changed."
    ${EndIf}
  ${Loop}
!macroend

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

Function .onInit
  SetShellVarContext current
  StrCpy $MachineReg 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/MACHINEREG" $R1
  ${IfNot} ${Errors}
    StrCpy $MachineReg 1
  ${EndIf}
FunctionEnd

Section "Parcelo" SecMain
  SectionIn RO
  SetShellVarContext current
  !insertmacro _WaitUntilNotRunning

  SetOutPath "$INSTDIR"
  File "/oname=parcelo.exe" "${PARCELO_EXE}"
  File "/oname=UploadAgent.exe" "${AGENT_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortcut "${START_MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\parcelo.exe" "" "$INSTDIR\parcelo.exe" 0

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
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

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
