// The dashboard's answers, independent of the HTTP library: a request (path and query
// parameters) in, a response out. The JSON API lives under /api/, the pages everywhere
// else (dashboard_pages.h); the server (dashboard_server.h) only moves bytes, adds the
// security headers and runs the event stream.
//
// Every answer is read-only. Bad input gets a 4xx answer with a JSON body
// {"error": "...", "status": N} and never reads more than the bounded span it names.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "ui/dashboard/bulletin_json.h"
#include "ui/dashboard/dashboard_state.h"

namespace sq::dashboard {

inline constexpr std::size_t kMaxQueryParameters = 16;
inline constexpr std::size_t kMaxLogBytes = 64 * 1024;

struct HttpRequest {
  std::string path;
  std::multimap<std::string, std::string> params;
};

// Writes a piece of a streamed answer; false when the client has gone.
using ChunkSink = std::function<bool(std::string_view)>;

struct HttpResponse {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  // When set, the body is produced piece by piece (large answers); `body` is unused.
  std::function<void(const ChunkSink&)> stream;
};

// What the handlers share.
struct DashboardContext {
  DashboardState& state;
  std::string program_folder;
  Clock& clock;
};

// Routes a request; /api/events is the server's (it holds its connection open).
[[nodiscard]] HttpResponse HandleRequest(DashboardContext& context, const HttpRequest& request);

// ---- Shared by the API and the pages. ----
[[nodiscard]] HttpResponse JsonError(int status, const std::string& message);
[[nodiscard]] HttpResponse JsonAnswer(const nlohmann::json& body);
// The value of parameter `name` ("" when absent).
[[nodiscard]] std::string Param(const HttpRequest& request, const std::string& name);
// "units": display (default) or native; false for anything else.
[[nodiscard]] bool UnitsParam(const HttpRequest& request, UnitSystem* out);
// Refuses repeated or oversized parameters and unknown names; the error answer or nothing.
[[nodiscard]] std::optional<HttpResponse> CheckParams(const HttpRequest& request,
                                                      std::initializer_list<std::string_view> known);

// The current conditions as the API and the event stream give them: from the run loop
// or, when it has none yet, from the station's snapshot file. Nothing when neither has.
struct CurrentSource {
  BulletinData data;
  const char* source = "live";
};
[[nodiscard]] std::optional<CurrentSource> CurrentConditionsOf(DashboardContext& context);
// The event's data: {"current": ..., "highlows": ...}.
[[nodiscard]] std::string EventJson(DashboardContext& context, UnitSystem system);

// The pages (dashboard_pages.cc).
[[nodiscard]] HttpResponse HandlePage(DashboardContext& context, const HttpRequest& request);

}  // namespace sq::dashboard
