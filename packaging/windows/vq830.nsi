; The Windows installer of the VQ830-A(B) tool, made by scripts/windows.sh with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DPROGRAMS=<folder of the programs> -DOUTFILE=<setup.exe> vq830.nsi
; Per user by default (no administrator needed: the user's programs folder, the user's Start
; menu, HKCU); for every user of the machine (Program Files, the common Start menu, HKLM) when
; run as administrator. /CurrentUser or /AllUsers chooses either way; /S installs silently,
; /D=FOLDER (last, unquoted) sets the folder. A newer version replaces an older one: the older
; one's uninstaller runs first. The uninstaller removes exactly what was installed and leaves
; the user's settings (HKCU\Software\vq830) and files.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!ifndef VERSION
  !error "makensis -DVERSION=..."
!endif
!define PRODUCT "VQ830-A(B) 智能分配器"
!define PUBLISHER "KORVAT"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vq830"
!define MENU_FOLDER "VQ830-A(B)"

Name "$(ProductName)" ; the pages' name, in their language
BrandingText "VQ830-A(B) ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\VQ830"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "VQ830-A(B) configuration and test tool setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

Var AllUsers ; 1: for every user of the machine

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The pages in Chinese on a Chinese Windows, else in English (the first language is the default).
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
LangString ProductName ${LANG_SIMPCHINESE} "${PRODUCT}"
LangString ProductName ${LANG_ENGLISH} "VQ830-A(B) Smart Distributor"
LangString RemovingEarlier ${LANG_SIMPCHINESE} "正在卸载之前安装的版本："
LangString RemovingEarlier ${LANG_ENGLISH} "Removing the version installed before: "

LangString ProgramInUse ${LANG_SIMPCHINESE} "无法删除 $R0：程序仍在运行？请关闭“VQ830-A(B) 智能分配器”窗口和正在运行的 vq830 命令后再卸载。"
LangString ProgramInUse ${LANG_ENGLISH} "$R0 could not be removed: is it still running? Close the VQ830-A(B) window and any vq830 command running, then uninstall again."
LangString EarlierNotRemoved ${LANG_SIMPCHINESE} "之前安装的版本（$R0）未能卸载，新版本未安装：程序仍在运行？请关闭后重新运行安装程序。"
LangString EarlierNotRemoved ${LANG_ENGLISH} "The version installed before ($R0) could not be uninstalled, so this one was not installed: is the tool still running? Close it and run the setup again."
LangString AllUsersNeedsAdmin ${LANG_SIMPCHINESE} "为本机所有用户安装（/AllUsers）需要管理员权限：请以管理员身份运行安装程序。"
LangString AllUsersNeedsAdmin ${LANG_ENGLISH} "Installing for every user of this PC (/AllUsers) needs an administrator: run the setup as administrator."
LangString UninstallNeedsAdmin ${LANG_SIMPCHINESE} "此版本为本机所有用户安装，卸载需要管理员权限。"
LangString UninstallNeedsAdmin ${LANG_ENGLISH} "This version is installed for every user of this PC: uninstalling it needs an administrator."

!define ERROR_ELEVATION_REQUIRED 740

; Where this install goes: for every user when asked (/AllUsers) or run as administrator,
; unless /CurrentUser; the folder follows unless /D named one. /AllUsers without an
; administrator stops before anything is written.
Function ChooseScope
  UserInfo::GetAccountType
  Pop $R2
  StrCpy $AllUsers 0
  ${If} $R2 == "Admin"
    StrCpy $AllUsers 1
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    ${If} $R2 != "Admin"
      MessageBox MB_ICONSTOP "$(AllUsersNeedsAdmin)" /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  SetRegView 64
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $R9 "$LOCALAPPDATA\Programs\VQ830" ; the user's, before the scope is chosen
  Call ChooseScope
  ${If} $AllUsers == 1
  ${AndIf} $INSTDIR == $R9
    StrCpy $INSTDIR "$PROGRAMFILES64\VQ830"
  ${EndIf}
FunctionEnd

; An earlier install in the same place of the registry is uninstalled first (silently, its
; uninstaller waited for), whatever its version.
Function RemoveEarlier
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "UninstallString"
  ${If} $R1 != ""
  ${AndIf} $R0 != ""
    DetailPrint "$(RemovingEarlier)$R0"
    ClearErrors
    ExecWait '$R1 /S _?=$R0' $R2
    ${IfNot} ${Errors}
    ${AndIf} $R2 != 0
      MessageBox MB_ICONSTOP "$(EarlierNotRemoved)" /SD IDOK
      SetErrorLevel 2
      Abort "$(EarlierNotRemoved)"
    ${EndIf}
    Delete "$R0\uninstall.exe"
    RMDir "$R0"
  ${EndIf}
FunctionEnd

Section "VQ830"
  Call RemoveEarlier
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\vq830-tool.exe"
  File "${PROGRAMS}\vq830.exe"
  File "${PROGRAMS}\README.txt"
  FileOpen $0 "$INSTDIR\vq830-prompt.cmd" w
  FileWrite $0 '@echo off$\r$\nset "PATH=$INSTDIR;%PATH%"$\r$\ncd /d "%USERPROFILE%"$\r$\necho vq830 --help$\r$\n'
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\vq830-tool.exe"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\vq830 命令行.lnk" "$SYSDIR\cmd.exe" \
    '/k "$INSTDIR\vq830-prompt.cmd"' "$SYSDIR\cmd.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vq830-tool.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The uninstaller removes the install it belongs to: the current user's when the user's uninstall
; entry names its folder, else the one for every user.
Function un.onInit
  SetRegView 64
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    SetShellVarContext current
  ${Else}
    SetShellVarContext all
    Call un.AsAdministrator
  ${EndIf}
FunctionEnd

; The install for every user is removed by an administrator only: without one, the uninstaller
; starts itself again asking Windows for one (UAC), and this copy steps aside; refused, it says so.
Function un.AsAdministrator
  UserInfo::GetAccountType
  Pop $R1
  ${If} $R1 == "Admin"
    Return
  ${EndIf}
  ClearErrors
  ${If} ${Silent}
    ExecShell "runas" "$INSTDIR\uninstall.exe" "/S"
  ${Else}
    ExecShell "runas" "$INSTDIR\uninstall.exe"
  ${EndIf}
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$(UninstallNeedsAdmin)" /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
  ${EndIf}
  Quit
FunctionEnd

; A program still running cannot be removed (Windows keeps its file): that is said and the
; uninstall stops there, exit status 2, its entry and the rest kept for another try.
Function un.RemoveProgram ; $R0: the program's file
  Delete "$R0"
  ${If} ${FileExists} "$R0"
    MessageBox MB_ICONSTOP "$(ProgramInUse)" /SD IDOK
    SetErrorLevel 2
    Abort "$(ProgramInUse)"
  ${EndIf}
FunctionEnd

; Exactly what the installer put there; the user's settings and files stay.
Section "Uninstall"
  StrCpy $R0 "$INSTDIR\vq830-tool.exe"
  Call un.RemoveProgram
  StrCpy $R0 "$INSTDIR\vq830.exe"
  Call un.RemoveProgram
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\vq830-prompt.cmd"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\vq830 命令行.lnk"
  RMDir "$SMPROGRAMS\${MENU_FOLDER}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
