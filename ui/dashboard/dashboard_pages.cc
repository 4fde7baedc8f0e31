// The dashboard's pages: plain HTML made on the server, one style sheet and one small
// script of our own (served from the executable). Every page reads without JavaScript;
// the script only keeps the current-conditions page live through the event stream.
#include <cmath>
#include <cstdio>

#include "app/station_folders.h"
#include "ui/dashboard/dashboard_api.h"
#include "ui/dashboard/dashboard_assets.h"
#include "ui/dashboard/station_data.h"

namespace sq::dashboard {
namespace {

using json = nlohmann::json;

std::string Html(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UrlPart(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':' || c == ',') {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

struct NavItem {
  const char* path;
  const char* label;
};
constexpr NavItem kNav[] = {{"/", "Now"},    {"/history", "History"}, {"/day", "Day"}, {"/reports", "Reports"},
                            {"/log", "Log"}, {"/status", "Status"},   {"/api", "API"}};

HttpResponse Page(DashboardContext& c, const std::string& active, const std::string& title, const std::string& body,
                  int status = 200) {
  const StationInfo s = c.state.Station();
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
      "<title>" +
      Html(title) + " - " + Html(s.name.empty() ? "Stratoquill" : s.name) +
      "</title>"
      "<link rel=\"icon\" href=\"data:,\"><link rel=\"stylesheet\" "
      "href=\"/static/dashboard.css\"></head><body>\n<header><span class=\"brand\">" +
      Html(s.name.empty() ? "Stratoquill" : s.name) + "</span><nav>";
  for (const NavItem& n : kNav) {
    h += "<a href=\"" + std::string(n.path) + "\"" + (active == n.path ? " class=\"active\"" : "") + ">" + n.label +
         "</a>";
  }
  h += "</nav></header>\n<main>\n<h1>" + Html(title) + "</h1>\n" + body +
       "</main>\n<script src=\"/static/dashboard.js\"></script>\n</body></html>\n";
  HttpResponse r;
  r.status = status;
  r.content_type = "text/html; charset=utf-8";
  r.body = std::move(h);
  return r;
}

HttpResponse PageError(DashboardContext& c, int status, const std::string& title, const std::string& message) {
  return Page(c, "", title, "<p class=\"error\">" + Html(message) + "</p>\n", status);
}

std::string Text(const json& v, int decimals = -1) {
  if (v.is_null()) return "---";
  if (v.is_string()) return v.get<std::string>();
  if (v.is_number_float() && decimals >= 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v.get<double>());
    return buf;
  }
  // As the page's script writes a live value (a whole number without ".0"), so that a
  // value does not change its look with the first update.
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) return std::to_string(static_cast<long long>(d));
  }
  return v.dump();
}

// A value that the script keeps live: <span data-v="key">.
std::string Live(const json& values, const char* key) {
  const json v = values.contains(key) ? values[key] : json(nullptr);
  return "<span data-v=\"" + std::string(key) + "\">" + Html(Text(v)) + "</span>";
}

std::string Card(const std::string& title, const std::string& inner, const char* extra_class = "") {
  return "<section class=\"card " + std::string(extra_class) + "\"><h2>" + Html(title) + "</h2>" + inner +
         "</section>\n";
}

HttpResponse CurrentPage(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return PageError(c, 400, "Current conditions", json::parse(bad->body)["error"]);
  const auto cur = CurrentConditionsOf(c);
  std::string b;
  if (!cur) {
    b += "<p class=\"notice\" id=\"waiting\">No current conditions yet: waiting for the console's first packet. "
         "This page fills in by itself when it comes (or reload it).</p>\n";
  }
  const BulletinData d = cur ? cur->data : BulletinData{};
  const json now = CurrentJson(d, UnitSystem::kDisplay, cur ? cur->source : "none", c.clock.UnixMs());
  const json& v = now["values"];
  const json& u = now["units"];
  const std::string t = u["temperature"], bar = u["barometer"], wind = u["wind"], rain = u["rain"];
  b += "<p class=\"age\">Data of <span data-f=\"time\">" + Html(Text(now["time"])) + "</span>, <span data-f=\"age\">" +
       std::to_string(now["age_seconds"].get<std::int64_t>()) +
       "</span> s old <span class=\"live-dot\" title=\"live\"></span></p>\n";
  b += "<div class=\"cards\">\n";
  b += Card("Outside",
            "<p class=\"big\">" + Live(v, "outside_temperature") + " " + Html(t) + "</p><p>Humidity " +
                Live(v, "outside_humidity") + " %</p><p>Dew point " + Live(v, "dew_point") + " " + Html(t) +
                "</p><p>Wind chill " + Live(v, "wind_chill") + ", heat index " + Live(v, "heat_index") + ", THW " +
                Live(v, "thw_index") + " " + Html(t) + "</p>",
            "wide");
  b += Card("Wind", "<p class=\"big\">" + Live(v, "wind_speed") + " " + Html(wind) + "</p><p>From " +
                        Live(v, "wind_direction") + "&deg;</p><p>Average 2 min " + Live(v, "wind_avg_2min") +
                        ", 10 min " + Live(v, "wind_avg_10min") + " " + Html(wind) + "</p><p>Gust 2 min " +
                        Live(v, "wind_gust_2min") + ", 10 min " + Live(v, "wind_gust_10min") + " " + Html(wind) +
                        "</p>");
  b += Card("Barometer", "<p class=\"big\">" + Live(v, "barometer") + " " + Html(bar) + "</p><p>Trend code " +
                             Live(v, "barometer_trend") + "</p>");
  b += Card("Rain", "<p>Rate " + Live(v, "rain_rate") + " " + Html(rain) + "/h</p><p>Last hour " +
                        Live(v, "rain_last_hour") + ", 24 hours " + Live(v, "rain_last_24_hours") + "</p><p>Today " +
                        Live(v, "rain_day") + ", storm " + Live(v, "rain_storm") + "</p><p>Month " +
                        Live(v, "rain_month") + ", year " + Live(v, "rain_year") + " " + Html(rain) + "</p>");
  b += Card("Sun", "<p>Solar " + Live(v, "solar_radiation") + " W/m&sup2;, UV " + Live(v, "uv_index") +
                       "</p><p>ET today " + Live(v, "et_day") + " " + Html(rain) +
                       "</p><p>Sunrise <span data-f=\"sunrise\">" + Html(Text(now["sunrise"])) +
                       "</span>, sunset <span data-f=\"sunset\">" + Html(Text(now["sunset"])) +
                       "</span></p><p>Moon <span data-f=\"moon\">" +
                       Html(now["moon"].is_null() ? "---" : now["moon"]["phase"].get<std::string>()) + "</span></p>");
  b += Card("Inside", "<p>" + Live(v, "inside_temperature") + " " + Html(t) + ", humidity " +
                          Live(v, "inside_humidity") + " %</p>");
  b +=
      Card("Forecast",
           "<p data-f=\"forecast\">" + Html(now.contains("forecast") ? Text(now["forecast"]) : "---") + "</p>", "wide");
  b += Card("Batteries", "<p>Console " + Live(v, "console_battery") + " V</p><p>Transmitter status " +
                             Live(v, "transmitter_battery_status") + " (0: all good)</p>");
  b += "</div>\n<h2>Today's highs and lows</h2>\n<table class=\"highlows\"><thead><tr><th></th><th>High</th><th>at</th>"
       "<th>Low</th><th>at</th></tr></thead><tbody>\n";
  const json hl = HighLowsJson(d, UnitSystem::kDisplay)["highlows"];
  for (const auto& item : hl.items()) {
    const std::string key = item.key();
    const json& e = item.value();
    auto cell = [&](const char* what) {
      const std::string id = key + "." + what;
      return "<td data-h=\"" + id + "\">" + Html(e.contains(what) ? Text(e[what]) : "") + "</td>";
    };
    std::string label = key;
    for (char& ch : label) ch = ch == '_' ? ' ' : ch;
    b += "<tr><th>" + Html(label) + "</th>" + cell("high") + cell("high_time") + cell("low") + cell("low_time") +
         "</tr>\n";
  }
  b += "</tbody></table>\n";
  return Page(c, "/", "Current conditions", b);
}

std::string VariableOptions(const std::string& chosen, bool allow_none) {
  std::string o = allow_none ? "<option value=\"\">(none)</option>" : "";
  for (const PlotVariable& v : PlotVariables()) {
    o += "<option value=\"" + v.key + "\"" + (v.key == chosen ? " selected" : "") + ">" + Html(v.name) + "</option>";
  }
  return o;
}

struct PlotRequest {
  std::vector<const PlotVariable*> vars;
  TimeRange range;
  int width = 800;
  std::string var1, var2, span, from, to;
};

// Reads the plot's parameters; an error answer (text) or nothing.
std::optional<std::string> ReadPlotRequest(DashboardContext& c, const HttpRequest& r, StationData& data,
                                           PlotRequest* p) {
  p->var1 = Param(r, "var");
  p->var2 = Param(r, "var2");
  p->span = Param(r, "span");
  p->from = Param(r, "from");
  p->to = Param(r, "to");
  if (p->var1.empty()) p->var1 = "outside_temperature";
  if (p->span.empty()) p->span = (p->from.empty() && p->to.empty()) ? "day" : "range";
  std::string error;
  p->vars = ParseVariableList(p->var2.empty() ? p->var1 : p->var1 + "," + p->var2, &error);
  if (p->vars.empty()) return error;
  const std::string w = Param(r, "width");
  if (!w.empty()) {
    if (w.size() > 5 || w.find_first_not_of("0123456789") != std::string::npos) return "width must be a number";
    p->width = std::stoi(w);
    if (p->width < kMinPlotWidth || p->width > kMaxPlotWidth) {
      return "width must be from " + std::to_string(kMinPlotWidth) + " to " + std::to_string(kMaxPlotWidth);
    }
  }
  if (data.Open(&error) != 0) return error;
  (void)c;
  const auto newest = data.Newest();
  const auto range = ResolveSpan(p->span, p->from, p->to, newest.value_or(0), kMaxPlotSpanDays, &error);
  if (!range) return error;
  p->range = *range;
  return std::nullopt;
}

std::string PlotSvg(StationData& data, const PlotRequest& p, std::string* error) {
  std::vector<PlotSeries> series;
  if (data.LoadSeries(p.vars, p.range, UnitSystem::kDisplay, &series) != 0) {
    *error = "the database could not be read";
    return {};
  }
  PlotOptions o;
  o.width = p.width;
  o.from = p.range.from;
  o.to = p.range.to;
  o.title = p.vars[0]->name + (p.vars.size() > 1 ? " and " + p.vars[1]->name : "") + ", " + MomentText(p.range.from) +
            " to " + MomentText(p.range.to);
  return RenderSvgPlot(series, o);
}

HttpResponse HistoryPage(DashboardContext& c, const HttpRequest& r, bool svg_only) {
  if (auto bad = CheckParams(r, {"var", "var2", "span", "from", "to", "width"})) {
    if (svg_only) return *bad;
    return PageError(c, 400, "History", json::parse(bad->body)["error"]);
  }
  StationData data(c.state.Station());
  PlotRequest p;
  const auto error = ReadPlotRequest(c, r, data, &p);
  if (svg_only) {
    if (error) return JsonError(400, *error);
    std::string why;
    HttpResponse out;
    out.content_type = "image/svg+xml";
    out.body = PlotSvg(data, p, &why);
    if (out.body.empty()) return JsonError(500, why);
    return out;
  }
  std::string b =
      "<form class=\"plotform\" method=\"get\" action=\"/history\">"
      "<label>Variable <select name=\"var\">" +
      VariableOptions(p.var1, false) +
      "</select></label>"
      "<label>and <select name=\"var2\">" +
      VariableOptions(p.var2, true) +
      "</select></label>"
      "<label>Span <select name=\"span\">";
  for (const char* s : {"day", "week", "month", "year", "range"}) {
    const std::string label = std::string(s) == "day"     ? "last 24 hours"
                              : std::string(s) == "range" ? "dates below"
                                                          : "last " + std::string(s);
    b += "<option value=\"" + std::string(s) + "\"" + (p.span == s ? " selected" : "") + ">" + label + "</option>";
  }
  b += "</select></label><label>From <input type=\"date\" name=\"from\" value=\"" + Html(p.from.substr(0, 10)) +
       "\"></label><label>To <input type=\"date\" name=\"to\" value=\"" + Html(p.to.substr(0, 10)) +
       "\"></label><button type=\"submit\">Show</button></form>\n";
  if (error) return Page(c, "/history", "History", b + "<p class=\"error\">" + Html(*error) + "</p>\n", 400);
  std::string why;
  const std::string svg = PlotSvg(data, p, &why);
  if (svg.empty()) return Page(c, "/history", "History", b + "<p class=\"error\">" + Html(why) + "</p>\n", 500);
  std::string link = "/plot.svg?var=" + UrlPart(p.var1) + (p.var2.empty() ? "" : "&amp;var2=" + UrlPart(p.var2)) +
                     "&amp;span=range&amp;from=" + UrlPart(MomentText(p.range.from)) +
                     "&amp;to=" + UrlPart(MomentText(p.range.to));
  b += "<p class=\"range\">" + Html(MomentText(p.range.from)) + " to " + Html(MomentText(p.range.to)) +
       " (relative spans end at the newest record). <a href=\"" + link + "\">SVG</a></p>\n<div class=\"chart\">" + svg +
       "</div>\n";
  return Page(c, "/history", "History", b);
}

HttpResponse DayPage(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {"date"})) return PageError(c, 400, "Day", json::parse(bad->body)["error"]);
  StationData data(c.state.Station());
  std::string error;
  if (data.Open(&error) != 0) return PageError(c, 404, "Day", error);
  std::string date = Param(r, "date");
  if (date.empty()) {
    const auto newest = data.Newest();
    if (!newest) return PageError(c, 404, "Day", "the database has no records");
    date = DayText(DateOfLocalMinutes(*newest - 1));
  }
  const auto day = ParseDay(date);
  std::string b = "<form method=\"get\" action=\"/day\"><label>Day <input type=\"date\" name=\"date\" value=\"" +
                  Html(date) + "\"></label><button type=\"submit\">Show</button></form>\n";
  if (!day) return Page(c, "/day", "Day", b + "<p class=\"error\">Give the day as YYYY-MM-DD.</p>\n", 400);
  const auto s = data.DaySummary(*day, UnitSystem::kDisplay);
  if (!s) return Page(c, "/day", "Day", b + "<p class=\"error\">No daily summary for " + Html(date) + ".</p>\n", 404);
  const std::int64_t start = LocalMinutes(*day);
  b += "<nav class=\"pager\"><a href=\"/day?date=" + DayText(DateOfLocalMinutes(start - kMinutesPerDay)) +
       "\">&larr; day before</a> <a href=\"/day?date=" + DayText(DateOfLocalMinutes(start + kMinutesPerDay)) +
       "\">day after &rarr;</a> <a href=\"/history?span=range&amp;from=" + DayText(*day) + "&amp;to=" + DayText(*day) +
       "\">plot</a></nav>\n<table class=\"summary\"><tbody>\n";
  for (const auto& row : (*s)["rows"]) {
    const std::string value = Text(row["value"], row["value"].is_number_float() ? 2 : -1);
    const std::string unit = row["unit"];
    b += "<tr><th>" + Html(row["label"].get<std::string>()) + "</th><td>" + Html(value) +
         (row["value"].is_null() || unit.empty() ? "" : " " + Html(unit)) + "</td><td>" +
         Html(row["time"].is_null() ? "" : row["time"].get<std::string>()) + "</td></tr>\n";
  }
  b += "</tbody></table>\n";
  return Page(c, "/day", "Daily summary of " + date, b);
}

