// The dashboard's style sheet, script and API reference, kept in the executable.
#pragma once

#include <string_view>

namespace sq::dashboard {

inline constexpr std::string_view kDashboardCss = R"css(
:root{--bg:#f6f7f9;--card:#fff;--ink:#1d2733;--muted:#5b6b7c;--accent:#1f6feb;--bad:#b42318}
@media (prefers-color-scheme:dark){:root{--bg:#11161c;--card:#1a222c;--ink:#e6edf3;--muted:#9aa7b4;--accent:#58a6ff;--bad:#ff7b72}}
*{box-sizing:border-box}
body{margin:0;font:16px/1.45 system-ui,sans-serif;background:var(--bg);color:var(--ink)}
header{display:flex;flex-wrap:wrap;align-items:center;gap:.5rem 1rem;padding:.6rem 1rem;background:var(--card);border-bottom:1px solid #8883}
.brand{font-weight:600}
nav a{margin-right:.8rem;color:var(--accent);text-decoration:none}
nav a.active{font-weight:600;text-decoration:underline}
main{max-width:1100px;margin:0 auto;padding:1rem}
h1{font-size:1.4rem;margin:.2rem 0 1rem}
h2{font-size:1rem;margin:.2rem 0 .5rem;color:var(--muted)}
.cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(230px,1fr));gap:.8rem}
.card{background:var(--card);border-radius:10px;padding:.8rem 1rem;box-shadow:0 1px 2px #0002}
.card.wide{grid-column:span 2}
@media (max-width:560px){.card.wide{grid-column:span 1}}
.card p{margin:.2rem 0}
.big{font-size:2rem;font-weight:600}
.age{color:var(--muted)}
.live-dot{display:inline-block;width:.6rem;height:.6rem;border-radius:50%;background:#8888;margin-left:.3rem}
.live .live-dot{background:#2da44e}
.offline .live-dot{background:var(--bad)}
table{border-collapse:collapse;background:var(--card);margin:.5rem 0 1rem;max-width:100%}
th,td{padding:.25rem .6rem;text-align:left;border-bottom:1px solid #8882}
td{font-variant-numeric:tabular-nums}
.chart{overflow-x:auto;background:#fff;border-radius:8px;padding:.3rem}
.chart svg{max-width:100%;height:auto}
form{display:flex;flex-wrap:wrap;gap:.5rem 1rem;align-items:end;margin:.4rem 0}
label{display:flex;flex-direction:column;font-size:.85rem;color:var(--muted)}
select,input,button{font:inherit;padding:.25rem .4rem}
pre{background:var(--card);padding:.8rem;overflow-x:auto;font-size:.8rem;line-height:1.3}
.error{color:var(--bad);font-weight:600}
.notice{background:var(--card);padding:.6rem;border-left:4px solid var(--accent)}
code{font-size:.9em}
)css";

inline constexpr std::string_view kDashboardJs = R"js(
// Keeps the current-conditions page live from the server's event stream. Every other
// page works without it.
(function () {
  'use strict';
  if (!document.querySelector('[data-v]') || !window.EventSource) return;
  var ageEl = document.querySelector('[data-f="age"]');
  var age = ageEl ? (parseInt(ageEl.textContent, 10) || 0) : 0;
  var received = Date.now();
  var updates = 0;
  function text(v) { return v === null || v === undefined ? '---' : String(v); }
  function apply(msg) {
    var cur = msg.current;
    if (!cur) return;
    document.querySelectorAll('[data-v]').forEach(function (e) {
      var k = e.getAttribute('data-v');
      if (Object.prototype.hasOwnProperty.call(cur.values, k)) e.textContent = text(cur.values[k]);
    });
    ['time', 'sunrise', 'sunset', 'forecast'].forEach(function (k) {
      var e = document.querySelector('[data-f="' + k + '"]');
      if (e && Object.prototype.hasOwnProperty.call(cur, k)) e.textContent = text(cur[k]);
    });
    var moon = document.querySelector('[data-f="moon"]');
    if (moon) moon.textContent = cur.moon ? cur.moon.phase : '---';
    var hl = msg.highlows ? msg.highlows.highlows : {};
    document.querySelectorAll('[data-h]').forEach(function (e) {
      var parts = e.getAttribute('data-h').split('.');
      var entry = hl[parts[0]];
      if (entry && Object.prototype.hasOwnProperty.call(entry, parts[1])) e.textContent = text(entry[parts[1]]);
    });
    age = cur.age_seconds || 0;
    received = Date.now();
    var waiting = document.getElementById('waiting');
    if (waiting) waiting.hidden = true;
    updates += 1;
    document.body.setAttribute('data-updates', String(updates));
  }
  var source = new EventSource('/api/events');
  source.addEventListener('current', function (ev) {
    document.body.classList.add('live');
    document.body.classList.remove('offline');
    apply(JSON.parse(ev.data));
  });
  source.onerror = function () {
    document.body.classList.remove('live');
    document.body.classList.add('offline');
  };
  setInterval(function () {
    if (ageEl) ageEl.textContent = String(age + Math.round((Date.now() - received) / 1000));
  }, 1000);
})();
)js";

inline constexpr std::string_view kApiReferenceHtml = R"html(
<p>Every answer is JSON (UTF-8). Values are in the display units of the program folder and
every answer names its units; add <code>?units=native</code> for the console's own units
(&deg;F, inHg, mph, in). Times are the station's local clock, <code>YYYY-MM-DDTHH:MM</code>.
A value the station does not have is <code>null</code>. A bad request gets a 4xx status and
<code>{"error": "...", "status": N}</code>. Nothing here changes the station or its data.</p>
<table><thead><tr><th>request</th><th>answer</th></tr></thead><tbody>
<tr><td><code>GET /api/current</code></td><td>current conditions: <code>source</code> (live or snapshot), <code>time</code>, <code>age_seconds</code>, <code>units</code>, <code>values</code> (outside_temperature, outside_humidity, barometer, wind_speed, wind_direction, rain_rate, rain_day, ...), <code>forecast</code>, <code>sunrise</code>, <code>sunset</code>, <code>moon</code>. 503 before the first packet.</td></tr>
<tr><td><code>GET /api/highlows</code></td><td>today's highs and lows with their times: <code>{"units", "highlows": {"outside_temperature": {"high", "high_time", "low", "low_time"}, ...}}</code></td></tr>
<tr><td><code>GET /api/records?from=&amp;to=&amp;vars=</code></td><td>archive records of a span (at most 366 days), streamed: <code>{"from", "to", "units", "variables", "columns", "records": [["2024-07-12T10:05", 73.5, ...], ...]}</code>. <code>from</code> and <code>to</code> are <code>YYYY-MM-DD</code> or <code>YYYY-MM-DDTHH:MM</code> (a bare <code>to</code> date includes that day); <code>vars</code> is a comma-separated list of keys from <code>/api/catalogue</code> (at most 8). Should the database fail part-way, the answer ends with an <code>"error"</code> member.</td></tr>
<tr><td><code>GET /api/day/YYYY-MM-DD</code></td><td>the daily summary: <code>{"date", "rows": [{"key", "label", "value", "unit", "time"}, ...]}</code>; 404 for a day without one</td></tr>
<tr><td><code>GET /api/catalogue</code></td><td>the variables the records and plots know: <code>{"variables": [{"key", "name", "unit", "native_unit"}, ...]}</code></td></tr>
<tr><td><code>GET /api/stations</code></td><td>the stations of the program folder and which one is open</td></tr>
<tr><td><code>GET /api/status</code></td><td>the open station, its connection, packets received, age of the last packet, the database's first and last record</td></tr>
<tr><td><code>GET /api/noaa?month=YYYY-MM</code> or <code>?year=YYYY</code></td><td>the monthly or annual climatological report: <code>{"year", "month", "text"}</code></td></tr>
<tr><td><code>GET /api/log</code></td><td>the end of the download log: <code>{"text"}</code></td></tr>
<tr><td><code>GET /api/events</code></td><td>server-sent events: an event <code>current</code> after every packet from the console, its data <code>{"current": ..., "highlows": ...}</code> as above; a comment line every 15 seconds keeps the connection open</td></tr>
<tr><td><code>GET /plot.svg?var=&amp;var2=&amp;span=&amp;from=&amp;to=&amp;width=</code></td><td>the history plot as an SVG image: <code>span</code> is day, week, month, year (ending at the newest record) or range (with from and to, at most ten years); <code>width</code> in pixels (200 to 4000)</td></tr>
</tbody></table>
<p>Example: <code>curl 'http://127.0.0.1:8080/api/records?from=2024-07-01&amp;to=2024-07-02&amp;vars=outside_temperature,barometer'</code></p>
)html";

}  // namespace sq::dashboard
