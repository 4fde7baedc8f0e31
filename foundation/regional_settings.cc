#include "foundation/regional_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/date_time.h"

namespace sq {
namespace {

enum class Field { kNone, kDay, kMonth, kYear, kHour12, kHour24, kOther };

// Expands the composite conversions a date or time format may use.
std::string Expand(std::string_view fmt) {
  std::string out;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%' || i + 1 >= fmt.size()) {
      out += fmt[i];
      continue;
    }
    const char c = fmt[i + 1];
    if (c == 'D') {
      out += "%m/%d/%y";
    } else if (c == 'F') {
      out += "%Y-%m-%d";
    } else if (c == 'T') {
      out += "%H:%M:%S";
    } else if (c == 'R') {
      out += "%H:%M";
    } else if (c == 'r') {
      out += "%I:%M:%S %p";
    } else {
      out += fmt.substr(i, 2);
    }
    ++i;
  }
  return out;
}

// One element of a format: a conversion (with its field) or a literal character.
struct Token {
  Field field = Field::kNone;  // kNone for a literal
  char literal = 0;
};

Field FieldOf(char conv) {
  switch (conv) {
    case 'd':
    case 'e':
      return Field::kDay;
    case 'm':
    case 'b':
    case 'B':
    case 'h':
      return Field::kMonth;
    case 'y':
    case 'Y':
    case 'C':
    case 'G':
    case 'g':
      return Field::kYear;
    case 'I':
    case 'l':
      return Field::kHour12;
    case 'H':
    case 'k':
      return Field::kHour24;
    default:
      return Field::kOther;
  }
}

constexpr std::string_view kFlags = "-_0^#EO";

std::vector<Token> Tokenize(const std::string& fmt) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%') {
      tokens.push_back({Field::kNone, fmt[i]});
      continue;
    }
    std::size_t j = i + 1;
    while (j < fmt.size() && (kFlags.find(fmt[j]) != std::string_view::npos || (fmt[j] >= '0' && fmt[j] <= '9'))) {
      ++j;
    }
    if (j >= fmt.size()) break;
    if (fmt[j] == '%') {
      tokens.push_back({Field::kNone, '%'});
    } else {
      tokens.push_back({FieldOf(fmt[j]), 0});
    }
    i = j;
  }
  return tokens;
}

// The separator after the first field of `want`: the literal that follows it, when that
// is one printable ASCII punctuation character.
bool SeparatorAfter(const std::vector<Token>& tokens, std::size_t field_index, char* sep) {
  if (field_index + 1 >= tokens.size()) return false;
  const Token& t = tokens[field_index + 1];
  if (t.field != Field::kNone) return false;
  const unsigned char c = static_cast<unsigned char>(t.literal);
  if (c < 0x21 || c > 0x7E || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
    return false;
  }
  *sep = t.literal;
  return true;
}

// The C locale (also with an encoding, "C.UTF-8") says nothing about the user's habits.
bool IsUnconfigured(const char* name) {
  return name == nullptr || *name == '\0' || std::strcmp(name, "C") == 0 || std::strncmp(name, "C.", 2) == 0 ||
         std::strcmp(name, "POSIX") == 0;
}

// The locale name the environment selects for LC_TIME.
const char* EnvironmentTimeLocale() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return nullptr;
}

}  // namespace

RegionalSettings CurrentRegionalSettings() {
  return {DateTime::dateChoice, DateTime::dateSepChar, DateTime::timeChoice, DateTime::timeSepChar};
}

RegionalSettings RegionalSettingsFromFormats(std::string_view date_format, std::string_view time_format,
                                             const RegionalSettings& current) {
  RegionalSettings out = current;

  const std::vector<Token> date = Tokenize(Expand(date_format));
  int pos_day = -1, pos_month = -1, pos_year = -1;
  std::size_t first_index = 0;
  int order = 0;
  for (std::size_t i = 0; i < date.size(); ++i) {
    int* slot = date[i].field == Field::kDay     ? &pos_day
                : date[i].field == Field::kMonth ? &pos_month
                : date[i].field == Field::kYear  ? &pos_year
                                                 : nullptr;
    if (slot == nullptr || *slot >= 0) continue;
    if (order == 0) first_index = i;
    *slot = order++;
  }
  if (pos_day >= 0 && pos_month >= 0 && pos_year >= 0) {
    if (pos_year == 0) {
      out.dateChoice = 2;
    } else if (pos_day < pos_month) {
      out.dateChoice = 1;
    } else {
      out.dateChoice = 0;
    }
    char sep;
    if (SeparatorAfter(date, first_index, &sep)) out.dateSepChar = sep;
  }

  const std::vector<Token> time = Tokenize(Expand(time_format));
  for (std::size_t i = 0; i < time.size(); ++i) {
    if (time[i].field != Field::kHour12 && time[i].field != Field::kHour24) continue;
    out.timeChoice = time[i].field == Field::kHour12 ? 0 : 1;
    char sep;
    if (SeparatorAfter(time, i, &sep)) out.timeSepChar = sep;
    break;
  }
  return out;
}

RegionalSettings RegionalSettingsFromLocale(const char* locale_name, const RegionalSettings& current) {
  const char* name = (locale_name && *locale_name) ? locale_name : EnvironmentTimeLocale();
  if (IsUnconfigured(name)) return current;
  locale_t loc = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return current;
  // Copy before freeing: nl_langinfo_l's texts belong to the locale object.
  const std::string date_format = nl_langinfo_l(D_FMT, loc);
  const std::string time_format = nl_langinfo_l(T_FMT, loc);
  freelocale(loc);
  return RegionalSettingsFromFormats(date_format, time_format, current);
}

void ApplyRegionalSettings(const RegionalSettings& s) {
  DateTime::dateChoice = s.dateChoice;
  DateTime::dateSepChar = s.dateSepChar;
  DateTime::timeChoice = s.timeChoice;
  DateTime::timeSepChar = s.timeSepChar;
}

void LoadRegionalSettings() { ApplyRegionalSettings(RegionalSettingsFromLocale("", CurrentRegionalSettings())); }

}  // namespace sq
