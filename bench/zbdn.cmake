# The firmware downloader serving a 15 MiB image to the simulated loader, beside the raw
# socket's throughput for the same exchange of requests and replies.
orvanel_add_bench(zbdn_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/zbdn_bench.cpp LIBS downloader_testing)
