#pragma once

#include "core/HostTimeInfo.h"
#include "core/StateChunk.h"
#include "synth/HeldNotes.h"
#include "synth/MidiQueue.h"
#include "vst2/IPluginVST.h"

#include <array>
#include <memory>
#include <string>

namespace vorlunda {

class TuningClient;

// What every synthesizer built on the framework needs beyond sound generation: the MIDI queue
// and control-tick timing, the controller map and MIDI learn, the global MIDI settings, the
// host time record and the program commands.
class Synth : public IPluginVST {
public:
    static constexpr int kMappableControllers = 120; // controllers 0..119

    explicit Synth(const PluginIdentity& identity);
    ~Synth() override;

    // Reset: queue sized to the block size, held keys forgotten, control timing restarted,
    // learning disarmed. Host thread, mutex held.
    void RestartProcessing() override;
    // Completes a pending MIDI learn with the parameter that just changed.
    void ParameterChanged(int index) override;
    // On activation every parameter is applied again.
    void ActivationChanged(bool active) override;

    // Releases every voice. Audio thread (controllers 120/123) or host thread, mutex held.
    virtual void KillAllNotes() {}
    // Initialises the instrument's parameters; called once by the instrument's constructor.
    virtual void InitParameterTable() {}

    // Restores all programs from an FXB chunk-bank image in memory (a factory bank): the header
    // is skipped unchecked. An image that cannot be read whole changes nothing; answers false.
    bool LoadBankImage(const void* bytes, int length);
    // Replaces all programs by factory bank `version` (1 or 2), stored in the module as the
    // resource "PROGINIT" of type "INIT_V1" or "INIT". A missing or unreadable bank changes
    // nothing and answers false. Construction or editor thread; locks as LoadBankImage does.
    bool LoadFactoryBank(int version);

    // --- Configuration file (editor thread; no plug-in mutex) ---
    enum class ConfigurationPart { Everything, MidiThru, IgnoreProgramChange };
    // Reads every setting; answers whether the file was found (a missing one reads defaults).
    bool ReadConfiguration();
    // Writes the startup bank and then the requested part.
    void WriteConfiguration(ConfigurationPart part);
    void WriteStartupBank();
    bool SelectStartupBank(const std::string& path);
    void UnselectStartupBank();
    void WriteProgramFilesPath(const std::string& lastProgramFolder);
    const std::string& IniPath() const { return iniPath; }
    const std::string& StartupBankPath() const { return startupBankPath; }
    const std::string& ProgramFilesPath() const { return programFilesPath; }
    const std::string& DocumentsPath() const { return documentsPath; }
    // The maker's web server (a host name, optionally ":port") and web domain, for the update
    // check and the links of the command menu; "Online" / "Server" and "Web Domain" in the file.
    const std::string& MakerServer() const { return makerServer; }
    const std::string& MakerWebDomain() const { return makerWebDomain; }

    // --- Program commands (editor thread; each takes the plug-in mutex) ---
    // Every parameter to its default, the current program renamed "Init".
    void InitProgram();
    void CopyProgram();
    // Replaces the current program by the copied one; nothing while nothing was copied.
    void PasteProgram();
    // Whether CopyProgram has filled the copy buffer.
    bool HasCopiedProgram() const { return programCopyBuffer.ByteCount() > 0; }
    // Keeps the current program's edits, then switches to `index`.
    void SelectProgram(int index);

    // Binds `learnController` to `learnParam` (or removes a binding in unlearn mode) once both
    // halves of an armed learn are known.
    void CommitLearn();

    int ControlBlockSize() const { return controlBlockSize; }
    const HostTimeInfo& TimeInfo() const { return timeInfo; }
    // The instance's microtuning client; null only while the constructor is still running.
    const TuningClient* Tuning() const { return tuningClient.get(); }

    std::array<int, kMappableControllers> controllerMap{};
    bool learnArmed = false;
    bool unlearnMode = false;
    int learnController = -1;
    int learnParam = -1;
    bool midiThru = false;
    bool ignoreProgramChange = false;

protected:
    // Output labels, configuration folder and file, documents folder, then the settings.
    void SetUpConfiguration();

    MidiQueue midiQueue;
    HostTimeInfo timeInfo;
    int copySourceProgram = -1;
    StateChunk programCopyBuffer;
    int controlSamplesLeft = 0; // samples until the next control tick
    int controlBlockSize = 0;   // samples per control tick
    std::string documentsPath;
    std::string iniPath;
    std::string startupBankPath;
    std::string programFilesPath;
    // Reserved example names until the product owner's own are configured.
    std::string makerServer = "www.example.com";
    std::string makerWebDomain = "example.com";
    HeldNotes heldNotes;

private:
    std::unique_ptr<TuningClient> tuningClient;
};

} // namespace vorlunda
