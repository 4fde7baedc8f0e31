#include "link/network_error.h"

#include <cerrno>
#include <cstdio>

#include "resources/string_table.h"

namespace sq {
namespace {

struct Row {
  int code;
  std::uint32_t status;
  std::uint32_t text_id;
};

constexpr Row kRows[] = {
    {-23, 0, 33001}, {-19, 0, 33002}, {-22, 0x11000, 33003}, {-30, 0, 33004},       {-31, 0, 33005},
    {-32, 0, 33006}, {-33, 0, 33007}, {-28, 0, 33008},       {-24, 0x12000, 33009}, {-26, 0, 33012},
    {-29, 0, 33013}, {-27, 0, 33014}, {-20, 0, 33015},
};

NetworkError FromCode(int code) {
  for (const auto& r : kRows) {
    if (r.code == code) return {r.code, r.status, r.text_id};
  }
  return {-20, 0, 33015};
}

}  // namespace

NetworkError MapNetworkError(int error) {
  switch (error) {
    case EAGAIN:
    case ETIMEDOUT:
      return FromCode(-23);
    case EMSGSIZE:
      return FromCode(-19);
    case EADDRINUSE:
    case EISCONN:
      return FromCode(-22);
    case ENETDOWN:
      return FromCode(-30);
    case ENETUNREACH:
      return FromCode(-31);
    case ENETRESET:
      return FromCode(-32);
    case ECONNABORTED:
      return FromCode(-33);
    case ECONNRESET:
    case EPIPE:
      return FromCode(-28);
    case EHOSTUNREACH:
      return FromCode(-24);
    case EMFILE:
    case ENFILE:
      return FromCode(-26);
    case -27:
      return FromCode(-27);
    case -29:
      return FromCode(-29);
    default:
      return FromCode(-20);
  }
}

std::string NetworkErrorText(int code, std::string_view place) {
  const std::string format(LoadString(FromCode(code).text_id));
  char buf[256];
  const std::string where(place.substr(0, 120));
  std::snprintf(buf, sizeof buf, format.c_str(), where.c_str());
  return buf;
}

}  // namespace sq
