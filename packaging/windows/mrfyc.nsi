; SPDX-License-Identifier: MIT
; The per-user installer: mrfyc for the user who runs it, in %LOCALAPPDATA%\Programs\mrfyc (no
; administrator rights, and a folder the user can write, as "Temp.txt" beside the program needs).
; makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DSTAGE=DIR -DICON=FILE -DOUTFILE=FILE mrfyc.nsi
; STAGE holds the files to install, as make_package.sh lays them out; finish.sh beside this script
; gives the uninstaller its own description and signs both when the publisher signs.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
; Installed files get the time of their installation, not of the build.
SetDateSave off
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT mrfyc
!define PUBLISHER "The mrfyc authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\mrfyc"
; The document type mrfyc opens: the target of "Open with" for *.mrfy and *.tmp.
!define PROGID "mrfyc.Log"
!define CLASSES "Software\Classes"

; Files the program itself makes beside itself. The uninstaller removes them with the rest; a
; new one goes here and nowhere else.
!macro DeleteFilesTheProgramMakes
    Delete "$INSTDIR\Temp.txt"
!macroend

; Windows can neither replace nor remove a program that runs, so the installer and the uninstaller
; change nothing while one of mrfyc's runs: the window (its class, from ui/win32/main_window.cpp)
; or, for mrfyc-patch.exe and a window not up yet, a program that cannot be opened for writing.
; Retry looks again; Cancel, and a silent run, end with nothing changed and exit code 2.
!macro WaitUntilMrfycEnds
  running:
    FindWindow $0 "mrfycTForm1"
    IntCmp $0 0 0 in_use in_use
    !insertmacro GoIfInUse "$INSTDIR\mrfyc.exe" in_use
    !insertmacro GoIfInUse "$INSTDIR\mrfyc-patch.exe" in_use
    Goto closed
  in_use:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "mrfyc が起動しています。mrfyc と mrfyc-patch をすべて終了してから「再試行」を押してください。" /SD IDCANCEL IDRETRY running
    Abort
  closed:
!macroend
!macro GoIfInUse FILE LABEL
    ClearErrors
    IfFileExists "${FILE}" 0 +4
    FileOpen $1 "${FILE}" a
    IfErrors ${LABEL}
    FileClose $1
!macroend

; Takes mrfyc off an extension's "Open with" list, and the keys along with it when nothing else
; is left in them.
!macro RemoveOpenWith EXTENSION
    DeleteRegValue HKCU "${CLASSES}\${EXTENSION}\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${EXTENSION}\OpenWithProgids"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${EXTENSION}"
!macroend

Name "mrfyc ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\mrfyc"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "mrfyc ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "mrfyc"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
; The uninstaller is made from the installer and carries its version information, with the
; description replaced by finish.sh (the same length, so that nothing else moves).
!define SETUP_DESCRIPTION "mrfyc ${VERSION} のインストーラー"
!define UNINSTALL_DESCRIPTION "mrfyc ${VERSION} アンインストール"
VIAddVersionKey /LANG=1041 "FileDescription" "${SETUP_DESCRIPTION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (c) the mrfyc authors, MIT ライセンス"
!uninstfinalize 'bash "${__FILEDIR__}/finish.sh" "%1" "${SETUP_DESCRIPTION}" "${UNINSTALL_DESCRIPTION}"' = 0
!finalize 'bash "${__FILEDIR__}/finish.sh" "%1"' = 0

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\mrfyc.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "mrfyc"
    !insertmacro WaitUntilMrfycEnds
    ; An upgrade leaves .mrfy's double click as the user's Windows has it now.
    ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    SetOutPath "$INSTDIR"
    File "${STAGE}\mrfyc.exe"
    File "${STAGE}\mrfyc-patch.exe"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\mrfyc.lnk" "$INSTDIR\mrfyc.exe" "" "$INSTDIR\mrfyc.exe" 0

    WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "ミルフィ ログ"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\mrfyc.exe,0"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\mrfyc.exe" "%1"'
    WriteRegNone HKCU "${CLASSES}\.mrfy\OpenWithProgids" "${PROGID}"
    ; *.mrfy opens with mrfyc on a double click only where nothing else has claimed it, and only
    ; on the first installation; *.tmp belongs to everyone and only lists mrfyc among its "Open
    ; with" programs.
    ReadRegStr $0 HKCR ".mrfy" ""
    StrCmp $0$2 "" 0 +2
        WriteRegStr HKCU "${CLASSES}\.mrfy" "" "${PROGID}"
    WriteRegNone HKCU "${CLASSES}\.tmp\OpenWithProgids" "${PROGID}"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "mrfyc"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mrfyc.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; SHCNE_ASSOCCHANGED: Explorer reads the new associations now, not at the next sign-in.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; What the section above put there and nothing else: the user's own files in the folder stay,
; and so does the folder then.
Section "Uninstall"
    !insertmacro WaitUntilMrfycEnds
    Delete "$INSTDIR\mrfyc.exe"
    Delete "$INSTDIR\mrfyc-patch.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    !insertmacro DeleteFilesTheProgramMakes
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\mrfyc.lnk"

    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    ReadRegStr $0 HKCU "${CLASSES}\.mrfy" ""
    StrCmp $0 "${PROGID}" 0 +2
        DeleteRegValue HKCU "${CLASSES}\.mrfy" ""
    !insertmacro RemoveOpenWith ".mrfy"
    !insertmacro RemoveOpenWith ".tmp"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
