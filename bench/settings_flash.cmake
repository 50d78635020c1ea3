orvanel_add_bench(flash_pack_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/flash_pack_bench.cpp LIBS settings settings_testing)
