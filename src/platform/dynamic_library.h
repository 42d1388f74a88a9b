#pragma once

#include <memory>
#include <string>

namespace ps {

// An exported function as the library hands it out. Callers convert it back to the
// function's real type before calling; converting between function pointer types and back
// is exact.
using LibraryFunction = void (*)();

// A library loaded at run time.
class DynamicLibrary {
  public:
    virtual ~DynamicLibrary() = default;
    // The exported function of that name, or nullptr when the library has none.
    virtual LibraryFunction symbol(const std::string& name) = 0;
};

// Loads libraries by name through the platform's library search.
class LibraryLoader {
  public:
    virtual ~LibraryLoader() = default;
    // nullptr when the library cannot be found or loaded. The library stays loaded as long
    // as the returned object lives.
    virtual std::unique_ptr<DynamicLibrary> open(const std::string& name) = 0;
};

}  // namespace ps
