// The unit table: opening, writing, rewinding and reading back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "io/errors.h"
#include "io/format.h"
#include "io/units.h"

using namespace talvek;

TEST(Units, OpenOldMissingFileNamesIt) {
  Units u;
  try {
    u.open(1, "/nonexistent/talvek/deck.txt", FileForm::Formatted, FileStatus::Old);
    FAIL() << "no error";
  } catch (const RunError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("/nonexistent/talvek/deck.txt"), std::string::npos) << m;
    EXPECT_NE(m.find("unit 1"), std::string::npos) << m;
  }
  EXPECT_FALSE(u.isOpen(1));
  EXPECT_THROW(u.open(17, "x", FileForm::Formatted, FileStatus::Unknown), RunError);
  EXPECT_THROW(u.writeLine(9, "x"), RunError);  // not open
}

TEST(Units, WriteRewindReadBack) {
  const std::string path = testing::TempDir() + "talvek_units_res.lis";
  Units u;
  u.open(9, path + "   ", FileForm::Formatted, FileStatus::Unknown);  // trailing blanks of a name are dropped
  ASSERT_TRUE(u.isOpen(9));
  EXPECT_EQ(u.name(9), path);
  Line(u, 9).A("1").A("HEAD").slash().I(42, 5).F(1.5, 6, 2).end();
  FreeLine(u, 9).text("T=").num(3).num(0.25).end();
  u.writeLine(9, "");
  u.rewind(9);
  std::string l;
  ASSERT_TRUE(u.readLine(9, l));
  EXPECT_EQ(l, "1HEAD");
  ASSERT_TRUE(u.readLine(9, l));
  EXPECT_EQ(l, "   42  1.50");
  ASSERT_TRUE(u.readLine(9, l));
  EXPECT_EQ(l, " T=            3   0.2500000    ");
  ASSERT_TRUE(u.readLine(9, l));
  EXPECT_EQ(l, "");
  EXPECT_FALSE(u.readLine(9, l));
  u.close(9);
  EXPECT_FALSE(u.isOpen(9));
  u.close(9);  // closing a closed unit does nothing
  u.open(9, path, FileForm::Formatted, FileStatus::Old);
  ASSERT_TRUE(u.readLine(9, l));
  EXPECT_EQ(l, "1HEAD");
  u.closeAll();
  std::remove(path.c_str());
}
