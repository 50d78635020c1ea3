# The link's decoders of outside bytes: the serial frame receiver and the USB frame reader.
orvanel_add_fuzzer(serial_receiver_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/serial_receiver_fuzz.cpp LIBS link)
orvanel_add_fuzzer(usb_frame_reader_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/usb_frame_reader_fuzz.cpp LIBS link)
# The simulated loader's reading of download image files.
orvanel_add_fuzzer(sim_download_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sim_download_fuzz.cpp LIBS stb_sim_core)
