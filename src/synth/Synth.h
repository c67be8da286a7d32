#pragma once

#include "core/HostTimeInfo.h"
#include "core/StateChunk.h"
#include "synth/HeldNotes.h"
#include "synth/MidiQueue.h"
#include "vst2/IPluginVST.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace vorlunda {

class IControl;
class IEditorView;
class Synth;
class TuningClient;

// Builds the instrument's editor: the graphics object with every control of its layout, ready to
// be attached. The editor layer (src/editor) supplies it to the instrument's constructor, so the
// engine and everything below it never depend on the editor's classes. Runs once, on the thread
// that constructs the plug-in, after the parameters exist and before the programs are loaded.
using EditorBuilder = std::function<std::unique_ptr<IEditorView>(Synth& synth)>;

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
    // Every parameter control shows its parameter's value, and the program selector redraws.
    void ShowAllParameterValues() override;
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
    // Reserved example names until the product owner's own are configured.
    static constexpr const char* kDefaultMakerServer = "www.example.com";
    static constexpr const char* kDefaultMakerWebDomain = "example.com";
    const std::string& MakerWebDomain() const { return makerWebDomain; }

    // --- Program commands (editor thread; each takes the plug-in mutex) ---
    // Every parameter to its default, the current program renamed "Init".
    void InitProgram();
    void CopyProgram();
    // Replaces the current program by the copied one; nothing while nothing was copied.
    void PasteProgram();
    // Keeps the current program's edits, then switches to `index`.
    void SelectProgram(int index);

    // Binds `learnController` to `learnParam` (or removes a binding in unlearn mode) once both
    // halves of an armed learn are known. When that ends the learn, the MIDI-learn switch is
    // told to turn off (LearnEnded).
    void CommitLearn();

    // Whether a copied program waits in the copy buffer (the command menu greys "Paste Program"
    // otherwise).
    bool HasProgramCopy() const { return programCopyBuffer.ByteCount() > 0; }

    // --- What the editor's program selector and MIDI-learn switch watch ---
    // Those controls live on the editor's thread, while program changes and learns also happen on
    // the host's threads and the audio thread. So the Synth never touches the controls: it only
    // raises these lock-free signals, and the controls read them when the editor's timer asks
    // what needs drawing.
    // Increases whenever every parameter is shown again (program changes and loads).
    unsigned ProgramDisplaySerial() const {
        return programDisplaySerial.load(std::memory_order_acquire);
    }
    // Answers (once) whether a learn ended since the last call. Editor thread.
    bool TakeLearnEnded() { return learnEnded.exchange(false, std::memory_order_acq_rel); }
    bool LearnEndPending() const { return learnEnded.load(std::memory_order_acquire); }

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

    // The editor's program selector and MIDI-learn switch, set by the editor layout; they belong
    // to the editor's control list and are never released here.
    IControl* presetMenu = nullptr;
    IControl* learnSwitch = nullptr;

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
    std::string makerServer = kDefaultMakerServer;
    std::string makerWebDomain = kDefaultMakerWebDomain;
    HeldNotes heldNotes;

private:
    std::unique_ptr<TuningClient> tuningClient;
    std::atomic<unsigned> programDisplaySerial{0};
    std::atomic<bool> learnEnded{false};
};

} // namespace vorlunda
