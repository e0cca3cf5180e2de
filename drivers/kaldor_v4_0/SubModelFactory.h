// Which sub-model decoder a model byte (byte 1211 of a data packet) names.
#pragma once

#include <memory>

#include "DataDispose.h"

namespace kaldor {

// True when a decoder class serves this model byte.
bool isAcceptedModelByte(int modelByte);
// A new decoder for the model byte (setSubModelType not yet called), or null.
std::unique_ptr<DataDispose> createSubModel(int modelByte);

}  // namespace kaldor
