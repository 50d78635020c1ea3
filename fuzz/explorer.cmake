orvanel_add_fuzzer(pvr_reply_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/pvr_reply_fuzz.cpp LIBS explorer zbdll_emu)
