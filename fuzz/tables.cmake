orvanel_add_fuzzer(dvbv5_table_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dvbv5_table_fuzz.cpp LIBS tables editing_testing)
orvanel_add_fuzzer(sat_xml_table_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/sat_xml_table_fuzz.cpp LIBS tables editing_testing)
