// The files of a run: the four names are checked before anything is
// written, a run stopped early leaves the listing files of an earlier run as
// they were, and file failures name the file's role and the system's reason.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "e2e_util.h"

using namespace e2e;

namespace {

const char* const kListingFiles[] = {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"};

// The waterflood example with each line that starts with a `from` of
// `edits` replaced by its `to`.
std::string waterflood(const std::vector<std::pair<std::string, std::string>>& edits = {}) {
  std::string out;
  std::size_t changed = 0;
  for (const auto& l : lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"))) {
    std::string text = l;
    for (const auto& [from, to] : edits) {
      if (l.rfind(from, 0) == 0) {
        text = to;
        ++changed;
      }
    }
    out += text + "\n";
  }
  EXPECT_EQ(changed, edits.size());
  return out;
}

void write(const fs::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

std::map<std::string, std::string> listingFiles(const fs::path& dir) {
  std::map<std::string, std::string> m;
  for (const char* f : kListingFiles) m[f] = fs::exists(dir / f) ? slurp(dir / f) : "(missing)";
  return m;
}

// Names in `dir` beginning with a dot: provisional files left behind.
std::vector<std::string> hidden(const fs::path& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string()[0] == '.') v.push_back(e.path().filename().string());
  return v;
}

}  // namespace

TEST(FileNames, RefusedBeforeAnythingIsWritten) {
  const std::string same = " are the same file: each of the four names must be a file of its own";
  const std::string side = " that the run writes in the current directory: choose another name";
  const struct {
    std::vector<std::string> names;
    std::string message;
  } cases[] = {
      {{"d.txt", "d.txt", "r1", "r2"}, "the input deck 'd.txt' and the listing 'd.txt'" + same},
      {{"d.txt", "o.lis", "r1", "d.txt"}, "the input deck 'd.txt' and the restart-up file to write 'd.txt'" + same},
      {{"d.txt", "link.txt", "r1", "r2"}, "the input deck 'd.txt' and the listing 'link.txt'" + same},
      {{"d.txt", "sub/../o.lis", "r1", "o.lis"},
       "the listing 'sub/../o.lis' and the restart-up file to write 'o.lis'" + same},
      {{"d.txt", "o.lis", "r1", "r1"}, "the restart-up file to read 'r1' and the restart-up file to write 'r1'" + same},
      {{"d.txt", "res.lis", "r1", "r2"}, "the listing 'res.lis' is the listing file res.lis" + side},
      {{"d.txt", "weld.lis", "r1", "r2"}, "the listing 'weld.lis' is the listing file weld.lis" + side},
      {{"d.txt", "o.lis", "./well.lis", "r2"}, "the restart-up file to read './well.lis' is the listing file well.lis" + side},
      {{"d.txt", "o.lis", "r1", "sub/../rokmat.lis"},
       "the restart-up file to write 'sub/../rokmat.lis' is the listing file rokmat.lis" + side},
      {{"pvt.lis", "o.lis", "r1", "r2"}, "the input deck 'pvt.lis' is the listing file pvt.lis" + side},
  };
  const auto dir = scratch("names");
  fs::create_directory(dir / "sub");
  write(dir / "d.txt", "the deck\n");
  fs::create_symlink("d.txt", dir / "link.txt");
  for (const char* f : kListingFiles) write(dir / f, std::string("earlier ") + f + "\n");
  const auto before = listingFiles(dir);
  for (const auto& c : cases) {
    const std::string args = c.names[0] + " " + c.names[1] + " " + c.names[2] + " " + c.names[3];
    const std::string answer = c.names[0] + "," + c.names[1] + "," + c.names[2] + "," + c.names[3] + "\n";
    for (const bool prompt : {false, true}) {
      SCOPED_TRACE(args + (prompt ? " (answer line)" : " (command line)"));
      Result r = prompt ? run(dir, "", answer) : run(dir, args);
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.err, "talvek: error: " + c.message + "\n");
      EXPECT_EQ(slurp(dir / "d.txt"), "the deck\n");
      EXPECT_FALSE(fs::exists(dir / "o.lis"));
      EXPECT_FALSE(fs::exists(dir / "r2"));
      EXPECT_EQ(listingFiles(dir), before);
      EXPECT_EQ(hidden(dir), std::vector<std::string>{});
    }
  }
}

TEST(FileNames, TheAnswerLineNeedsExactlyFourNames) {
  const std::string four = ": four file names are needed (input deck, listing, restart-up file to read, "
                           "restart-up file to write)";
  const struct {
    const char* args;    // command line, or nullptr for the answer line
    const char* answer;  // the answer line
    std::string message;
  } cases[] = {
      {nullptr, "d.txt o.lis r1 r2 r3\n",
       "the answer line names more than four files ('r3' is a fifth): give the input deck, the listing and the "
       "two restart-up files"},
      {nullptr, "d.txt,o.lis,r1\n", "no name given for the restart-up file to write" + four},
      {nullptr, "d.txt,,r1,r2\n", "no name given for the listing" + four},
      {"d.txt '' r1 r2", "", "no name given for the listing" + four},
  };
  const auto dir = scratch("answer");
  write(dir / "d.txt", "the deck\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args ? c.args : c.answer);
    Result r = c.args ? run(dir, c.args) : run(dir, "", c.answer);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "talvek: error: " + c.message + "\n");
    EXPECT_FALSE(fs::exists(dir / "o.lis"));
    EXPECT_FALSE(fs::exists(dir / "r2"));
    EXPECT_FALSE(fs::exists(dir / "res.lis"));
  }
  // A device named twice is no conflict: the run goes on to the deck (which
  // is no deck here).
  Result r = run(dir, "d.txt o.lis /dev/null /dev/null");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("d.txt:"), std::string::npos) << r.err;
}

