// Messages for the person using the program. Attended, they are printed on stderr with
// their title; unattended (a command-line or scheduled job, a module's timed event) the
// same text goes to the download log instead. The caller says which.
#pragma once

#include <cstdint>
#include <string_view>

namespace sq {

// Whether a person is there to read a message or answer a question.
enum class Attendance { kAttended, kUnattended };

// Further program-wide flags of the command line.
extern bool gNoRotate;
extern bool gLogMore;
extern bool stagingServer;

// Title "Error".
void ErrorMessage(std::string_view text, Attendance who = Attendance::kAttended);
void ErrorMessage(std::uint32_t string_id, Attendance who = Attendance::kAttended);
// Title "Error", always into the download log and, attended, on stderr too.
void LoggedError(std::uint32_t string_id, Attendance who = Attendance::kAttended);
// Title "Please Note".
void Inform(std::string_view text, Attendance who = Attendance::kAttended);
// "Not enough memory to complete operation." titled "Error".
void NoMemoryError(Attendance who = Attendance::kAttended);

// Asks a yes/no question. Unattended, or when stdin is not a terminal, the answer is
// `unattended_answer` and the question is logged / printed with that answer.
[[nodiscard]] bool AskYesNo(std::string_view text, std::string_view title, bool unattended_answer,
                            Attendance who = Attendance::kAttended);

}  // namespace sq
