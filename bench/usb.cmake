# The bare bulk loop through a FunctionFS gadget that scripts/test-vm's bench case holds our
# USB transfers against (Linux with libusb only; a plain program, not a Google Benchmark).
if(ORVANEL_TESTS AND NOT ORVANEL_FUZZ AND NOT WIN32 AND TARGET stb_sim_core AND EXISTS /usr/include/linux/usb/functionfs.h)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(BULK_LOOP_LIBUSB QUIET IMPORTED_TARGET libusb-1.0)
  endif()
  if(BULK_LOOP_LIBUSB_FOUND)
    add_executable(usb-bulk-loop ${CMAKE_CURRENT_LIST_DIR}/usb_bulk_loop.cpp)
    target_link_libraries(usb-bulk-loop PRIVATE stb_sim_core PkgConfig::BULK_LOOP_LIBUSB Threads::Threads)
  endif()
endif()
