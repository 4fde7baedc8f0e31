// Customer records and files, the customer form's checks in their order, renumbering
// and the next free customer number.
#include "reports/fuel_customer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "database/date_list.h"
#include "reports/fuel_client_form.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::TempDir;

std::uint32_t U32At(const std::array<std::uint8_t, kFuelCustomerSize>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

float F32At(const std::array<std::uint8_t, kFuelCustomerSize>& b, std::size_t at) {
  const std::uint32_t u = U32At(b, at);
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

TEST(FuelCustomerRecord, FieldsLandAtTheirOffsets) {
  FuelCustomer fresh;
  auto b = fresh.ToBytes();
  EXPECT_EQ(F32At(b, 400), 2.0f);  // the water heater's default use
  b[400] = b[401] = b[402] = b[403] = 0;
  for (std::size_t i = 0; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << "byte " << i;

  FuelCustomer c;
  c.SetNumber(0x01020304);
  ASSERT_TRUE(c.SetLastName("L"));
  ASSERT_TRUE(c.SetFirstName("F"));
  ASSERT_TRUE(c.SetStreet("S"));
  ASSERT_TRUE(c.SetComment1("C1"));
  ASSERT_TRUE(c.SetComment2("C2"));
  ASSERT_TRUE(c.SetState("ST"));
  ASSERT_TRUE(c.SetCity("CI"));
  ASSERT_TRUE(c.SetZip("Z"));
  c.SetKFactor(5.5f);
  c.SetReading(120.25f);
  c.SetReadingDate(DateTime(1, 15, 2026));
  c.SetWaterHeater(true);
  c.SetHeaterGallons(1.5f);
  b = c.ToBytes();
  EXPECT_EQ(b[0], 0x04);  // little-endian
  EXPECT_EQ(b[3], 0x01);
  const std::pair<std::size_t, const char*> texts[] = {{4, "L"},    {44, "F"},   {84, "S"},   {164, "C1"},
                                                       {260, "C2"}, {340, "ST"}, {360, "CI"}, {380, "Z"}};
  for (const auto& [at, text] : texts) EXPECT_STREQ(reinterpret_cast<const char*>(&b[at]), text) << "offset " << at;
  EXPECT_EQ(F32At(b, 244), 5.5f);
  EXPECT_EQ(F32At(b, 248), 120.25f);
  EXPECT_EQ(U32At(b, 252), 2026u * 65536 + 1 * 256 + 15);
  EXPECT_EQ(U32At(b, 256), 1u);
  EXPECT_EQ(F32At(b, 400), 1.5f);
}

TEST(FuelCustomerRecord, HostileBytesReadSafelyAndUnknownBytesSurvive) {
  std::array<std::uint8_t, kFuelCustomerSize> b;
  b.fill('A');  // no text field terminated, every number garbage
  b[1000] = 0x5A;
  auto c = FuelCustomer::FromBytes(b);
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->LastName(), std::string(40, 'A'));
  EXPECT_EQ(c->Comment2(), std::string(80, 'A'));
  EXPECT_FALSE(c->ReadingDate().valid);  // 0x41414141 is no date
  EXPECT_FALSE(c->Estimable());
  EXPECT_EQ(c->ToBytes(), b);
  EXPECT_FALSE(FuelCustomer::FromBytes(std::span(b.data(), b.size() - 1)).has_value());
  EXPECT_FALSE(c->SetLastName(std::string(40, 'x')));  // 39 characters at most
}

TEST(FuelCustomerFiles, ReadSaveListAndSizes) {
  TempDir dir;
  const std::string folder = dir.file("Fuel");
  FuelCustomer c;
  c.SetNumber(12);
  ASSERT_TRUE(c.SetLastName("Ames"));
  ASSERT_EQ(SaveCustomer(folder, c), kFuelOk);  // makes the folder
  EXPECT_EQ(std::filesystem::file_size(folder + "/12.dat"), kFuelCustomerSize);
  FuelCustomer back;
  ASSERT_EQ(ReadCustomer(folder, 12, &back), kFuelOk);
  EXPECT_EQ(back.LastName(), "Ames");
  EXPECT_EQ(ReadCustomer(folder, 13, &back), kFuelFailed);

  testing::WriteText(folder + "/7.dat", std::string(kFuelCustomerSize - 1, '\0'));
  testing::WriteText(folder + "/8.DAT", std::string(kFuelCustomerSize + 1, '\0'));
  testing::WriteText(folder + "/notes.txt", "not a customer");
  const auto list = ListCustomers(folder);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].number, 7);
  EXPECT_EQ(list[0].status, kFuelWrongSize);
  EXPECT_EQ(list[1].number, 8);
  EXPECT_EQ(list[1].status, kFuelWrongSize);
  EXPECT_EQ(list[2].number, 12);
  EXPECT_EQ(list[2].status, kFuelOk);
  EXPECT_TRUE(ListCustomers(dir.file("missing")).empty());
}

