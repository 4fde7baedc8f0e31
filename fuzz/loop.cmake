sq_add_fuzzer(loop_packet_fuzz SOURCE loop_packet_fuzz.cc LIBS link app database foundation resources
  SEEDS ${SQ_SEEDS}/loop_packet_fuzz)
