// Linked into every shipped Windows program, whose link wraps __cxa_demangle (see halvex_ship).
//
// The only caller of the demangler in a shipped program is the C++ runtime's handler for an
// exception that nothing catches, which names the exception's type before aborting. The
// demangler is 45 KB of code and tables; without it the handler prints the type's mangled name,
// which `c++filt` reads just as well, and aborts the same way.
#include <cstddef>
#include <cstdlib>

extern "C" char* __wrap___cxa_demangle(const char*, char*, std::size_t*, int* status) {
  if (status) *status = -2;  // "not a valid name under the mangling rules"
  return nullptr;
}
