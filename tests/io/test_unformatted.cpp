// Unformatted sequential records: a file written by gfortran
// (tests/data/io/unformatted.bin, from gen_unformatted.f90) is read back,
// and the writer reproduces it byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "io/errors.h"
#include "io/unformatted.h"

using namespace talvek;

namespace {

const std::string kGolden = std::string(TALVEK_TEST_DATA) + "/io/unformatted.bin";

std::vector<char> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The records of gen_unformatted.f90.
void writeGoldenRecords(RecordWriter& w) {
  const std::int32_t r1[2] = {42, -7};
  const double r2[3] = {1.5, -2.25, 1.0e300};
  const std::int32_t three = 3;
  const double tenth = 0.1;
  std::vector<double> big(1000);
  for (int k = 0; k < 1000; ++k) big[static_cast<std::size_t>(k)] = (k + 1) * 0.5;
  w.begin();
  w.put(r1, sizeof r1);
  w.end();
  w.begin();
  w.put(r2, sizeof r2);
  w.end();
  w.begin();
  w.put(&three, 4);
  w.put("TALVEK  ", 8);
  w.put(&tenth, 8);
  w.end();
  w.begin();
  w.end();
  w.begin();
  w.put(big.data(), big.size() * sizeof(double));
  w.end();
}

struct File {
  std::FILE* f;
  explicit File(const std::string& path, const char* mode) : f(std::fopen(path.c_str(), mode)) {}
  ~File() {
    if (f) std::fclose(f);
  }
};

}  // namespace

TEST(Unformatted, ReadsRecordsWrittenByGfortran) {
  File file(kGolden, "rb");
  ASSERT_NE(file.f, nullptr);
  RecordReader r(file.f);

  EXPECT_EQ(r.begin(), 8u);
  std::int32_t i[2];
  r.get(i, sizeof i);
  r.end();
  EXPECT_EQ(i[0], 42);
  EXPECT_EQ(i[1], -7);

  EXPECT_EQ(r.begin(), 24u);
  double x[3];
  r.get(x, sizeof x);
  r.end();
  EXPECT_EQ(x[0], 1.5);
  EXPECT_EQ(x[1], -2.25);
  EXPECT_EQ(x[2], 1.0e300);

  EXPECT_EQ(r.begin(), 20u);
  std::int32_t n;
  char text[8];
  double tenth;
  r.get(&n, 4);
  r.get(text, 8);
  r.get(&tenth, 8);
  r.end();
  EXPECT_EQ(n, 3);
  EXPECT_EQ(std::string(text, 8), "TALVEK  ");
  EXPECT_EQ(tenth, 0.1);

  EXPECT_EQ(r.begin(), 0u);
  r.end();

  EXPECT_EQ(r.begin(), 8000u);
  double first[2];
  r.get(first, sizeof first);  // part of a record; end() skips the rest
  r.end();
  EXPECT_EQ(first[0], 0.5);
  EXPECT_EQ(first[1], 1.0);

  EXPECT_THROW(r.begin(), RunError);  // end of file
}

TEST(Unformatted, WriterReproducesGfortranBytes) {
  const std::string path = testing::TempDir() + "talvek_unf_roundtrip.bin";
  {
    File file(path, "w+b");
    ASSERT_NE(file.f, nullptr);
    RecordWriter w(file.f);
    writeGoldenRecords(w);
  }
  const auto want = slurp(kGolden);
  ASSERT_FALSE(want.empty());
  EXPECT_TRUE(slurp(path) == want);
  std::remove(path.c_str());
}

TEST(Unformatted, ReadErrors) {
  const std::string path = testing::TempDir() + "talvek_unf_errors.bin";
  {
    File file(path, "w+b");
    RecordWriter w(file.f);
    const double v = 2.0;
    w.begin();
    w.put(&v, 8);
    w.end();
  }
  {
    File file(path, "rb");
    RecordReader r(file.f);
    ASSERT_EQ(r.begin(), 8u);
    double two[2];
    try {
      r.get(two, sizeof two);  // more than the record holds
      FAIL() << "no error";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("past the end of a record of 8 bytes"), std::string::npos) << e.what();
    }
  }
  // A damaged closing marker, and a file cut inside a record.
  auto bytes = slurp(path);
  ASSERT_EQ(bytes.size(), 16u);
  struct Damage {
    std::size_t keep;
    int patch;  // byte to change, -1 none
    const char* what;
  };
  const Damage cases[] = {{16, 12, "markers disagree"}, {10, -1, "ends inside a record"}, {2, -1, "inside a record marker"}};
  for (const Damage& c : cases) {
    auto b = bytes;
    b.resize(c.keep);
    if (c.patch >= 0) b[static_cast<std::size_t>(c.patch)] = 9;
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(b.data(), static_cast<std::streamsize>(b.size()));
    }
    File file(path, "rb");
    RecordReader r(file.f);
    try {
      r.begin();
      double v;
      r.get(&v, 8);
      r.end();
      FAIL() << "no error for " << c.what;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
  std::remove(path.c_str());
}
