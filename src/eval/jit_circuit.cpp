#include "eval/jit_circuit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "eval/jit_neon_function.h"

#include <asmjit/core.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__x86_64__)
#include "eval/jit_function_emitter.h"

#include <asmjit/x86.h>
#endif

namespace pellisor {

bool JitCircuit::enabledByEnvironment() {
    const char* setting = std::getenv("PELLISOR_JIT");
    return setting == nullptr || std::strcmp(setting, "0") != 0;
}

namespace {

// Each instruction set's name in reports and in PELLISOR_JIT_ISA.
struct SetNames {
    JitCircuit::InstructionSet set;
    const char* shown;
    const char* variable;
};
constexpr SetNames kSetNames[] = {{JitCircuit::InstructionSet::Avx2, "AVX2", "avx2"},
                                  {JitCircuit::InstructionSet::Avx512, "AVX-512", "avx512"},
                                  {JitCircuit::InstructionSet::Neon, "NEON", "neon"}};

const SetNames& namesOf(JitCircuit::InstructionSet set) {
    return *std::find_if(std::begin(kSetNames), std::end(kSetNames),
                         [set](const SetNames& names) { return names.set == set; });
}

}  // namespace

const char* JitCircuit::nameOf(InstructionSet set) {
    return namesOf(set).shown;
}

const char* JitCircuit::variableNameOf(InstructionSet set) {
    return namesOf(set).variable;
}

std::optional<JitCircuit::InstructionSet> JitCircuit::chosenInstructionSet() {
    if (!enabledByEnvironment()) return std::nullopt;
    const std::vector<InstructionSet> available = availableInstructionSets();
    if (available.empty()) return std::nullopt;
    if (const char* wanted = std::getenv("PELLISOR_JIT_ISA")) {
        for (const InstructionSet named : available) {
            if (std::string_view(wanted) == variableNameOf(named)) return named;
        }
    }
    return available.back();  // the widest vectors
}

namespace {

// The step's vector count when PELLISOR_JIT_VECTORS names one (1 ... 4), as for measuring each.
std::optional<int> forcedVectors() {
    const char* setting = std::getenv("PELLISOR_JIT_VECTORS");
    if (setting == nullptr || std::strlen(setting) != 1 || setting[0] < '1' || setting[0] > '4')
        return std::nullopt;
    return setting[0] - '0';
}

// One note per process: every circuit after the first would fail for the same reason.
void noteFailure(const std::string& reason) {
    static std::once_flag once;
    std::call_once(once, [&] {
        std::fprintf(stderr,
                     "Poznámka: obvod nelze přeložit do strojového kódu (%s), počítá se bez překladu.\n",
                     reason.c_str());
    });
}

// Translations by what they were made from, the most recently used first; a bounded number is kept,
// so a run that tries many circuits keeps the memory of a few.
class TranslationCache {
public:
    static TranslationCache& instance() {
        static TranslationCache cache;
        return cache;
    }

    std::shared_ptr<const JitCircuit> find(const std::string& key) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = entries_.find(key);
        if (found == entries_.end()) return nullptr;
        order_.splice(order_.begin(), order_, found->second.second);
        return found->second.first;
    }

    void keep(const std::string& key, std::shared_ptr<const JitCircuit> code) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (entries_.count(key) != 0) return;
        order_.push_front(key);
        entries_.emplace(key, std::make_pair(std::move(code), order_.begin()));
        if (entries_.size() > kKept) {
            entries_.erase(order_.back());
            order_.pop_back();
        }
    }

private:
    static constexpr std::size_t kKept = 64;
    std::mutex mutex_;
    std::list<std::string> order_;
    std::map<std::string, std::pair<std::shared_ptr<const JitCircuit>, std::list<std::string>::iterator>>
        entries_;
};

std::string cacheKey(std::span<const LaneOperation> operations, std::uint32_t inputSlots,
                     std::uint32_t zeroSlot, std::span<const std::uint32_t> resultSlots, int laneBits,
                     JitCircuit::InstructionSet set, int vectors, bool bytesInAndOut) {
    std::string key;
    auto append = [&](std::uint32_t value) {
        key.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    for (const std::uint32_t value : {static_cast<std::uint32_t>(set), static_cast<std::uint32_t>(vectors),
                                      static_cast<std::uint32_t>(laneBits), std::uint32_t{bytesInAndOut},
                                      inputSlots, zeroSlot, static_cast<std::uint32_t>(resultSlots.size())})
        append(value);
    for (const std::uint32_t slot : resultSlots)
        append(slot);
    for (const LaneOperation& op : operations) {
        for (const std::uint32_t value :
             {static_cast<std::uint32_t>(op.function), op.a, op.b, op.c, op.result, op.second})
            append(value);
    }
    return key;
}

}  // namespace

