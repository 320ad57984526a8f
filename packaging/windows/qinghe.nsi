; The Windows installer: a per-user install without administrator rights
; into %LOCALAPPDATA%\Programs\qinghe, a Start-menu entry with the icon and
; an uninstaller that removes what was installed and leaves the user's own
; files (配置.ini, 333.txt, the history), which live in %APPDATA%\qinghe and
; %LOCALAPPDATA%\qinghe once the program is installed.
; makensis -DVERSION=… -DSTAGE=<folder of the files> -DOUTFILE=<setup.exe>
; A 64-bit installer, like the program (and Wine without 32-bit support runs it).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define NAME "青禾基金持仓查看器"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qinghe"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\qinghe"
Icon "${STAGE}\qinghe.ico"
UninstallIcon "${STAGE}\qinghe.ico"
ShowInstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "qinghe"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !include "${FILE_LIST}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\qinghe.exe" "" "$INSTDIR\qinghe.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qinghe.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
