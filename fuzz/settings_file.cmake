orvanel_add_fuzzer(load_settings_file_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/load_settings_file_fuzz.cpp LIBS settings)
orvanel_add_fuzzer(recovery_file_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/recovery_file_fuzz.cpp LIBS settings)
