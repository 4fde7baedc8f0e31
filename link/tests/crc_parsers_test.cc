// CRC-16 and the parsers of console replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/corvale_session.h"
#include "link/crc16.h"
#include "link/device_finder.h"
#include "link/network_error.h"

namespace sq {
namespace {

TEST(Crc16, CheckValueAndBlockRoundTrip) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc16({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0x31C3);
  std::vector<std::uint8_t> block = {0xC6, 0xCE, 0xA2, 0x03, 0, 0};
  Crc16Append(block.data(), 4);
  EXPECT_EQ(block[4], 0xE2);  // high byte first
  EXPECT_EQ(block[5], 0xB4);
  EXPECT_TRUE(Crc16BlockOk(block));
  block[2] ^= 1;
  EXPECT_FALSE(Crc16BlockOk(block));
  EXPECT_FALSE(Crc16BlockOk(std::span<const std::uint8_t>(block.data(), 1)));
}

TEST(FirmwareDate, LenientButNeverWrong) {
  struct Row {
    const char* legend;
    std::string text;
    bool ok;
    int year, month, day;
  };
  const Row rows[] = {
      {"padded day", "Mar  5 2002\n\r", true, 2002, 3, 5},
      {"single space", "Mar 5 2002\n\r", true, 2002, 3, 5},
      {"leading line end", "\n\rApr 24 2002", true, 2002, 4, 24},
      {"cut short", "Mar 5 20", false, 0, 0, 0},
      {"unknown month", "Mrz 5 2002", false, 0, 0, 0},
      {"day 0", "Jan 0 2002", false, 0, 0, 0},
      {"empty", "", false, 0, 0, 0},
      {"embedded zero", std::string("Jan\0 5 2002", 11), false, 0, 0, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    const auto d = ParseFirmwareDate(r.text);
    ASSERT_EQ(d.has_value(), r.ok);
    if (r.ok) {
      EXPECT_EQ(d->year, r.year);
      EXPECT_EQ(d->month, r.month);
      EXPECT_EQ(d->day, r.day);
    }
  }
}

TEST(FirmwareVersion, NumberTimesHundred) {
  EXPECT_EQ(ParseFirmwareVersionNumber("1.90"), 190);
  EXPECT_EQ(ParseFirmwareVersionNumber("1.8"), 180);
  EXPECT_EQ(ParseFirmwareVersionNumber(" 2.15\n\r"), 215);
  EXPECT_EQ(ParseFirmwareVersionNumber("x.90"), 0);
  EXPECT_EQ(ParseFirmwareVersionNumber(""), 0);
}

TEST(ReceptionStats, FiveNumbersOrNothing) {
  const auto s = ParseReceptionStats(" 21629 15 0 3204 128\n\r");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ((*s)[0], 21629);
  EXPECT_EQ((*s)[4], 128);
  EXPECT_FALSE(ParseReceptionStats("1 2 3 4").has_value());
  EXPECT_FALSE(ParseReceptionStats("").has_value());
}

TEST(DiscoveryReply, OnlyExactReplies) {
  std::vector<std::uint8_t> reply(31, 0);
  const std::string probe = "discoversqip";
  std::copy(probe.begin(), probe.end(), reply.begin());
  const std::uint8_t mac[] = {0x00, 0x1a, 0x2b, 0xc3, 0x4d, 0xfe};
  std::copy(std::begin(mac), std::end(mac), reply.begin() + 12);
  EXPECT_EQ(ParseDiscoveryReply(reply), "00:1A:2B:C3:4D:FE");
  auto shorter = reply;
  shorter.pop_back();
  auto longer = reply;
  longer.push_back(0);
  auto wrong = reply;
  wrong[0] = 'D';
  EXPECT_FALSE(ParseDiscoveryReply(shorter));
  EXPECT_FALSE(ParseDiscoveryReply(longer));
  EXPECT_FALSE(ParseDiscoveryReply(wrong));
}

TEST(NetworkErrors, TableTextsWithPlace) {
  EXPECT_EQ(MapNetworkError(ECONNRESET).code, -28);
  EXPECT_EQ(MapNetworkError(EHOSTUNREACH).status, 0x12000u);
  EXPECT_EQ(MapNetworkError(ECONNREFUSED).code, -20);
  EXPECT_EQ(NetworkErrorText(-27, "In RecvMsg() ...select(2)"),
            "In RecvMsg() ...select(2) Error: Function to receive data through tcp/ip timed out.");
}

}  // namespace
}  // namespace sq
