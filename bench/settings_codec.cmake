orvanel_add_bench(image_codec_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_codec_bench.cpp LIBS settings settings_testing)
