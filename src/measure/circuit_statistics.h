#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <map>

namespace pellisor {

// The figures a paper's table reports of an evolved circuit.
struct CircuitStatistics {
    std::int32_t activeBlocks = 0;                   // function blocks some output depends on
    std::map<std::int32_t, std::int32_t> functions;  // function identifier -> active blocks using it
    std::map<std::int32_t, std::int32_t> genes;      // function gene -> active blocks using it
    std::int32_t maxDelay = 0;                       // the maximum output delay of the summary
    std::int32_t inputsUsed = 0;                     // primary inputs some output depends on
    std::int32_t columnsUsed = 0;                    // columns holding an active block
};

// Active means what "Skrýt nefunkční bloky" keeps: reached from an output through the connections the
// blocks' functions read. A block whose gene has no row of the table counts under genes only. No
// circuit gives all zeros.
CircuitStatistics circuitStatistics(const Chromosome& circuit, const FunctionAssignment& assignment);

}  // namespace pellisor
