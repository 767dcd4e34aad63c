#include "export/hdl_functions.h"

namespace pellisor {

namespace {

struct Shift {
    FunctionId first;
    FunctionId last;
    int firstAmount;
    bool left;
};

// The shifts by constant amounts, and the amount of each.
constexpr Shift kShifts[] = {
    {FunctionId::ShiftRight1, FunctionId::ShiftRight2, 1, false},
    {FunctionId::ShiftRight3, FunctionId::ShiftRight8, 3, false},
    {FunctionId::ShiftLeft1, FunctionId::ShiftLeft8, 1, true},
    {FunctionId::ShiftLeft9, FunctionId::ShiftLeft15, 9, true},
};

struct ShiftOf {
    bool found = false;
    bool left = false;
    int amount = 0;
};

ShiftOf shiftOf(FunctionId id) {
    const auto n = toIdentifier(id);
    for (const Shift& shift : kShifts) {
        if (n >= toIdentifier(shift.first) && n <= toIdentifier(shift.last))
            return {true, shift.left, shift.firstAmount + n - toIdentifier(shift.first)};
    }
    return {};
}

}  // namespace

std::string vhdlStatement(FunctionId id) {
    if (const ShiftOf shift = shiftOf(id); shift.found) {
        return std::string("r := shift_") + (shift.left ? "left" : "right") + "(a, " +
               std::to_string(shift.amount) + ");";
    }
    switch (id) {
        case FunctionId::And:
            return "r := a and b;";
        case FunctionId::Or:
            return "r := a or b;";
        case FunctionId::Xor:
            return "r := a xor b;";
        case FunctionId::In1:
            return "r := a;";
        case FunctionId::In2:
            return "r := b;";
        case FunctionId::NotIn1:
            return "r := bit_of(not a(0));";
        case FunctionId::NotIn2:
            return "r := bit_of(not b(0));";
        case FunctionId::Nand:
            return "r := bit_of(not (a(0) and b(0)));";
        case FunctionId::Nor:
            return "r := bit_of(not (a(0) or b(0)));";
        case FunctionId::Max:
            return "if a > b then r := a; else r := b; end if;";
        case FunctionId::Min:
            return "if a < b then r := a; else r := b; end if;";
        case FunctionId::In1AndNotIn2:
            return "r := bit_of(a(0) and not b(0));";
        case FunctionId::NegateIn1:
            return "r := 0 - a;";
        case FunctionId::NegateIn2:
            return "r := 0 - b;";
        case FunctionId::Mux:
            return "r := a;";
        case FunctionId::Nxor:
            return "r := bit_of(not (a(0) xor b(0)));";
        case FunctionId::Constant255:
            return "r := to_unsigned(255, W);";
        case FunctionId::Invert:
            return "r := 255 - a;";
        case FunctionId::InvertOrIn2:
            return "r := (255 - a) or b;";
        case FunctionId::InvertAnd:
            return "r := 255 - (a and b);";
        case FunctionId::Nibbles:
            return "r := (shift_left(a, 4) and to_unsigned(16#F0#, W)) or shift_right(b, 4);";
        case FunctionId::Add8:
            return "r := (a + b) and to_unsigned(16#FF#, W);";
        case FunctionId::AddSaturating8:
            return "if a + b > 255 then r := to_unsigned(255, W); else r := a + b; end if;";
        case FunctionId::Mean:
            return "r := shift_right(a + b, 1);";
        case FunctionId::ZeroIf255:
            return "if a = 255 then r := (others => '0'); else r := a; end if;";
        case FunctionId::Subtract8:
            return "r := (a - b) and to_unsigned(16#FF#, W);";
        case FunctionId::Add16:
            return "r := (a + b) and to_unsigned(16#FFFF#, W);";
        case FunctionId::Subtract16:
            return "r := (a - b) and to_unsigned(16#FFFF#, W);";
        default:
            return "r := (others => '0');";
    }
}

std::string verilogStatement(FunctionId id) {
    if (const ShiftOf shift = shiftOf(id); shift.found) {
        return std::string("r = a ") + (shift.left ? "<<" : ">>") + " " + std::to_string(shift.amount) + ";";
    }
    switch (id) {
        case FunctionId::And:
            return "r = a & b;";
        case FunctionId::Or:
            return "r = a | b;";
        case FunctionId::Xor:
            return "r = a ^ b;";
        case FunctionId::In1:
            return "r = a;";
        case FunctionId::In2:
            return "r = b;";
        case FunctionId::NotIn1:
            return "r = {{(W-1){1'b0}}, ~a[0]};";
        case FunctionId::NotIn2:
            return "r = {{(W-1){1'b0}}, ~b[0]};";
        case FunctionId::Nand:
            return "r = {{(W-1){1'b0}}, ~(a[0] & b[0])};";
        case FunctionId::Nor:
            return "r = {{(W-1){1'b0}}, ~(a[0] | b[0])};";
        case FunctionId::Max:
            return "r = a > b ? a : b;";
        case FunctionId::Min:
            return "r = a < b ? a : b;";
        case FunctionId::In1AndNotIn2:
            return "r = {{(W-1){1'b0}}, a[0] & ~b[0]};";
        case FunctionId::NegateIn1:
            return "r = {W{1'b0}} - a;";
        case FunctionId::NegateIn2:
            return "r = {W{1'b0}} - b;";
        case FunctionId::Mux:
            return "r = a;";
        case FunctionId::Nxor:
            return "r = {{(W-1){1'b0}}, ~(a[0] ^ b[0])};";
        case FunctionId::Constant255:
            return "r = K255;";
        case FunctionId::Invert:
            return "r = K255 - a;";
        case FunctionId::InvertOrIn2:
            return "r = (K255 - a) | b;";
        case FunctionId::InvertAnd:
            return "r = K255 - (a & b);";
        case FunctionId::Nibbles:
            return "r = ((a << 4) & KF0) | (b >> 4);";
        case FunctionId::Add8:
            return "r = (a + b) & K255;";
        case FunctionId::AddSaturating8:
            return "r = a + b > K255 ? K255 : a + b;";
        case FunctionId::Mean:
            return "r = (a + b) >> 1;";
        case FunctionId::ZeroIf255:
            return "r = a == K255 ? {W{1'b0}} : a;";
        case FunctionId::Subtract8:
            return "r = (a - b) & K255;";
        case FunctionId::Add16:
            return "r = (a + b) & K65535;";
        case FunctionId::Subtract16:
            return "r = (a - b) & K65535;";
        default:
            return "r = {W{1'b0}};";
    }
}

}  // namespace pellisor
