// Which host loaded us, and whether it trades program chunks where it asks for banks.
#include "vst2/IPluginVST.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace vorlunda {

namespace {

struct HostEntry {
    std::string_view substring;
    HostId id;
};

// Tested in this order; the first substring found wins ("cubase live" is Cubase).
constexpr std::array<HostEntry, 26> kHosts{{
    {"cubase", HostId::Cubase},
    {"reaper", HostId::Reaper},
    {"nuendo", HostId::Nuendo},
    {"cakewalk", HostId::Cakewalk},
    {"samplitude", HostId::Samplitude},
    {"fruity", HostId::FruityLoops},
    {"live", HostId::Live},
    {"melodyne", HostId::Melodyne},
    {"vstmanlib", HostId::VstManLib},
    {"aulab", HostId::AULab},
    {"garageband", HostId::GarageBand},
    {"forte", HostId::Forte},
    {"chainer", HostId::Chainer},
    {"audition", HostId::Audition},
    {"orion", HostId::Orion},
    {"sawstudio", HostId::SawStudio},
    {"logic", HostId::Logic},
    {"digital", HostId::DigitalPerformer},
    {"audiomulch", HostId::AudioMulch},
    {"presonus", HostId::StudioOne},
    {"vst3plugintesthost", HostId::Vst3TestHost},
    {"protools", HostId::ProTools},
    {"ardour", HostId::Ardour},
    {"openmpt", HostId::OpenMpt},
    {"renoise", HostId::Renoise},
    {"standalone", HostId::Standalone},
}};

constexpr std::size_t kHostTextSize = 256; // bytes the host may write for a string request

// ASCII lower case; other bytes unchanged, so the result never depends on the locale.
std::string LowerCase(const char* text, std::size_t capacity) {
    std::string s(text, ::strnlen(text, capacity));
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

} // namespace

HostId IPluginVST::HostIdFromProduct(const char* product) {
    if (!product)
        return HostId::Unknown;
    const std::string lower = LowerCase(product, kHostTextSize);
    for (const HostEntry& entry : kHosts) {
        if (lower.find(entry.substring) != std::string::npos)
            return entry.id;
    }
    return HostId::Unknown;
}

std::int32_t IPluginVST::PackedVersion(std::int32_t decimal) {
    // 20002 -> 0x00020002: the hundreds become the minor byte, the ten-thousands the major word.
    return decimal + (decimal % 10000) / 100 * 156 + (decimal / 10000) * 55536;
}

HostId IPluginVST::IdentifyHost() {
    if (hostId != HostId::NotIdentified)
        return hostId;
    // One byte more than the host may fill, so the text always ends.
    char product[kHostTextSize + 1] = {};
    CallHost(vst::audioMasterGetProductString, 0, 0, product);
    if (product[0] != '\0')
        hostVersion =
            PackedVersion(static_cast<std::int32_t>(CallHost(vst::audioMasterGetVendorVersion)));
    hostId = HostIdFromProduct(product);
    return hostId;
}

bool IPluginVST::HostUsesProgramChunks() {
    if (!vendorTestDone) {
        char vendor[kHostTextSize + 1] = {};
        CallHost(vst::audioMasterGetVendorString, 0, 0, vendor);
        const std::string lower = LowerCase(vendor, kHostTextSize);
        hostUsesProgramChunks = lower == "native instruments" || lower == "juce vst host";
        vendorTestDone = true;
    }
    return hostUsesProgramChunks;
}

} // namespace vorlunda
