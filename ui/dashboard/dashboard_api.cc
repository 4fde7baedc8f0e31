#include "ui/dashboard/dashboard_api.h"

#include "app/station_folders.h"
#include "realtime/bulletin_snapshot.h"
#include "ui/dashboard/station_data.h"

namespace sq::dashboard {
namespace {

using json = nlohmann::json;

HttpResponse Current(DashboardContext& c, const HttpRequest& r, bool highlows) {
  if (auto bad = CheckParams(r, {"units"})) return *bad;
  UnitSystem system{};
  if (!UnitsParam(r, &system)) return JsonError(400, "units must be display or native");
  const auto cur = CurrentConditionsOf(c);
  if (!cur) {
    return JsonError(503, "no current conditions yet: the console has sent no packet (is 'run' polling it?)");
  }
  if (highlows) return JsonAnswer(HighLowsJson(cur->data, system));
  return JsonAnswer(CurrentJson(cur->data, system, cur->source, c.clock.UnixMs()));
}

HttpResponse Records(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {"from", "to", "vars", "units"})) return *bad;
  UnitSystem system{};
  if (!UnitsParam(r, &system)) return JsonError(400, "units must be display or native");
  std::string error;
  const auto vars = ParseVariableList(Param(r, "vars"), &error);
  if (vars.empty()) return JsonError(400, error);
  if (Param(r, "from").empty() || Param(r, "to").empty()) {
    return JsonError(400, "give from and to (YYYY-MM-DD or YYYY-MM-DDTHH:MM)");
  }
  const auto range = ResolveSpan("range", Param(r, "from"), Param(r, "to"), 0, kMaxRecordSpanDays, &error);
  if (!range) return JsonError(400, error);
  auto data = std::make_shared<StationData>(c.state.Station());
  if (data->Open(&error) != 0) return JsonError(404, error);

  json head;
  head["from"] = MomentText(range->from);
  head["to"] = MomentText(range->to);
  head["units"] = json::object();
  head["variables"] = json::array();
  for (const PlotVariable* v : vars) {
    head["variables"].push_back(v->key);
    head["units"][v->key] = VariableUnit(v->id, system);
  }
  head["unit_system"] = system == UnitSystem::kNative ? "native" : "display";
  HttpResponse out;
  out.stream = [data, vars, range = *range, system, head = head.dump()](const ChunkSink& sink) {
    std::string buf = head;
    buf.pop_back();  // the closing brace; the records follow
    buf += ",\"columns\":[\"time\"";
    for (const PlotVariable* v : vars) buf += ",\"" + v->key + "\"";
    buf += "],\"records\":[";
    bool first = true;
    bool client_gone = false;
    const int rc = data->ForEachRecord(range, [&](std::int64_t t, const WeatherDataObject& rec) {
      buf += first ? "[\"" : ",\n[\"";
      first = false;
      buf += MomentText(t);
      buf += '"';
      for (const PlotVariable* v : vars) {
        buf += ',';
        buf += json(VariableValue(rec, v->id, system)).dump();
      }
      buf += ']';
      if (buf.size() >= 32 * 1024) {
        if (!sink(buf)) {
          client_gone = true;
          return false;
        }
        buf.clear();
      }
      return true;
    });
    if (client_gone) return;
    buf += "]";
    // The status line has gone out already: a read error mid-way is said in the body.
    if (rc != 0) buf += ",\"error\":\"the database could not be read to the end\"";
    buf += "}\n";
    (void)sink(buf);
  };
  return out;
}

HttpResponse Day(DashboardContext& c, const HttpRequest& r, std::string_view date) {
  if (auto bad = CheckParams(r, {"units"})) return *bad;
  UnitSystem system{};
  if (!UnitsParam(r, &system)) return JsonError(400, "units must be display or native");
  const auto day = ParseDay(date);
  if (!day) return JsonError(400, "give the day as /api/day/YYYY-MM-DD");
  StationData data(c.state.Station());
  std::string error;
  if (data.Open(&error) != 0) return JsonError(404, error);
  auto summary = data.DaySummary(*day, system);
  if (!summary) return JsonError(404, "no daily summary for " + DayText(*day));
  (*summary)["unit_system"] = system == UnitSystem::kNative ? "native" : "display";
  return JsonAnswer(*summary);
}

HttpResponse Catalogue(const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return *bad;
  json list = json::array();
  for (const PlotVariable& v : PlotVariables()) {
    list.push_back({{"key", v.key},
                    {"name", v.name},
                    {"unit", VariableUnit(v.id, UnitSystem::kDisplay)},
                    {"native_unit", VariableUnit(v.id, UnitSystem::kNative)}});
  }
  return JsonAnswer({{"variables", std::move(list)}});
}

HttpResponse Stations(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return *bad;
  const StationInfo open = c.state.Station();
  json list = json::array();
  for (const StationEntry& s : ListStations(c.program_folder)) {
    list.push_back({{"name", s.name}, {"folder", s.folder}, {"open", !open.folder.empty() && s.folder == open.folder}});
  }
  return JsonAnswer({{"stations", std::move(list)}});
}

