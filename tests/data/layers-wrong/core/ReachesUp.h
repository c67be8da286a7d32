// A core file that reaches up into the synth folder: the layer check must refuse it.
#include "synth/Synth.h"
