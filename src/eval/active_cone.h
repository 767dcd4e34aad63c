#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/usage_mask.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellisor {

// Which connections of an entry a cone follows.
enum class ConeConnections {
    // Those the entry has (up to its inputCount) whose bit its usage mask sets: what the drawing shows
    // as used, for marking and hiding.
    Drawn,
    // Those the evaluator's value of the entry depends on: of connections 0 and 1 (and 2 for the
    // multiplexer) those its function reads; an output reads connection 0. A gene without a row raises
    // the evaluator's conversion error.
    Evaluated,
};

// The connections of one entry a cone follows: connection k when k < count and the mask names it.
struct FollowedConnections {
    std::int32_t mask = kAllInputs;
    std::size_t count = 0;

    bool follows(std::size_t k) const { return k < count && readsInput(mask, k); }
};

FollowedConnections followedConnections(const Chromosome& circuit, const FunctionAssignment& assignment,
                                        std::int32_t index, ConeConnections connections);

// The entries some roots depend on.
struct ActiveCone {
    std::vector<char> members;  // per entry of the circuit: 1 in the cone
    std::int32_t reached = 0;   // entries at or beyond inputCount found in the cone by the sweep
    bool readsForward = false;  // a followed connection names an entry at or after its reader
};

// One sweep from the highest root down to the first function block: each entry in the cone adds the
// sources of the connections it uses. Sources normally have smaller indices, so that marks the whole
// cone; a source at or after its reader is added but not followed further, and with Evaluated the sweep
// stops there, since only the evaluator's order then gives the value. Roots outside the circuit are
// left out.
ActiveCone activeCone(const Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::vector<std::int32_t>& roots, ConeConnections connections);

}  // namespace pellisor
