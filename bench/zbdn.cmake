# The firmware downloader serving a 15 MiB image to the simulated loader, beside the raw
# socket's throughput for the same exchange of requests and replies.
orvanel_add_bench(zbdn_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/zbdn_bench.cpp LIBS downloader_testing)
# The window's GUI-thread time per megabyte while a slow loader reads the image.
if(TARGET zbdn_ui)
  orvanel_add_bench(zbdn_window_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/zbdn_window_bench.cpp LIBS zbdn_ui downloader_testing)
endif()
