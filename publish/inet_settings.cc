#include "publish/inet_settings.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <functional>

#include "app/setting_text.h"
#include "app/station.h"
#include "publish/inet_extra_settings.h"
#include "publish/publish_tables.h"

namespace sq {
namespace {

template <typename R>
struct Setting {
  const char* key;
  const char* help;
  std::function<bool(R&, std::string_view, std::string*)> set;
  std::function<std::string(const R&)> get;
};

using setting_text::Fail;
using setting_text::ParseLong;

bool ParseOnOff(std::string_view v, bool* out) {
  if (v == "on" || v == "yes" || v == "1" || v == "true") {
    *out = true;
    return true;
  }
  if (v == "off" || v == "no" || v == "0" || v == "false") {
    *out = false;
    return true;
  }
  return false;
}

template <typename R, std::size_t N>
Setting<R> Text(const char* key, const char* help, char (R::*field)[N], bool secret = false) {
  return {key, help,
          [key, field](R& r, std::string_view v, std::string* e) {
            if (v.find('\n') != std::string_view::npos || v.find('\r') != std::string_view::npos) {
              return Fail(e, std::string(key) + ": line breaks are not allowed");
            }
            if (!StoreText(r.*field, N, v)) {
              return Fail(e, std::string(key) + ": at most " + std::to_string(N - 1) + " characters");
            }
            return true;
          },
          [field, secret](const R& r) {
            std::string s = LoadText(r.*field, N);
            if (secret) return std::string(s.empty() ? "(not set)" : "(set)");
            return s;
          }};
}

template <typename R>
Setting<R> Flag(const char* key, std::uint8_t R::*field) {
  return {key, "on or off",
          [key, field](R& r, std::string_view v, std::string* e) {
            bool on = false;
            if (!ParseOnOff(v, &on)) return Fail(e, std::string(key) + ": expected on or off");
            r.*field = on ? 1 : 0;
            return true;
          },
          [field](const R& r) { return std::string(r.*field ? "on" : "off"); }};
}

template <typename R, typename T>
Setting<R> Number(const char* key, const char* help, T R::*field, long min, long max) {
  return {key, help,
          [key, field, min, max](R& r, std::string_view v, std::string* e) {
            long n = 0;
            if (!ParseLong(v, min, max, &n)) {
              return Fail(e, std::string(key) + ": expected a whole number from " + std::to_string(min) + " to " +
                                 std::to_string(max));
            }
            r.*field = static_cast<T>(n);
            return true;
          },
          [field](const R& r) { return std::to_string(r.*field); }};
}

// A choice among names stored as a number.
struct Choice {
  const char* name;
  long value;
};

template <typename R>
Setting<R> Choose(const char* key, const char* help, std::vector<Choice> choices, std::function<long(const R&)> get,
                  std::function<void(R&, long)> put) {
  return {key, help,
          [key, help, choices, put](R& r, std::string_view v, std::string* e) {
            for (const auto& c : choices) {
              if (v == c.name) {
                put(r, c.value);
                return true;
              }
            }
            return Fail(e, std::string(key) + ": expected " + help);
          },
          [choices, get](const R& r) {
            const long v = get(r);
            for (const auto& c : choices) {
              if (c.value == v) return std::string(c.name);
            }
            return std::to_string(v);
          }};
}

// Remote sub-folders and the local folder may not climb out of where they point.
bool HasParentStep(std::string_view v) {
  std::size_t pos = 0;
  while (pos <= v.size()) {
    std::size_t end = v.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = v.size();
    if (v.substr(pos, end - pos) == "..") return true;
    pos = end + 1;
  }
  return false;
}

template <typename R, std::size_t N>
Setting<R> Folder(const char* key, const char* help, char (R::*field)[N]) {
  Setting<R> s = Text(key, help, field);
  auto store = s.set;
  s.set = [key, store](R& r, std::string_view v, std::string* e) {
    if (HasParentStep(v)) return Fail(e, std::string(key) + ": '..' is not allowed in a folder");
    return store(r, v, e);
  };
  return s;
}

const std::vector<Setting<InternetConfiguration>>& RecordSettings() {
  using C = InternetConfiguration;
  static const std::vector<Setting<C>> table = [] {
    std::vector<Setting<C>> t;
    t.push_back(Text("ftp-host", "host name of the FTP server", &C::ftp_host));
    t.push_back(Text("ftp-user", "FTP user name", &C::ftp_user));
    t.push_back(Text("ftp-password", "FTP password (never shown)", &C::ftp_password, true));
    t.push_back(Number("ftp-port", "1..65535", &C::ftp_port, 1, 65535));
    t.push_back(Folder("ftp-folder", "base folder on the server, put before every remote folder", &C::ftp_folder));
    t.push_back(Flag("passive", &C::passive));
    t.push_back(Flag("ftp-enabled", &C::ftp_enabled));
    t.push_back(Choose<C>(
        "ftp-security", "none, tls or sftp",
        {{"none", inet_extra::kFtpSecurityNone},
         {"tls", inet_extra::kFtpSecurityTls},
         {"sftp", inet_extra::kFtpSecuritySftp}},
        [](const C& c) { return static_cast<long>(FtpSecurity(c)); },
        [](C& c, long v) { SetFtpSecurity(c, static_cast<std::uint8_t>(v)); }));
    t.push_back(Flag("local-copy", &C::local_copy));
    Setting<C> local =
        Folder("local-folder", "full path of a folder that receives a copy of every file", &C::local_folder);
    auto store = local.set;
    local.set = [store](C& c, std::string_view v, std::string* e) {
      if (!v.empty() && v.front() != '/') {
        return Fail(e,
                    "local-folder: Error in local path entry.  Please enter the full directory path. (For Example "
                    "\"/srv/weather\")");
      }
      return store(c, v, e);
    };
    t.push_back(local);
    t.push_back(Choose<C>(
        "proxy-mode", "none, named or default (default-no-script: without its start-up script)",
        {{"none", 0}, {"named", 1}, {"default", 2}, {"default-no-script", 3}},
        [](const C& c) -> long {
          return c.proxy_mode == kProxyDefault && c.default_proxy_script == 0 ? 3 : c.proxy_mode;
        },
        [](C& c, long v) {
          c.proxy_mode = static_cast<std::int16_t>(v == 3 ? kProxyDefault : v);
          c.default_proxy_script = v == 3 ? 0 : 1;
        }));
    t.push_back(Text("proxy-server", "name of the proxy server (proxy-mode named)", &C::proxy_name));
    t.push_back(Choose<C>(
        "connection",
        "lan or dialup (there is no dial-up on this system: runs go ahead as if "
        "connected)",
        {{"lan", 1}, {"dialup", 0}}, [](const C& c) -> long { return c.connection_type == kConnectThroughLan ? 1 : 0; },
        [](C& c, long v) { c.connection_type = static_cast<std::uint8_t>(v); }));
    t.push_back(Text("dialup-entry", "dial-up connection name (kept, not used here)", &C::dial_entry));
    t.push_back(Text("dialup-user", "dial-up user name", &C::dial_user));
    t.push_back(Text("dialup-password", "dial-up password (never shown)", &C::dial_password, true));
    t.push_back(Number("redial-attempts", "0..255", &C::redial_attempts, 0, 255));
    t.push_back(Number("redial-seconds", "0..255", &C::redial_seconds, 0, 255));
    return t;
  }();
  return table;
}

constexpr int kIntervals[] = {0, 1, 5, 10, 15, 30, 60, 120, 180, 240, 360, 480, 720, 1440};

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : ",") + p;
  return out;
}

