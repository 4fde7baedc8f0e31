// The forecast tables: rule numbers to messages, messages to phrases, and the local
// forecast's rule lookup, rule conditions and snow adjustment. Constant data, shared by
// the console's rule numbers and the local forecast.
#pragma once

#include <array>
#include <cstdint>

namespace sq::forecast {

inline constexpr int kRules = 194;
inline constexpr int kMessages = 96;
inline constexpr int kPhrasesPerMessage = 3;
inline constexpr int kPhraseCodes = 51;
inline constexpr std::uint32_t kFirstPhraseString = 62603;  // phrase code c is string 62603 + c

// Rule number -> message number.
extern const std::array<std::uint8_t, kRules> ruleStrTable;
// Message number -> up to three phrase codes; -1 ends the message early.
extern const std::array<std::array<std::int8_t, kPhrasesPerMessage>, kMessages> fcastMessageTable;
// [pressure class][pressure-change class][wind column] -> first candidate rule.
extern const std::array<std::array<std::array<std::uint8_t, 9>, 5>, 5> ruleLookupTable;
// Rule -> required condition flags (high nibble) and sky class (low nibble).
extern const std::array<std::uint8_t, kRules> ruleDataTable;
// [row][hour] -> temperature adjustment, F.
extern const std::array<std::array<std::int16_t, 24>, 3> snowAdjustmentTable;

}  // namespace sq::forecast
