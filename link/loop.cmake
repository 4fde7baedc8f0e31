# Real-time packets: the loop record, packet streams and the highs and lows block.
target_sources(link PRIVATE loop_record.cc loop_packets.cc hilows.cc)

sq_add_test(link_loop_test
  SOURCES
    tests/loop_record_test.cc
    tests/loop_packets_test.cc
  LIBS link console_sim_lib app database foundation resources)
