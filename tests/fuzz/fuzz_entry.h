// The one entry of the fuzz targets and of their replay test: a deck (or a
// restart-up image) run in this process as the program runs it, with the
// work of one input bounded.
//
// A deck is handed to the reader as text and run through the driver's own
// pieces: the text check, the deck head, the new-run set-up or the restored
// state, the schedule, and then, for a small grid, a few time steps and the
// end of the run; a larger grid stops after the set-up, as --check does.
// Everything the run writes goes to a scratch folder that the entry makes
// for its process (and removes at exit) or to /dev/null; the console lines
// are dropped.
//
// The run ends normally or with one of the program's own error types
// (RunError and those derived from it): both are expected outcomes. Any
// other exception is let through to the caller.
#pragma once

#include <string>
#include <string_view>

namespace talvek::fuzz {

// Grids of at most this many active blocks run kSteps time steps after the
// set-up; larger ones only the set-up.
inline constexpr int kStepBlocks = 200;
inline constexpr int kSteps = 3;

enum class End { Normal, Refused };

struct Outcome {
  End end = End::Normal;
  std::string message;  // what the refusal says
};

// Runs `deck` (named "fuzz.dat" in messages). A deck that asks for a restart
// finds no restart-up file to read and is refused.
Outcome runDeck(std::string_view deck);

// A restart run of the fixed restart deck tests/fuzz/restart_deck.txt that
// reads `packed`, unpacked by unpackImage(), as its restart-up file.
Outcome runRestart(std::string_view packed);
// The same with the image as a run wrote it.
Outcome runRestartImage(std::string_view image);

// Restart-up images in a packed form. An image holds every array at its
// full declared size (about 22 MB), nearly all zeros, blanks or repeats of
// one value for a small grid; the fuzzer keeps its inputs in memory and
// mutates them at random places, so it is given images with their runs
// packed (tests/fuzz/pack_image.py packs an image):
//   a byte b other than 0      b itself;
//   0, n (LEB128), k (a byte)  n + 1 bytes: zeros when k is 0, else each
//                              the byte k places back (a run of period k;
//                              before the start of the file that is 0).
// A count or period cut off by the end of the input counts as 0. Every byte
// string unpacks to some file; the unpacked file is cut at imageSize() +
// kImageSlack bytes.
std::string unpackImage(std::string_view packed);
void unpackImage(std::string_view packed, std::string& out);  // into `out`, reusing its storage
std::size_t imageSize();  // the length of a whole image
inline constexpr std::size_t kImageSlack = 65536;  // kMaxImage = imageSize() + kImageSlack

// The scratch folder of this process.
const std::string& scratchDir();

}  // namespace talvek::fuzz
