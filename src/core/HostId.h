#pragma once

namespace vorlunda {

// Hosts the plug-in tells apart, by the numbers stored with a host's identity; -1 until the host
// has been identified, 0 for a host not in the table.
enum class HostId : int {
    NotIdentified = -1,
    Unknown = 0,
    Reaper = 1,
    ProTools = 2,
    Cubase = 3,
    Nuendo = 4,
    Cakewalk = 5,
    FruityLoops = 7,
    Samplitude = 8,
    Live = 9,
    Melodyne = 12,
    VstManLib = 13,
    AULab = 14,
    Forte = 15,
    Chainer = 16,
    Audition = 17,
    Orion = 18,
    SawStudio = 20,
    Logic = 21,
    GarageBand = 22,
    DigitalPerformer = 23,
    Standalone = 24,
    AudioMulch = 25,
    StudioOne = 26,
    Vst3TestHost = 27,
    Ardour = 28,
    Renoise = 29,
    OpenMpt = 30,
};

} // namespace vorlunda
