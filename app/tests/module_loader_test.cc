#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/tests/module_fixture.h"

namespace sq {
namespace {

using test::ModuleFolder;
using testing::ReadText;

constexpr std::uint32_t kSampleId = 0x5A3701;

bool Contains(const std::vector<std::string>& log, const std::string& part) {
  for (const auto& l : log) {
    if (l.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(ModuleLoader, LoadsTheSampleModuleAndRewritesItsLine) {
  ModuleFolder f;
  f.Install("sample_module");
  f.WriteList("sample_module.so\n");  // a name only: loaded, then written out whole
  EXPECT_EQ(f.Load(), 1);
  ASSERT_EQ(Modules().modules().size(), 1u);
  const ModuleInfo& m = Modules().modules()[0];
  EXPECT_EQ(m.id, kSampleId);
  EXPECT_EQ(m.version, 0x010000u);
  EXPECT_EQ(m.commands, 2);
  EXPECT_EQ(Modules().descriptions(), "Sample module: newest record and last day\n");
  EXPECT_EQ(f.ListLines(), std::vector<std::string>{
                               "sample_module.so 0x005A3701 0x00010000 1 Sample module: newest record and last day"});
  EXPECT_EQ(ReadText(f.Backup()), "sample_module.so\n");
  // Its event (Init 1) and its menu entries (Init 2).
  EXPECT_EQ(evtManager.GetEventCount(), 1);
  ASSERT_EQ(Modules().menu_items().size(), 3u);
  EXPECT_EQ(Modules().menu_items()[0].command_number, 42000);
  EXPECT_TRUE(Modules().menu_items()[1].separator);
  EXPECT_EQ(Modules().menu_items()[2].command_number, 42001);
  // Shut-down: Init(4) removes the event; nothing stays behind.
  Modules().UnloadModules();
  EXPECT_EQ(evtManager.GetEventCount(), 0);
  EXPECT_TRUE(Modules().commands().empty());
}

TEST(ModuleLoader, AnUnchangedListIsLeftAlone) {
  ModuleFolder f;
  f.Install("sample_module");
  f.WriteList(
      "sample_module.so 0x005A3701 0x00010000 1 Sample module: newest record and last day\n"
      "other.so 0x00000009 0x00000001 0 Switched off\n");
  EXPECT_EQ(f.Load(), 1);
  EXPECT_FALSE(std::filesystem::exists(f.Backup()));
  EXPECT_FALSE(std::filesystem::exists(f.folder() + "/" + kModuleListNewName));
  EXPECT_TRUE(f.log.empty());
  ASSERT_EQ(Modules().load_results().size(), 2u);
  EXPECT_TRUE(Modules().load_results()[1].disabled);
}

TEST(ModuleLoader, FaultyModulesAreLoggedAndDisabled) {
  struct Row {
    const char* module;
    const char* logged;
  } rows[] = {
      {"mod_v600", "Module mod_v600.so requres a higher version of SQ (5.6.0)"},
      {"mod_no_caps", "Unable to load SquillExpModuleCaps() address for module mod_no_caps.so"},
      {"mod_no_strs", "Unable to load SquillExpModuleStrs() address for module mod_no_strs.so"},
      {"mod_no_init", "Unable to load SquillExpModuleInit() address for module mod_no_init.so"},
      {"mod_no_commands", "Unable to Load SquillExpModuleCommands() address for module mod_no_commands.so"},
      {"mod_init_fails", "Unable to initialize module mod_init_fails.so."},
      {"missing", "Unable to load module missing.so ("},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.module);
    ModuleFolder f;
    if (std::string(r.module) != "missing") f.Install(r.module);
    const std::string name = std::string(r.module) + ".so";
    f.WriteList(name + " 0x00000123 0x00000002 1 Under test\n");
    EXPECT_EQ(f.Load(), 0);
    EXPECT_TRUE(Contains(f.log, std::string("Stratoquill Startup: ") + r.logged)) << (f.log.empty() ? "" : f.log[0]);
    ASSERT_EQ(f.ListLines().size(), 1u);
    const ModuleListLine line = ParseModuleListLine(f.ListLines()[0]);
    EXPECT_EQ(line.file_name, name);
    EXPECT_EQ(line.flag, 0);
    EXPECT_TRUE(std::filesystem::exists(f.Backup()));
    // A module released after a failed start leaves no event behind.
    EXPECT_EQ(evtManager.GetEventCount(), 0);
    EXPECT_TRUE(Modules().menu_items().empty());
  }
}

TEST(ModuleLoader, UnparsedFailuresAreDroppedAndDuplicatesDisabled) {
  ModuleFolder f;
  f.Install("sample_module");
  f.Install("mod_same_id");
  f.WriteList(
      "sample_module.so 0x005A3701 0x00010000 1 Sample\n"
      "mod_same_id.so 0x005A3701 0x00010000 1 Copy\n"
      "???\n"
      "\n");
  EXPECT_EQ(f.Load(), 1);
  EXPECT_TRUE(Contains(f.log,
                       "Unable to load module mod_same_id.so because another module with the same ID has "
                       "already been loaded."));
  const auto lines = f.ListLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "mod_same_id.so 0x005A3701 0x00010000 0 Copy");
}

TEST(ModuleLoader, RefusesModulesOthersMayWriteOrThatLieElsewhere) {
  ModuleFolder f;
  f.Install("sample_module");
  ::chmod((f.folder() + "/sample_module.so").c_str(), 0757);
  std::filesystem::copy_file(std::string(SQ_TEST_MODULE_DIR) + "/mod_v600.so", f.home() + "/outside.so");
  f.WriteList("sample_module.so 0x1 0x1 1 World-writable\n../outside.so 0x2 0x1 1 Outside\n");
  EXPECT_EQ(f.Load(), 0);
  EXPECT_TRUE(Contains(f.log, "may be written by every user"));
  EXPECT_TRUE(Contains(f.log, "'../outside.so' is not loaded"));
  const auto lines = f.ListLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ParseModuleListLine(lines[0]).flag, 0);
  EXPECT_EQ(ParseModuleListLine(lines[1]).flag, 0);
}

TEST(ModuleLoader, MakesTheFolderAndNeedsAList) {
  testing::TempDir home;
  EXPECT_EQ(Modules().LoadModules(home.str(), {}), 0);
  EXPECT_TRUE(std::filesystem::is_directory(home / kModuleFolderName));
}

TEST(ModuleCommands, MenuResultsAndCommandNumbers) {
  ModuleFolder f;
  f.Install("sample_module");
  f.WriteList("sample_module.so\n");
  ASSERT_EQ(f.Load(), 1);
  EXPECT_EQ(Modules().AddMenuCommand(0x999, 31, "x", 0), kMenuUnknownModule);
  EXPECT_EQ(Modules().AddMenuCommand(kSampleId, 31, "x", 2), kMenuBadIndex);
  EXPECT_EQ(Modules().AddMenuCommand(kSampleId, 7, "x", 0), kMenuBadLocation);
  EXPECT_EQ(Modules().AddMenuCommand(kSampleId, 51, "sep", -1), kMenuOk);
  EXPECT_EQ(Modules().AddMenuCommand(kSampleId, 12, "again", 1), kMenuOk);
  EXPECT_EQ(Modules().menu_items().back().command_number, 42001);

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Modules().ExecuteModuleCommand(42000), 0);  // no station: says so
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "No station database.\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Modules().ExecuteModuleCommand(42002), -1);
  EXPECT_EQ(Modules().ExecuteModuleCommand(41999), -1);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Command Index out of range!"), std::string::npos);
}

}  // namespace
}  // namespace sq
