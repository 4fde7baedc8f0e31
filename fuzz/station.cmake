sq_add_fuzzer(station_cfg_fuzz SOURCE station_cfg_fuzz.cc LIBS app database foundation resources
  SEEDS ${SQ_SEEDS}/station_cfg_fuzz)
sq_add_fuzzer(download_list_fuzz SOURCE download_list_fuzz.cc LIBS app database foundation resources
  SEEDS ${SQ_SEEDS}/download_list_fuzz)