struct JitCircuit::Pages {
    Pages(void* first, std::size_t size) : start(first), bytes(size) {}
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    ~Pages() { munmap(start, bytes); }
    void* start;
    std::size_t bytes;
};

namespace {

using namespace asmjit;

// Remembers the first error of the emitter, which asmjit reports here instead of throwing.
class FirstError : public ErrorHandler {
public:
    void handleError(Error error, const char* message, BaseEmitter*) override {
        if (!failed) reason = std::string(message) + " (" + DebugUtils::errorAsString(error) + ")";
        failed = true;
    }
    bool failed = false;
    std::string reason;
};

// The operations translated into `code` for the instruction set; the reason when it fails.
std::optional<std::string> translate(CodeHolder& code, JitCircuit::InstructionSet set,
                                     const jit::StepShape& shape, std::span<const LaneOperation> operations,
                                     const jit::CircuitSlots& slots) {
    FirstError errors;
    // PELLISOR_JIT_LOG=1 prints the code of every new translation to stderr, for looking at it.
    FileLogger logger(stderr);
    const bool logged =
        std::getenv("PELLISOR_JIT_LOG") != nullptr && std::strcmp(std::getenv("PELLISOR_JIT_LOG"), "1") == 0;
    // Both live here only: the code holder forgets them on the way out.
    struct Attached {
        Attached(CodeHolder& holder, ErrorHandler* handler, Logger* log) : code(holder) {
            code.setErrorHandler(handler);
            if (log) code.setLogger(log);
        }
        Attached(const Attached&) = delete;
        Attached& operator=(const Attached&) = delete;
        ~Attached() {
            code.resetErrorHandler();
            code.resetLogger();
        }
        CodeHolder& code;
    } attached(code, &errors, logged ? &logger : nullptr);
    bool emitted = false;
    if (set == JitCircuit::InstructionSet::Neon) {
        emitted = jit::emitNeonFunction(code, shape, operations, slots);
    } else {
#if defined(__x86_64__)
        const jit::Isa isa = set == JitCircuit::InstructionSet::Avx512 ? jit::Isa::Avx512 : jit::Isa::Avx2;
        emitted = jit::emitX86Function(code, isa, shape, operations, slots);
#endif
    }
    if (errors.failed) return errors.reason;
    if (!emitted) return "nepodporovaná operace";
    code.flatten();
    code.resolveUnresolvedLinks();
    if (errors.failed) return errors.reason;
    if (code.hasUnresolvedLinks()) return "nevyřešený odkaz";
    return std::nullopt;
}

jit::StepShape shapeFor(JitCircuit::InstructionSet set, std::span<const LaneOperation> operations,
                        const jit::CircuitSlots& slots, int laneBits, bool bytesInAndOut) {
    const int vectorBytes = set == JitCircuit::InstructionSet::Avx512 ? 64
                            : set == JitCircuit::InstructionSet::Avx2 ? 32
                                                                      : 16;
    const int registers = set == JitCircuit::InstructionSet::Avx2 ? 16 : 32;
    // As many vectors per step as keep every live value in registers (a few stay free for the
    // temporaries of single functions), so that independent vectors hide each other's latency.
    const std::size_t live = std::max<std::size_t>(jit::mostLiveValues(operations, slots), 1);
    const int vectors = forcedVectors().value_or(static_cast<int>(std::clamp<std::size_t>(
        static_cast<std::size_t>(registers - 3) / live, 1, static_cast<std::size_t>(jit::kMostVectors))));
    return {vectorBytes, laneBits / 8, vectors, bytesInAndOut};
}

}  // namespace

bool JitCircuit::processorSupported() {
    return !availableInstructionSets().empty();
}

std::vector<JitCircuit::InstructionSet> JitCircuit::availableInstructionSets() {
#if defined(__x86_64__)
    const auto& features = CpuInfo::host().features().x86();
    std::vector<InstructionSet> sets;
    if (features.hasAVX2()) sets.push_back(InstructionSet::Avx2);
    if (features.hasAVX2() && features.hasAVX512_F() && features.hasAVX512_BW())
        sets.push_back(InstructionSet::Avx512);
    return sets;
#elif defined(__aarch64__)
    return {InstructionSet::Neon};  // every AArch64 processor has it
#else
    return {};
#endif
}

