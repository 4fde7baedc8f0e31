// The ready-made templates (a current-conditions page, today's highs and lows, a page
// of a profile's images) that a new station gets in its "Templates" folder, so there
// is something to publish on the first day.
//
// They are found in the folder named by $STRATOQUILL_TEMPLATES, else in
// share/stratoquill/templates beside the program's own folder (an installed program),
// else in "templates" beside the program (the build tree).
#pragma once

#include <string>

namespace sq {

// The folder of the sample templates; empty when none is found.
std::string SampleTemplatesFolder();

// Copies every "*.htx" of the samples into station_folder/Templates, never replacing a
// file that is there. The number copied (0 when no samples are found), or -1 when a
// copy fails.
[[nodiscard]] int InstallSampleTemplates(const std::string& station_folder);

}  // namespace sq
