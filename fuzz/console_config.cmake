sq_add_fuzzer(console_config_fuzz SOURCE console_config_fuzz.cc LIBS link app database foundation resources
  SEEDS ${SQ_SEEDS}/console_config_fuzz)
