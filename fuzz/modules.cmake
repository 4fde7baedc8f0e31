sq_add_fuzzer(module_list_fuzz SOURCE module_list_fuzz.cc LIBS app resources
  SEEDS ${SQ_SEEDS}/module_list_fuzz)
