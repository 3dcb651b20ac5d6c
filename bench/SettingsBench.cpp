// The load and the save of setup.ini measured against the floor the machine sets for them,
// side by side, natively: reading the file once is the floor of a load; copying it twice,
// the first copy flushed to disk, is the floor of a save (the new setup.ini made durable,
// then the setup.tmp that is kept). Also the peak memory of each on a small and a large
// file, which must not grow with the file. The time budget on the large file is a guard
// against work that grows faster than the file, not a target.
//
//   settings_bench DIR [ROUNDS_SMALL ROUNDS_LARGE]
//   settings_bench --make FILE BYTES         a file as measured, for a profiler
//   settings_bench --measure OPERATION       one measurement, in the file's folder
//
// Works in DIR, which it fills with files of 1 MB and 100 MB. Every measurement runs in a
// process of its own, started for it, so that each peak is that operation's alone; the
// program and its floor take turns, in alternating order, and the medians are compared.
// Prints one table, then a line for each budget, and exits 1 when a figure is over its budget.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/Files.h"
#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"

namespace {

using settingsfile::CheckBox;
using settingsfile::TextureOption;

constexpr double kTimeBudget = 10;       // program / floor, on the large file
constexpr long kMemoryBudgetKib = 2048;  // peak on the large file minus peak on the small
constexpr size_t kChunk = 64 * 1024;     // what the program reads and writes at a time
constexpr long long kMegabyte = 1000 * 1000;

// The game's own file, less the four keys, which come once at the very end: a load must
// read every line before it finds them.
constexpr const char* kBody =
    "; Game configuration. Edit with care: the game reads this file at start.\r\n"
    "[Display]\r\nfullscreen=1\r\nwidth=1280\r\nheight=720\r\nrefreshrate=60\r\nvsync=1\r\n"
    "gamma=1.0\r\nbrightness=50\r\n\r\n[Graphics]\r\nshadows=2\r\nshadowresolution=1024\r\n"
    "anisotropy=4\r\nantialiasing=2\r\nviewdistance=800\r\nparticles=1\r\n\r\n[Audio]\r\n"
    "mastervolume=80\r\nmusicvolume=60\r\neffectsvolume=90\r\nspeechvolume=100\r\n"
    "soundchannels=32\r\n\r\n[Controls]\r\nmousesensitivity=5\r\ninvertmouse=0\r\n"
    "; keyboard layout: qwerty, azerty\r\nkeyboardlayout=qwerty\r\n\r\n[Game]\r\n"
    "language=english\r\nsubtitles=1\r\ndifficulty=normal\r\nautosave=1\r\n";
constexpr const char* kKeys =
    "dynamiclighting=1\r\ndividetexturesize=2\r\nproducelogfiles=0\r\npostprocessing=1\r\n";

// Holds what a save of the generated file writes back, so that every save leaves the file
// as it was and each round measures the same work.
class Form final : public settingsfile::SettingsForm {
 public:
  void setCheckState(CheckBox box, int state) override { checks_[index(box)] = state; }
  int checkState(CheckBox box) const override { return checks_[index(box)]; }
  void selectOption(TextureOption option) override { option_ = option; }
  bool isSelected(TextureOption option) const override { return option_ == option; }

 private:
  static size_t index(CheckBox box) { return static_cast<size_t>(box); }
  std::array<int, 3> checks_{1, 1, 0};  // Lighting, Bloom, Log, as in kKeys
  TextureOption option_ = TextureOption::Medium;
};

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "settings_bench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

void writeSettingsFile(const std::string& path, long long size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string body = kBody;
  for (long long written = 0; written + static_cast<long long>(body.size()) <= size;
       written += static_cast<long long>(body.size())) {
    out << body;
  }
  out << kKeys;
  if (!out.flush()) fail("cannot write " + path);
}

// Copies `from` to `to` the plain way, through one buffer of the program's own size.
void copyFile(const char* from, const char* to, bool flushToDisk) {
  const int in = ::open(from, O_RDONLY | O_CLOEXEC);
  const int out = ::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (in < 0 || out < 0) fail("cannot open for the floor");
  std::vector<char> buffer(kChunk);
  ssize_t got;
  while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
    if (::write(out, buffer.data(), static_cast<size_t>(got)) != got) fail("floor write");
  }
  if (got < 0 || (flushToDisk && ::fsync(out) != 0)) fail("floor copy");
  ::close(in);
  ::close(out);
}

// --- In the measured process: one operation in the current directory. ---

void floorLoad() {
  const int in = ::open(settingsfile::kSettingsFile, O_RDONLY | O_CLOEXEC);
  if (in < 0) fail("cannot open setup.ini");
  std::vector<char> buffer(kChunk);
  ssize_t got;
  while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
  }
  if (got < 0) fail("floor read");
  ::close(in);
}

void floorSave() {
  copyFile(settingsfile::kSettingsFile, "floor.tmp", true);
  copyFile("floor.tmp", "floor2.tmp", false);
}

// Runs the operation, then prints its time in seconds and the process's peak memory in KiB.
int measureHere(const std::string& operation) {
  Form form;
  auto& files = files::machineFiles();
  // What the operation before this one left for the disk to write must not be charged to
  // this one: the kernel would have written it in its own time.
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  if (operation == "load") {
    settingsfile::loadSettings(files, form);
  } else if (operation == "save") {
    settingsfile::saveSettings(files, form);
  } else if (operation == "floor-load") {
    floorLoad();
  } else if (operation == "floor-save") {
    floorSave();
  } else {
    return 2;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.9f %ld\n", elapsed.count(), usage.ru_maxrss);
  return 0;
}

// --- In the driving process. ---

struct Sample {
  double seconds;
  long peakKib;
};

std::string self;

Sample measure(const std::string& dir, const char* operation) {
  int out[2];
  if (::pipe(out) != 0) fail("pipe");
  const pid_t child = ::fork();
  if (child < 0) fail("fork");
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    if (::chdir(dir.c_str()) != 0) _exit(2);
    ::execl(self.c_str(), self.c_str(), "--measure", operation, static_cast<char*>(nullptr));
    _exit(2);
  }
  ::close(out[1]);
  std::string text;
  char buffer[256];
  ssize_t got;
  while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  Sample sample{};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(text.c_str(), "%lf %ld", &sample.seconds, &sample.peakKib) != 2) {
    std::fprintf(stderr, "settings_bench: %s failed in %s\n", operation, dir.c_str());
    std::exit(2);
  }
  return sample;
}

