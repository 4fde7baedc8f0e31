sq_add_fuzzer(rain_db_fuzz SOURCE rain_db_fuzz.cc LIBS database foundation resources
  SEEDS ${SQ_SEEDS}/rain_db_fuzz)
