// Small replacements for parts of mingw's runtime that setup.exe would otherwise link but has
// no use for, which would be a third of the program: its start-up code, and pieces of the
// static libstdc++. On this target the linker keeps every function of each library object
// that one reference pulls in (each function's unwind entry holds it alive), so one stray
// reference costs a whole object and all that it refers to. Only the mingw build links this
// file, with -nostartfiles and this file's entry point.
#include <windows.h>

#include <cstdlib>
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
}  // namespace __cxxabiv1

// mingw's start-up code gets the C runtime ready for main(): arguments, the console, stdio,
// math errors, signals, thread-local storage, relocations of imported data. setup.exe uses
// none of it; the Windows DLLs it calls, the C runtime's among them, get themselves ready.
// What is left is running the static constructors and calling wWinMain, which takes no
// command line.
extern "C" void __main();
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int);

// The start-up code also keeps the list of what runs at exit. Nothing here needs to: the files
// are closed by their owners before wWinMain returns, and the process's memory goes with it.
extern "C" int atexit(void (*)()) { return 0; }

extern "C" [[noreturn]] void entryPoint() {
  __main();
  ExitProcess(
      static_cast<UINT>(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT)));
}
