# stb-sim: the simulated STB loader. Its logic is the library stb_sim_core, which tests drive in-process.
file(GLOB stb_sim_core_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/*.h)
list(FILTER stb_sim_core_sources EXCLUDE REGEX "/main\\.cpp$")
orvanel_platform_sources(stb_sim_core_sources)
add_library(stb_sim_core STATIC ${stb_sim_core_sources})
target_link_libraries(stb_sim_core PUBLIC link usb settings)

# Images and download files for the tests that talk to the simulator.
add_library(stb_sim_testing STATIC ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/testing/sim_test_images.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/testing/sim_test_images.h)
target_link_libraries(stb_sim_testing PUBLIC stb_sim_core)

# The simulator itself serves a pseudo-terminal and a Unix-domain socket.
if(NOT ORVANEL_FUZZ AND NOT WIN32)
  find_package(CLI11 QUIET)
  if(CLI11_FOUND)
    add_executable(stb-sim ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/main.cpp)
    target_link_libraries(stb-sim PRIVATE stb_sim_core CLI11::CLI11)
    file(GLOB stb_sim_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/stb_sim/tests/*.cpp)
    orvanel_add_tests(stb_sim_tests SOURCES ${stb_sim_test_sources} LIBS stb_sim_testing common_testing)
    if(TARGET stb_sim_tests)
      target_compile_definitions(stb_sim_tests PRIVATE STB_SIM_PATH="$<TARGET_FILE:stb-sim>")
      add_dependencies(stb_sim_tests stb-sim)
    endif()
  else()
    message(STATUS "CLI11 not found: stb-sim is not built")
  endif()
endif()
