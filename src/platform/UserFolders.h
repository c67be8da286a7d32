#pragma once

#include <string>

namespace vorlunda {

// Per-user folders and the little file-system work the configuration needs.
namespace folders {

// Where per-user settings live: the local (non-roaming) application-data folder on Windows,
// $XDG_CONFIG_HOME (default ~/.config) elsewhere. Empty when unknown.
std::string LocalApplicationData();
// The user's documents folder: the shell's on Windows, the XDG documents folder (else the home
// folder) elsewhere. Empty when unknown.
std::string Documents();
// "a\b" on Windows, "a/b" elsewhere.
std::string Join(const std::string& folder, const std::string& name);
bool Exists(const std::string& path);
bool IsRegularFile(const std::string& path);
// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::string& path);
// Creates every missing level of `path`, each readable by the user alone (mode 0700 where the
// system has modes, as the XDG base-directory rules ask of the configuration folder); true when
// the folder exists afterwards.
bool CreatePrivateFolders(const std::string& path);

} // namespace folders
} // namespace vorlunda
