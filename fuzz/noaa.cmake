sq_add_fuzzer(noaa_report_fuzz SOURCE noaa_report_fuzz.cc LIBS reports app database foundation resources
  SEEDS ${SQ_SEEDS}/noaa_report_fuzz)
