// Messages for the person using the program. In interactive use they are printed on
// stderr with their title; in unattended use (gSilentMode: a command-line or scheduled
// job) the same text goes to the download log instead.
#pragma once

#include <cstdint>
#include <string_view>

namespace sq {

// Set while a command-line or scheduled job runs.
extern bool gSilentMode;
// Further program-wide flags of the command line.
extern bool gNoRotate;
extern bool gLogMore;
extern bool stagingServer;

// Title "Error".
void ErrorMessage(std::string_view text);
void ErrorMessage(std::uint32_t string_id);
// Title "Error", always into the download log and, in interactive use, on stderr too.
void LoggedError(std::uint32_t string_id);
// Title "Please Note".
void Inform(std::string_view text);
// "Not enough memory to complete operation." titled "Error".
void NoMemoryError();

// Asks a yes/no question. Unattended, or when stdin is not a terminal, the answer is
// `unattended_answer` and the question is logged / printed with that answer.
[[nodiscard]] bool AskYesNo(std::string_view text, std::string_view title, bool unattended_answer);

}  // namespace sq