HttpResponse ReportsPage(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {"month", "year"}))
    return PageError(c, 400, "Reports", json::parse(bad->body)["error"]);
  StationData data(c.state.Station());
  std::string error;
  if (data.Open(&error) != 0) return PageError(c, 404, "Reports", error);
  std::string m = Param(r, "month"), y = Param(r, "year");
  int year = 0, month = 0;
  if (m.empty() && y.empty()) {
    const auto newest = data.Newest();
    if (!newest) return PageError(c, 404, "Reports", "the database has no records");
    const DateTime d = DateOfLocalMinutes(*newest - 1);
    year = d.year;
    month = d.month;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d", year, month);
    m = buf;
  }
  std::string b =
      "<form method=\"get\" action=\"/reports\"><label>Month <input type=\"month\" name=\"month\" value=\"" + Html(m) +
      "\"></label><button type=\"submit\">Monthly report</button></form>\n"
      "<form method=\"get\" action=\"/reports\"><label>Year <input type=\"number\" name=\"year\" min=\"1900\" "
      "max=\"2200\" value=\"" +
      Html(y.empty() ? m.substr(0, 4) : y) + "\"></label><button type=\"submit\">Annual report</button></form>\n";
  const bool bad = (!m.empty() && !y.empty()) || (!m.empty() && !ParseYearMonth(m, &year, &month)) ||
                   (!y.empty() && !ParseYear(y, &year));
  if (bad) return Page(c, "/reports", "Reports", b + "<p class=\"error\">Give month=YYYY-MM or year=YYYY.</p>\n", 400);
  if (!y.empty()) month = 0;
  const auto text = data.NoaaReport(year, month, &error);
  if (!text) return Page(c, "/reports", "Reports", b + "<p class=\"error\">" + Html(error) + "</p>\n", 404);
  b += "<pre class=\"report\">" + Html(*text) + "</pre>\n";
  return Page(
      c, "/reports",
      month == 0 ? "Annual climatological summary " + std::to_string(year) : "Monthly climatological summary " + m, b);
}

