orvanel_add_fuzzer(list_csv_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_csv_fuzz.cpp LIBS lists editing_testing)
orvanel_add_fuzzer(list_vdr_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_vdr_fuzz.cpp LIBS lists editing_testing)
orvanel_add_fuzzer(list_lamedb_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_lamedb_fuzz.cpp LIBS lists editing_testing)
