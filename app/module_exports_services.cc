// Exported to expansion modules: module services, the program and the station, console
// values, internet settings and dial-up, and the report settings (see
// stratoquill/module.h for the contract).
#include <cstring>
#include <string>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/event_manager.h"
#include "app/messages.h"
#include "app/module_host.h"
#include "app/module_manager.h"
#include "app/station.h"
#include "foundation/file_util.h"
#include "stratoquill/module.h"

namespace {

using sq::ModuleHost;

sq::Station* CurrentStation() {
  sq::Station* s = ModuleHost::Get().CurrentStation();
  return s != nullptr && !s->Name().empty() ? s : nullptr;
}

// The report settings: seven blocks in the station's "ModuleReports.dat".
constexpr const char* kReportFileName = "ModuleReports.dat";
constexpr int kReportBlocks = 7;

std::string ReportPath(const sq::Station& s) { return s.Folder() + "/" + kReportFileName; }

int GetReportBlock(int block, void* out) {
  const sq::Station* s = CurrentStation();
  if (s == nullptr || out == nullptr) return 0;
  std::memset(out, 0, SQ_REPORT_DATA_SIZE);
  const auto bytes = sq::ReadWholeFile(ReportPath(*s), SQ_REPORT_DATA_SIZE * kReportBlocks);
  if (!bytes) return 1;  // never written: zeros
  const std::size_t at = static_cast<std::size_t>(block) * SQ_REPORT_DATA_SIZE;
  if (bytes->size() >= at + SQ_REPORT_DATA_SIZE) std::memcpy(out, bytes->data() + at, SQ_REPORT_DATA_SIZE);
  return 1;
}

int SetReportBlock(int block, const void* in) {
  const sq::Station* s = CurrentStation();
  if (s == nullptr || in == nullptr) return 0;
  std::vector<std::uint8_t> all(SQ_REPORT_DATA_SIZE * kReportBlocks, 0);
  if (const auto old = sq::ReadWholeFile(ReportPath(*s), all.size())) {
    std::memcpy(all.data(), old->data(), std::min(old->size(), all.size()));
  }
  std::memcpy(all.data() + static_cast<std::size_t>(block) * SQ_REPORT_DATA_SIZE, in, SQ_REPORT_DATA_SIZE);
  return sq::WriteFileAtomic(ReportPath(*s), all) ? 1 : 0;
}

}  // namespace

