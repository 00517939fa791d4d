; Installer of the Fn key programs, for makensis (Debian's nsis package).
;
;   makensis "-DPRODUCT=Notebook Fn Keys" -DVERSION=1.0.0 -DTARGET=x86-ansi -DOUTFILE=setup.exe
;            -DREADME=README.txt -DPLIMSET_EXE=plimset.exe [-DKELVANE_EXE=kelvane.exe] notebook-fn-keys.nsi
;
; TARGET x86-ansi makes the real installer: 8-bit text calls only, so it runs
; on Windows 95/98/Me as well as on NT 4.0/2000. amd64-unicode makes the same
; installer as a 64-bit program. No plug-ins: only makensis's own
; instructions and headers.
;
; The installer copies the programs into one folder, starts each at logon
; through the machine's Run key and registers an uninstaller. kelvane starts
; at logon only where the system has its power-profile library: Windows 95
; and NT 4.0 ship none, and there kelvane could only report that at every
; logon; the installer says so. The uninstaller ends the running programs the
; way each one expects to be ended, then removes the files, the Run entries
; and its own keys.

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "missing makensis -D${NAME}=..."
  !endif
!macroend
!insertmacro RequireDefine PRODUCT
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine TARGET
!insertmacro RequireDefine OUTFILE
!insertmacro RequireDefine README
!insertmacro RequireDefine PLIMSET_EXE

!include LogicLib.nsh
!include WinMessages.nsh

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NotebookFnKeys"
; The switcher's "E&xit" menu command: it ends the switcher the orderly way,
; which on Windows NT also stops and removes its driver service.
!define KELVANE_EXIT_COMMAND 105
; How long the uninstaller waits for the programs to end, in 100 ms steps.
!define END_WAIT_STEPS 100
; How often a file that is still in use is tried again, 100 ms apart.
!define DELETE_TRIES 30
!define NO_POWRPROF_TEXT "This Windows has no power-profile library (powrprof.dll), which the power-scheme switcher kelvane needs. kelvane.exe is installed, but it does not start at logon."

Target ${TARGET}
Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; Program Files and HKEY_LOCAL_MACHINE need an administrator on Windows NT.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Ends both programs if they run, and waits until their windows are gone.
; plimset closes on WM_CLOSE; kelvane ends on its Exit command. The calls
; time out, so a program that hangs cannot hang the (un)installer.
!macro EndProgramsFunction PREFIX
  Function ${PREFIX}EndPrograms
    FindWindow $0 "PLIMSET" "Plimset"
    ${If} $0 <> 0
      DetailPrint "Ending plimset"
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${EndIf}
    FindWindow $0 "NorvoKelvaneClass"
    ${If} $0 <> 0
      DetailPrint "Ending kelvane"
      SendMessage $0 ${WM_COMMAND} ${KELVANE_EXIT_COMMAND} 0 /TIMEOUT=5000
    ${EndIf}
    StrCpy $1 0
    ${Do}
      FindWindow $0 "PLIMSET" "Plimset"
      FindWindow $2 "NorvoKelvaneClass"
      ${If} $0 = 0
      ${AndIf} $2 = 0
        ${Break}
      ${EndIf}
      ${If} $1 >= ${END_WAIT_STEPS}
        DetailPrint "A program did not end; its files go at the next restart"
        ${Break}
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${Loop}
  FunctionEnd
!macroend
!insertmacro EndProgramsFunction ""
!insertmacro EndProgramsFunction "un."

Section "Install"
  ; Test first that the machine's keys can be written: on Windows NT a user
  ; without administrator rights gets a clear message and nothing installed.
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} must be installed by an administrator." /SD IDOK
    Abort "No write access to HKEY_LOCAL_MACHINE"
  ${EndIf}

  ; A running copy keeps its file in use; end it before replacing it.
  Call EndPrograms

  SetOutPath "$INSTDIR"
  File "/oname=plimset.exe" "${PLIMSET_EXE}"
  WriteRegStr HKLM "${RUN_KEY}" "Plimset" '"$INSTDIR\plimset.exe"'
  !ifdef KELVANE_EXE
    File "/oname=kelvane.exe" "${KELVANE_EXE}"
    ${If} ${FileExists} "$SYSDIR\powrprof.dll"
      WriteRegStr HKLM "${RUN_KEY}" "Kelvane" '"$INSTDIR\kelvane.exe"'
    ${Else}
      DeleteRegValue HKLM "${RUN_KEY}" "Kelvane"
      DetailPrint "${NO_POWRPROF_TEXT}"
      MessageBox MB_OK|MB_ICONINFORMATION "${NO_POWRPROF_TEXT}" /SD IDOK
    ${EndIf}
  !endif
  File "/oname=README.txt" "${README}"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\plimset.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  DetailPrint "The programs start at the next logon."
SectionEnd

; Deletes the file named on the stack. A program that has only just ended may
; still hold its file for a moment, so a failed delete is tried again; what
; stays in use is deleted at the next restart.
Function un.DeleteFile
  Exch $0
  Push $1
  StrCpy $1 0
  ${Do}
    ClearErrors
    Delete "$0"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= ${DELETE_TRIES}
      Delete /REBOOTOK "$0"
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

!macro DeleteInstalledFile NAME
  Push "$INSTDIR\${NAME}"
  Call un.DeleteFile
!macroend

Section "Uninstall"
  Call un.EndPrograms
  DeleteRegValue HKLM "${RUN_KEY}" "Plimset"
  DeleteRegValue HKLM "${RUN_KEY}" "Kelvane"

  !insertmacro DeleteInstalledFile plimset.exe
  !insertmacro DeleteInstalledFile kelvane.exe
  !insertmacro DeleteInstalledFile README.txt
  ; The switcher's driver files, which the user puts beside kelvane.exe.
  !insertmacro DeleteInstalledFile KELVANE.sys
  !insertmacro DeleteInstalledFile KELVANE.VXD
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files of the user's own stay, and so does the folder.
  ; When a file goes at the next restart, the folder goes after it.
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION "Some files are still in use; Windows removes them at the next restart." /SD IDOK
  ${EndIf}
SectionEnd
