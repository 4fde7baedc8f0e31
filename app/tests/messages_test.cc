#include "app/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/dirs.h"
#include "app/download_log.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

// Who reads a message: attended, the person at the terminal (stderr); unattended, the
// download log alone. Each case starts with an empty log.
TEST(Messages, GoToTheTerminalOrToTheLogAsTheCallerSays) {
  testing::TempDir dir;
  const std::string previous = ProgramFolder();
  SetProgramFolder(dir.str());
  const std::string not_saved(LoadString(string_id::kCouldNotSaveStation));
  const std::string not_saved_line = "Error: " + not_saved + "\n";
  const std::string not_saved_entry = "(Error) " + not_saved;
  struct Case {
    const char* what;
    std::function<void()> say;
    std::string on_terminal;  // empty: nothing
    std::string in_log;       // empty: nothing
  };
  const Case cases[] = {
      {"attended error", [] { ErrorMessage("disk full"); }, "Error: disk full\n", ""},
      {"unattended error", [] { ErrorMessage("disk full", Attendance::kUnattended); }, "", "(Error) disk full"},
      {"attended note", [] { Inform("nothing new"); }, "Please Note: nothing new\n", ""},
      {"unattended note", [] { Inform("nothing new", Attendance::kUnattended); }, "", "(Please Note) nothing new"},
      {"unattended question takes its answer",
       [] { EXPECT_TRUE(AskYesNo("Clear the archive?", "Console", true, Attendance::kUnattended)); }, "",
       "(Console) Clear the archive? (yes)"},
      // Logged in any case, and shown too when somebody is there: one entry either way.
      {"attended logged error", [] { LoggedError(string_id::kCouldNotSaveStation); }, not_saved_line, not_saved_entry},
      {"unattended logged error", [] { LoggedError(string_id::kCouldNotSaveStation, Attendance::kUnattended); }, "",
       not_saved_entry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::WriteText(dir / kDownloadLogName, "");
    ::testing::internal::CaptureStderr();
    c.say();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.on_terminal);
    const std::string log = testing::ReadText(dir / kDownloadLogName);
    if (c.in_log.empty()) {
      EXPECT_EQ(log, "");
    } else {
      EXPECT_NE(log.find(c.in_log), std::string::npos) << log;
      EXPECT_EQ(log.find('\n'), log.size() - 1) << "one entry: " << log;
    }
  }
  SetProgramFolder(previous);
}

}  // namespace
}  // namespace sq
