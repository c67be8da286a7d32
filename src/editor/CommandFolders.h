#pragma once

#include <string>
#include <string_view>

namespace vorlunda {

class Synth;

// The two folders the command menu's file dialogs start in, shared by every instance in the
// process and never written to the configuration file:
// - the last program folder, first the program-files folder of the instance that runs the first
//   command, then the folder of the file last chosen in a program or bank dialog, or by
//   "Default Path for Program Files...";
// - the last startup-bank folder, first that instance's documents folder, then the folder of the
//   bank last chosen by "Select Startup Bank".
// Editor threads only; a lock keeps two editors of one process (hosts may run each on its own
// thread) from tearing the strings.
class CommandFolders {
public:
    // Creates the folders from `synth`'s settings unless an earlier command already did.
    static void Prepare(const Synth& synth);
    // Whether Prepare has run in this process.
    static bool Prepared();
    static std::string LastProgramFolder();
    static void SetLastProgramFolder(std::string folder);
    static std::string LastStartupBankFolder();
    static void SetLastStartupBankFolder(std::string folder);
    // Forgets both folders, as in a new process.
    static void Forget();

    // The folder of a chosen file: the path cut before its last backslash or slash (the
    // separator dropped); empty for a path without one or whose only one is its first character.
    static std::string FolderOf(std::string_view path);
};

} // namespace vorlunda
