; The Windows installer of tecris2nx: both programs, README and licence into Program Files, a
; Start-menu shortcut to the window, an uninstaller in "Apps & features", and optionally a copy of
; the user's own PATDAT folder into the machine-wide data folder.
;
; Built by scripts/package-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSTAGE=<folder with the files> \
;            -DICON=<icon> -DOUTFILE=<installer> tecris2nx.nsi
; Silent use: setup.exe /S [/PATDAT=<folder>] [/D=<install folder, last, unquoted>]
;             uninstall.exe /S (the pattern-data copy is kept)

; Debian's NSIS has 64-bit stubs: a 64-bit installer writes the 64-bit registry and Program Files.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "VERSION, STAGE, ICON and OUTFILE must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tecris2nx"
; The window's caption, "TECRIS -> Nx 変換プログラム"; a shortcut's name cannot hold ">".
!define SHORTCUT "TECRIS → Nx 変換プログラム"
!define WORKING_FOLDER "%USERPROFILE%\Documents"
!define PUBLISHER "tecris2nx project"
!define DATA_FOLDER "tecris2nx\PATDAT"

Name "tecris2nx ${VERSION}"
Caption "TECRIS -> Nx 変換プログラム ${VERSION} セットアップ"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\tecris2nx"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "tecris2nx ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "tecris2nx"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "TECRIS -> Nx 変換プログラム セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (c) 2026 tecris2nx contributors (MIT)"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom PatdatPage PatdatPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Var PatdatSource
Var PatdatField

; The chosen PATDAT folder without a trailing "\"; an error box and $0 = 0 when it holds no
; non-empty kishitu.txt, else $0 = 1.
Function CheckPatdat
  StrCpy $0 1
  ${If} $PatdatSource == ""
    Return
  ${EndIf}
  StrCpy $1 $PatdatSource 1 -1
  ${If} $1 == "\"
    StrCpy $PatdatSource $PatdatSource -1
  ${EndIf}
  ClearErrors
  FileOpen $1 "$PatdatSource\kishitu.txt" r
  ${If} ${Errors}
    StrCpy $2 0
  ${Else}
    FileSeek $1 0 END $2
    FileClose $1
  ${EndIf}
  ${If} $2 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "「$PatdatSource」には空でない kishitu.txt がありません。PATDAT フォルダを選んでください。" /SD IDOK
    StrCpy $0 0
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext all
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/PATDAT=" $PatdatSource
  ${If} ${Errors}
    StrCpy $PatdatSource ""
  ${EndIf}
  ${If} ${Silent}
    Call CheckPatdat
    ${If} $0 = 0
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function PatdatPage
  !insertmacro MUI_HEADER_TEXT "パターンデータ (PATDAT)" "お使いの PATDAT フォルダをこのコンピューターにコピーできます (省略可)。"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 52u "変換には kishitu.txt、L2.txt、XKishitu.txt を含む PATDAT フォルダが必要です。$\r$\n選んだフォルダの内容を $APPDATA\${DATA_FOLDER} にコピーし、すべての利用者が使えるようにします。$\r$\nあとで自分でコピーする場合は空のままにしてください。"
  Pop $0
  ${NSD_CreateDirRequest} 0 60u 78% 12u "$PatdatSource"
  Pop $PatdatField
  ${NSD_CreateBrowseButton} 80% 59u 20% 14u "参照..."
  Pop $0
  ${NSD_OnClick} $0 PatdatBrowse
  nsDialogs::Show
FunctionEnd

Function PatdatBrowse
  ${NSD_GetText} $PatdatField $0
  nsDialogs::SelectFolderDialog "PATDAT フォルダを選んでください" "$0"
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $PatdatField $0
  ${EndIf}
FunctionEnd

Function PatdatPageLeave
  ${NSD_GetText} $PatdatField $PatdatSource
  Call CheckPatdat
  ${If} $0 = 0
    Abort
  ${EndIf}
FunctionEnd

Section "tecris2nx"
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/tecris2nx.exe"
  File "${STAGE}/tecris2nx-gui.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut's working folder is $OUTDIR. The window starts in the user's documents, not in
  ; Program Files, where users cannot write; the shortcut is every user's, so the folder is left
  ; for the shell to expand when it starts the window.
  StrCpy $OUTDIR "${WORKING_FOLDER}"
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\tecris2nx-gui.exe"
  SetOutPath "$INSTDIR"

  ${If} $PatdatSource != ""
  ${AndIf} $PatdatSource != "$APPDATA\${DATA_FOLDER}"
    CreateDirectory "$APPDATA\${DATA_FOLDER}"
    ClearErrors
    CopyFiles /SILENT "$PatdatSource\*.*" "$APPDATA\${DATA_FOLDER}"
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONEXCLAMATION "「$PatdatSource」を $APPDATA\${DATA_FOLDER} にコピーできませんでした。" /SD IDOK
      SetErrorLevel 3
    ${EndIf}
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TECRIS -> Nx 変換プログラム (tecris2nx)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tecris2nx-gui.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Only what the installer put there: a PATDAT the user added beside the programs stays, and
  ; with it the folder. The folder goes last, so its going means the rest is gone.
  Delete "$INSTDIR\tecris2nx.exe"
  Delete "$INSTDIR\tecris2nx-gui.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  ; The pattern data is the user's: removed only when asked to, never in silent mode.
  ${If} ${FileExists} "$APPDATA\${DATA_FOLDER}\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$APPDATA\${DATA_FOLDER} のパターンデータも削除しますか?" /SD IDNO IDNO keep_patdat
    RMDir /r "$APPDATA\${DATA_FOLDER}"
    RMDir "$APPDATA\tecris2nx"
    keep_patdat:
  ${EndIf}
SectionEnd
