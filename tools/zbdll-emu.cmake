# The ZbDll emulator: the device library played against a PC folder. The tests link it
# (zbdll_emu); the programs load it at run time as libzbdll-emu.so (zbdll-emu).
file(GLOB zbdll_emu_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/*.cpp ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/*.h)
orvanel_platform_sources(zbdll_emu_sources)
# How notices are delivered is chosen per target below.
list(FILTER zbdll_emu_sources EXCLUDE REGEX "/emu_notice_[^/]*\\.cpp$")
set(zbdll_emu_callback ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/emu_notice_callback.cpp)
add_library(zbdll_emu_objects OBJECT ${zbdll_emu_sources})
set_target_properties(zbdll_emu_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(zbdll_emu_objects PUBLIC ${CMAKE_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(zbdll_emu_objects PUBLIC Threads::Threads)
add_library(zbdll_emu STATIC $<TARGET_OBJECTS:zbdll_emu_objects> ${zbdll_emu_callback})
target_include_directories(zbdll_emu PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zbdll_emu PUBLIC Threads::Threads)

# The loadable library: libzbdll-emu.so, or on Windows ZbDll.dll beside bexora-cli.exe, named
# like the STB's own and exporting only the interface's functions.
if(NOT ORVANEL_FUZZ)
  add_library(zbdll-emu SHARED $<TARGET_OBJECTS:zbdll_emu_objects>)
  target_include_directories(zbdll-emu PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(zbdll-emu PRIVATE Threads::Threads)
  if(WIN32)
    # Handed the program's window, as the STB's own library is.
    target_sources(zbdll-emu PRIVATE ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/ZbDll.def
                   ${CMAKE_CURRENT_LIST_DIR}/zbdll_emu/emu_notice_window_win32.cpp)
    set_target_properties(zbdll-emu PROPERTIES OUTPUT_NAME ZbDll PREFIX "")
  else()
    target_sources(zbdll-emu PRIVATE ${zbdll_emu_callback})
    # Its own calls stay inside it, whatever the loading program defines.
    target_link_options(zbdll-emu PRIVATE -Wl,-Bsymbolic -Wl,--no-undefined)
    install(TARGETS zbdll-emu LIBRARY DESTINATION lib/orvanel)
  endif()
endif()
