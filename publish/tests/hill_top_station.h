// The station the page tests make pages for: "Hill Top", a console of `model` with every
// sensor present and rain collector type 1.
#pragma once

#include <gtest/gtest.h>

#include "app/station.h"

namespace sq::testing {

inline Station HillTopStation(int model) {
  Station s;
  EXPECT_EQ(s.SetStationModel(model), 0);
  s.record().sensors[0] = 0xFFFFFFFFu;
  s.record().sensors[1] = 0x3u;
  s.record().rain_type = 1;
  s.SetName("Hill Top");
  return s;
}

}  // namespace sq::testing
