orvanel_add_fuzzer(usb_id_list_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_id_list_fuzz.cpp LIBS usb_id_list)
