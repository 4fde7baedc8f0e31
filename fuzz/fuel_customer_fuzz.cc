// The customer-record reader and the customer form on arbitrary input. An input of the
// record's size is a customer file: it must read, write back byte for byte, and pass
// through the form without harm; whatever the form accepts must be estimable and must
// read back unchanged. Any other input is a form: its lines are the fields in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/fuel_client_form.h"
#include "reports/fuel_customer.h"

namespace {

// A form the checks accepted must give an estimable customer that survives another pass.
void CheckAccepted(const sq::FuelFormResult& r) {
  if (!r.ok) return;
  if (!r.customer.Estimable()) std::abort();
  const sq::FuelFormResult again = sq::CheckFuelClientForm(sq::FuelClientForm::Of(r.customer), r.customer, false, {});
  if (!again.ok || again.customer.ToBytes() != r.customer.ToBytes()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (size == sq::kFuelCustomerSize) {
    const auto c = sq::FuelCustomer::FromBytes(bytes);
    if (!c) std::abort();
    const auto back = c->ToBytes();
    if (!std::equal(back.begin(), back.end(), data)) std::abort();
    (void)c->DisplayName();
    (void)c->Estimable();
    CheckAccepted(sq::CheckFuelClientForm(sq::FuelClientForm::Of(*c), *c, false, {}));
    return 0;
  }
  if (sq::FuelCustomer::FromBytes(bytes)) std::abort();

  static const char* const kKeys[] = {"number",  "last-name",    "first-name",   "street",        "city",
                                      "state",   "zip",          "comment1",     "comment2",      "kfactor",
                                      "reading", "reading-date", "water-heater", "heater-gallons"};
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  sq::FuelClientForm form;
  std::size_t start = 0;
  for (const char* key : kKeys) {
    if (start > text.size()) break;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string error;
    (void)form.Set(key, text.substr(start, end - start), &error);
    start = end + 1;
  }
  CheckAccepted(sq::CheckFuelClientForm(form, sq::FuelCustomer(), true, [](std::int32_t n) { return n == 7; }));
  return 0;
}
