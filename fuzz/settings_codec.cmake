orvanel_add_fuzzer(image_codec_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/image_codec_fuzz.cpp LIBS settings settings_testing)
