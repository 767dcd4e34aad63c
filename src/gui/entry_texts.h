// What the window says about one entry of the circuit: the entry a find text names and the status
// text of the entry under the mouse.
#pragma once

#include "app/workbench.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pellisor {

// The entry a text names: an index of any entry, or the name of a primary input or an output as the
// circuit names them (exactly, else regardless of case). Nothing without a circuit or a match.
std::optional<std::int32_t> findEntry(const Chromosome& circuit, const QString& text);

// "Blok 12: <function description>, hodnota 5"; for a primary input or an output its kind and name
// instead of the function. Empty for no entry.
QString entryStatusText(const Workbench& workbench, std::int32_t index);

// What the find dialog says after a search for `text`.
QString findResultText(const Chromosome& circuit, const DisplayOptions& options, const QString& text,
                       std::optional<std::int32_t> found);

}  // namespace pellisor
