// Profile file lists: the written form, what reading accepts and ignores.
#include "publish/profile_list.h"

#include <gtest/gtest.h>

#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

TEST(ProfileList, ParsesNamesPathsAndIgnoresShortLines) {
  const std::string text =
      "Current\t\t\t\t/home/w/Templates/current.htx\n"
      "\n"
      "ab\n"
      "Logo\t\t\t\t/home/w/logo.png\r\n"
      "/no/tab/page.HTX\n"
      "Tail\t\t\t\t/last/line.txt";
  const auto files = ParseProfileList(text);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[0].name, "Current");
  EXPECT_EQ(files[0].path, "/home/w/Templates/current.htx");
  EXPECT_TRUE(files[0].IsTemplate());
  EXPECT_EQ(files[1].path, "/home/w/logo.png");
  EXPECT_FALSE(files[1].IsTemplate());
  EXPECT_EQ(files[2].name, "page.HTX");
  EXPECT_TRUE(files[2].IsTemplate());
  EXPECT_EQ(files[3].path, "/last/line.txt");
}

TEST(ProfileList, OverlongLineIsCutAndItsRestIsNoEntry) {
  const std::string path = "/" + std::string(400, 'p');
  const auto files = ParseProfileList("N\t\t\t\t" + path + "\nOk\t\t\t\t/ok.htx\n");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path.size(), kProfileLineMax - 5);
  EXPECT_EQ(files[1].path, "/ok.htx");
}

TEST(ProfileList, WriteThenReadRoundTrip) {
  testing::TempDir dir;
  const std::vector<ProfileFile> files = {{"Current", "/a/current.htx"}, {"Logo", "/a/logo.gif"}};
  ASSERT_TRUE(WriteProfileList(dir.str(), "Profile1.lst", files));
  EXPECT_EQ(testing::ReadText(dir / "Profile1.lst"), "Current\t\t\t\t/a/current.htx\nLogo\t\t\t\t/a/logo.gif\n");
  auto back = ReadProfileList(dir.str(), "Profile1.lst");
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 2u);
  EXPECT_EQ((*back)[1].name, "Logo");
  // A missing list is empty; a list name that leaves the folder is refused.
  EXPECT_TRUE(ReadProfileList(dir.str(), "Profile2.lst")->empty());
  std::string error;
  EXPECT_FALSE(ReadProfileList(dir.str(), "../x.lst", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteProfileList(dir.str(), "..", files));
}

}  // namespace
}  // namespace sq
