sq_add_fuzzer(command_line_fuzz SOURCE command_line_fuzz.cc LIBS app database foundation resources
  SEEDS ${SQ_SEEDS}/command_line_fuzz)
