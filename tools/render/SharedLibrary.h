#pragma once

#include <string>

namespace vorlunda::render {

// A shared library loaded at run time (dlopen natively, LoadLibrary under Windows). The
// library stays loaded until Close or destruction.
class SharedLibrary {
public:
    using AnyFunction = void (*)(); // cast to the real signature by the caller

    SharedLibrary() = default;
    ~SharedLibrary() { Close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // False with the system's reason in Error() when the file cannot be loaded as a library.
    bool Open(const std::string& path);
    AnyFunction Symbol(const char* name) const; // null when the library does not export it
    void Close();
    const std::string& Error() const { return error; }

private:
    void* handle = nullptr;
    std::string error;
};

} // namespace vorlunda::render