HttpResponse Status(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return *bad;
  const StationInfo s = c.state.Station();
  const DashboardState::Live live = c.state.Current();
  json o;
  o["station"] = s.folder.empty()
                     ? json(nullptr)
                     : json{{"name", s.name}, {"folder", s.folder}, {"model", s.model}, {"connection", s.connection}};
  o["realtime"] = s.realtime;
  o["packets"] = live.sequence;
  if (live.data) {
    const std::int64_t now = c.clock.UnixMs();
    o["last_packet_unix_ms"] = live.data->packet_unix_ms;
    o["last_packet_age_seconds"] = now >= live.data->packet_unix_ms ? (now - live.data->packet_unix_ms) / 1000 : 0;
  } else {
    o["last_packet_unix_ms"] = nullptr;
    o["last_packet_age_seconds"] = nullptr;
  }
  o["event_clients"] = c.state.StreamClients();
  json db = nullptr;
  if (!s.folder.empty()) {
    StationData data(s);
    std::string error;
    if (data.Open(&error) == 0) {
      const auto oldest = data.Oldest();
      const auto newest = data.Newest();
      db = {{"records", data.database().NumberOfDataRecords()},
            {"months", data.database().month_count()},
            {"first_record", oldest ? json(MomentText(*oldest)) : json(nullptr)},
            {"last_record", newest ? json(MomentText(*newest)) : json(nullptr)}};
    } else {
      db = {{"error", error}};
    }
  }
  o["database"] = std::move(db);
  return JsonAnswer(o);
}

HttpResponse Noaa(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {"month", "year"})) return *bad;
  int year = 0, month = 0;
  const std::string m = Param(r, "month"), y = Param(r, "year");
  if (!m.empty() == !y.empty()) return JsonError(400, "give month=YYYY-MM or year=YYYY");
  if (!m.empty() && !ParseYearMonth(m, &year, &month)) return JsonError(400, "give the month as YYYY-MM");
  if (!y.empty() && !ParseYear(y, &year)) return JsonError(400, "give the year as YYYY");
  StationData data(c.state.Station());
  std::string error;
  if (data.Open(&error) != 0) return JsonError(404, error);
  const auto text = data.NoaaReport(year, month, &error);
  if (!text) return JsonError(404, error);
  return JsonAnswer({{"year", year}, {"month", month == 0 ? json(nullptr) : json(month)}, {"text", *text}});
}

HttpResponse Log(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return *bad;
  return JsonAnswer({{"text", DownloadLogTail(c.program_folder, kMaxLogBytes)}});
}

}  // namespace

HttpResponse JsonError(int status, const std::string& message) {
  HttpResponse r;
  r.status = status;
  // The message may quote the request, which may not be UTF-8.
  r.body = json{{"error", message}, {"status", status}}.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  return r;
}

HttpResponse JsonAnswer(const json& body) {
  HttpResponse r;
  r.body = body.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  return r;
}

std::string Param(const HttpRequest& request, const std::string& name) {
  const auto it = request.params.find(name);
  return it == request.params.end() ? std::string() : it->second;
}

bool UnitsParam(const HttpRequest& request, UnitSystem* out) {
  const std::string u = Param(request, "units");
  if (u.empty() || u == "display")
    *out = UnitSystem::kDisplay;
  else if (u == "native")
    *out = UnitSystem::kNative;
  else
    return false;
  return true;
}

std::optional<HttpResponse> CheckParams(const HttpRequest& request, std::initializer_list<std::string_view> known) {
  if (request.params.size() > kMaxQueryParameters) return JsonError(400, "too many query parameters");
  for (const auto& [name, value] : request.params) {
    if (value.size() > kMaxQueryValue) return JsonError(400, "the value of '" + name.substr(0, 40) + "' is too long");
    if (request.params.count(name) > 1) return JsonError(400, "'" + name.substr(0, 40) + "' is given more than once");
    bool ok = false;
    for (std::string_view k : known) ok = ok || k == name;
    if (!ok) return JsonError(400, "unknown query parameter '" + name.substr(0, 40) + "'");
  }
  return std::nullopt;
}

std::optional<CurrentSource> CurrentConditionsOf(DashboardContext& c) {
  const DashboardState::Live live = c.state.Current();
  if (live.data) return CurrentSource{*live.data, "live"};
  const StationInfo s = c.state.Station();
  if (s.folder.empty()) return std::nullopt;
  auto snap = ReadBulletinSnapshot(s.folder, c.clock);
  if (!snap || !snap->data.have_data) return std::nullopt;
  return CurrentSource{snap->data, "snapshot"};
}

std::string EventJson(DashboardContext& c, UnitSystem system) {
  const auto cur = CurrentConditionsOf(c);
  if (!cur) return "{\"current\":null,\"highlows\":null}";
  return json{{"current", CurrentJson(cur->data, system, cur->source, c.clock.UnixMs())},
              {"highlows", HighLowsJson(cur->data, system)}}
      .dump(-1, ' ', false, json::error_handler_t::replace);
}

HttpResponse HandleRequest(DashboardContext& c, const HttpRequest& r) {
  const std::string& p = r.path;
  if (!p.starts_with("/api/") && p != "/api") return HandlePage(c, r);
  if (p == "/api/current") return Current(c, r, false);
  if (p == "/api/highlows") return Current(c, r, true);
  if (p == "/api/records") return Records(c, r);
  if (p.starts_with("/api/day/")) return Day(c, r, std::string_view(p).substr(9));
  if (p == "/api/catalogue") return Catalogue(r);
  if (p == "/api/stations") return Stations(c, r);
  if (p == "/api/status") return Status(c, r);
  if (p == "/api/noaa") return Noaa(c, r);
  if (p == "/api/log") return Log(c, r);
  if (p == "/api" || p == "/api/") return HandlePage(c, HttpRequest{"/api", r.params});
  return JsonError(404, "no such API: see /api for the list");
}

}  // namespace sq::dashboard
