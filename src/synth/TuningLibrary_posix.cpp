// Off Windows the MTS-ESP library lives where its installer puts it on Linux.
#include "synth/TuningLibrary.h"

namespace vorlunda {

std::string TuningLibrary::DefaultPath() {
    return "/usr/local/lib/libMTS.so";
}

} // namespace vorlunda
