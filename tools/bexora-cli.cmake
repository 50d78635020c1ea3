# bexora-cli: the explorer's engine from the terminal, through the device library it loads.
if(NOT ORVANEL_FUZZ)
  find_package(CLI11 REQUIRED)
  file(GLOB bexora_cli_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/*.cpp ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/*.h)
  add_executable(bexora-cli ${bexora_cli_sources})
  target_link_libraries(bexora-cli PRIVATE explorer zbdll_loader CLI11::CLI11)
  add_dependencies(bexora-cli zbdll-emu)
endif()

file(GLOB bexora_cli_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bexora_cli/tests/*.cpp)
orvanel_add_tests(bexora_cli_tests SOURCES ${bexora_cli_test_sources} LIBS common_testing)
if(TARGET bexora_cli_tests)
  target_compile_definitions(bexora_cli_tests PRIVATE BEXORA_CLI="$<TARGET_FILE:bexora-cli>"
                             ZBDLL_LACKING_LIBRARY="$<TARGET_FILE:zbdll_lacking>")
  add_dependencies(bexora_cli_tests bexora-cli zbdll-emu zbdll_lacking)
endif()
