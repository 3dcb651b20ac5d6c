// Parts of the C++ runtime that setup.exe would otherwise link but has no use for, replaced
// by small ones. They would be most of the program: on this target the linker keeps every
// function of each library object that one reference pulls in (each function's unwind entry
// holds it alive), so one stray reference costs a whole object and all that it refers to.
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