extern "C" {

// ---- Module services ----

int AddMenuCommand(int moduleId, int location, const char* text, int commandIndex) {
  return sq::Modules().AddMenuCommand(moduleId, location, text, commandIndex);
}
uint32_t AddModuleEvent(SqModuleEvent* event) { return sq::evtManager.AddModuleEvent(event); }
uint32_t FindModuleEvent(const SqModuleEvent* event) { return sq::evtManager.FindModuleEvent(event); }
int RemoveModuleEvent(uint32_t id) { return sq::evtManager.RemoveModuleEvent(id) ? 1 : 0; }
int ModifyModuleEvent(uint32_t id, const SqModuleEvent* event) {
  return sq::evtManager.ModifyModuleEvent(id, event) ? 1 : 0;
}
int GetEventCount(void) { return sq::evtManager.GetEventCount(); }

int LogModuleMessage(const char* text, const char* title) {
  return sq::LogMessage(text ? text : "", title ? title : "");
}
void ErrorBox(const char* text) { sq::ErrorMessage(text ? text : "", sq::ModuleHost::Get().attendance()); }
void ModuleSpinCups(void) {}
void RestoreCursor(void) {}

// ---- Program and station ----

const char* GetStratoquillStrs(int which) {
  auto& strs = ModuleHost::Get().strs;
  const sq::Station* s = CurrentStation();
  std::string text;
  switch (which) {
    case 1:
      text = sq::ProgramFolder();
      break;
    case 2:
      text = s ? s->Folder() : std::string();
      break;
    case 3:
      text = s ? s->Name() : std::string();
      break;
    default:
      which = 0;
      break;
  }
  strs[static_cast<std::size_t>(which)] = text;
  return strs[static_cast<std::size_t>(which)].c_str();
}
int SetProgDir(void) { return sq::SetProgramDir(); }
int SetStatDir(void) {
  const sq::Station* s = CurrentStation();
  return s ? sq::SetStationDir(s->Folder()) : -1;
}
int GetStationModel(void) {
  const sq::Station* s = CurrentStation();
  return s ? s->record().model : -1;
}
uint32_t GetStationSensorMask(int which) {
  const sq::Station* s = CurrentStation();
  if (s == nullptr || which == 1 || which < 0) return 0;
  return s->record().sensors[which == 0 ? 0 : 1];
}
int GetStationModemPort(void) {
  const sq::Station* s = CurrentStation();
  return s && s->record().modem_in_use ? s->record().com_port : -1;
}
void CloseStationComPort(void) {
  if (auto& f = ModuleHost::Get().hooks().close_connection) f();
}
int SaveStation(void) {
  const sq::Station* s = CurrentStation();
  return s && s->Save() == 0 ? 1 : 0;
}
int ResetStationDB(void) { return ModuleHost::Get().ReopenDatabase(); }
void SetStationAlarms(int value) {
  ModuleHost::Get().station_alarms = value;
  if (auto& f = ModuleHost::Get().hooks().set_station_alarms) f(value);
}

// ---- Console values ----

int GetCalibratedSensorImage(SqSensorImage* state) {
  auto& f = ModuleHost::Get().hooks().read_sensor_image;
  if (state == nullptr || CurrentStation() == nullptr || !f) return 0;
  std::array<std::uint8_t, SQ_SENSOR_IMAGE_SIZE> packet{};
  if (f(packet) != 1) return 0;
  std::memcpy(state->packet, packet.data(), packet.size());
  return 1;
}
int GetCorvaleAlarmValues(uint8_t* buffer) {
  auto& f = ModuleHost::Get().hooks().read_alarms;
  if (buffer == nullptr || CurrentStation() == nullptr || !f) return 0;
  std::array<std::uint8_t, SQ_ALARM_BLOCK_SIZE> block{};
  if (f(block) != 1) return 0;
  std::memcpy(buffer, block.data(), block.size());
  return 1;
}
int GetCalibratedSensorImageWAlarms(SqSensorImage* state, uint8_t* alarms) {
  if (GetCalibratedSensorImage(state) != 1) return 0;
  return alarms == nullptr || GetCorvaleAlarmValues(alarms) == 1 ? 1 : 0;
}
int GetBrisantAlarmValues(uint8_t*) { return 0; }

// ---- Internet settings and dial-up ----

const void* GetInetConfig(void) {
  auto& f = ModuleHost::Get().hooks().get_inet_config;
  if (CurrentStation() == nullptr || !f) return nullptr;
  const void* record = f();
  if (record == nullptr) return nullptr;
  auto& copy = ModuleHost::Get().inet_copy;
  std::memcpy(copy.data(), record, copy.size());
  return copy.data();
}
int SetInetConfig(const void* record) {
  auto& f = ModuleHost::Get().hooks().set_inet_config;
  if (record == nullptr || CurrentStation() == nullptr || !f) return 0;
  return f(record) == 1 ? 1 : 0;
}
int DialInet(void) { return 1; }
int HangupInet(void) { return 1; }
int GetRASdllOK(void) { return 0; }
void* GetRASInstance(void) { return nullptr; }

// ---- Report settings ----

int GetThHoursReportData(void* block) { return GetReportBlock(0, block); }
int SetThHoursReportData(const void* block) { return SetReportBlock(0, block); }
int GetSoilHoursReportData(void* block) { return GetReportBlock(1, block); }
int SetSoilHoursReportData(const void* block) { return SetReportBlock(1, block); }
int GetChillHoursReportData(void* block) { return GetReportBlock(2, block); }
int SetChillHoursReportData(const void* block) { return SetReportBlock(2, block); }
int GetLeafHoursReportData(void* block) { return GetReportBlock(3, block); }
int SetLeafHoursReportData(const void* block) { return SetReportBlock(3, block); }
int GetSunHoursReportData(void* block) { return GetReportBlock(4, block); }
int SetSunHoursReportData(const void* block) { return SetReportBlock(4, block); }
int GetEtReportData(void* block) { return GetReportBlock(5, block); }
int SetEtReportData(const void* block) { return SetReportBlock(5, block); }
int GetDdReportData(void* block) { return GetReportBlock(6, block); }
int SetDdReportData(const void* block) { return SetReportBlock(6, block); }

}  // extern "C"
