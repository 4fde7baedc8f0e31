#include <gtest/gtest.h>

#include <filesystem>

#include "app/station.h"
#include "foundation/display_units.h"
#include "reports/data_lists_file.h"
#include "reports/station_data_lists.h"
#include "resources/string_table.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr const char* kOutsideTemp =
    "Outside Temperature\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t4663548\t4663548\t7895160\t4663548\t0\t";

TEST(DataVariable, LineReadsAndWritesBack) {
  struct Row {
    const char* legend;
    std::string line;
  };
  const Row rows[] = {
      {"two tabs after the name", kOutsideTemp},
      {"one tab after the name",
       "Outside Temperature\t0\tTemp\tOut\t7\t0\tOutside Temp\t4663548\t4663548\t7895160\t4663548\t0\t"},
      {"no final tab",
       "Outside Temperature\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t4663548\t4663548\t7895160\t4663548\t0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto v = ParseVariableLine(row.line);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->name, "Outside Temperature");
    EXPECT_EQ(v->id.value, 0u);
    EXPECT_EQ(v->label1, "Temp");
    EXPECT_EQ(v->label2, "Out");
    EXPECT_EQ(v->width, 7);
    EXPECT_EQ(v->trailing_spaces, 0);
    EXPECT_EQ(v->short_name, "Outside Temp");
    EXPECT_EQ(v->colours, (std::array<std::int32_t, 4>{4663548, 4663548, 7895160, 4663548}));
    EXPECT_EQ(v->line_style, DataVariableLineStyle::kSolid);
    EXPECT_EQ(FormatVariableLine(*v), kOutsideTemp);
  }
  // Identifiers above 2^31 are written in their signed form and read back.
  auto leaf = ParseVariableLine("Leaf\t\t-2147483648\tL\tT\t7\t0\tLeaf\t1\t2\t3\t4\t0\t");
  ASSERT_TRUE(leaf.has_value());
  EXPECT_EQ(leaf->id.value, 0x80000000u);
  EXPECT_EQ(FormatVariableLine(*leaf), "Leaf\t\t-2147483648\tL\tT\t7\t0\tLeaf\t1\t2\t3\t4\t0\t");
}

TEST(DataVariable, MalformedLinesAreRefused) {
  const char* rows[] = {
      "",
      "Outside Temperature",
      "\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",                            // no name
      "Outside Temperature\t\tx\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",         // id not a number
      "Outside Temperature\t\t-1\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",        // fresh entry
      "Outside Temperature\t\t0\t\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",             // empty label 1
      "Outside Temperature\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t",            // four numbers
      "Outside Temperature\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t9\t",      // six numbers
      "Outside Temperature\t\t0\tTemp\tOut\t99999999\t0\tOutside Temp\t1\t2\t3\t4\t0\t",  // huge width
      "Outside Temperature\t\t0\tTemp\tOut\t7\t8\tOutside Temp\t1\t2\t3\t4\t0\t",         // trailing > width
      "Outside Temperature\t\t0\tTemp\tOut\t-7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",        // negative width
      "Outside Temperature\t\t99999999999\tTemp\tOut\t7\t0\tOutside Temp\t1\t2\t3\t4\t0\t",
  };
  for (const char* line : rows) EXPECT_FALSE(ParseVariableLine(line).has_value()) << line;
  EXPECT_FALSE(ParseVariableLine(std::string(300, 'a') + "\t\t0\tT\tO\t7\t0\tS\t1\t2\t3\t4\t0\t").has_value());
}

TEST(DataSets, DefaultsComeFromTheResources) {
  const DataSets sets = DefaultDataSets();
  ASSERT_EQ(sets.Count(), 3);
  EXPECT_EQ(sets.Set(0)->Name(), "Archive Data Values");
  EXPECT_EQ(sets.Set(1)->Name(), "Daily Data Values");
  EXPECT_EQ(sets.Set(2)->Name(), "Overlay Variables Set");
  EXPECT_EQ(sets.Set(0)->Count(), 58);
  EXPECT_EQ(sets.Set(1)->Count(), 15);
  EXPECT_EQ(sets.Set(2)->Count(), 10);
  EXPECT_EQ(sets.Variable(0, 57)->name, "Inside Heat Index");
  const std::pair<const char*, std::uint32_t> day[] = {{"Day Mean Outside Temperature", 8192},
                                                       {"Day High Outside Temperature", 4096},
                                                       {"Day Low Outside Temperature", 6144},
                                                       {"Day Mean Outside Hum", 74176}};
  for (const auto& [name, id] : day) {
    bool found = false;
    for (const auto& v : sets.Set(1)->Variables()) found |= v.name == name && v.id.value == id;
    EXPECT_TRUE(found) << name;
  }
  EXPECT_EQ(sets.Variable(2, 9)->name, "Overlay Variable 10");
  EXPECT_EQ(sets.Variable(2, 9)->id.value, 0u);
  EXPECT_EQ(sets.Variable(2, 9)->PrintedLabel1(), "");
}

TEST(DataSets, FileRoundTripsAndDropsBadLines) {
  const DataSets defaults = DefaultDataSets();
  DataSets back;
  ASSERT_EQ(ParseDataSets(FormatDataSets(defaults), &back), 3);
  EXPECT_EQ(FormatDataSets(back), FormatDataSets(defaults));
  for (int s = 0; s < 3; ++s) EXPECT_EQ(back.Set(s)->Variables(), defaults.Set(s)->Variables());

  // A short name line is skipped, a bad variable line dropped, and the rest is read.
  const std::string text = std::string("ab\nMy Set\n") + kOutsideTemp + "\nnot a variable line\n" +
                           "High Temperature\t2048\tHi\tTemp\t6\t0\tHi Temp\t255\t255\t8421504\t255\t0\t\n.\n" +
                           "Second\r\n" + kOutsideTemp + "\r\n.\r\n";
  DataSets sets;
  bool upgraded = true;
  ASSERT_EQ(ParseDataSets(text, &sets, &upgraded), 2);
  EXPECT_FALSE(upgraded);
  EXPECT_EQ(sets.Set(0)->Name(), "My Set");
  ASSERT_EQ(sets.Set(0)->Count(), 2);
  EXPECT_EQ(sets.Variable(0, 1)->name, "High Temperature");
  EXPECT_EQ(sets.Set(1)->Name(), "Second");
  EXPECT_EQ(sets.Set(1)->Count(), 1);
}

TEST(DataSets, AnUnwritableVariableDoesNotEndItsSet) {
  DataSets sets = DefaultDataSets();
  sets.Set(0)->Variable(3)->short_name.clear();
  DataSets back;
  ASSERT_EQ(ParseDataSets(FormatDataSets(sets), &back), 3);
  EXPECT_EQ(back.Set(0)->Count(), 57);
  EXPECT_EQ(back.Set(1)->Count(), 15);
  EXPECT_EQ(back.Set(2)->Count(), 10);
}

// The archive set as an older program wrote it: the catalogue up to `last` (inclusive).
std::string OldSetsFile(std::uint32_t last) {
  std::string text = "Archive Data Values\n";
  for (std::uint32_t id = 10000; id <= last; ++id) text += std::string(LoadString(id)) + "\n";
  return text + ".\n";
}

TEST(DataSets, OlderSetGainsTheNewerVariablesAndTheListsAreRebuilt) {
  struct Row {
    const char* legend;
    std::uint32_t last;
    int added;
  };
  const Row rows[] = {{"ends with the archive interval", 10053, 4},
                      {"ends with the THSW index", 10054, 3},
                      {"ends with the extra radiation", 10055, 2},
                      {"current", 10057, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    TempDir dir;
    WriteText(dir.file("DataSets.dat"), OldSetsFile(row.last));
    WriteText(dir.file("DataLists.dat"), "Mine\n0\t0\t\n.\n");
    DataSets sets;
    EXPECT_EQ(ReadDataSets(dir.file("DataSets.dat"), &sets), 1);
    ASSERT_EQ(sets.Set(0)->Count(), static_cast<int>(row.last - 10000 + 1) + row.added);
    EXPECT_EQ(sets.Set(0)->Variables(), DefaultDataSets().Set(0)->Variables());
    EXPECT_EQ(std::filesystem::exists(dir.file("DataLists.dat")), row.added == 0);
  }
}

TEST(DataSets, MissingOrEmptyFileGivesTheDefaults) {
  TempDir dir;
  DataSets sets;
  EXPECT_EQ(ReadDataSets(dir.file("DataSets.dat"), &sets), kDefaultSetsBuilt);
  EXPECT_EQ(sets.Count(), 3);
  WriteText(dir.file("DataSets.dat"), "x\n.\n");
  EXPECT_EQ(ReadDataSets(dir.file("DataSets.dat"), &sets), kDefaultSetsBuilt);
  EXPECT_EQ(sets.Count(), 3);
  WriteText(dir.file("$$DefaultSets$$"), OldSetsFile(10003));
  EXPECT_EQ(ReadDataSets(dir.file("$$DefaultSets$$"), &sets), kDefaultSetsBuilt);
  EXPECT_EQ(sets.Set(0)->Count(), 58);
}

TEST(DataLists, FileReadsInactiveElementsAndDropsRefusedOnes) {
  const DataSets sets = DefaultDataSets();
  const std::string text =
      "Mine\n0\t0\t\n 0\t3\t\n9\t0\t\n0\t58\t\n-1\t0\t\nx\ty\t\n0\t1x\n1\t2\t\n.\n"
      "ab\n"
      "Empty\n.\n";
  DataLists lists;
  ASSERT_EQ(ParseDataLists(text, &sets, &lists), 2);
  const DataList& mine = *lists.List(0);
  EXPECT_EQ(mine.Name(), "Mine");
  ASSERT_EQ(mine.Count(), 3);
  EXPECT_EQ(mine.Elements()[2].set_index, 1);
  EXPECT_EQ(mine.Elements()[2].var_index, 2);
  for (const auto& e : mine.Elements()) EXPECT_FALSE(e.active);
  EXPECT_EQ(lists.List(1)->Count(), 0);
  EXPECT_EQ(FormatDataLists(lists), "Mine\n0\t0\t\n0\t3\t\n1\t2\t\n.\nEmpty\n.\n");

  EXPECT_EQ(ParseDataLists(text, nullptr, &lists), 0);
  TempDir dir;
  EXPECT_EQ(ReadDataLists(dir.file("DataLists.dat"), &sets, &lists), -1);
  WriteText(dir.file("$$DefaultLists$$"), text);
  EXPECT_EQ(ReadDataLists(dir.file("$$DefaultLists$$"), &sets, &lists), -1);
  EXPECT_EQ(WriteDataLists(dir.file("DataLists.dat"), DataLists(&sets)), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("DataLists.dat")));
}

TEST(DataLists, AListHoldsAtMostOneHundredElements) {
  const DataSets sets = DefaultDataSets();
  const DataSets other = DefaultDataSets();
  DataList list("Big", &sets);
  for (int i = 0; i < kMaxListElements; ++i) ASSERT_TRUE(list.Add(0, i % 58, true)) << i;
  EXPECT_FALSE(list.Add(0, 0, true));
  EXPECT_EQ(list.Count(), kMaxListElements);

  DataList small("Small", &sets);
  EXPECT_FALSE(small.Add(&other, 0, 0, true));  // elements of other sets
  EXPECT_FALSE(small.Add(0, 58, true));
  EXPECT_FALSE(small.Add(3, 0, true));

  std::string text = "Big\n";
  for (int i = 0; i < 150; ++i) text += "0\t1\t\n";
  DataLists lists;
  ASSERT_EQ(ParseDataLists(text + ".\n", &sets, &lists), 1);
  EXPECT_EQ(lists.List(0)->Count(), kMaxListElements);
}

std::vector<std::string> Names(const DataList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.VariableOf(i)->name);
  return out;
}

