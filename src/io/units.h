// The unit table: fixed unit numbers mapped to open files.
//
// Every writer of the program takes a unit number, as the system's routines
// do. Units 5 and 6 are the console (standard input and output) and are
// always connected. Files are plain C streams buffered in a fixed buffer of
// their slot, so that writing a line allocates nothing, not even the stream
// buffer on a file's first write.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace talvek {

enum class FileForm { Formatted, Unformatted };
enum class FileStatus { Old, Unknown };

class Units {
 public:
  static constexpr int kMaxUnit = 16;

  Units() = default;
  ~Units();
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  // Opens `path` on `unit`. Old: the file must exist and is opened for
  // reading. Unknown: opened for reading and writing, created and truncated
  // (so a file that is to be read, such as a restart-up file, is opened Old).
  // `role` is how messages name the file, for example "the listing 'out.lis'"
  // or "res.lis"; without it they say "the file 'PATH'". Throws IoError
  // naming the file and the system's reason when the open fails.
  void open(int unit, std::string_view path, FileForm form, FileStatus status, std::string_view role = {});
  // Status "KEEP"; closing a closed unit does nothing. Data still buffered is
  // written: a failure throws IoError.
  void close(int unit);
  void closeAll();  // closes every file, reporting nothing (the error path)
  void rewind(int unit);
  bool isOpen(int unit) const;
  const std::string& name(int unit) const;
  const std::string& role(int unit) const;  // how messages name the file
  std::FILE* file(int unit);  // nullptr when not connected

  // Formatted records. writeLine appends '\n'.
  void writeLine(int unit, std::string_view line);
  // Reads one record without its line end; false at end of file.
  bool readLine(int unit, std::string& line);
  void flush(int unit);  // a file's failure throws IoError; the console's is left to its reader
  void flushAll();

 private:
  static constexpr std::size_t kBufSize = 8192;
  struct Slot {
    std::FILE* f = nullptr;
    std::string name;
    std::string role;
    int err = 0;  // the system's reason of the last failed write
    FileForm form = FileForm::Formatted;
    char buf[kBufSize];  // the stream buffer of f (set when the file is opened)
  };
  Slot& slot(int unit);
  const Slot& slot(int unit) const;
  Slot slots_[kMaxUnit + 1];
};

}  // namespace talvek
