sq_add_fuzzer(month_file_fuzz SOURCE month_file_fuzz.cc LIBS database foundation resources
  SEEDS ${SQ_SEEDS}/month_file_fuzz)
