find_package(CLI11 CONFIG QUIET)
find_package(nlohmann_json QUIET)
if(CLI11_FOUND AND nlohmann_json_FOUND)
  add_library(orvanel_cli_core STATIC
    orvanel_cli/cli_prompter.cpp orvanel_cli/cli_prompter.h
    orvanel_cli/document_json.cpp orvanel_cli/document_json.h)
  target_link_libraries(orvanel_cli_core PUBLIC settings nlohmann_json::nlohmann_json)

  set(orvanel_cli_sources orvanel_cli/main.cpp
    orvanel_cli/transfer_commands.cpp orvanel_cli/transfer_commands.h
    orvanel_cli/terminal_view.cpp orvanel_cli/terminal_view.h
    orvanel_cli/list_commands.cpp orvanel_cli/list_commands.h
    orvanel_cli/table_commands.cpp orvanel_cli/table_commands.h
    orvanel_cli/usb_devices.cpp orvanel_cli/usb_devices.h
    orvanel_cli/pdf_export.cpp orvanel_cli/pdf_export.h
    orvanel_cli/pdf_painter_posix.cpp orvanel_cli/pdf_painter_win32.cpp
    orvanel_cli/system_texts.h orvanel_cli/system_texts_posix.cpp orvanel_cli/system_texts_win32.cpp)
  orvanel_platform_sources(orvanel_cli_sources)
  add_executable(orvanel-cli ${orvanel_cli_sources})
  target_link_libraries(orvanel-cli PRIVATE orvanel_cli_core link_transfer lists tables editor_core CLI11::CLI11 ${CMAKE_DL_LIBS})
  # The PDF painter: beside the program in the build tree, in lib/orvanel when installed.
  if(TARGET orvanel-pdf)
    set(orvanel_cli_pdf 1)
    add_dependencies(orvanel-cli orvanel-pdf)
    add_custom_command(TARGET orvanel-cli POST_BUILD COMMAND ${CMAKE_COMMAND} -E create_symlink
                       $<TARGET_FILE:orvanel-pdf> $<TARGET_FILE_DIR:orvanel-cli>/$<TARGET_FILE_NAME:orvanel-pdf>)
  else()
    set(orvanel_cli_pdf 0)
  endif()

  file(GLOB orvanel_cli_test_sources CONFIGURE_DEPENDS orvanel_cli/tests/*.cpp)
  if(orvanel_cli_test_sources)
    orvanel_add_tests(orvanel_cli_tests SOURCES ${orvanel_cli_test_sources}
      LIBS orvanel_cli_core settings_testing editing)
  endif()
  if(TARGET orvanel_cli_tests)
    target_compile_definitions(orvanel_cli_tests PRIVATE ORVANEL_CLI_PATH="$<TARGET_FILE:orvanel-cli>"
                                                         ORVANEL_CLI_PDF=${orvanel_cli_pdf})
    add_dependencies(orvanel_cli_tests orvanel-cli)
    # The transfer commands are tested against the simulated STB, in-process.
    if(TARGET link_transfer_testing)
      target_link_libraries(orvanel_cli_tests PRIVATE stb_sim_core link_transfer_testing)
    endif()
    # The fault matrix runs the firmware downloader as well.
    if(TARGET zbdn-usb)
      target_compile_definitions(orvanel_cli_tests PRIVATE ZBDN_USB_PATH="$<TARGET_FILE:zbdn-usb>")
      add_dependencies(orvanel_cli_tests zbdn-usb)
    endif()
    if(EXISTS ${CMAKE_SOURCE_DIR}/editing/CMakeLists.txt)
      target_link_libraries(orvanel_cli_tests PRIVATE editing)
    endif()
  endif()
endif()
