sq_add_fuzzer(date_text_fuzz SOURCE date_text_fuzz.cc LIBS foundation_dates resources
  SEEDS ${SQ_SEEDS}/date_text_fuzz)
