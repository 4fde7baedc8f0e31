// console_sim: a console of the current family for trying the program without
// hardware. `console_sim --pty` prints the pseudo-terminal to use as the station's
// device; `console_sim --tcp PORT` listens on 127.0.0.1 like a network data logger.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/console_sim/console_sim.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

void Usage() {
  std::printf(
      "Usage: console_sim (--pty | --tcp PORT) [options]\n"
      "  --records N         archive records, 0..2560 (default 100)\n"
      "  --layout a|b        archive record layout and firmware (default b)\n"
      "  --period MIN        archive period in minutes (default 30)\n"
      "  --start YYYY-MM-DD  date of the first archive day (default 2024-06-01)\n"
      "  --model N           model code (default 16)\n"
      "  --missing-solar     no solar radiation or UV sensor\n"
      "  --never-wake        ignore everything\n"
      "  --ignore CMD        never answer the command CMD (e.g. DMPAFT)\n"
      "  --wake-misses N     ignore the first N wake-ups\n"
      "  --bad-crc-page K    send dump page K once with a bad CRC\n"
      "  --repeat-page K     send dump page K twice\n"
      "  --drop-after-page K drop the link after page K was acknowledged\n"
      "  --bad-crc-packet K  real-time packet K of each stream with a bad CRC\n"
      "  --bad-header-packet K  real-time packet K of each stream without its header\n"
      "  --silent-after N    a packet stream falls silent after N packets\n"
      "  --packet-ms MS      pause between real-time packets (default 2000; 0: no pause)\n"
      "  --nak-writes        answer EEPROM block writes with NAK\n"
      "  --baud B            pace the line at B bit/s\n");
}

}  // namespace

int main(int argc, char** argv) {
  sq::sim::SimOptions o;
  bool pty = false;
  int tcp_port = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "console_sim: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--pty") {
      pty = true;
    } else if (a == "--tcp") {
      tcp_port = std::atoi(next());
    } else if (a == "--records") {
      o.archive.records = std::atoi(next());
    } else if (a == "--layout") {
      o.archive.layout = next()[0];
    } else if (a == "--period") {
      o.archive.period_minutes = std::atoi(next());
    } else if (a == "--start") {
      if (std::sscanf(next(), "%d-%d-%d", &o.archive.start_year, &o.archive.start_month, &o.archive.start_day) != 3) {
        std::fprintf(stderr, "console_sim: --start wants YYYY-MM-DD\n");
        return 2;
      }
    } else if (a == "--model") {
      o.model = std::atoi(next());
    } else if (a == "--missing-solar") {
      o.archive.missing_solar = true;
    } else if (a == "--never-wake") {
      o.never_wake = true;
    } else if (a == "--ignore") {
      o.ignore_command = next();
    } else if (a == "--wake-misses") {
      o.wake_misses = std::atoi(next());
    } else if (a == "--bad-crc-page") {
      o.bad_crc_page = std::atoi(next());
    } else if (a == "--repeat-page") {
      o.repeat_page = std::atoi(next());
    } else if (a == "--drop-after-page") {
      o.drop_after_page = std::atoi(next());
    } else if (a == "--bad-crc-packet") {
      o.bad_crc_packet = std::atoi(next());
    } else if (a == "--bad-header-packet") {
      o.bad_header_packet = std::atoi(next());
    } else if (a == "--silent-after") {
      o.silent_after_packets = std::atoi(next());
    } else if (a == "--packet-ms") {
      o.packet_interval_ms = std::atoi(next());
      if (o.packet_interval_ms < 0 || o.packet_interval_ms > 60000) {
        std::fprintf(stderr, "console_sim: --packet-ms takes 0..60000\n");
        return 2;
      }
    } else if (a == "--nak-writes") {
      o.nak_block_writes = true;
    } else if (a == "--baud") {
      o.baud = std::atoi(next());
    } else if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else {
      std::fprintf(stderr, "console_sim: unknown option %s\n", a.c_str());
      Usage();
      return 2;
    }
  }
  if (pty == (tcp_port >= 0) || (o.archive.layout != 'a' && o.archive.layout != 'b') || tcp_port > 65535) {
    Usage();
    return 2;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  sq::sim::ConsoleSim sim(o);
  if (pty) {
    if (!sim.StartPty()) {
      std::perror("console_sim: pseudo-terminal");
      return 1;
    }
    std::printf("%s\n", sim.device_path().c_str());
  } else {
    if (!sim.StartTcp(static_cast<std::uint16_t>(tcp_port))) {
      std::perror("console_sim: listen");
      return 1;
    }
    std::printf("127.0.0.1:%u\n", sim.port());
  }
  std::fflush(stdout);
  while (!gStop) ::pause();
  sim.Stop();
  return 0;
}
