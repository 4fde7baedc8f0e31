sq_add_fuzzer(download_record_fuzz SOURCE download_record_fuzz.cc LIBS link app database foundation resources
  SEEDS ${SQ_SEEDS}/download_record_fuzz)