template <typename T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Figures {
  double program, floor;  // median seconds
  long peakKib;           // median peak of the program
};

// The program and its floor, `rounds` times each, taking turns in alternating order so that
// neither always runs on a cache or a disk the other has just warmed or filled.
Figures compare(const std::string& dir, const char* operation, const char* floor, int rounds) {
  std::vector<double> program, floorTimes;
  std::vector<long> peaks;
  measure(dir, operation);  // warms the page cache and leaves setup.tmp as a save leaves it
  measure(dir, floor);
  for (int round = 0; round < rounds; ++round) {
    const bool programFirst = round % 2 == 0;
    const Sample first = measure(dir, programFirst ? operation : floor);
    const Sample second = measure(dir, programFirst ? floor : operation);
    const Sample& mine = programFirst ? first : second;
    program.push_back(mine.seconds);
    peaks.push_back(mine.peakKib);
    floorTimes.push_back(programFirst ? second.seconds : first.seconds);
  }
  return {median(program), median(floorTimes), median(peaks)};
}

const char* verdict(bool within) { return within ? "within" : "OVER"; }

std::string milliseconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ms", seconds * 1000);
  return text;
}

int drive(const std::string& root, int smallRounds, int largeRounds) {
  struct Size {
    const char* name;
    long long bytes;
    int rounds;
  };
  const Size sizes[] = {{"1 MB", kMegabyte, smallRounds}, {"100 MB", 100 * kMegabyte, largeRounds}};
  struct Row {
    const char* operation;
    const char* floor;
    const char* floorDone;  // what the floor does, for the budget's line
    Figures bySize[2];
    long growth() const { return bySize[1].peakKib - bySize[0].peakKib; }
  } rows[] = {{"load", "floor-load", "reading the file", {}},
              {"save", "floor-save", "copying it twice", {}}};

  for (int s = 0; s < 2; ++s) {
    const std::string dir = root + "/" + std::to_string(sizes[s].bytes);
    ::mkdir(root.c_str(), 0777);
    ::mkdir(dir.c_str(), 0777);
    writeSettingsFile(dir + "/" + settingsfile::kSettingsFile, sizes[s].bytes);
    for (Row& row : rows) {
      row.bySize[s] = compare(dir, row.operation, row.floor, sizes[s].rounds);
    }
    // Four copies of the large file would otherwise stay behind.
    for (const char* name :
         {settingsfile::kSettingsFile, settingsfile::kScratchFile, "floor.tmp", "floor2.tmp"}) {
      ::unlink((dir + "/" + name).c_str());
    }
    ::rmdir(dir.c_str());
  }

  std::printf("Time, medians of %d (1 MB) and %d (100 MB) runs each, warm page cache:\n",
              smallRounds, largeRounds);
  std::printf("  %-12s %12s %12s %8s\n", "", "program", "floor", "ratio");
  for (const Row& row : rows) {
    for (int s = 0; s < 2; ++s) {
      const Figures& f = row.bySize[s];
      std::printf("  %s %-7s %12s %12s %7.2fx\n", row.operation, sizes[s].name,
                  milliseconds(f.program).c_str(), milliseconds(f.floor).c_str(),
                  f.program / f.floor);
    }
  }
  std::printf("Peak memory (resident), medians:\n");
  std::printf("  %-12s %12s %12s %8s\n", "", "1 MB", "100 MB", "growth");
  for (const Row& row : rows) {
    std::printf("  %-12s %8ld KiB %8ld KiB %+4ld KiB\n", row.operation, row.bySize[0].peakKib,
                row.bySize[1].peakKib, row.growth());
  }

  bool within = true;
  for (const Row& row : rows) {
    const Figures& f = row.bySize[1];
    const double ratio = f.program / f.floor;
    within &= ratio <= kTimeBudget;
    std::printf("%s: %.2fx of %s, on 100 MB (budget %.0fx) %s\n", row.operation, ratio,
                row.floorDone, kTimeBudget, verdict(ratio <= kTimeBudget));
  }
  const long growth = std::max(rows[0].growth(), rows[1].growth());
  within &= growth <= kMemoryBudgetKib;
  std::printf(
      "memory: %+ld KiB of peak from 1 MB to 100 MB, the more of load and save "
      "(budget %+ld KiB) %s\n",
      growth, kMemoryBudgetKib, verdict(growth <= kMemoryBudgetKib));
  return within ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--measure") == 0) return measureHere(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--make") == 0) {
    writeSettingsFile(argv[2], std::atoll(argv[3]));
    return 0;
  }
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: settings_bench DIR [ROUNDS_1MB ROUNDS_100MB]\n");
    return 2;
  }
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) fail("cannot find this program");
  self.assign(path, static_cast<size_t>(length));
  const int smallRounds = argc == 4 ? std::atoi(argv[2]) : 15;
  const int largeRounds = argc == 4 ? std::atoi(argv[3]) : 7;
  return drive(argv[1], std::max(smallRounds, 1), std::max(largeRounds, 1));
}