TEST(FuelCustomerFiles, FuelFolderFoundInAnyCase) {
  TempDir dir;
  EXPECT_EQ(FuelFolder(dir.str()), dir.str() + "/Fuel");
  std::filesystem::create_directory(dir.file("FUEL"));
  EXPECT_EQ(FuelFolder(dir.str()), dir.str() + "/FUEL");
}

TEST(FuelCustomerNumbers, NextFreeNumber) {
  struct Case {
    std::vector<std::int32_t> used;
    std::int32_t want;
  } cases[] = {
      {{}, 1},
      {{0}, 1},
      {{3, 17, 5}, 18},
      {{kMaxCustomerNumber}, 1},
      {{1, 2, 4, kMaxCustomerNumber}, 3},
      {{0, 1, 2, kMaxCustomerNumber - 1}, kMaxCustomerNumber},
  };
  for (const Case& c : cases) EXPECT_EQ(NextCustomerNumber(c.used), c.want) << ::testing::PrintToString(c.used);
}

FuelClientForm GoodForm() {
  FuelClientForm f;
  f.number = "42";
  f.last_name = "Brook";
  f.first_name = "Ada";
  f.street = "1 Mill Lane";
  f.k_factor = "5.5";
  f.reading = "120";
  f.reading_date = "2026-01-15";
  return f;
}

TEST(FuelClientFormChecks, RefusalsComeInOrderAndNameTheField) {
  struct Case {
    const char* legend;
    std::function<void(FuelClientForm&)> change;
    const char* field;
    const char* message;
  } cases[] = {
      {"number too large", [](FuelClientForm& f) { f.number = "100000000"; }, "number",
       "Customer no. '100000000' not valid. (0...99999999)."},
      {"number not whole", [](FuelClientForm& f) { f.number = "4.5"; }, "number",
       "Customer no. '4.5' not valid. (0...99999999)."},
      {"number negative, name missing too",
       [](FuelClientForm& f) {
         f.number = "-1";
         f.last_name = "";
       },
       "number", "Customer no. '-1' not valid. (0...99999999)."},
      {"number in use", [](FuelClientForm& f) { f.number = "7"; }, "number", "Customer no. 7 already in use."},
      {"no last name, K bad too",
       [](FuelClientForm& f) {
         f.last_name = "  ";
         f.k_factor = "x";
       },
       "last-name", "Please enter customer's last name."},
      {"name too long", [](FuelClientForm& f) { f.first_name = std::string(40, 'n'); }, "first-name",
       "First name too long. (39 char max.)"},
      {"line break in a text", [](FuelClientForm& f) { f.street = "1 Mill\nLane"; }, "street",
       "Street may not hold control characters (line breaks, tabs)."},
      {"comment too long", [](FuelClientForm& f) { f.comment2 = std::string(80, 'c'); }, "comment2",
       "Comment string too long. (79 char max.)"},
      {"no K", [](FuelClientForm& f) { f.k_factor = ""; }, "kfactor", "Please enter a K factor."},
      {"K not a number", [](FuelClientForm& f) { f.k_factor = "fast"; }, "kfactor",
       "K factor 'fast' not understood. ie 1.1 or .75"},
      {"K zero", [](FuelClientForm& f) { f.k_factor = "0"; }, "kfactor", "K factor '0' not understood. ie 1.1 or .75"},
      {"K infinite", [](FuelClientForm& f) { f.k_factor = "inf"; }, "kfactor",
       "K factor 'inf' not understood. ie 1.1 or .75"},
      {"no reading", [](FuelClientForm& f) { f.reading = ""; }, "reading", "Please enter the last fuel reading."},
      {"reading not a number", [](FuelClientForm& f) { f.reading = "12 gal"; }, "reading",
       "Last reading '12 gal' not understood."},
      {"reading zero", [](FuelClientForm& f) { f.reading = "0.0"; }, "reading",
       "Last reading (0.0) must be greater than zero."},
      {"no date", [](FuelClientForm& f) { f.reading_date = ""; }, "reading-date", "Enter a date"},
      {"no such date", [](FuelClientForm& f) { f.reading_date = "2026-02-30"; }, "reading-date",
       "Last Fuel Reading date '2026-02-30' not recognized."},
      {"heater without use",
       [](FuelClientForm& f) {
         f.water_heater = true;
         f.heater_gallons = "";
       },
       "heater-gallons", "Please enter number of gallons used by water heater each day."},
      {"heater use not a number",
       [](FuelClientForm& f) {
         f.water_heater = true;
         f.heater_gallons = "lots";
       },
       "heater-gallons", "Gallons used by water heater 'lots' not understood."},
      {"heater use negative", [](FuelClientForm& f) { f.heater_gallons = "-2"; }, "heater-gallons",
       "Gallons used by water heater '-2' not understood."},
  };
  const auto in_use = [](std::int32_t n) { return n == 7; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    FuelClientForm f = GoodForm();
    c.change(f);
    const FuelFormResult r = CheckFuelClientForm(f, FuelCustomer(), true, in_use);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.field, c.field);
    EXPECT_EQ(r.message, c.message);
  }
  const FuelFormResult ok = CheckFuelClientForm(GoodForm(), FuelCustomer(), true, in_use);
  ASSERT_TRUE(ok.ok) << ok.message;
  EXPECT_EQ(ok.customer.Number(), 42);
  EXPECT_EQ(ok.customer.KFactor(), 5.5f);
  EXPECT_EQ(ok.customer.ReadingDate().GetPackedDate(), PackDate(2026, 1, 15));
  EXPECT_FALSE(ok.customer.WaterHeater());
  EXPECT_EQ(ok.customer.HeaterGallons(), 2.0f);  // kept from the new record
  // A customer keeps its own number without being "in use".
  FuelClientForm same = GoodForm();
  same.number = "7";
  FuelCustomer seven;
  seven.SetNumber(7);
  EXPECT_TRUE(CheckFuelClientForm(same, seven, false, in_use).ok);
}

