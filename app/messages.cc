#include "app/messages.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "app/download_log.h"
#include "resources/string_table.h"

namespace sq {

bool gNoRotate = false;
bool gLogMore = false;
bool stagingServer = false;

namespace {

constexpr std::uint32_t kErrorTitle = 47104;
constexpr std::uint32_t kNoteTitle = 47105;
constexpr std::uint32_t kNoMemoryText = 47106;

void Show(std::string_view text, std::string_view title, Attendance who) {
  if (who == Attendance::kUnattended) {
    (void)LogMessage(text, title);
    return;
  }
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
               text.data());
}

}  // namespace

void ErrorMessage(std::string_view text, Attendance who) { Show(text, LoadString(kErrorTitle), who); }
void ErrorMessage(std::uint32_t string_id, Attendance who) {
  Show(LoadString(string_id), LoadString(kErrorTitle), who);
}
void LoggedError(std::uint32_t string_id, Attendance who) {
  ErrorMessage(string_id, who);
  if (who == Attendance::kAttended) (void)LogMessage(LoadString(string_id), LoadString(kErrorTitle));
}
void Inform(std::string_view text, Attendance who) { Show(text, LoadString(kNoteTitle), who); }
void NoMemoryError(Attendance who) { Show(LoadString(kNoMemoryText), LoadString(kErrorTitle), who); }

bool AskYesNo(std::string_view text, std::string_view title, bool unattended_answer, Attendance who) {
  if (who == Attendance::kUnattended || !isatty(STDIN_FILENO)) {
    Show(std::string(text) + (unattended_answer ? " (yes)" : " (no)"), title, who);
    return unattended_answer;
  }
  std::fprintf(stderr, "%.*s: %.*s [y/n] ", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
               text.data());
  std::string answer;
  if (!std::getline(std::cin, answer)) return unattended_answer;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace sq
