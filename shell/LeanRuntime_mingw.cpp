// Small replacements for parts of mingw's runtime that setup.exe would otherwise link but has
// no use for, which would be a third of the program: its start-up code, and pieces of the
// static libstdc++. On this target the linker keeps every function of each library object
// that one reference pulls in (each function's unwind entry holds it alive), so one stray
// reference costs a whole object and all that it refers to. Only the mingw build links this
// file, with -nostartfiles and this file's entry point.
#include <unwind.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace {

// A failure that a string or a vector reports from inside the standard library; the text is
// the library's own ("basic_string::_M_create").
class LibraryFailure : public std::exception {
 public:
  explicit LibraryFailure(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

}  // namespace

// The library's handler prints the type of an exception nobody caught on the console before it
// aborts, and brings the C++ demangler and mingw's printf for that: about 70 KB. setup.exe
// has no console, and its handlers catch every exception before it could get this far.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

// The library keeps the terminate and unexpected handlers in objects of their own, with their
// setters. Nothing here sets either, and both that would run end the program at once: the
// terminate handler above, and std::terminate as the unexpected handler. So every way that
// leads to std::terminate aborts, as before.
std::terminate_handler std::get_terminate() noexcept {
  return __gnu_cxx::__verbose_terminate_handler;
}
std::terminate_handler std::get_unexpected() noexcept { return std::terminate; }
void std::terminate() noexcept { std::abort(); }
void std::unexpected() { std::abort(); }
namespace __cxxabiv1 {
[[noreturn]] void __terminate(std::terminate_handler) noexcept { std::abort(); }
[[noreturn]] void __unexpected(std::terminate_handler) { std::abort(); }
}  // namespace __cxxabiv1

// The library's own versions share one object with every other standard exception, and
// through them bring in a second, copy-on-write string type and even std::random_device: about
// 55 KB, for failures that strings and vectors only report past max_size() or when given a
// null pointer. The program's failure handler shows what() whatever the type, so the text is
// what the player would see either way (for an index out of range, unformatted).
void std::__throw_bad_alloc() { throw std::bad_alloc(); }
void std::__throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void std::__throw_length_error(const char* text) { throw LibraryFailure(text); }
void std::__throw_logic_error(const char* text) { throw LibraryFailure(text); }
void std::__throw_out_of_range_fmt(const char* format, ...) { throw LibraryFailure(format); }

// The library's operator new asks a new-handler to make room while the heap is exhausted, and
// brings std::set_new_handler for that; nothing here sets one, so without it the failure is the
// same: std::bad_alloc at once.
void* operator new(std::size_t size) {
  if (void* block = std::malloc(size ? size : 1)) return block;
  std::__throw_bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Where the exception runtime keeps the exceptions being handled. The library's copy keeps one
// per thread, through mingw's emulated thread-local storage and its own locks: about 2 KB for
// a program with one thread that throws. The layout is the C++ ABI's own.
namespace __cxxabiv1 {
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};
extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept {
  static __cxa_eh_globals globals;
  return &globals;
}
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept { return __cxa_get_globals_fast(); }

// Where the exception runtime puts a thrown object, with the header it keeps in front of it.
// The library's allocator shares its object with an emergency pool behind a lock, and the lock
// brings in mingw's threads layer: semaphores, critical sections, thread-local keys and a
// callback at every thread's exit: 13 imports and 5 KB. Only one thread throws here, so a
// few blocks set aside do the pool's work without a lock: when the heap is exhausted, the
// exception that says so still reaches the failure handler instead of ending the program.
namespace {

// The headers as this compiler lays them out (the ABI's __cxa_exception, and the
// __cxa_refcounted_exception in front of a thrown object); a rethrown exception_ptr gets the
// first alone. The sizes are those that the library's own allocator adds.
struct ExceptionHeader {
  void* typeOrPrimary;
  void (*destructor)(void*);
  void (*unexpectedHandler)();
  void (*terminateHandler)();
  ExceptionHeader* nextException;
  int handlerCount;
  int handlerSwitchValue;
  const unsigned char* actionRecord;
  const unsigned char* languageSpecificData;
  _Unwind_Ptr catchTemp;
  void* adjustedPtr;
  _Unwind_Exception unwindHeader;
};
struct RefcountedHeader {
  int referenceCount;
  ExceptionHeader header;
};
static_assert(sizeof(ExceptionHeader) == 0x90 && sizeof(RefcountedHeader) == 0xa0);

// Room for an exception thrown while the handling of others is under way, each with a text.
constexpr std::size_t kReserveBlocks = 4;
constexpr std::size_t kReserveBlockSize = 512;
alignas(16) unsigned char reserve[kReserveBlocks][kReserveBlockSize];
bool reserveTaken[kReserveBlocks];

void* allocateException(std::size_t size) {
  if (void* block = std::malloc(size)) return block;
  for (std::size_t i = 0; size <= kReserveBlockSize && i < kReserveBlocks; ++i) {
    if (!reserveTaken[i]) {
      reserveTaken[i] = true;
      return reserve[i];
    }
  }
  std::terminate();
}

void freeException(void* block) {
  // Below the reserve the difference wraps round to beyond it.
  const std::uintptr_t offset =
      reinterpret_cast<std::uintptr_t>(block) - reinterpret_cast<std::uintptr_t>(reserve);
  if (offset < sizeof reserve) {
    reserveTaken[offset / kReserveBlockSize] = false;
  } else {
    std::free(block);
  }
}

}  // namespace

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept {
  auto* block = static_cast<RefcountedHeader*>(allocateException(sizeof(RefcountedHeader) + size));
  std::memset(block, 0, sizeof(RefcountedHeader));
  return block + 1;
}
extern "C" void __cxa_free_exception(void* object) noexcept {
  freeException(static_cast<RefcountedHeader*>(object) - 1);
}
extern "C" void* __cxa_allocate_dependent_exception() noexcept {
  void* block = allocateException(sizeof(ExceptionHeader));
  std::memset(block, 0, sizeof(ExceptionHeader));
  return block;
}
extern "C" void __cxa_free_dependent_exception(void* block) noexcept { freeException(block); }
}  // namespace __cxxabiv1

// mingw's start-up code gets the C runtime ready for main(): arguments, the console, stdio,
// math errors, signals, thread-local storage, relocations of imported data. setup.exe uses
// none of it; the Windows DLLs it calls, the C runtime's among them, get themselves ready.
// What is left is running the static constructors and calling wWinMain, which takes no
// command line.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int);

// The linker's list of static constructors: a -1, the constructors, a null. They run last one
// first, as mingw's own __main runs them; it also registers the destructors' list with atexit,
// which does nothing here, so it is not needed.
extern "C" void (*__CTOR_LIST__[])();
static void runStaticConstructors() {
  std::size_t count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

// The start-up code also keeps the list of what runs at exit. Nothing here needs to: the files
// are closed by their owners before wWinMain returns, and the process's memory goes with it.
extern "C" int atexit(void (*)()) { return 0; }

extern "C" [[noreturn]] void entryPoint() {
  runStaticConstructors();
  ExitProcess(
      static_cast<UINT>(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT)));
}
