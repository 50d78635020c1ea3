# Version information, icon and manifest of what the Windows installer ships, compiled by
# windres (CMake's RC language, which the MinGW toolchain turns on).
set(orvanel_rc_version "")
foreach(part MAJOR MINOR PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    list(APPEND orvanel_rc_version 0)
  else()
    list(APPEND orvanel_rc_version ${PROJECT_VERSION_${part}})
  endif()
endforeach()
string(REPLACE ";" "," orvanel_rc_version "${orvanel_rc_version}")

# orvanel_windows_resources(TARGET FILE DESCRIPTION [ICON file.ico]): a program gets its icon and
# the manifest; a library (no icon) only the version information.
function(orvanel_windows_resources target file description)
  cmake_parse_arguments(R "" "ICON" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/windows)
  set(ORVANEL_RC_NAME ${target})
  set(ORVANEL_RC_FILE ${file})
  set(ORVANEL_RC_DESCRIPTION ${description})
  set(ORVANEL_RC_VERSION ${orvanel_rc_version})
  set(ORVANEL_RC_TYPE VFT_DLL)
  set(ORVANEL_RC_EXTRA "")
  set(inputs ${dir}/program.rc.in)
  if(R_ICON)
    set(ORVANEL_RC_TYPE VFT_APP)
    set(ORVANEL_RC_EXTRA "1 ICON \"${dir}/${R_ICON}\"\n1 RT_MANIFEST \"${dir}/program.manifest\"")
    list(APPEND inputs ${dir}/${R_ICON} ${dir}/program.manifest)
  endif()
  configure_file(${dir}/program.rc.in ${target}.rc @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS "${inputs}")
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The programs: target, file, description, icon. The windows are built only on Windows with Qt.
set(orvanel_windows_programs
  orvanel-cli orvanel-cli.exe "Orvanel command-line tool: the STB's settings files, upload and download" orvanel.ico
  bexora-cli bexora-cli.exe "Bexora command-line tool: files on the STB's PVR" bexora.ico
  orvanel orvanel.exe "Orvanel: the STB's settings and channel lists" orvanel.ico
  zbdn-usb zbdn-usb.exe "ZBDN_USB: firmware to the STB's loader" zbdn-usb.ico
  bexora bexora.exe "Bexora: files on the STB's PVR" bexora.ico)
while(orvanel_windows_programs)
  list(POP_FRONT orvanel_windows_programs target file description icon)
  if(TARGET ${target})
    orvanel_windows_resources(${target} ${file} "${description}" ICON ${icon})
  endif()
endwhile()
if(TARGET zbdll-emu)
  orvanel_windows_resources(zbdll-emu ZbDll.dll "ZbDll emulator: a PC folder playing the PVR's disk")
endif()
