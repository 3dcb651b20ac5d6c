// The machine's files for the Windows program. Every name goes to the system as a full path
// with the \\?\ prefix, so that a game folder of any length works, whatever the system's
// limit for plain paths.
#include <windows.h>

#include <string>

#include "files/Files.h"
#include "files/VirtualStore_win.h"
#include "win32/Helpers_win.h"

namespace files {

namespace {

using win32::UniqueHandle;

// What a file written anew keeps of the one it replaces, besides the archive attribute.
constexpr DWORD kRenewed = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

FileError failure(const std::string& name, const char* action, DWORD code = GetLastError()) {
  FileError::Kind kind = FileError::Kind::Other;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      kind = FileError::Kind::NotFound;
      break;
    case ERROR_ACCESS_DENIED:
      kind = FileError::Kind::AccessDenied;
      break;
    case ERROR_WRITE_PROTECT:
      kind = FileError::Kind::WriteProtected;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      kind = FileError::Kind::InUse;
      break;
  }
  return FileError(name, action, win32::systemReason(code), kind);
}

// A name as the player should read it: without the prefix that lifts the length limit.
std::string shown(std::wstring_view path) {
  // \\?\UNC\server\share is \\server\share: a backslash before the one that follows UNC.
  if (path.starts_with(L"\\\\?\\UNC\\")) return "\\" + win32::narrow(path.substr(7));
  if (path.starts_with(L"\\\\?\\")) path.remove_prefix(4);
  return win32::narrow(path);
}

// The full \\?\ path of a name relative to the current directory, or of a full one.
std::wstring systemPath(const std::string& name) {
  std::wstring path = win32::widen(name);
  if (path.starts_with(L"\\\\?\\")) return path;
  std::wstring full;
  for (DWORD size = 0;;) {
    const DWORD needed = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (needed == 0) throw failure(name, "found");
    full.resize(needed);
    if (needed < size) break;
    size = needed;
  }
  std::wstring_view rest = full;
  std::wstring prefixed = L"\\\\?\\";
  if (rest.starts_with(L"\\\\")) {  // \\server\share
    prefixed += L"UNC";
    rest.remove_prefix(1);
  }
  prefixed += rest;
  return prefixed;
}

UniqueHandle openFile(const std::string& name, DWORD access, DWORD sharing, DWORD creation,
                      DWORD flags, const char* action) {
  UniqueHandle file = win32::ownFile(
      CreateFileW(systemPath(name).c_str(), access, sharing, nullptr, creation, flags, nullptr));
  if (!file) throw failure(name, action);
  return file;
}

// Where a file or folder really is, every link on the way followed: its volume, and its path
// within the volume. Unlike the whole final path, which Wine cannot give beyond MAX_PATH.
struct Place {
  DWORD volume;
  std::wstring path;
};

Place placeOf(const std::string& name, DWORD flags) {
  const UniqueHandle file =
      openFile(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
               flags, "read");
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.get(), &information)) throw failure(name, "read");
  std::string buffer(sizeof(FILE_NAME_INFO) + 512, '\0');
  const auto* named = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
  while (!GetFileInformationByHandleEx(file.get(), FileNameInfo, buffer.data(),
                                       static_cast<DWORD>(buffer.size()))) {
    if (GetLastError() != ERROR_MORE_DATA) throw failure(name, "read");
    buffer.resize(sizeof(FILE_NAME_INFO) + named->FileNameLength);
    named = reinterpret_cast<const FILE_NAME_INFO*>(buffer.data());
  }
  return {information.dwVolumeSerialNumber,
          std::wstring(named->FileName, named->FileNameLength / sizeof(wchar_t))};
}

// The full path of a file, every link on the way followed.
std::wstring finalPath(const std::string& name) {
  const UniqueHandle file = openFile(
      name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0, "read");
  std::wstring path;
  for (DWORD size = 0;;) {
    const DWORD needed = GetFinalPathNameByHandleW(file.get(), path.data(), size, 0);
    if (needed == 0) throw failure(name, "read");
    path.resize(needed);
    if (needed < size) return path;
    size = needed;
  }
}

class FileSource final : public ByteSource {
 public:
  FileSource(UniqueHandle file, std::string name)
      : file_(std::move(file)), name_(std::move(name)) {}
  size_t read(char* buffer, size_t capacity) override {
    DWORD got = 0;
    const DWORD want = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
    if (!ReadFile(file_.get(), buffer, want, &got, nullptr)) throw failure(name_, "read");
    return got;
  }

 private:
  UniqueHandle file_;
  std::string name_;
};

class FileSink final : public ByteSink {
 public:
  FileSink(UniqueHandle file, std::string name) : file_(std::move(file)), name_(std::move(name)) {}
  void write(const char* data, size_t size) override {
    while (size > 0) {
      const DWORD want = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
      DWORD put = 0;
      if (!WriteFile(file_.get(), data, want, &put, nullptr)) throw failure(name_, "written");
      data += put;
      size -= put;
    }
  }
  void flushToDisk() override {
    if (!FlushFileBuffers(file_.get())) throw failure(name_, "written");
  }
  void close() override {
    if (!CloseHandle(file_.release())) throw failure(name_, "written");
  }

