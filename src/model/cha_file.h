#pragma once

#include "model/converted_circuit.h"

#include <string_view>

namespace pellisor {

// Converts a compare-and-swap network ("{in,out,nodes,1,2,2,lback}([p,q]x,y,f)...(o0,o1,...)"; with
// f = 1, p is MIN(x,y) and q MAX(x,y), with f = 2 the other way round) into a chromosome of `nodes`
// columns of two rows: node n's outputs p and q are the blocks in+2n and in+2n+1 of its column, so
// every id keeps its number. Gene 1 is MIN and gene 2 MAX, so p's gene is f. Raises "Soubor cha nelze
// převést: ..." for anything the dialect does not allow, ids that do not follow that numbering included.
ConvertedCircuit convertChaText(std::string_view text);

}  // namespace pellisor
