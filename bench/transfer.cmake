# Whole settings uploads and downloads over the USB simulation (64- and 512-byte packets),
# and the serial protocol's share of payload on the wire.
orvanel_add_bench(transfer_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_bench.cpp
                  LIBS link_transfer link_transfer_testing stb_sim_core)