TEST(DataLists, DefaultsFollowTheStationsSensors) {
  const DataSets sets = DefaultDataSets();
  struct Row {
    const char* legend;
    ListSensors sensors;
    std::vector<std::string> archive;
  };
  const Row rows[] = {
      {"temperature, humidity and rain",
       {{0x8011, 0}, false, false},
       {"Outside Temperature", "High Temperature", "Low Temperature", "Outside Humidity", "Outside Dewpoint",
        "Heat Index", "Rain", "Heating Degree-Days", "Cooling Degree-Days", "Archive Interval"}},
      {"standard entries left out",
       {{0xFFFFFFFF, 0x3}, true, true},
       {"Barometer", "Inside Temperature", "Inside Humidity", "Inside Dewpoint", "Inside Heat Index",
        "Inside Equalibrium Moisture Content", "Inside Air Density", "Archive Interval"}},
      {"current family, wind direction only",
       {{0x400, 0}, false, true},
       {"Wind Direction", "High Wind Direction", "Inside Equalibrium Moisture Content", "Inside Air Density",
        "Wind Samples", "Wind Transmitter", "Tovel Reception", "Archive Interval"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    const DataLists lists = DefaultDataLists(&sets, row.sensors);
    ASSERT_EQ(lists.Count(), 5);
    EXPECT_EQ(lists.List(0)->Name(), "Default Archive Browser List");
    EXPECT_EQ(lists.List(1)->Name(), "Default Day Browser List");
    EXPECT_EQ(lists.List(2)->Name(), "Default Plot List");
    EXPECT_EQ(lists.List(3)->Name(), "Default Stripchart List");
    EXPECT_EQ(lists.List(4)->Name(), "Default Overlay List");
    EXPECT_EQ(Names(*lists.List(0)), row.archive);
    EXPECT_EQ(lists.List(0)->ActiveCount(), lists.List(0)->Count());
    EXPECT_EQ(lists.List(1)->Count(), 0);
    EXPECT_EQ(lists.List(4)->Count(), 10);
    EXPECT_EQ(lists.List(4)->ActiveCount(), 0);
    // The plot list leaves out the wind samples, transmitter and archive interval and
    // makes only the inside dew point and heat index active; the strip chart copies it.
    std::vector<std::string> plot_names;
    for (const auto& n : row.archive) {
      if (n != "Wind Samples" && n != "Wind Transmitter" && n != "Archive Interval") plot_names.push_back(n);
    }
    const DataList& plot = *lists.List(2);
    EXPECT_EQ(Names(plot), plot_names);
    for (int i = 0; i < plot.Count(); ++i) {
      const std::string& n = plot.VariableOf(i)->name;
      EXPECT_EQ(plot.Elements()[static_cast<std::size_t>(i)].active, n == "Inside Dewpoint" || n == "Inside Heat Index")
          << n;
    }
    EXPECT_EQ(Names(*lists.List(3)), plot_names);
    EXPECT_EQ(lists.List(3)->ActiveCount(), plot.ActiveCount());
  }
  // The full first-word mask adds every entry of the archive catalogue that has a sensor.
  const DataLists all = DefaultDataLists(&sets, {{0xFFFFFFFF, 0x3}, false, true});
  EXPECT_EQ(all.List(0)->Count(), 57);  // the catalogue without the extra radiation
}

TEST(DataLists, CopyListOptions) {
  const DataSets sets = DefaultDataSets();
  DataList list("L", &sets);
  ASSERT_TRUE(list.Add(0, 0, false));
  ASSERT_TRUE(list.Add(0, 1, true));
  ASSERT_TRUE(list.Add(0, 2, false));
  EXPECT_EQ(CopyList(list, kCopyAsIs).ActiveCount(), 1);
  EXPECT_EQ(CopyList(list, kCopyAllActive).ActiveCount(), 3);
  const DataList only = CopyList(list, kCopyOnlyActive, "Only");
  EXPECT_EQ(only.Name(), "Only");
  ASSERT_EQ(only.Count(), 1);
  EXPECT_EQ(only.VariableOf(0)->name, "High Temperature");
}

TEST(StationLists, SavedAndLoadedWithTheStation) {
  InstallDataListHooks();
  TempDir dir;
  Station station;
  station.SetFolder(dir.str());
  ASSERT_EQ(station.Save(), 0);
  ASSERT_TRUE(std::filesystem::exists(dir.file("DataSets.dat")));
  const std::string lists_text = ReadText(dir.file("DataLists.dat"));
  EXPECT_EQ(lists_text.rfind("Default Archive Browser List\n0\t0\t\n", 0), 0u) << lists_text;

  // A list edited and saved comes back with the next load.
  DataList* archive = DataListsOf(station).lists.List(0);
  ASSERT_TRUE(archive->Remove(0));
  const int count = archive->Count();
  ASSERT_EQ(station.Save(), 0);
  ForgetStationDataLists();
  Station again;
  ASSERT_EQ(again.Load(dir.str()), 0);
  ASSERT_NE(CurrentDataLists(), nullptr);
  EXPECT_EQ(CurrentDataLists()->lists.List(0)->Count(), count);
  EXPECT_EQ(CurrentDataLists()->lists.List(0)->VariableOf(0)->name, "High Temperature");

  // The display-unit code finds the names and colours in the current browser list.
  char buf[32];
  std::uint32_t colour = 0;
  EXPECT_EQ(DisplayUnits::GetSensorName(WeatherDataID::HighTemp().value, 3, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "High Temperature");
  EXPECT_EQ(DisplayUnits::GetSensorName(WeatherDataID::HighTemp().value, 0, buf, 3), 1);
  EXPECT_STREQ(buf, "Hi");
  EXPECT_EQ(DisplayUnits::GetSensorColor(WeatherDataID::HighTemp().value, 2, &colour), 1);
  EXPECT_EQ(colour, 8421504u);
  EXPECT_EQ(DisplayUnits::GetSensorName(WeatherDataID::OutsideTemp().value, 0, buf, sizeof buf), 0);
  EXPECT_EQ(DisplayUnits::GetSensorName(WeatherDataID::HighTemp().value, 4, buf, sizeof buf),
            DisplayUnits::kSensorArgError);

  // An empty lists file gives the defaults again.
  WriteText(dir.file("DataLists.dat"), "");
  ASSERT_EQ(again.Load(dir.str()), 0);
  EXPECT_EQ(CurrentDataLists()->lists.Count(), 5);
  ForgetStationDataLists();
  DisplayUnits::SetSensorList(nullptr);
}

}  // namespace
}  // namespace sq
