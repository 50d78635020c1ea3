if(TARGET editor_window)
  orvanel_add_bench(editor_ui_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_ui_bench.cpp LIBS editor_window)
endif()
orvanel_add_bench(recovery_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/recovery_bench.cpp LIBS editor_core editing_testing)
