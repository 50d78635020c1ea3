orvanel_add_bench(history_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp LIBS editor_core editing_testing)
