// The command line and the console dialogue of the talvek program.
#include <gtest/gtest.h>

#include "e2e_util.h"

using namespace e2e;

TEST(CommandLine, HelpAndVersion) {
  const auto dir = scratch("cli_help");
  Result h = run(dir, "--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("usage: talvek [DECK LISTING RST_IN RST_OUT]"), std::string::npos) << h.out;
  // The exit statuses and the file-name rules are told.
  for (const char* status : {"  0  the run reached its halting time", "  1  bad input", "  2  wrong command line",
                             "  3  a time step failed fifteen times", "  4  a file could not be opened"})
    EXPECT_NE(h.out.find(status), std::string::npos) << status;
  EXPECT_NE(h.out.find("no two of them may be the same file"), std::string::npos) << h.out;
  EXPECT_EQ(h.err, "");
  Result v = run(dir, "--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "talvek 1.16\n");
  // Neither writes a file of the run.
  EXPECT_FALSE(fs::exists(dir / "res.lis"));
}

TEST(CommandLine, WrongArgumentsAreRefused) {
  const auto dir = scratch("cli_args");
  for (const char* args : {"deck.txt out.lis", "a b c d e", "--frobnicate"}) {
    Result r = run(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("talvek: error:"), std::string::npos) << args << ": " << r.err;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
  }
}

TEST(CommandLine, MissingDeckStopsWithAMessage) {
  const auto dir = scratch("cli_missing");
  Result r = run(dir, "nosuch.txt out.lis r1.rst r2.rst");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("talvek: error:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nosuch.txt"), std::string::npos) << r.err;
  // The banner is written, the prompt is not (the names came as arguments).
  EXPECT_NE(r.out.find("(TALVEK, RELEASE 1.16)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ENTER NAMES"), std::string::npos);
}

TEST(ConsoleDialogue, PromptThenAnswerLine) {
  const auto dir = scratch("cli_prompt");
  Result r = run(dir, "", "nosuch.txt,out.lis,r1.rst,r2.rst\n");
  EXPECT_NE(r.status, 0);
  const auto l = lines(r.out);
  ASSERT_GE(l.size(), 12u);
  EXPECT_EQ(l[0], "   ");
  EXPECT_EQ(l[3], "  TALVEK");
  EXPECT_EQ(l[4], "              (TALVEK, RELEASE 1.16)");
  EXPECT_EQ(l[l.size() - 2], " ENTER NAMES OF INPUT, OUTPUT, RESTART-UP FILES");
  EXPECT_EQ(l[l.size() - 1], " input.txt,output.lis,rstr1.txt,rstr2.txt");
  EXPECT_NE(r.err.find("nosuch.txt"), std::string::npos) << r.err;

  // No answer at all.
  Result e = run(dir, "", "");
  EXPECT_NE(e.status, 0);
  EXPECT_NE(e.err.find("no answer on standard input"), std::string::npos) << e.err;
}
