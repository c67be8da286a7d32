#pragma once

#include "vst2/VstAbi.h"

// The functions the `AEffect` record points at. Each recovers the plug-in from the record, takes
// its mutex and keeps every exception on this side of the host boundary.
namespace vorlunda::callbacks {

vst::IntPtr VORLUNDA_VST_CALL Dispatcher(vst::AEffect* effect, vst::Int32 opcode, vst::Int32 index,
                                         vst::IntPtr value, void* ptr, float opt);
void VORLUNDA_VST_CALL Process(vst::AEffect* effect, float** inputs, float** outputs,
                               vst::Int32 frames);
void VORLUNDA_VST_CALL ProcessReplacing(vst::AEffect* effect, float** inputs, float** outputs,
                                        vst::Int32 frames);
void VORLUNDA_VST_CALL ProcessDoubleReplacing(vst::AEffect* effect, double** inputs,
                                              double** outputs, vst::Int32 frames);
void VORLUNDA_VST_CALL SetParameter(vst::AEffect* effect, vst::Int32 index, float value);
float VORLUNDA_VST_CALL GetParameter(vst::AEffect* effect, vst::Int32 index);

} // namespace vorlunda::callbacks
