; Setup of the Velor Outlook Express Extensions: Velcore.dll, Velhook.dll, Contave.exe and the
; OpenSSL DLLs in one program folder, the registrations they make themselves, the machine-wide
; "Enabled" switch of the integration module, and an uninstaller in the list of installed programs.
;
; makensis -DVERSION=1.0.117 -DBIN_DIR=<folder with the deliverables> -DOPENSSL_DIR=<folder with
;          the OpenSSL DLLs> -DOUT_FILE=<setup program> Velor.nsi
;
; Command line of the setup program:       /S (silent)   /D=FOLDER (last, unquoted)
; Command line of the uninstaller:         /S (silent)   /REMOVESETTINGS (the users' settings too)
; Exit codes: 0 done, 1 cancelled or failed, 2 refused before anything changed (see .onInit).

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestSupportedOS all

!ifndef VERSION | BIN_DIR | OPENSSL_DIR | OUT_FILE
  !error "VERSION, BIN_DIR, OPENSSL_DIR and OUT_FILE must be defined"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include WinVer.nsh
!include Sections.nsh

!define PRODUCT "Velor Outlook Express Extensions"
!define PUBLISHER "Velor"
; The integration module's settings; "Enabled" under HKLM is the machine's switch, the one under
; HKCU the user's (a user's 0 wins, so a repair removes it).
!define VELHOOK_KEY "Software\Velor\MailClientExtensions\Velhook"
!define EXTENSIONS_KEY "Software\Velor\MailClientExtensions"
!define VELOR_KEY "Software\Velor"
!define CONTAVE_KEY "Software\Velor\Contave"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VelorOutlookExpressExtensions"
!define HOOKS_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\ShellExecuteHooks"
!define SYNC_SHORTCUT "Velor WAB Synchronization Tool.lnk"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Velor\Outlook Express Extensions"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) Velor"
VIAddVersionKey /LANG=1033 "OriginalFilename" "VelorSetup-${VERSION}.exe"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderOnUpdate
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

LangString FinishText ${LANG_ENGLISH} "The extensions are installed. Start Outlook Express from the Start menu or a shortcut: the commands appear in its Tools menu and in the folder list's context menu.$\r$\n$\r$\nHold Ctrl while starting Outlook Express to start it without them."
LangString Needs32Bit ${LANG_ENGLISH} "${PRODUCT} are 32-bit Windows programs that live inside the 32-bit Outlook Express.$\r$\n$\r$\nThis 64-bit Windows has no 32-bit subsystem (WOW64) to run them. Install the 32-bit subsystem, or install on 32-bit Windows.$\r$\n$\r$\nSetup changed nothing."
LangString RegisterFailed ${LANG_ENGLISH} "Registering $0 failed. Run Setup again to repair the installation."
LangString SettingsSection ${LANG_ENGLISH} "Settings of every user (rules windows, certificates, synchronisation)"

Var previousFolder   ; folder of an installation found at start, empty when none
Var previousVersion  ; its version
Var createdHooksKey  ; 1 when Setup created the ShellExecuteHooks key itself

Function .onInit
  ; A 32-bit setup program that runs at all has some way to run 32-bit code; what it can check
  ; is that a 64-bit Windows gives it the WOW64 subsystem with the 32-bit system libraries the
  ; deliverables load. Without WOW64 at all Windows refuses to start this program itself.
  ${If} ${RunningX64}
  ${OrIf} ${IsNativeARM64}
    ${IfNot} ${IsWow64}
    ${OrIfNot} ${FileExists} "$WINDIR\SysWOW64\user32.dll"
    ${OrIfNot} ${FileExists} "$WINDIR\SysWOW64\comctl32.dll"
      MessageBox MB_OK|MB_ICONSTOP "$(Needs32Bit)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetRegView 32
  ${EndIf}
  SetShellVarContext all

  ReadRegStr $previousFolder HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $previousVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $previousFolder != ""
  ${AndIf} ${FileExists} "$previousFolder\Velhook.dll"
    StrCpy $INSTDIR $previousFolder
  ${Else}
    StrCpy $previousFolder ""
  ${EndIf}
FunctionEnd

; An update or a repair goes into the folder of the installation it replaces.
Function SkipFolderOnUpdate
  ${If} $previousFolder != ""
    Abort
  ${EndIf}
FunctionEnd

; Takes back the registrations of the installation being replaced, so that registering the new
; files counts this product once among the address book's users, not once per update. Only what
; was registered is taken back: Velhook's unregistration lowers the count whether or not it had
; raised it, so a registration that failed must not be undone.
Function UnregisterPrevious
  ${If} $previousFolder == ""
    Return
  ${EndIf}
  DetailPrint "Unregistering version $previousVersion in $previousFolder"
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "ContaveRegistered"
  ${If} $0 == 1
  ${AndIf} ${FileExists} "$previousFolder\Contave.exe"
    ExecWait '"$previousFolder\Contave.exe" /UNREGSERVER'
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "ContaveRegistered" 0
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "VelhookRegistered"
  ${If} $0 == 1
    UnRegDLL "$previousFolder\Velhook.dll"
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VelhookRegistered" 0
  ClearErrors
FunctionEnd

; Explorer keeps Velhook.dll (and with it Velcore.dll and OpenSSL, in Outlook Express) loaded while
; the window hook lives. A file in use cannot be overwritten but can be renamed: the old copy goes
; aside and is deleted at the next start of Windows.
!macro InstallFile FOLDER NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    Delete "$INSTDIR\${NAME}"
    ${If} ${FileExists} "$INSTDIR\${NAME}"
      Delete "$INSTDIR\${NAME}.old"
      Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
      Delete /REBOOTOK "$INSTDIR\${NAME}.old"
    ${EndIf}
  ${EndIf}
  File "${FOLDER}/${NAME}"
