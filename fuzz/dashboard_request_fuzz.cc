// What reaches the dashboard from outside: a request's path and query, an Authorization
// header, the settings file and a listen address, all any bytes. The first byte picks
// the parser; a request goes through the whole router (without a station, so the
// parsers and the refusals run, not the database).
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "ui/dashboard/dashboard_api.h"
#include "ui/dashboard/dashboard_config.h"
#include "ui/dashboard/dashboard_query.h"
#include "ui/dashboard/dashboard_server.h"

namespace {

// "path?name=value&name=value" as the server hands it over.
sq::dashboard::HttpRequest ToRequest(std::string_view text) {
  sq::dashboard::HttpRequest r;
  const auto q = text.find('?');
  r.path = std::string(text.substr(0, q));
  if (q == std::string_view::npos) return r;
  std::string_view rest = text.substr(q + 1);
  while (!rest.empty()) {
    const auto amp = rest.find('&');
    const std::string_view pair = rest.substr(0, amp);
    const auto eq = pair.find('=');
    r.params.emplace(std::string(pair.substr(0, eq)),
                     eq == std::string_view::npos ? "" : std::string(pair.substr(eq + 1)));
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  using namespace sq::dashboard;
  std::string error;
  switch (data[0] % 5) {
    case 0: {
      DashboardConfig c;
      if (ParseDashboardConfig(text, &c, &error)) (void)CheckDashboardConfig(c, &error);
      break;
    }
    case 1:
      (void)ParseListenAddress(text, &error);
      break;
    case 2:
      (void)AuthorizationMatches(text, "secret");
      break;
    case 3: {
      (void)ParseMoment(text);
      (void)ResolveSpan("range", text, text, 0, kMaxPlotSpanDays, &error);
      (void)ParseVariableList(text, &error);
      break;
    }
    default: {
      static sq::FakeClock clock(1720800000000);
      static DashboardState state;
      DashboardContext context{state, "/nonexistent", clock};
      HttpResponse r = HandleRequest(context, ToRequest(text));
      if (r.stream) r.stream([](std::string_view) { return true; });
      break;
    }
  }
  return 0;
}