HttpResponse LogPage(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return PageError(c, 400, "Download log", json::parse(bad->body)["error"]);
  const std::string text = DownloadLogTail(c.program_folder, kMaxLogBytes);
  return Page(c, "/log", "Download log",
              text.empty() ? "<p>The download log is empty.</p>\n" : "<pre class=\"log\">" + Html(text) + "</pre>\n");
}

HttpResponse StatusPage(DashboardContext& c, const HttpRequest& r) {
  if (auto bad = CheckParams(r, {})) return PageError(c, 400, "Status", json::parse(bad->body)["error"]);
  const json s = json::parse(HandleRequest(c, HttpRequest{"/api/status", {}}).body);
  std::string b = "<table class=\"summary\"><tbody>\n";
  auto row = [&](const std::string& label, const std::string& value) {
    b += "<tr><th>" + Html(label) + "</th><td>" + Html(value) + "</td></tr>\n";
  };
  if (s["station"].is_null()) {
    row("Station", "none is open");
  } else {
    row("Station", s["station"]["name"]);
    row("Folder", s["station"]["folder"]);
    row("Console", s["station"]["model"]);
    row("Connection", s["station"]["connection"]);
  }
  row("Current conditions", s["realtime"].get<bool>() ? "polled by the run loop" : "not polled (--no-realtime)");
  row("Packets received", Text(s["packets"]));
  row("Last packet",
      s["last_packet_age_seconds"].is_null() ? "none yet" : Text(s["last_packet_age_seconds"]) + " s ago");
  row("Live pages open", Text(s["event_clients"]));
  if (s["database"].is_object() && s["database"].contains("records")) {
    row("Archive records", Text(s["database"]["records"]));
    row("Month files", Text(s["database"]["months"]));
    row("First record", Text(s["database"]["first_record"]));
    row("Last record", Text(s["database"]["last_record"]));
  } else if (s["database"].is_object()) {
    row("Database", s["database"]["error"]);
  }
  b += "</tbody></table>\n<h2>Stations</h2>\n<ul>\n";
  for (const StationEntry& e : ListStations(c.program_folder))
    b += "<li>" + Html(e.name) + " <small>" + Html(e.folder) + "</small></li>\n";
  b += "</ul>\n";
  return Page(c, "/status", "Station and connection", b);
}

HttpResponse Asset(std::string_view body, const char* type) {
  HttpResponse r;
  r.content_type = type;
  r.body = std::string(body);
  return r;
}

}  // namespace

HttpResponse HandlePage(DashboardContext& c, const HttpRequest& r) {
  const std::string& p = r.path;
  if (p == "/" || p == "/index.html") return CurrentPage(c, r);
  if (p == "/history") return HistoryPage(c, r, false);
  if (p == "/plot.svg") return HistoryPage(c, r, true);
  if (p == "/day") return DayPage(c, r);
  if (p == "/reports") return ReportsPage(c, r);
  if (p == "/log") return LogPage(c, r);
  if (p == "/status") return StatusPage(c, r);
  if (p == "/api") return Page(c, "/api", "JSON API", std::string(kApiReferenceHtml));
  if (p == "/static/dashboard.css") return Asset(kDashboardCss, "text/css; charset=utf-8");
  if (p == "/static/dashboard.js") return Asset(kDashboardJs, "text/javascript; charset=utf-8");
  return PageError(c, 404, "Not found", "There is no page " + p.substr(0, 80) + ".");
}

}  // namespace sq::dashboard