TEST(FuelClientFormChecks, StoredCustomerReadsBackThroughTheForm) {
  const FuelFormResult first = CheckFuelClientForm(GoodForm(), FuelCustomer(), true, {});
  ASSERT_TRUE(first.ok);
  FuelCustomer c = first.customer;
  c.SetKFactor(0.1f);  // not exact in binary: the form must still read it back exactly
  const FuelFormResult again = CheckFuelClientForm(FuelClientForm::Of(c), c, false, {});
  ASSERT_TRUE(again.ok) << again.message;
  EXPECT_EQ(again.customer.ToBytes(), c.ToBytes());
}

TEST(FuelClientSave, RenumberingMovesTheFileAndARefusalChangesNothing) {
  TempDir dir;
  const std::string folder = dir.file("Fuel");
  FuelClientForm f = GoodForm();
  ASSERT_TRUE(SaveFuelClient(folder, f, FuelCustomer(), true).ok);
  f.number = "43";
  f.last_name = "Brooke";
  ASSERT_TRUE(SaveFuelClient(folder, f, FuelCustomer(), true).ok);

  FuelCustomer c42;
  ASSERT_EQ(ReadCustomer(folder, 42, &c42), kFuelOk);
  FuelClientForm renumber = FuelClientForm::Of(c42);
  renumber.number = "43";  // taken
  FuelFormResult r = SaveFuelClient(folder, renumber, c42, false);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Customer no. 43 already in use.");
  renumber.number = "50";
  renumber.reading = "0";  // refused: nothing moves
  EXPECT_FALSE(SaveFuelClient(folder, renumber, c42, false).ok);
  EXPECT_TRUE(CustomerExists(folder, 42));
  EXPECT_FALSE(CustomerExists(folder, 50));

  renumber.reading = "80";
  r = SaveFuelClient(folder, renumber, c42, false);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_FALSE(CustomerExists(folder, 42));
  FuelCustomer c50;
  ASSERT_EQ(ReadCustomer(folder, 50, &c50), kFuelOk);
  EXPECT_EQ(c50.Number(), 50);
  EXPECT_EQ(c50.Reading(), 80.0f);
  EXPECT_EQ(c50.LastName(), "Brook");
}

TEST(FuelClientSave, SaveFailureKeepsTheOldFile) {
  TempDir dir;
  const std::string folder = dir.file("Fuel");
  ASSERT_TRUE(SaveFuelClient(folder, GoodForm(), FuelCustomer(), true).ok);
  FuelCustomer c;
  ASSERT_EQ(ReadCustomer(folder, 42, &c), kFuelOk);
  // A folder where the new file must go makes the save fail.
  std::filesystem::create_directory(folder + "/60.dat");
  FuelClientForm f = FuelClientForm::Of(c);
  f.number = "60";
  const FuelFormResult r = SaveFuelClient(folder, f, c, false);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message.rfind("Could not save fuel data file. (", 0), 0u) << r.message;
  EXPECT_TRUE(CustomerExists(folder, 42));
}

}  // namespace
}  // namespace sq
