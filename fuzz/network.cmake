sq_add_fuzzer(network_upload_fuzz SOURCE network_upload_fuzz.cc LIBS publish app link database foundation resources
  SEEDS ${SQ_SEEDS}/network_upload_fuzz)
