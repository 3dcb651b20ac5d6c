// The file layer under the settings-file code: byte streams over named files, and the steps
// of a save that only the system can do: finding the copy of a file that the game reads and
// where a link leads, giving the new file the old one's attributes, and putting it in the old
// one's place in one step. The machine's
// files come from Files_win.cpp or Files_posix.cpp; tests put their own in place to inject
// failures. Names are UTF-8, relative to the current directory or full.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace files {

// A file operation the system refused. what() is a sentence ready for the player:
// "setup.tmp could not be written: Access is denied."
class FileError : public std::exception {
 public:
  // What the player can do about it differs with each of these.
  // InUse is the one that passes: another program has the file open for a moment.
  // WriteProtected: the disk or share itself takes no changes.
  // NamesTaken: every scratch name a save may use beside the file is taken.
  // Incomplete: a file written over in place failed half way and could not be put back.
  enum class Kind {
    NotFound,
    ReadOnly,
    AccessDenied,
    WriteProtected,
    InUse,
    NamesTaken,
    Incomplete,
    Other
  };

  // `action` completes "<file> could not be ...", e.g. "read", "written".
  FileError(std::string file, const char* action, std::string reason, Kind kind = Kind::Other);

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& file() const { return file_; }
  Kind kind() const { return kind_; }
  FileError as(Kind kind) const {
    FileError same = *this;
    same.kind_ = kind;
    return same;
  }

 private:
  std::string file_;
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

// How openForWriting treats a file of that name.
enum class Creation {
  Anew,     // created, or emptied when it exists
  New,      // created; when the name is taken, nothing is opened and null returned
  Existing  // emptied; refused, with Kind::ReadOnly, when the player made it read-only
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The name of the copy of the game's file `name` that the game itself opens: the file of
  // that name in the current folder, unless the system redirects the game elsewhere.
  virtual std::string gameCopy(const std::string& name) = 0;
  virtual std::unique_ptr<ByteSource> openForReading(const std::string& name) = 0;
  virtual std::unique_ptr<ByteSink> openForWriting(const std::string& name,
                                                   Creation creation = Creation::Anew) = 0;
  // The full name of the file that `name` leads to when it is a symbolic link (or another
  // kind of reparse point); nothing when `name` is a file of its own.
  virtual std::optional<std::string> linkTarget(const std::string& name) = 0;
  // Gives `file` the attributes of `original` that a replacement must keep (hidden, system
  // and archive; on POSIX the permissions), and refuses, with Kind::ReadOnly, an `original`
  // the player has made read-only: not every system would refuse to replace it.
  virtual void takeAttributes(const std::string& file, const std::string& original) = 0;
  // Puts file `from` in the place of file `to` in one step: whoever looks at `to`, even after
  // a crash, sees either its old content or all of `from`, never a mixture or nothing.
  // Refused with Kind::InUse while another program holds `to`, whatever it shares, and with
  // Kind::AccessDenied where the player may not replace `to` (though perhaps write it).
  virtual void replace(const std::string& from, const std::string& to) = 0;
  // Makes the names in the folder of file `name` durable: until then a crash may undo a
  // replace on some file systems.
  virtual void flushFolderOf(const std::string& name) = 0;
  // Makes file `name` durable where it is. On NTFS that also makes the rename that put it
  // there durable: its log is written up to the file's changes, the rename's among them.
  virtual void flushFile(const std::string& name) = 0;
  // Removes the file where the system allows it. Only ever tidies up, after a failure that is
  // being reported already or of a file that would mislead, so it reports nothing itself.
  virtual void remove(const std::string& name) noexcept = 0;
};

// The files of the current directory.
FileSystem& machineFiles();

// The name of a file called `name` in the folder of file `file`.
std::string beside(const std::string& file, const char* name);

// The folder that file `name` is in, e.g. to flush it.
inline std::string folderOf(const std::string& name) { return beside(name, "."); }

}  // namespace files
