orvanel_add_bench(explorer_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/explorer_bench.cpp LIBS explorer zbdll_emu)
