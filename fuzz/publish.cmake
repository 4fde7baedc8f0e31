sq_add_fuzzer(inet_config_fuzz SOURCE inet_config_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/inet_config_fuzz)
sq_add_fuzzer(profile_list_fuzz SOURCE profile_list_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/profile_list_fuzz)
sq_add_fuzzer(template_fuzz SOURCE template_fuzz.cc LIBS publish
  SEEDS ${SQ_SEEDS}/template_fuzz)
