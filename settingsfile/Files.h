// The file layer under the settings-file code: byte streams over named files in the
// current directory, and the one atomic step a save needs. The machine's files come from
// Files_win.cpp or Files_posix.cpp; tests put their own in place to inject failures.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <string>

namespace settingsfile {

// A file operation the system refused. what() is a sentence ready for the player:
// "setup.tmp could not be written: Access is denied."
class FileError : public std::exception {
 public:
  enum class Kind { NotFound, Other };

  // `action` completes "<file> could not be ...", e.g. "read", "written".
  FileError(std::string file, const char* action, std::string reason, Kind kind = Kind::Other);

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }
  bool notFound() const { return kind_ == Kind::NotFound; }

 private:
  std::string file_;
  std::string reason_;
  std::string message_;
  Kind kind_;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `capacity` bytes into `buffer`. Returns 0 only once the file is exhausted.
  virtual size_t read(char* buffer, size_t capacity) = 0;
};

class ByteSink {
 public:
  // Closes the file if close() was not called, ignoring any failure.
  virtual ~ByteSink() = default;
  virtual void write(const char* data, size_t size) = 0;
  // Returns once everything written so far is on the disk itself, not just in a cache.
  virtual void flushToDisk() = 0;
  // Closing can be the moment a write fails, so it reports like any other operation.
  virtual void close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::unique_ptr<ByteSource> openForReading(const std::string& name) = 0;
  // Creates the file, or empties it when it exists.
  virtual std::unique_ptr<ByteSink> openForWriting(const std::string& name) = 0;
  // Puts file `from` in the place of file `to` in one step: whoever looks at `to` sees
  // either its old content or all of `from`, never a mixture or nothing. `from` is gone
  // afterwards.
  virtual void replace(const std::string& from, const std::string& to) = 0;
};

// The files of the current directory.
FileSystem& machineFiles();

// The system's own words for the last failure of the calling thread: "Access is denied."
std::string lastSystemReason();

}  // namespace settingsfile
