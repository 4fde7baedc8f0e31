sq_add_fuzzer(bulletin_snapshot_fuzz SOURCE bulletin_snapshot_fuzz.cc LIBS realtime
  SEEDS ${SQ_SEEDS}/bulletin_snapshot_fuzz)
