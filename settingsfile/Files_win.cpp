// The machine's files for the Windows program.
#include "settingsfile/Files_win.h"

#include <windows.h>

#include <string>

#include "settingsfile/Files.h"

namespace settingsfile {

std::wstring widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       wide.data(), static_cast<int>(wide.size()));
  wide.resize(size > 0 ? size : 0);
  return wide;
}

namespace {

std::string reasonFor(DWORD code) {
  char text[512];
  DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text, nullptr);
  while (size > 0 && (text[size - 1] == '\r' || text[size - 1] == '\n' || text[size - 1] == ' ')) {
    --size;
  }
  if (size == 0) return "system error " + std::to_string(code) + ".";
  return std::string(text, size);
}

FileError failure(const std::string& name, const char* action) {
  const DWORD code = GetLastError();
  const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
  return FileError(name, action, reasonFor(code),
                   missing ? FileError::Kind::NotFound : FileError::Kind::Other);
}

// ReplaceFileW under Wine refuses relative names, and Windows documents none.
std::wstring fullPath(const std::string& name) {
  const std::wstring relative = widen(name);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size =
        GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0) throw failure(name, "replaced");
    if (size < full.size()) {
      full.resize(size);
      return full;
    }
    full.resize(size);
  }
}

class FileHandle {
 public:
  FileHandle(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

 protected:
  HANDLE handle_;
  std::string name_;
};

class FileSource final : public ByteSource, FileHandle {
 public:
  using FileHandle::FileHandle;
  size_t read(char* buffer, size_t capacity) override {
    DWORD got = 0;
    const DWORD want = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
    if (!ReadFile(handle_, buffer, want, &got, nullptr)) throw failure(name_, "read");
    return got;
  }
};

class FileSink final : public ByteSink, FileHandle {
 public:
  using FileHandle::FileHandle;
  void write(const char* data, size_t size) override {
    while (size > 0) {
      const DWORD want = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
      DWORD put = 0;
      if (!WriteFile(handle_, data, want, &put, nullptr)) throw failure(name_, "written");
      data += put;
      size -= put;
    }
  }
  void flushToDisk() override {
    if (!FlushFileBuffers(handle_)) throw failure(name_, "written");
  }
  void close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) throw failure(name_, "written");
  }
};

class MachineFiles final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openForReading(const std::string& name) override {
    const HANDLE handle = CreateFileW(widen(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw failure(name, "read");
    return std::make_unique<FileSource>(handle, name);
  }
  std::unique_ptr<ByteSink> openForWriting(const std::string& name) override {
    const HANDLE handle = CreateFileW(widen(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw failure(name, "written");
    return std::make_unique<FileSink>(handle, name);
  }
  void replace(const std::string& from, const std::string& to) override {
    // Wine's ReplaceFileW makes an empty scratch file beside the target before it moves the
    // target aside, and leaves it in the game folder when the move fails, as it does while
    // the game holds setup.ini without letting others delete it. So ask for the access
    // that move needs first.
    const std::wstring target = fullPath(to);
    const HANDLE probe =
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) throw failure(to, "replaced");
    { const FileHandle closedAtOnce(probe, to); }
    // ReplaceFileW keeps the replaced file's security and attributes, and refuses a
    // read-only setup.ini as the game's owner would expect.
    const std::wstring source = fullPath(from);
    if (ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
      return;
    }
    // This error, with no backup name, means the old file is already gone and only the
    // rename of the new one failed: finish that rename rather than leave no setup.ini.
    if (GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
        !MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw failure(to, "replaced");
    }
  }
};

}  // namespace

std::string lastSystemReason() { return reasonFor(GetLastError()); }

FileSystem& machineFiles() {
  static MachineFiles files;
  return files;
}

}  // namespace settingsfile
