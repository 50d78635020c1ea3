orvanel_add_bench(editing_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/editing_bench.cpp LIBS editing editing_testing)