std::vector<std::string_view> SplitList(std::string_view v) {
  std::vector<std::string_view> out;
  std::size_t pos = 0;
  while (pos <= v.size()) {
    std::size_t end = v.find(',', pos);
    if (end == std::string_view::npos) end = v.size();
    if (end > pos) out.push_back(v.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

// An image set: file names (with or without ".gif", any case), "all" or "none".
Setting<UploadParameters> ImageSet(const char* key, std::uint32_t (UploadParameters::*words)[2],
                                   std::span<const ImageEntry> (*images)()) {
  return {key, "image file names separated by commas, all, or none",
          [key, words, images](UploadParameters& p, std::string_view v, std::string* e) {
            std::uint32_t set[2] = {0, 0};
            if (v == "all") {
              for (const auto& img : images()) set[img.index / 32] |= 1u << (img.index % 32);
            } else if (v != "none" && !v.empty()) {
              for (std::string_view name : SplitList(v)) {
                bool found = false;
                for (const auto& img : images()) {
                  std::string_view f = img.file;
                  std::string_view stem = f.substr(0, f.size() - 4);
                  auto same = [](std::string_view a, std::string_view b) {
                    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                             return std::tolower(static_cast<unsigned char>(x)) ==
                                    std::tolower(static_cast<unsigned char>(y));
                           });
                  };
                  if (same(name, f) || same(name, stem)) {
                    set[img.index / 32] |= 1u << (img.index % 32);
                    found = true;
                    break;
                  }
                }
                if (!found) {
                  return Fail(e, std::string(key) + ": no image named '" + std::string(name) +
                                     "' (see stratoquill internet --images)");
                }
              }
            }
            (p.*words)[0] = set[0];
            (p.*words)[1] = set[1];
            return true;
          },
          [words, images](const UploadParameters& p) {
            std::vector<std::string> names;
            for (const auto& img : images()) {
              if ((p.*words)[img.index / 32] & (1u << (img.index % 32))) names.emplace_back(img.file);
            }
            return names.empty() ? std::string("none") : Join(names);
          }};
}

// A background option byte of the profile (326 + option): 0 means the program's choice.
Setting<UploadParameters> Background(const char* key, std::size_t option) {
  return {key, "0 (the program's background) or a background number 1..255",
          [key, option](UploadParameters& p, std::string_view v, std::string* e) {
            long n = 0;
            if (!ParseLong(v, 0, 255, &n)) return Fail(e, std::string(key) + ": expected 0..255");
            p.image_options[option] = static_cast<std::uint8_t>(n);
            return true;
          },
          [option](const UploadParameters& p) { return std::to_string(p.image_options[option]); }};
}

const std::vector<Setting<UploadParameters>>& ProfileSettings() {
  using P = UploadParameters;
  static const std::vector<Setting<P>> table = [] {
    std::vector<Setting<P>> t;
    t.push_back(Flag("enabled", &P::enabled));
    t.push_back({"interval", "minutes: none (0), 1, 5, 10, 15, 30, 60, 120, 180, 240, 360, 480, 720 or 1440",
                 [](P& p, std::string_view v, std::string* e) {
                   long n = 0;
                   if (v == "none") v = "0";
                   if (!ParseLong(v, 0, 1440, &n) ||
                       std::find(std::begin(kIntervals), std::end(kIntervals), n) == std::end(kIntervals)) {
                     return Fail(e,
                                 "interval: expected none, 1, 5, 10, 15, 30, 60, 120, 180, 240, 360, 480, 720 or "
                                 "1440 minutes");
                   }
                   p.interval = static_cast<std::int16_t>(n);
                   return true;
                 },
                 [](const P& p) { return p.interval == 0 ? std::string("none") : std::to_string(p.interval); }});
    t.push_back({"sync", "HH:MM, the time of day the interval counts from",
                 [](P& p, std::string_view v, std::string* e) {
                   long h = 0, m = 0;
                   if (v.size() != 5 || v[2] != ':' || !ParseLong(v.substr(0, 2), 0, 23, &h) ||
                       !ParseLong(v.substr(3, 2), 0, 59, &m)) {
                     return Fail(e,
                                 "sync: Please enter a valid time to synchronize this Data Upload Profile to. "
                                 "(HH:MM, 24-hour)");
                   }
                   p.sync_time = static_cast<std::int16_t>(h * 60 + m);
                   return true;
                 },
                 [](const P& p) {
                   char buf[16];
                   const int t = std::clamp<int>(p.sync_time, 0, 1439);
                   std::snprintf(buf, sizeof buf, "%02d:%02d", t / 60, t % 60);
                   return std::string(buf);
                 }});
    t.push_back(Flag("download-first", &P::download_first));
    Setting<P> ext =
        Text("page-extension", "extension of generated pages, without the dot (default htm)", &P::page_extension);
    auto store = ext.set;
    ext.set = [store](P& p, std::string_view v, std::string* e) {
      if (v.empty() || v.find_first_of("./\\ ") != std::string_view::npos) {
        return Fail(e, "page-extension: expected an extension such as htm or html, without the dot");
      }
      return store(p, v, e);
    };
    t.push_back(ext);
    t.push_back({"reports",
                 "report names separated by commas (noaa-month, noaa-last-month, noaa-year, noaa-last-year, "
                 "archive-2day, archive-week, wu, aprs) or none",
                 [](P& p, std::string_view v, std::string* e) {
                   std::uint32_t set = 0;
                   if (v != "none" && !v.empty()) {
                     for (std::string_view name : SplitList(v)) {
                       auto it = std::find_if(Reports().begin(), Reports().end(),
                                              [&](const ReportEntry& r) { return r.key == name; });
                       if (it == Reports().end()) {
                         return Fail(e, "reports: unknown report '" + std::string(name) +
                                            "' (noaa-month, noaa-last-month, noaa-year, noaa-last-year, "
                                            "archive-2day, archive-week, wu, aprs)");
                       }
                       set |= it->bit;
                     }
                   }
                   p.reports = set;
                   return true;
                 },
                 [](const P& p) {
                   std::vector<std::string> names;
                   for (const auto& r : Reports()) {
                     if (p.reports & r.bit) names.emplace_back(r.key);
                   }
                   return names.empty() ? std::string("none") : Join(names);
                 }});
    t.push_back(ImageSet("current-images", &P::current_images, &CurrentImages));
    t.push_back(ImageSet("historical-images", &P::historical_images, &HistoricalImages));
    t.push_back({"span",
                 "period of the historical graphs: 1h, 4h, 6h, 8h, 12h, 24h, 2days, 6days, 13days, 30days, "
                 "3months, 12months",
                 [](P& p, std::string_view v, std::string* e) {
                   auto code = SpanCodeFromKey(v);
                   if (!code || v == "none") {
                     return Fail(e,
                                 "span: expected 1h, 4h, 6h, 8h, 12h, 24h, 2days, 6days, 13days, 30days, "
                                 "3months or 12months");
                   }
                   p.span = *code;
                   return true;
                 },
                 [](const P& p) { return std::string(SpanKey(p.span)); }});
    t.push_back(Folder("current-image-folder", "remote sub-folder of the current images", &P::current_image_folder));
    t.push_back(
        Folder("historical-image-folder", "remote sub-folder of the historical graphs", &P::historical_image_folder));
    t.push_back(Folder("report-folder", "remote sub-folder of the reports", &P::report_folder));
    t.push_back(Folder("page-folder", "remote sub-folder of template pages and other files", &P::page_folder));
    t.push_back(Background("current-background", 2));
    t.push_back(Background("graph-background", 3));
    t.push_back(Flag("graph-fixed-colours", &P::graph_fixed_colours));
    t.push_back({"file-list", "name of the profile's file list in the station folder (read only)",
                 [](P&, std::string_view, std::string* e) {
                   return Fail(e, "file-list: use 'profile N files add|remove' to change the list");
                 },
                 [](const P& p) { return LoadText(p.list_name, sizeof p.list_name); }});
    return t;
  }();
  return table;
}

template <typename R>
std::vector<InetSettingInfo> Infos(const std::vector<Setting<R>>& table) {
  std::vector<InetSettingInfo> out;
  for (const auto& s : table) out.push_back({s.key, s.help});
  return out;
}

template <typename R>
int Apply(const std::vector<Setting<R>>& table, R& target, const std::vector<std::string>& assignments,
          std::vector<std::string>* errors) {
  R copy = target;
  int refused = 0;
  for (const auto& a : assignments) {
    std::string error;
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = "'" + a + "': expected KEY=VALUE";
    } else {
      const std::string key = a.substr(0, eq);
      auto it = std::find_if(table.begin(), table.end(), [&](const Setting<R>& s) { return key == s.key; });
      if (it == table.end()) {
        error = "unknown key '" + key + "'";
      } else {
        (void)it->set(copy, std::string_view(a).substr(eq + 1), &error);
      }
    }
    if (!error.empty()) {
      ++refused;
      if (errors) errors->push_back(error);
    }
  }
  if (refused == 0) target = copy;
  return refused;
}

