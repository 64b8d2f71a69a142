#pragma once

// The one place where the command line fills the CHANGE CONFIGURATION
// action's inputs: the Current Data column from the device's decoded
// record, the New Data column from what the technician wants.

#include "Change.h"
#include "ConfigRecord.h"
#include "Document.h"

namespace rallon::document {

// As the window holds it right after retrieving `device`, with `wanted`
// typed into the New Data column (a field left out stays empty). A wanted
// shared key selects the shared key layout, a wanted password the password
// layout; with neither, the device's own layout and key stay.
ChangeSnapshot changeSnapshotFor(const ConfigRecord &device, const Wanted &wanted);

}  // namespace rallon::document
