#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorlunda {

// Running the desktop's helper programs (file dialogs, the browser opener) from the editor.
// POSIX only: the Windows editor uses the system's own dialogs.
namespace external {

// The full path of `name` found along $PATH, or "" when it is not installed.
std::string FindProgram(const std::string& name);

// Runs `arguments` (the first is the program's full path) with its standard output collected in
// `output` (at most 64 KiB) and no input. While it runs, `waiting` is called every few
// milliseconds; when it answers false the program is ended. Answers the exit status, or -1 when
// the program could not be started, was ended, or died of a signal.
int Run(const std::vector<std::string>& arguments, std::string& output,
        const std::function<bool()>& waiting);

// Starts `arguments` in the background without waiting for it (a browser may run for hours);
// false when it could not be started.
bool Launch(const std::vector<std::string>& arguments);

} // namespace external
} // namespace vorlunda
