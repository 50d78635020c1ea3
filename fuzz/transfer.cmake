orvanel_add_fuzzer(download_image_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/download_image_fuzz.cpp
                   LIBS link_transfer settings_testing)
