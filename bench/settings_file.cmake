orvanel_add_bench(settings_file_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_file_bench.cpp LIBS settings)
