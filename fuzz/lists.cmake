orvanel_add_fuzzer(list_csv_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_csv_fuzz.cpp LIBS lists editing_testing)
