#include "eval/active_cone.h"

#include "eval/functions.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace pellisor {
namespace {

// What an entry depends on, found the slow way: following used connections from it, depth first.
std::vector<char> closure(const Chromosome& circuit, const FunctionAssignment& assignment, std::int32_t root,
                          ConeConnections connections) {
    std::vector<char> members(circuit.blocks.size(), 0);
    std::vector<std::int32_t> open{root};
    members[static_cast<std::size_t>(root)] = 1;
    while (!open.empty()) {
        const std::int32_t index = open.back();
        open.pop_back();
        if (circuit.isPrimaryInput(index)) continue;
        const Block& entry = circuit.blocks[static_cast<std::size_t>(index)];
        const FollowedConnections followed = followedConnections(circuit, assignment, index, connections);
        for (std::size_t k = 0; k < entry.inputs.size(); ++k) {
            const auto source = static_cast<std::size_t>(entry.inputs[k]);
            if (followed.follows(k) && !members[source]) {
                members[source] = 1;
                open.push_back(entry.inputs[k]);
            }
        }
    }
    return members;
}

// In a feed-forward circuit the one sweep finds the whole cone, in both kinds of connections; the
// evaluator's kind never follows more than the drawn one (input 2 only for the multiplexer).
TEST(ActiveCone, OneSweepFindsEveryEntryAFeedForwardRootDependsOn) {
    std::mt19937 rng(31);
    for (int round = 0; round < 200; ++round) {
        const test::CircuitShape shape = test::randomShape(rng, 6, 3, 6, 5, 4);
        const Chromosome circuit = test::randomCircuit(rng, shape);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = static_cast<std::int32_t>(rng() % 53);
            if (id == kMuxFunction && circuit.arity != 3) id = 1;
            assignment.setIdentifier(gene, id);
        }
        const auto root = static_cast<std::int32_t>(rng() % static_cast<unsigned>(circuit.blockTotal()));
        for (const ConeConnections connections : {ConeConnections::Drawn, ConeConnections::Evaluated}) {
            const ActiveCone cone = activeCone(circuit, assignment, {root}, connections);
            EXPECT_FALSE(cone.readsForward);
            EXPECT_EQ(closure(circuit, assignment, root, connections), cone.members) << round;
            std::int32_t reached = 0;
            for (std::int32_t i = circuit.inputCount; i < circuit.blockTotal(); ++i)
                reached += cone.members[i];
            EXPECT_EQ(reached, cone.reached);
        }
        const ActiveCone drawn = activeCone(circuit, assignment, {root}, ConeConnections::Drawn);
        const ActiveCone evaluated = activeCone(circuit, assignment, {root}, ConeConnections::Evaluated);
        for (std::size_t i = 0; i < drawn.members.size(); ++i)
            EXPECT_LE(evaluated.members[i], drawn.members[i]);
    }
}

TEST(ActiveCone, AForwardConnectionIsReportedAndEndsTheEvaluatedSweep) {
    // Block 2 reads block 3, which reads input 0; the output reads block 2.
    const Chromosome circuit = test::parsed("{2,1,2,1,2,1,-1}(3,1,0)(0,0,0)(2)");
    const FunctionAssignment assignment;
    const ActiveCone drawn = activeCone(circuit, assignment, {4}, ConeConnections::Drawn);
    EXPECT_TRUE(drawn.readsForward);
    EXPECT_EQ((std::vector<char>{0, 1, 1, 1, 1}), drawn.members);  // 3 is added, its source is not
    EXPECT_EQ(2, drawn.reached);  // nor is 3 counted: the sweep had passed it
    EXPECT_TRUE(activeCone(circuit, assignment, {4}, ConeConnections::Evaluated).readsForward);
}

}  // namespace
}  // namespace pellisor
