if(TARGET Qt6::Widgets)
  orvanel_add_bench(explorer_window_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/explorer_window_bench.cpp
                    LIBS bexora_ui explorer zbdll_emu)
endif()
