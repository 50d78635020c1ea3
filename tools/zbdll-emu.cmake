# The ZbDll emulator: the device library played against a PC folder.
file(GLOB zbdll_emu_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/*.cpp ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/*.h)
add_library(zbdll_emu STATIC ${zbdll_emu_sources})
target_include_directories(zbdll_emu PUBLIC ${CMAKE_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(zbdll_emu PUBLIC Threads::Threads)
