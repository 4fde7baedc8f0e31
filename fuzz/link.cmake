sq_add_fuzzer(link_reply_fuzz SOURCE link_reply_fuzz.cc LIBS link app database foundation resources
  SEEDS ${SQ_SEEDS}/link_reply_fuzz)
sq_add_fuzzer(link_sim_fuzz SOURCE link_sim_fuzz.cc LIBS console_sim_lib link
  SEEDS ${SQ_SEEDS}/link_sim_fuzz)
