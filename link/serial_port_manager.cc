#include "link/serial_port_manager.h"

#include "link/brisant_session.h"
#include "link/corvale_session.h"

namespace sq {

SerialSession* SerialPortManager::CreateSession(const CommSettings& settings) {
  for (auto& slot : slots_) {
    if (slot) continue;
    switch (settings.console_family) {
      case kFamilyCorvale:
        slot = std::make_unique<CorvaleSession>(settings);
        break;
      case kFamilyBrisant:
        slot = std::make_unique<BrisantSession>(settings);
        break;
      case kFamilyProbe:
        slot = std::make_unique<SerialSession>(settings);
        break;
      default:
        return nullptr;
    }
    return slot.get();
  }
  return nullptr;
}

int SerialPortManager::CloseSession(SerialSession* session) {
  for (auto& slot : slots_) {
    if (slot && slot.get() == session) {
      slot.reset();
      return 0;
    }
  }
  return -1;
}

void SerialPortManager::CloseAllSessions() {
  for (auto& slot : slots_) slot.reset();
}

void SerialPortManager::ClosePort(int slot) {
  if (slot < 0 || slot >= kSlots || !slots_[static_cast<std::size_t>(slot)]) return;
  slots_[static_cast<std::size_t>(slot)]->Close();
}

void SerialPortManager::CloseAllPorts() {
  for (int i = 0; i < kSlots; ++i) ClosePort(i);
}

bool SerialPortManager::AnyModemConnected() const {
  constexpr std::uint32_t kWanted = kStatusEnabled | kStatusModem | kStatusCarrier;
  for (const auto& slot : slots_) {
    if (slot && (slot->status() & kWanted) == kWanted) return true;
  }
  return false;
}

void SerialPortManager::HangUpAll() {
  for (auto& slot : slots_) {
    if (slot && (slot->status() & kStatusModem)) slot->transport().HangUp();
  }
}

void SerialPortManager::Tick() {
  for (auto& slot : slots_) {
    if (!slot || slot->idleCountdown() <= 0) continue;
    slot->set_idleCountdown(slot->idleCountdown() - 1);
    if (slot->idleCountdown() == 0) slot->Close();
  }
}

SerialSession* SerialPortManager::session(int slot) const {
  if (slot < 0 || slot >= kSlots) return nullptr;
  return slots_[static_cast<std::size_t>(slot)].get();
}

}  // namespace sq