std::shared_ptr<const JitCircuit> JitCircuit::compile(std::span<const LaneOperation> operations,
                                                      std::uint32_t inputSlots, std::uint32_t zeroSlot,
                                                      std::span<const std::uint32_t> resultSlots,
                                                      int laneBits, bool bytesInAndOut) {
    const std::optional<InstructionSet> set = chosenInstructionSet();
    if (!set || (laneBits != 8 && laneBits != 16 && laneBits != 32)) return nullptr;
    const jit::CircuitSlots slots{inputSlots, zeroSlot, resultSlots};
    const jit::StepShape shape = shapeFor(*set, operations, slots, laneBits, bytesInAndOut);
    const std::string key =
        cacheKey(operations, inputSlots, zeroSlot, resultSlots, laneBits, *set, shape.vectors, bytesInAndOut);
    if (std::shared_ptr<const JitCircuit> kept = TranslationCache::instance().find(key)) return kept;

    CodeHolder code;
    code.init(Environment::host());
    if (const std::optional<std::string> failure = translate(code, *set, shape, operations, slots)) {
        noteFailure(*failure);
        return nullptr;
    }
    // Written while only readable and writable, then made only readable and executable.
    const std::size_t codeBytes = code.codeSize();
    const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t pageBytes = (codeBytes + pageSize - 1) / pageSize * pageSize;
    void* start = mmap(nullptr, pageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) {
        noteFailure("nedostatek paměti");
        return nullptr;
    }
    auto pages = std::make_unique<Pages>(start, pageBytes);
    code.relocateToBase(reinterpret_cast<std::uint64_t>(start));
    code.copyFlattenedData(start, codeBytes, CopySectionFlags::kPadSectionBuffer);
    if (mprotect(start, pageBytes, PROT_READ | PROT_EXEC) != 0) {
        noteFailure("stránky nelze učinit spustitelnými");
        return nullptr;
    }
    // Processors whose instruction cache does not follow stores (AArch64) must drop what it holds.
    __builtin___clear_cache(static_cast<char*>(start), static_cast<char*>(start) + codeBytes);
    std::shared_ptr<const JitCircuit> made(new JitCircuit(
        std::move(pages), codeBytes, *set, shape.vectors, laneBits,
        static_cast<std::size_t>(shape.stepLanes()), static_cast<std::size_t>(shape.stepReach())));
    TranslationCache::instance().keep(key, made);
    return made;
}

std::optional<JitCircuit::ForeignCode> JitCircuit::compileForAArch64(
    std::span<const LaneOperation> operations, std::uint32_t inputSlots, std::uint32_t zeroSlot,
    std::span<const std::uint32_t> resultSlots, int laneBits, bool bytesInAndOut, int vectors) {
    if ((laneBits != 8 && laneBits != 16 && laneBits != 32) || vectors < 1 || vectors > jit::kMostVectors)
        return std::nullopt;
    const jit::CircuitSlots slots{inputSlots, zeroSlot, resultSlots};
    const jit::StepShape shape{16, laneBits / 8, vectors, bytesInAndOut};
    CodeHolder code;
    code.init(Environment(Arch::kAArch64));
    if (translate(code, InstructionSet::Neon, shape, operations, slots)) return std::nullopt;
    code.relocateToBase(0);  // the code reaches its constants relative to itself
    ForeignCode made;
    made.bytes.resize(code.codeSize());
    code.copyFlattenedData(made.bytes.data(), made.bytes.size(), CopySectionFlags::kPadSectionBuffer);
    made.stepLanes = static_cast<std::size_t>(shape.stepLanes());
    made.stepReach = static_cast<std::size_t>(shape.stepReach());
    return made;
}

JitCircuit::JitCircuit(std::unique_ptr<Pages> pages, std::size_t codeBytes, InstructionSet set, int vectors,
                       int laneBits, std::size_t stepLanes, std::size_t stepReach)
    : pages_(std::move(pages)),
      codeBytes_(codeBytes),
      function_(reinterpret_cast<Function>(pages_->start)),
      set_(set),
      vectors_(vectors),
      laneBits_(laneBits),
      stepLanes_(stepLanes),
      stepReach_(stepReach) {}

JitCircuit::~JitCircuit() = default;

}  // namespace pellisor
