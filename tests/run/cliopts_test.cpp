// The command line: options anywhere among the file names, in both forms of
// --output-dir, and the mistakes that are refused.
#include <gtest/gtest.h>

#include "run/cliopts.h"

using talvek::CMDLIN;

TEST(CMDLIN, OptionsAndNamesInAnyOrder) {
  const auto c = CMDLIN({"--csv", "d.txt", "--output-dir", "run 1", "o.lis", "--quiet", "r1", "r2", "--progress"});
  EXPECT_EQ(c.error, "");
  EXPECT_EQ(c.names, (std::vector<std::string>{"d.txt", "o.lis", "r1", "r2"}));
  EXPECT_EQ(c.opts.OUTDIR, "run 1");
  EXPECT_TRUE(c.opts.CSV && c.opts.QUIET && c.opts.PROGRESS);
  EXPECT_FALSE(c.opts.CHECK || c.opts.SUMMARY || c.help || c.version);
  EXPECT_TRUE(c.opts.summaryFile());

  const auto e = CMDLIN({"--output-dir=out", "--check", "--summary", "--", "--d.txt", "-o.lis", "r1", "r2"});
  EXPECT_EQ(e.error, "");
  EXPECT_EQ(e.opts.OUTDIR, "out");
  EXPECT_TRUE(e.opts.CHECK && e.opts.SUMMARY);
  // After "--" every argument is a name; a name may start with one dash.
  EXPECT_EQ(e.names, (std::vector<std::string>{"--d.txt", "-o.lis", "r1", "r2"}));

  // The prompt form: options only.
  const auto p = CMDLIN({"--quiet"});
  EXPECT_TRUE(p.names.empty());
  EXPECT_FALSE(p.opts.summaryFile());
  EXPECT_TRUE(CMDLIN({"-h"}).help);
  EXPECT_TRUE(CMDLIN({"a", "--version"}).version);
}

TEST(CMDLIN, MistakesAreNamed) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--output-dir"}, "option '--output-dir' needs a folder name"},
      {{"--output-dir="}, "option '--output-dir' needs a folder name"},
      {{"--csv", "--frobnicate"}, "unknown option '--frobnicate'"},
      {{"--CSV"}, "unknown option '--CSV'"},
  };
  for (const auto& k : cases) EXPECT_EQ(CMDLIN(k.args).error, k.error) << k.args.back();
}
