sq_add_fuzzer(upload_list_fuzz SOURCE upload_list_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/upload_list_fuzz)
