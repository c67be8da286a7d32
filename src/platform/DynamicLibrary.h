#pragma once

#include <string>

namespace vorlunda {

// A shared library loaded at run time: dlopen natively, LoadLibrary under Windows. The library
// stays loaded until Close or destruction. Paths are UTF-8. Used by the plug-in for the tuning
// library and by the host tools and tests for plug-in libraries.
class DynamicLibrary {
public:
    using AnyFunction = void (*)(); // cast to the real signature by the caller

    DynamicLibrary() = default;
    ~DynamicLibrary() { Close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // False with the system's reason in Error() when the file cannot be loaded as a library.
    // `quiet`: a failure comes back as an answer only, never as a system dialog box (Windows
    // command-line tools ask for this; a plug-in leaves the host's error mode alone).
    bool Open(const std::string& path, bool quiet = false);
    bool IsOpen() const { return handle != nullptr; }
    AnyFunction Symbol(const char* name) const; // null when the library does not export it
    void Close();
    const std::string& Error() const { return error; }

private:
    void* handle = nullptr;
    std::string error;
};

} // namespace vorlunda