template <typename R>
std::string Value(const std::vector<Setting<R>>& table, const R& r, std::string_view key) {
  for (const auto& s : table) {
    if (key == s.key) return s.get(r);
  }
  return {};
}

}  // namespace

const std::vector<InetSettingInfo>& InetSettingKeys() {
  static const auto keys = Infos(RecordSettings());
  return keys;
}

const std::vector<InetSettingInfo>& ProfileSettingKeys() {
  static const auto keys = Infos(ProfileSettings());
  return keys;
}

int ApplyInetSettings(InternetConfiguration& config, const std::vector<std::string>& assignments,
                      std::vector<std::string>* errors) {
  return Apply(RecordSettings(), config, assignments, errors);
}

int ApplyProfileSettings(UploadParameters& profile, const std::vector<std::string>& assignments,
                         std::vector<std::string>* errors) {
  const int refused = Apply(ProfileSettings(), profile, assignments, errors);
  if (refused == 0) RecountProfileSets(profile);
  return refused;
}

std::string InetSettingValue(const InternetConfiguration& config, std::string_view key) {
  return Value(RecordSettings(), config, key);
}

std::string ProfileSettingValue(const UploadParameters& profile, std::string_view key) {
  return Value(ProfileSettings(), profile, key);
}

void RecountProfileSets(UploadParameters& p) {
  std::uint32_t report_bits = 0;
  for (const auto& r : Reports()) report_bits |= r.bit;
  p.report_count = static_cast<std::int16_t>(std::popcount(p.reports & report_bits));
  p.current_image_count =
      static_cast<std::int16_t>(std::popcount(p.current_images[0]) + std::popcount(p.current_images[1] & 0x7FFu));
  p.historical_image_count = static_cast<std::int16_t>(std::popcount(p.historical_images[0]) +
                                                       std::popcount(p.historical_images[1] & 0xFFFFu));
}

}  // namespace sq