 private:
  UniqueHandle file_;
  std::string name_;
};

// Windows refuses to replace or write a read-only file, but Wine run as root does not.
void refuseReadOnly(const std::string& name, DWORD attributes, const char* action) {
  if (attributes != INVALID_FILE_ATTRIBUTES && attributes & FILE_ATTRIBUTE_READONLY) {
    throw FileError(name, action, win32::systemReason(ERROR_ACCESS_DENIED),
                    FileError::Kind::ReadOnly);
  }
}

// FlushFileBuffers of a file or, with FILE_FLAG_BACKUP_SEMANTICS, a folder. It needs a handle
// that may write; nothing is written through it.
void flush(const std::string& name, DWORD flags) {
  const UniqueHandle file =
      openFile(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
               OPEN_EXISTING, flags, "flushed");
  if (!FlushFileBuffers(file.get())) throw failure(name, "flushed");
}

class MachineFiles final : public FileSystem {
 public:
  std::string gameCopy(const std::string& name) override {
    const std::optional<std::wstring> copy = virtualStoreCopy(win32::widen(name));
    return copy ? win32::narrow(*copy) : name;
  }
  std::unique_ptr<ByteSource> openForReading(const std::string& name) override {
    return std::make_unique<FileSource>(openFile(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                                 FILE_FLAG_SEQUENTIAL_SCAN, "read"),
                                        name);
  }
  std::unique_ptr<ByteSink> openForWriting(const std::string& name, Creation creation) override {
    // Windows empties a hidden or system file only for a call that names those attributes, as
    // a setup.tmp left by a save killed after it took setup.ini's attributes would have.
    const DWORD old = GetFileAttributesW(systemPath(name).c_str());
    const DWORD kept = old == INVALID_FILE_ATTRIBUTES ? 0 : old & kRenewed;
    if (creation == Creation::Existing) refuseReadOnly(name, old, "written");
    const DWORD disposition = creation == Creation::New        ? CREATE_NEW
                              : creation == Creation::Existing ? TRUNCATE_EXISTING
                                                               : CREATE_ALWAYS;
    UniqueHandle file = win32::ownFile(CreateFileW(systemPath(name).c_str(), GENERIC_WRITE,
                                                   FILE_SHARE_READ, nullptr, disposition,
                                                   kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && creation == Creation::New &&
        (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
      return nullptr;
    }
    if (!file) throw failure(name, "written");
    return std::make_unique<FileSink>(std::move(file), name);
  }
  std::optional<std::string> linkTarget(const std::string& name) override {
    // Wine shows a Unix symbolic link as a plain file, with no reparse point attribute, so a
    // link is told by where the file really is: anywhere but in its folder under its own
    // name. Opening follows links; the place of what was opened says where to.
    const Place file = placeOf(name, 0), here = placeOf(folderOf(name), FILE_FLAG_BACKUP_SEMANTICS);
    std::wstring unlinked = here.path;
    if (!unlinked.ends_with(L'\\')) unlinked += L'\\';  // all but a volume's root folder
    unlinked += win32::widen(name.substr(name.find_last_of("/\\") + 1));
    if (file.volume == here.volume &&
        CompareStringOrdinal(file.path.c_str(), -1, unlinked.c_str(), -1, TRUE) == CSTR_EQUAL) {
      return std::nullopt;
    }
    return shown(finalPath(name));
  }
  void takeAttributes(const std::string& file, const std::string& original) override {
    const DWORD attributes = GetFileAttributesW(systemPath(original).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) throw failure(original, "replaced");
    refuseReadOnly(original, attributes, "replaced");
    const DWORD kept = attributes & (kRenewed | FILE_ATTRIBUTE_ARCHIVE);
    if (!SetFileAttributesW(systemPath(file).c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL)) {
      throw failure(file, "written");
    }
  }
  void replace(const std::string& from, const std::string& to) override {
    // One rename that replaces its target: on NTFS and under Wine (one rename(2)) there is no
    // moment without the target. ReplaceFileW is not that under Wine: it moves the target
    // aside, deletes it and only then renames, and it cannot take long paths.
    if (MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return;
    }
    const FileError refused = failure(to, "replaced");
    // The system refuses to rename over a file that another program has open, whatever it
    // shares, in the same words as over one the player may not replace. Only a holder makes
    // an open that shares nothing fail with a sharing violation, on Windows and Wine alike.
    if (refused.kind() == FileError::Kind::AccessDenied &&
        !win32::ownFile(CreateFileW(systemPath(to).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr)) &&
        GetLastError() == ERROR_SHARING_VIOLATION) {
      throw refused.as(FileError::Kind::InUse);
    }
    throw refused;
  }
  void flushFolderOf(const std::string& name) override {
    // Under Wine this is a real fsync of the folder; a folder the player may not write may
    // refuse it on Windows.
    flush(folderOf(name), FILE_FLAG_BACKUP_SEMANTICS);
  }
  void flushFile(const std::string& name) override { flush(name, 0); }
  void remove(const std::string& name) noexcept override {
    try {
      DeleteFileW(systemPath(name).c_str());
    } catch (...) {
    }
  }
};

}  // namespace

FileSystem& machineFiles() {
  static MachineFiles files;
  return files;
}

}  // namespace files
