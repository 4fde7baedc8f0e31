sq_add_fuzzer(data_lists_fuzz SOURCE data_lists_fuzz.cc LIBS reports app database foundation resources
  SEEDS ${SQ_SEEDS}/data_lists_fuzz)
