orvanel_add_bench(lh5_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lh5_bench.cpp LIBS settings settings_testing)
