; The installer of the Windows tools, one per bitness. scripts/package-windows runs makensis with
; VERSION, VERSION4 (four numbers), BITS (32 or 64), STAGE (the folder to install, and
; stage.nsh listing it), ICONS (this folder) and OUTFILE.
Unicode true
ManifestSupportedOS all
ManifestLongPathAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!include LogicLib.nsh
!include x64.nsh
!include "${STAGE}\stage.nsh"

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanel"
!define CLASSES "Software\Classes"

Name "Orvanel tools ${VERSION} (${BITS}-bit)"
OutFile "${OUTFILE}"
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\Orvanel"
!else
  InstallDir "$PROGRAMFILES\Orvanel"
!endif
Icon "${ICONS}\orvanel.ico"
UninstallIcon "${ICONS}\orvanel.ico"
VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey "ProductName" "Orvanel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Orvanel tools ${VERSION} (${BITS}-bit) setup"
VIAddVersionKey "CompanyName" "Orvanel developers"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 3 or later"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Both bitnesses share the file types and the Start menu, so only one may be installed at a time.
!macro OtherBitnessView
  !if ${BITS} == 64
    SetRegView 32
  !else
    SetRegView 64
  !endif
!macroend

!macro OwnView
  !if ${BITS} == 64
    SetRegView 64
  !else
    SetRegView 32
  !endif
!macroend

Function .onInit
  SetShellVarContext all
  !if ${BITS} == 64
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "These are the 64-bit tools; this Windows is 32-bit. Install the 32-bit tools instead." /SD IDOK
      Abort
    ${EndIf}
  !endif
  ${If} ${RunningX64}
    !insertmacro OtherBitnessView
    ReadRegStr $0 HKLM "${KEY}" "UninstallString"
    !insertmacro OwnView
    ${If} $0 != ""
      MessageBox MB_OK|MB_ICONSTOP "The Orvanel tools of the other bitness are installed. Uninstall them first." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  !insertmacro OwnView
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro OwnView
FunctionEnd

!macro InstallFolder folder
  CreateDirectory "$INSTDIR\${folder}"
!macroend
!macro InstallFile file
  File "/oname=$INSTDIR\${file}" "${STAGE}\${file}"
!macroend
!macro RemoveFile file
  Delete "$INSTDIR\${file}"
!macroend
!macro RemoveFolder folder
  RMDir "$INSTDIR\${folder}"
!macroend

; A type of our own; the extension names it unless another program's type already has it.
!macro RegisterType extension class description icon
  WriteRegStr HKLM "${CLASSES}\${class}" "" "${description}"
  WriteRegStr HKLM "${CLASSES}\${class}\DefaultIcon" "" "$INSTDIR\${icon}"
  WriteRegStr HKLM "${CLASSES}\${extension}\OpenWithProgids" "${class}" ""
  ReadRegStr $0 HKLM "${CLASSES}\${extension}" ""
  ${If} $0 == ""
    WriteRegStr HKLM "${CLASSES}\${extension}" "" "${class}"
  ${EndIf}
!macroend

!macro UnregisterType extension class
  DeleteRegKey HKLM "${CLASSES}\${class}"
  DeleteRegValue HKLM "${CLASSES}\${extension}\OpenWithProgids" "${class}"
  DeleteRegKey /ifempty HKLM "${CLASSES}\${extension}\OpenWithProgids"
  ReadRegStr $0 HKLM "${CLASSES}\${extension}" ""
  ${If} $0 == "${class}"
    DeleteRegValue HKLM "${CLASSES}\${extension}" ""
  ${EndIf}
  DeleteRegKey /ifempty HKLM "${CLASSES}\${extension}"
!macroend

Section
  SetOutPath "$INSTDIR"
  !insertmacro StageFolders InstallFolder
  !insertmacro StageFiles InstallFile
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Orvanel"
  CreateShortCut "$SMPROGRAMS\Orvanel\Orvanel tools console.lnk" "$SYSDIR\cmd.exe" \
                 '/k "$INSTDIR\orvanel-console.cmd"' "$INSTDIR\orvanel-cli.exe" 0
  CreateShortCut "$SMPROGRAMS\Orvanel\Orvanel tools on Windows.lnk" "$INSTDIR\docs\windows.txt"

  !insertmacro RegisterType ".std" "Orvanel.SettingsFile" "Satellite Data File" "icons\orvanel.ico"
  !insertmacro RegisterType ".zbd" "Orvanel.FirmwareImage" "STB firmware image" "icons\zbdn-usb.ico"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${KEY}" "DisplayName" "Orvanel tools (${BITS}-bit)"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${KEY}" "Publisher" "Orvanel developers"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\orvanel-cli.exe,0"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${KEY}" "EstimatedSize" ${STAGE_KB}
SectionEnd

Section Uninstall
  Delete "$SMPROGRAMS\Orvanel\Orvanel tools console.lnk"
  Delete "$SMPROGRAMS\Orvanel\Orvanel tools on Windows.lnk"
  RMDir "$SMPROGRAMS\Orvanel"
  !insertmacro UnregisterType ".std" "Orvanel.SettingsFile"
  !insertmacro UnregisterType ".zbd" "Orvanel.FirmwareImage"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${KEY}"
  ; Only what was installed: a file the user put into the folder stays, and so does the folder then.
  !insertmacro StageFiles RemoveFile
  Delete "$INSTDIR\uninstall.exe"
  !insertmacro StageFoldersDeepestFirst RemoveFolder
  RMDir "$INSTDIR"
  ; The copy of the uninstaller that runs from the temporary folder goes when Windows next starts.
  ${If} $EXEDIR != $INSTDIR
    Delete /REBOOTOK "$EXEPATH"
    RMDir /REBOOTOK "$EXEDIR"
  ${EndIf}
SectionEnd
