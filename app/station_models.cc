#include "app/station_models.h"

#include "resources/string_table.h"

namespace sq {
namespace {

constexpr StationModel kModels[kMaxStationModel + 1] = {
    {0x6701, 0, kFamilyBrisant},  // kStationModelBrisantII
    {0x2601, 0, kFamilyBrisant},  // kStationModelMistraIII
    {0x2601, 0, kFamilyBrisant},  // kStationModelMistraII
    {0x2201, 0, kFamilyBrisant},  // kStationModelMistraIIS
    {0x6100, 0, kFamilyBrisant},  // kStationModelOrvelline
    {0xE791, 0, kFamilyCorvale},  // kStationModelCorvalePro
    {0xFF91, 0, kFamilyCorvale},  // kStationModelCorvaleProPlus
    {0xEF91, 0, kFamilyCorvale},  // kStationModelCorvaleLumo
};

}  // namespace

const StationModel& GetStationModelInfo(int code) { return kModels[code]; }

std::string StationModelName(int code) {
  if (code < 0 || code > kMaxStationModel) return {};
  return std::string(LoadString(kModelNameBase + static_cast<std::uint32_t>(code)));
}

void ApplyStationModel(StationRecord& rec, int code) {
  const StationModel& m = kModels[code];
  rec.model = static_cast<std::uint16_t>(code);
  rec.sensors[0] = m.sensors0;
  rec.sensors[1] = m.sensors1;
  rec.console_family = m.family;
}

}  // namespace sq
