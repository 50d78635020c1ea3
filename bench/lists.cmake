orvanel_add_bench(lists_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/lists_bench.cpp LIBS lists editing_testing)
