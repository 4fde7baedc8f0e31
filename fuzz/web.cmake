sq_add_fuzzer(web_headers_fuzz SOURCE web_headers_fuzz.cc LIBS link app database foundation resources
  SEEDS ${SQ_SEEDS}/web_headers_fuzz)
