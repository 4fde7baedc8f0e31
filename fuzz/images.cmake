sq_add_fuzzer(images_fuzz SOURCE images_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/images_fuzz)
