sq_add_fuzzer(wxnet_fuzz SOURCE wxnet_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/wxnet_fuzz)
