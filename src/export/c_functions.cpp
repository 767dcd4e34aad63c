#include "export/c_functions.h"

namespace pellisor {

namespace {

// v >> n with copies of the sign bit shifted in, for n from 1 to 31.
std::string shiftedRight(const std::string& v, int n) {
    return "((" + v + " >> " + std::to_string(n) + ") | ((0u - (" + v + " >> 31)) << " +
           std::to_string(32 - n) + "))";
}

std::string bit0(const std::string& v) {
    return "(" + v + " & 1u)";
}

// a and b compared as signed numbers.
std::string signedAbove(const std::string& a, const std::string& b) {
    return "((" + a + " ^ 0x80000000u) > (" + b + " ^ 0x80000000u))";
}

}  // namespace

std::string cExpression(FunctionId id, const std::string& a, const std::string& b, const std::string& c) {
    const auto n = toIdentifier(id);
    if (n >= toIdentifier(FunctionId::ShiftRight3) && n <= toIdentifier(FunctionId::ShiftRight8))
        return shiftedRight(a, 3 + n - toIdentifier(FunctionId::ShiftRight3));
    if (n >= toIdentifier(FunctionId::ShiftLeft1) && n <= toIdentifier(FunctionId::ShiftLeft8))
        return "(" + a + " << " + std::to_string(1 + n - toIdentifier(FunctionId::ShiftLeft1)) + ")";
    if (n >= toIdentifier(FunctionId::ShiftLeft9) && n <= toIdentifier(FunctionId::ShiftLeft15))
        return "(" + a + " << " + std::to_string(9 + n - toIdentifier(FunctionId::ShiftLeft9)) + ")";
    // A comparison of an operand with itself always gives the same answer (and compilers warn of it).
    if ((id == FunctionId::Max || id == FunctionId::Min) && a == b) return a;
    if (id == FunctionId::Mux && c == "0u") return a;
    const std::string sum = "(" + a + " + " + b + ")";
    const std::string difference = "(" + a + " - " + b + ")";
    switch (id) {
        case FunctionId::And:
            return "(" + a + " & " + b + ")";
        case FunctionId::Or:
            return "(" + a + " | " + b + ")";
        case FunctionId::Xor:
            return "(" + a + " ^ " + b + ")";
        case FunctionId::In1:
            return a;
        case FunctionId::In2:
            return b;
        case FunctionId::NotIn1:
            return bit0("~" + a);
        case FunctionId::NotIn2:
            return bit0("~" + b);
        case FunctionId::Nand:
            return bit0("~(" + a + " & " + b + ")");
        case FunctionId::Nor:
            return bit0("~(" + a + " | " + b + ")");
        case FunctionId::Max:
            return "(" + signedAbove(b, a) + " ? " + b + " : " + a + ")";
        case FunctionId::Min:
            return "(" + signedAbove(a, b) + " ? " + b + " : " + a + ")";
        case FunctionId::In1AndNotIn2:
            return bit0(a + " & ~" + b);
        case FunctionId::NegateIn1:
            return "(0u - " + a + ")";
        case FunctionId::NegateIn2:
            return "(0u - " + b + ")";
        case FunctionId::Mux:
            return "(" + c + " == 0u ? " + a + " : " + b + ")";
        case FunctionId::Nxor:
            return bit0("~(" + a + " ^ " + b + ")");
        case FunctionId::Constant255:
            return "255u";
        case FunctionId::Invert:
            return "(255u - " + a + ")";
        case FunctionId::InvertOrIn2:
            return "((255u - " + a + ") | " + b + ")";
        case FunctionId::InvertAnd:
            return "(255u - (" + a + " & " + b + "))";
        case FunctionId::ShiftRight1:
            return shiftedRight(a, 1);
        case FunctionId::ShiftRight2:
            return shiftedRight(a, 2);
        case FunctionId::Nibbles:
            return "(((" + a + " << 4) & 0xF0u) | " + shiftedRight(b, 4) + ")";
        case FunctionId::Add8:
            return "(" + sum + " & 0xFFu)";
        case FunctionId::AddSaturating8:
            return "(" + signedAbove(sum, "255u") + " ? 255u : " + sum + ")";
        case FunctionId::Mean:
            return shiftedRight(sum, 1);
        case FunctionId::ZeroIf255:
            return "(" + a + " == 255u ? 0u : " + a + ")";
        case FunctionId::Subtract8:
            return "(" + difference + " & 0xFFu)";
        case FunctionId::Add16:
            return "(" + sum + " & 0xFFFFu)";
        case FunctionId::Subtract16:
            return "(" + difference + " & 0xFFFFu)";
        default:
            return "0u";
    }
}

}  // namespace pellisor
