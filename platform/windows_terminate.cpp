// The Windows programs' handler for an uncaught exception (linked into the
// .exe files only). The C++ runtime's default handler names the exception's
// type on stderr before it aborts, which needs its whole symbol demangler:
// about half of kelvane.exe. A windowed program has no stderr to read, so
// this one aborts at once. Defining it here keeps the runtime's copy, and the
// demangler with it, out of the link.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
