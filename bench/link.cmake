# Throughput of a 128 KB upload over the USB simulation and a pseudo-terminal, beside the raw carriers.
orvanel_add_bench(link_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/link_bench.cpp LIBS link stb_sim_testing)