TEST(ListingFiles, ARunStoppedEarlyLeavesThoseOfAnEarlierRun) {
  const auto dir = scratch("keep");
  write(dir / "good.txt", waterflood());
  Result good = run(dir, "good.txt good.lis r1 r2");
  ASSERT_EQ(good.status, 0) << good.err;
  const auto earlier = listingFiles(dir);
  for (const auto& [name, text] : earlier) EXPECT_NE(text.size(), 0u) << name;
  EXPECT_EQ(hidden(dir), std::vector<std::string>{});

  const struct {
    const char* what;
    std::string deck;
    const char* listing;
    int status;
  } stops[] = {
      {"a deck error in the grid group", waterflood({{"20 1 1 1 2 0 1 1", "41 1 1 1 2 0 1 1 0. 0."}}), "out.lis", 1},
      // An aquifer whose bounded-aquifer formula turns negative once its
      // boundary is felt, about 41 days into the run.
      {"a deck error found after the initial report",
       waterflood({{"0 0. 0. 0. 0. 0. 0. 0.", "3 10. 5000. 300. 15000. 360. 1.E-5 0.5"},
                   {"1 INFBLK", "1 INFBLK\n1 1 1 1 1 1 1"}}),
       "out.lis", 1},
      {"a well outside the grid, found in the time-step loop",
       waterflood({{"-1 2 20 1 1", "-1 2 25 1 1 11 20. 2900. 0. 0. 0."}}), "out.lis", 1},
      {"a listing that cannot be written", waterflood(), "/dev/full", 4},
  };
  for (const auto& c : stops) {
    SCOPED_TRACE(c.what);
    write(dir / "deck.txt", c.deck);
    Result r = run(dir, std::string("deck.txt ") + c.listing + " r1 r2");
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(listingFiles(dir), earlier);
    EXPECT_EQ(hidden(dir), std::vector<std::string>{});
  }

  // A run that ends, here after fifteen failed attempts, replaces them all.
  // (An oil viscosity of 1E-320: its reciprocal overflows.)
  write(dir / "deck.txt", waterflood({{"14.7 1. 1.0000 1.0001 0.2000 1.0 2.0000 0.0100",
                                       "14.7 1. 1.0000 1.0001 0.2000 1.0 1.E-320 0.0100"},
                                      {"10014.7 2. 1.0000 1.0002 0.0010 1.0 1.9999 0.0101",
                                       "10014.7 2. 1.0000 1.0002 0.0010 1.0 1.E-320 0.0101"}}));
  Result cut = run(dir, "deck.txt out.lis r1 r2");
  EXPECT_EQ(cut.status, 3) << cut.err;
  const auto now = listingFiles(dir);
  EXPECT_EQ(now.at("res.lis"), "");
  EXPECT_EQ(now.at("weld.lis"), "");
  EXPECT_NE(now.at("pvt.lis"), earlier.at("pvt.lis"));  // the overflowing viscosity
  EXPECT_EQ(hidden(dir), std::vector<std::string>{});
}

TEST(FileMessages, NameTheRoleAndTheSystemsReason) {
  const auto dir = scratch("messages");
  write(dir / "deck.txt", waterflood());
  fs::create_directory(dir / "folder");
  write(dir / "prog.bin", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + "text\n");
  write(dir / "nul.txt", std::string("DATA 01E\nTITLE\0\n", 15));
  const struct {
    const char* args;
    int status;
    const char* message;
  } cases[] = {
      {"folder o.lis r1 r2", 4, "cannot read the input deck 'folder': it is a directory"},
      {"nosuch.txt o.lis r1 r2", 4, "cannot open the input deck 'nosuch.txt': No such file or directory"},
      {"prog.bin o.lis r1 r2", 1, "the input deck 'prog.bin' is not a text deck: line 1 holds the byte 0x7F, which is no text character"},
      {"nul.txt o.lis r1 r2", 1, "the input deck 'nul.txt' is not a text deck: line 2 holds the byte 0x00, which is no text character"},
      {"deck.txt nodir/o.lis r1 r2", 4, "cannot open the listing 'nodir/o.lis': No such file or directory"},
      {"deck.txt folder r1 r2", 4, "cannot open the listing 'folder': Is a directory"},
      {"deck.txt o.lis r1 nodir/r2", 4, "cannot open the restart-up file to write 'nodir/r2': No such file or directory"},
      {"deck.txt /dev/full r1 r2", 4, "cannot write the listing '/dev/full': No space left on device"},
      {"deck.txt o.lis r1 /dev/full", 4, "cannot write the restart-up file to write '/dev/full': No space left on device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    Result r = run(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, std::string("talvek: error: ") + c.message + "\n");
    EXPECT_FALSE(fs::exists(dir / "res.lis"));
    EXPECT_EQ(hidden(dir), std::vector<std::string>{});
  }
}
