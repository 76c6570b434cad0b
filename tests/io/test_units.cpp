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
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "cannot open the file '/nonexistent/talvek/deck.txt': No such file or directory");
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

// Messages name the file by its role and give the system's reason; a write
// that fails (a full disk) is reported when the data reach the file.
TEST(Units, FailuresNameTheRoleAndTheReason) {
  Units u;
  struct Case {
    const char* path;
    const char* role;
    const char* message;
  };
  const Case cases[] = {
      {"/nonexistent/talvek/out.lis", "the listing '/nonexistent/talvek/out.lis'",
       "cannot open the listing '/nonexistent/talvek/out.lis': No such file or directory"},
      {"/", "the listing '/'", "cannot open the listing '/': Is a directory"},
      {"", "the restart-up file to write", "no file name given for the restart-up file to write"},
  };
  for (const Case& c : cases) {
    try {
      u.open(2, c.path, FileForm::Formatted, FileStatus::Unknown, c.role);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const IoError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }

  // /dev/full accepts the open and refuses every write with ENOSPC.
  u.open(9, "/dev/full", FileForm::Formatted, FileStatus::Unknown, "res.lis");
  EXPECT_EQ(u.role(9), "res.lis");
  u.writeLine(9, "buffered");
  try {
    u.flush(9);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "cannot write res.lis: No space left on device");
  }
  EXPECT_THROW(u.close(9), IoError);  // the stream's failure is not forgotten
  u.open(9, "/dev/full", FileForm::Formatted, FileStatus::Unknown, "the listing 'x.lis'");
  u.writeLine(9, "buffered");
  try {
    u.close(9);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "cannot write the listing 'x.lis': No space left on device");
  }
  EXPECT_FALSE(u.isOpen(9));
  // A long record meets the failure in the write itself.
  u.open(9, "/dev/full", FileForm::Formatted, FileStatus::Unknown, "weld.lis");
  try {
    for (int i = 0; i < 100; ++i) u.writeLine(9, std::string(132, 'x'));
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "cannot write weld.lis: No space left on device");
  }
  u.closeAll();
}
