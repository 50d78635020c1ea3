# The explorer's PC side is POSIX's for now: no Windows build of it or of bexora-cli yet.
if(WIN32)
  return()
endif()
# bexora-cli: the explorer's engine from the terminal, linked with the ZbDll emulator.
if(NOT ORVANEL_FUZZ)
  find_package(CLI11 REQUIRED)
  file(GLOB bexora_cli_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/*.cpp ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/*.h)
  add_executable(bexora-cli ${bexora_cli_sources})
  target_link_libraries(bexora-cli PRIVATE explorer zbdll_emu CLI11::CLI11)
endif()

file(GLOB bexora_cli_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/tests/*.cpp)
orvanel_add_tests(bexora_cli_tests SOURCES ${bexora_cli_test_sources} LIBS common_testing)
if(TARGET bexora_cli_tests)
  target_compile_definitions(bexora_cli_tests PRIVATE BEXORA_CLI="$<TARGET_FILE:bexora-cli>")
  add_dependencies(bexora_cli_tests bexora-cli)
endif()
