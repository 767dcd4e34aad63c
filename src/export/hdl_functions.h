#pragma once

#include "model/function_table.h"

#include <string>

namespace pellisor {

// What a processing element computes for a function, as statements that set `r` from `a` and `b`:
// the operands zero-extended to W = DATA_WIDTH + 16 bits, wide enough that no sum, difference or
// shift by up to 15 loses a bit the result keeps. The element then keeps the low DATA_WIDTH bits of
// `r`, so every function is computed modulo 2^DATA_WIDTH on its operands read as unsigned numbers.
// The multiplexer has no third input and passes in1, as the function does when in3 is 0.
// VHDL: `a`, `b`, `r` are variables of type unsigned(W-1 downto 0); `bit_of` widens one bit.
std::string vhdlStatement(FunctionId id);
// Verilog: `a`, `b` are wires and `r` a reg of [W-1:0]; K255, KF0 and K65535 are constants of W bits.
std::string verilogStatement(FunctionId id);

}  // namespace pellisor
