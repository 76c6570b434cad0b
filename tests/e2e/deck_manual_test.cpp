// The deck manual (docs/deck.md) names every item the deck reader knows.
//
// The names are collected from the reader's own source: the item names of
// its list reads (`.item(value, "NAME")`, `textLine(label, "NAME")`), the
// names it sets one by one into its name tables (`.set("NAME")`) and every
// brace-enclosed list of names (the group labels, the array names, the
// warning-name rows, the print-switch names, the name lists of the groups a
// restart passes over). A new item added to the reader in any of these forms
// must be described in the manual before this test passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "e2e_util.h"

using namespace e2e;

namespace {

// A deck item name ("NXYZORD", "DELT1") or a group label ("DATA 10B");
// leading and trailing blanks (the warning names carry them) are dropped.
bool isName(std::string& n) {
  while (!n.empty() && n.front() == ' ') n.erase(n.begin());
  while (!n.empty() && n.back() == ' ') n.pop_back();
  static const std::regex name("[A-Z][A-Z0-9]*|DATA [0-9]{2}[A-E]");
  return std::regex_match(n, name);
}

// The item types of the passing-over lists ("IIRRR") are no names.
bool isTypeString(const std::string& n) { return n.find_first_not_of("IR") == std::string::npos; }

std::set<std::string> readerNames() {
  std::set<std::string> names;
  const fs::path dir = fs::path(TALVEK_SOURCE_DIR) / "src" / "input";
  const std::regex call(R"re((?:\.item|textLine)\s*\([^;"]*?,\s*"([^"]*)"\s*\))re");
  const std::regex set(R"re(\.set\(\s*(?:std::string_view\(\s*)?"([^"]*)")re");
  const std::regex list(R"re(\{\s*("[^"]*"(?:\s*,\s*"[^"]*")*)\s*,?\s*\})re");
  const std::regex literal(R"re("([^"]*)")re");
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string ext = e.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    const std::string text = slurp(e.path());
    for (const std::regex* re : {&call, &set}) {
      for (std::sregex_iterator it(text.begin(), text.end(), *re), end; it != end; ++it) {
        std::string n = (*it)[1];
        if (isName(n)) names.insert(n);
      }
    }
    for (std::sregex_iterator it(text.begin(), text.end(), list), end; it != end; ++it) {
      const std::string inner = (*it)[1];
      for (std::sregex_iterator jt(inner.begin(), inner.end(), literal); jt != std::sregex_iterator(); ++jt) {
        std::string n = (*jt)[1];
        if (isName(n) && !isTypeString(n)) names.insert(n);
      }
    }
  }
  return names;
}

// `name` stands in `text` as a word of its own.
bool mentions(const std::string& text, const std::string& name) {
  auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (std::size_t p = text.find(name); p != std::string::npos; p = text.find(name, p + 1)) {
    const bool before = p == 0 || !word(text[p - 1]);
    const std::size_t q = p + name.size();
    const bool after = q >= text.size() || !word(text[q]);
    if (before && after) return true;
  }
  return false;
}

}  // namespace

TEST(DeckManual, NamesEveryGroupAndItemTheReaderKnows) {
  const std::set<std::string> names = readerNames();
  // The collection itself works: names of every kind of group are found (a
  // change of the reader's code style that hid them would empty the check).
  for (const char* known : {"TITLE", "IPRTDAT", "MATBAK", "PRNTADMX", "KEQP", "DEPTH1", "AQMUW", "XREF5", "NXYZORD",
                            "RADE", "IACTIVE", "RGFZ", "I1", "K2", "ICODE", "SWT", "PCGOI", "MUG", "CMUO", "DENR",
                            "MUP", "RRF", "NOW", "GORMAX", "IWOPC", "CONCTI", "MAXADS", "DATA 01E", "DATA 45D"}) {
    EXPECT_TRUE(names.count(known)) << known << " was not found in the reader's source";
  }
  EXPECT_GE(names.size(), 150u);

  const std::string manual = slurp(fs::path(TALVEK_SOURCE_DIR) / "docs" / "deck.md");
  ASSERT_FALSE(manual.empty()) << "docs/deck.md is missing";
  std::string missing;
  for (const auto& n : names)
    if (!mentions(manual, n)) missing += " " + n;
  EXPECT_EQ(missing, "") << "docs/deck.md does not name:" << missing;
}

TEST(DeckManual, WordMatchingIsExact) {
  // A name inside a longer word does not count as named.
  EXPECT_TRUE(mentions("the item `NX` of", "NX"));
  EXPECT_TRUE(mentions("NX", "NX"));
  EXPECT_FALSE(mentions("NXYZORD only", "NX"));
  EXPECT_FALSE(mentions("PRNTSW", "SW"));
  EXPECT_TRUE(mentions("DATA 10B: grid", "DATA 10B"));
}
