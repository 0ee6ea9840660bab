; The Windows installer of Velnor: the 32-bit velnor.exe, its sys folder and its help pages, into Program Files
; for all users or into this user's own programs folder, with a Start-menu entry and an uninstaller that
; removes what it installed and nothing else (never the user's data, backup sets or records).
; makensis /DVERSION=x.y.z /DSTAGE=<folder with the files> /DLISTS=<folder of the file lists> /DOUTFILE=<installer> velnor.nsi
; (scripts/package makes the lists and runs it.)
Unicode true
!ifndef VERSION
  !error "give VERSION"
!endif
!ifndef STAGE
  !error "give STAGE"
!endif
!ifndef LISTS
  !error "give LISTS"
!endif
!ifndef OUTFILE
  !error "give OUTFILE"
!endif

Name "Velnor ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velnor"

; All users (administrator rights) or this user alone (no elevation): the person's choice, on the first page
; or on the command line (/AllUsers, /CurrentUser).
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Velnor"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh

!define MUI_ICON "${STAGE}/sys/icon.ico"
!define MUI_UNICON "${STAGE}/sys/icon.ico"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\velnor.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "Velnor"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "Velnor のインストーラ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "© Velnor"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Velnor"
  SetOutPath "$INSTDIR"
  !include "${LISTS}/install-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Velnor"
  CreateShortcut "$SMPROGRAMS\Velnor\Velnor.lnk" "$INSTDIR\velnor.exe"
  CreateShortcut "$SMPROGRAMS\Velnor\Velnor のヘルプ.lnk" "$INSTDIR\index.html"
  CreateShortcut "$SMPROGRAMS\Velnor\Velnor のアンインストール.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Velnor"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Velnor"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velnor.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the files the installer put there, one by one: a folder the person chose may hold other things.
Section "Uninstall"
  !include "${LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Velnor\Velnor.lnk"
  Delete "$SMPROGRAMS\Velnor\Velnor のヘルプ.lnk"
  Delete "$SMPROGRAMS\Velnor\Velnor のアンインストール.lnk"
  RMDir "$SMPROGRAMS\Velnor"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
