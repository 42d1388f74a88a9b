#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"

namespace ps::test {

// A library made of the functions a test hands it; it remembers every name asked for.
class FakeDynamicLibrary final : public DynamicLibrary {
  public:
    std::map<std::string, LibraryFunction> functions;
    std::vector<std::string>* lookups = nullptr;

    LibraryFunction symbol(const std::string& name) override {
        if (lookups != nullptr) {
            lookups->push_back(name);
        }
        const auto it = functions.find(name);
        return it == functions.end() ? nullptr : it->second;
    }
};

// Opens the one library it was given, under one name.
class FakeLibraryLoader final : public LibraryLoader {
  public:
    std::string name;
    std::unique_ptr<DynamicLibrary> library;

    std::unique_ptr<DynamicLibrary> open(const std::string& wanted) override {
        return wanted == name ? std::move(library) : nullptr;
    }
};

}  // namespace ps::test
