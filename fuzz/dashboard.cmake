sq_add_fuzzer(dashboard_request_fuzz SOURCE dashboard_request_fuzz.cc LIBS ui_dashboard
  SEEDS ${SQ_SEEDS}/dashboard_request_fuzz)
