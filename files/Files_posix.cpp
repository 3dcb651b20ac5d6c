// The machine's files for the native build, where the settings-file code is tested.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/Files.h"

namespace files {

namespace {

FileError failure(const std::string& name, const char* action) {
  FileError::Kind kind = FileError::Kind::Other;
  if (errno == ENOENT) kind = FileError::Kind::NotFound;
  if (errno == EACCES || errno == EPERM) kind = FileError::Kind::AccessDenied;
  if (errno == EROFS) kind = FileError::Kind::WriteProtected;
  return FileError(name, action, std::strerror(errno), kind);
}

class Descriptor {
 public:
  Descriptor(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

 protected:
  int fd_;
  std::string name_;
};

class FileSource final : public ByteSource, Descriptor {
 public:
  using Descriptor::Descriptor;
  size_t read(char* buffer, size_t capacity) override {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, capacity);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) throw failure(name_, "read");
    }
  }
};

class FileSink final : public ByteSink, Descriptor {
 public:
  using Descriptor::Descriptor;
  void write(const char* data, size_t size) override {
    while (size > 0) {
      const ssize_t put = ::write(fd_, data, size);
      if (put < 0) {
        if (errno == EINTR) continue;
        throw failure(name_, "written");
      }
      data += put;
      size -= static_cast<size_t>(put);
    }
  }
  void flushToDisk() override {
    if (::fsync(fd_) != 0) throw failure(name_, "written");
  }
  void close() override {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw failure(name_, "written");
  }
};

// fsync of a file or, with O_DIRECTORY, a folder.
void flush(const std::string& name, int flags) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) throw failure(name, "flushed");
  const int flushed = ::fsync(fd);
  ::close(fd);
  if (flushed != 0) throw failure(name, "flushed");
}

class MachineFiles final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openForReading(const std::string& name) override {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw failure(name, "read");
    return std::make_unique<FileSource>(fd, name);
  }
  std::string gameCopy(const std::string& name) override { return name; }
  std::unique_ptr<ByteSink> openForWriting(const std::string& name, Creation creation) override {
    struct stat status;
    if (creation == Creation::Existing && ::stat(name.c_str(), &status) == 0 &&
        !(status.st_mode & S_IWUSR)) {
      throw FileError(name, "written", std::strerror(EACCES), FileError::Kind::ReadOnly);
    }
    const int flags = creation == Creation::New        ? O_CREAT | O_EXCL
                      : creation == Creation::Existing ? 0
                                                       : O_CREAT;
    const int fd = ::open(name.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | flags, 0666);
    if (fd < 0 && creation == Creation::New && errno == EEXIST) return nullptr;
    if (fd < 0) throw failure(name, "written");
    return std::make_unique<FileSink>(fd, name);
  }
  std::optional<std::string> linkTarget(const std::string& name) override {
    struct stat status;
    if (::lstat(name.c_str(), &status) != 0) throw failure(name, "read");
    if (!S_ISLNK(status.st_mode)) return std::nullopt;
    char* const target = ::realpath(name.c_str(), nullptr);
    if (!target) throw failure(name, "read");
    std::string full = target;
    std::free(target);
    return full;
  }
  void takeAttributes(const std::string& file, const std::string& original) override {
    struct stat status;
    if (::stat(original.c_str(), &status) != 0) throw failure(original, "replaced");
    if (!(status.st_mode & S_IWUSR)) {
      errno = EACCES;
      throw FileError(original, "replaced", std::strerror(errno), FileError::Kind::ReadOnly);
    }
    if (::chmod(file.c_str(), status.st_mode & 07777) != 0) throw failure(file, "written");
  }
  void replace(const std::string& from, const std::string& to) override {
    if (std::rename(from.c_str(), to.c_str()) != 0) throw failure(to, "replaced");
  }
  void flushFolderOf(const std::string& name) override { flush(folderOf(name), O_DIRECTORY); }
  void flushFile(const std::string& name) override { flush(name, 0); }
  void remove(const std::string& name) noexcept override { ::unlink(name.c_str()); }
};

}  // namespace

FileSystem& machineFiles() {
  static MachineFiles files;
  return files;
}

}  // namespace files
