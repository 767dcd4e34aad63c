#pragma once

#include "model/chromosome.h"
#include "render/geometry.h"

namespace pellisor {

// Arranges the function blocks in columns by depth (as last computed), related blocks next to each
// other, hidden blocks taking no room, and the outputs in a column of their own after the deepest
// blocks. Primary inputs go to their column. A spacing field that is not an integer stops the run where
// it is read. The caller fits the canvas afterwards.
void autoPlace(Chromosome& circuit, const SpacingTexts& spacings);

}  // namespace pellisor