!macroend

Section "Program" SecProgram
  SectionIn RO
  Call UnregisterPrevious

  SetOverwrite on
  SetOutPath "$INSTDIR"
  !insertmacro InstallFile "${BIN_DIR}" Velhook.dll
  !insertmacro InstallFile "${BIN_DIR}" Velcore.dll
  !insertmacro InstallFile "${BIN_DIR}" Contave.exe
  !insertmacro InstallFile "${OPENSSL_DIR}" libssl-3.dll
  !insertmacro InstallFile "${OPENSSL_DIR}" libcrypto-3.dll

  ; Velhook's registration creates the ShellExecuteHooks key where it is missing and never removes
  ; it; the uninstaller removes it only when Setup made it.
  ${If} $previousFolder != ""
    ReadRegDWORD $createdHooksKey HKLM "${UNINSTALL_KEY}" "CreatedShellExecuteHooksKey"
  ${Else}
    StrCpy $createdHooksKey 0
    ClearErrors
    EnumRegValue $0 HKLM "${HOOKS_KEY}" 0
    ${If} ${Errors}
      EnumRegKey $0 HKLM "${HOOKS_KEY}" 0
      ${If} ${Errors}
        StrCpy $createdHooksKey 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ClearErrors

  ; The uninstaller and its entry come before the registrations, so that an installation that
  ; fails half-way can still be removed (or repaired by running Setup again).
  CreateDirectory "$SMPROGRAMS\Velor"
  CreateShortcut "$SMPROGRAMS\Velor\${SYNC_SHORTCUT}" "$INSTDIR\Contave.exe"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Contave.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "CreatedShellExecuteHooksKey" $createdHooksKey
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  DetailPrint "Registering Velhook.dll"
  ClearErrors
  RegDLL "$INSTDIR\Velhook.dll"
  ${If} ${Errors}
    StrCpy $0 "Velhook.dll"
    MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
    SetErrorLevel 1
    Abort
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VelhookRegistered" 1
  DetailPrint "Registering Contave.exe"
  ExecWait '"$INSTDIR\Contave.exe" /REGSERVER' $1
  ${If} ${Errors}
  ${OrIf} $1 != 0
    StrCpy $0 "Contave.exe"
    MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
    SetErrorLevel 1
    Abort
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "ContaveRegistered" 1

  WriteRegDWORD HKLM "${VELHOOK_KEY}" "Enabled" 1
  ; Running Setup again over the same version is the repair that the module's version warning
  ; points users to: it switches the extension on again for the user who switched it off there.
  ; An update keeps every user setting as it is.
  ${If} $previousVersion == "${VERSION}"
    DetailPrint "Repair: switching the extension on again for this user"
    DeleteRegValue HKCU "${VELHOOK_KEY}" "Enabled"
  ${EndIf}
SectionEnd


Section "un.Program" SecUnProgram
  SectionIn RO
  ; The registrations first, while the files that take them back are still there.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "ContaveRegistered"
  ${If} $0 == 1
  ${AndIf} ${FileExists} "$INSTDIR\Contave.exe"
    ExecWait '"$INSTDIR\Contave.exe" /UNREGSERVER'
  ${EndIf}
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "VelhookRegistered"
  ${If} $0 == 1
  ${AndIf} ${FileExists} "$INSTDIR\Velhook.dll"
    UnRegDLL "$INSTDIR\Velhook.dll"
  ${EndIf}
  ClearErrors

  DeleteRegValue HKLM "${VELHOOK_KEY}" "Enabled"
  DeleteRegKey /ifempty HKLM "${VELHOOK_KEY}"
  DeleteRegKey /ifempty HKLM "${EXTENSIONS_KEY}"
  DeleteRegKey /ifempty HKLM "${VELOR_KEY}"
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "CreatedShellExecuteHooksKey"
  ${If} $0 == 1
    DeleteRegKey /ifempty HKLM "${HOOKS_KEY}"
  ${EndIf}

  Delete "$SMPROGRAMS\Velor\${SYNC_SHORTCUT}"
  RMDir "$SMPROGRAMS\Velor"

  Delete /REBOOTOK "$INSTDIR\Velhook.dll"
  Delete /REBOOTOK "$INSTDIR\Velcore.dll"
  Delete /REBOOTOK "$INSTDIR\Contave.exe"
  Delete /REBOOTOK "$INSTDIR\libssl-3.dll"
  Delete /REBOOTOK "$INSTDIR\libcrypto-3.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ; The vendor folder above, when Setup's folder was the only thing in it.
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless asked for (the check box, or /REMOVESETTINGS): a user who reinstalls finds the rules
; windows, remembered certificates and synchronisation settings as they were. Only the user who
; runs the uninstaller is reached; other users' settings stay with their profiles.
Section /o "un.$(SettingsSection)" SecSettings
  DeleteRegKey HKCU "${VELHOOK_KEY}"
  DeleteRegKey HKCU "${EXTENSIONS_KEY}"
  DeleteRegKey HKCU "${CONTAVE_KEY}"
  DeleteRegKey /ifempty HKCU "${VELOR_KEY}"
SectionEnd

Function un.onInit
  ${If} ${RunningX64}
  ${OrIf} ${IsNativeARM64}
    SetRegView 32
  ${EndIf}
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSettings}
  ${EndIf}
FunctionEnd
