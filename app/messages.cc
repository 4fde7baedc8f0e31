#include "app/messages.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "app/download_log.h"
#include "resources/string_table.h"

namespace sq {

bool gSilentMode = false;
bool gNoRotate = false;
bool gLogMore = false;
bool stagingServer = false;

namespace {

constexpr std::uint32_t kErrorTitle = 47104;
constexpr std::uint32_t kNoteTitle = 47105;
constexpr std::uint32_t kNoMemoryText = 47106;

void Show(std::string_view text, std::string_view title) {
  if (gSilentMode) {
    (void)LogMessage(text, title);
    return;
  }
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
               text.data());
}

}  // namespace

void ErrorMessage(std::string_view text) { Show(text, LoadString(kErrorTitle)); }
void ErrorMessage(std::uint32_t string_id) { Show(LoadString(string_id), LoadString(kErrorTitle)); }
void LoggedError(std::uint32_t string_id) {
  ErrorMessage(string_id);
  if (!gSilentMode) (void)LogMessage(LoadString(string_id), LoadString(kErrorTitle));
}
void Inform(std::string_view text) { Show(text, LoadString(kNoteTitle)); }
void NoMemoryError() { Show(LoadString(kNoMemoryText), LoadString(kErrorTitle)); }

bool AskYesNo(std::string_view text, std::string_view title, bool unattended_answer) {
  if (gSilentMode || !isatty(STDIN_FILENO)) {
    Show(std::string(text) + (unattended_answer ? " (yes)" : " (no)"), title);
    return unattended_answer;
  }
  std::fprintf(stderr, "%.*s: %.*s [y/n] ", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
               text.data());
  std::string answer;
  if (!std::getline(std::cin, answer)) return unattended_answer;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace sq
