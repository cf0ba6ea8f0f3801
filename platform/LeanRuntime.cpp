// What the installer takes from the C++ runtime, kept to what it uses.
// Linked into the executable only (never into the platform library, whose
// users may need the whole runtime): a static libstdc++ otherwise brings in
// its symbol demangler and both of its string implementations for the sake
// of messages that a windowed program has nowhere to print.
#include <cstdlib>
#include <exception>
#include <new>

namespace __gnu_cxx {
// What std::terminate calls unless the program sets its own handler. The
// runtime's version writes the type of the uncaught exception, demangled, to
// the standard error stream; a program without a console has no such
// stream, so it ends at once instead.
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {

// The runtime's one object of these raisers also raises every standard
// error class, and each of those holds a copy-on-write string. The
// containers the program uses raise only the allocation failures; a length
// beyond what the allocator can hold is one too.
void __throw_bad_alloc()
{
    throw bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}

void __throw_length_error(const char*)
{
    throw bad_alloc();
}

}  // namespace std
