/* Runs a translation for AArch64 in an emulator, for the tests on other processors.
 *
 *   run_code IN OUT
 *
 * IN: the little-endian uint64 fields codeBytes, inputCount, outputCount, steps, reach; the code; then
 * per input steps * reach + 256 bytes (the padding a step may read past the end). The code is the
 * function void run(const void* const* inputs, void* const* outputs, size_t steps). OUT receives per
 * output steps * reach bytes. Any failure, a byte written past the end of an output among them: a
 * message on stderr and exit status 1. */

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

enum { kPaddingBytes = 256, kMostPointers = 4096, kGuardByte = 0xA5 };

typedef void (*RunFunction)(const void* const* inputs, void* const* outputs, size_t steps);

static void fail(const char* what) {
    fprintf(stderr, "run_code: %s\n", what);
    exit(1);
}

static void readExactly(FILE* file, void* into, size_t size) {
    if (size != 0 && fread(into, 1, size, file) != size) fail("IN ends early");
}

/* Zeroed buffers at addresses that are no multiple of 16 (but for `offset` 0), as rows of a picture
 * arrive: the code must not count on aligned vectors. */
static uint8_t* bufferAt(size_t size, size_t offset) {
    uint8_t* memory = calloc(1, size + 16 + offset);
    if (memory == NULL) fail("out of memory");
    return (uint8_t*)(((uintptr_t)memory + 15) & ~(uintptr_t)15) + offset;
}

int main(int argc, char** argv) {
    if (argc != 3) fail("usage: run_code IN OUT");
    FILE* in = fopen(argv[1], "rb");
    if (in == NULL) fail("cannot open IN");
    uint8_t headerBytes[5 * 8];
    readExactly(in, headerBytes, sizeof headerBytes);
    uint64_t header[5];
    for (int field = 0; field < 5; ++field) {
        header[field] = 0;
        for (int byte = 7; byte >= 0; --byte)
            header[field] = header[field] << 8 | headerBytes[field * 8 + byte];
    }
    const uint64_t codeBytes = header[0], inputCount = header[1], outputCount = header[2];
    const uint64_t steps = header[3], reach = header[4];
    if (codeBytes == 0 || codeBytes > (1u << 30)) fail("bad code size");
    if (inputCount > kMostPointers || outputCount > kMostPointers) fail("too many inputs or outputs");
    if (reach != 0 && steps > (1ull << 32) / reach) fail("too many bytes");
    const size_t blockBytes = (size_t)(steps * reach);

    /* Written while only writable, then only executable; the instruction cache sees the new bytes. */
    const long pageBytes = sysconf(_SC_PAGESIZE);
    const size_t mappedBytes = (codeBytes + (size_t)pageBytes - 1) / (size_t)pageBytes * (size_t)pageBytes;
    uint8_t* code = mmap(NULL, mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (code == MAP_FAILED) fail("cannot map the code");
    readExactly(in, code, codeBytes);
    if (mprotect(code, mappedBytes, PROT_READ | PROT_EXEC) != 0) fail("cannot make the code executable");
    __builtin___clear_cache((char*)code, (char*)code + codeBytes);

    static const void* inputs[kMostPointers];
    static void* outputs[kMostPointers];
    for (uint64_t k = 0; k < inputCount; ++k) {
        uint8_t* block = bufferAt(blockBytes + kPaddingBytes, (size_t)(k * 7 % 16));
        readExactly(in, block, blockBytes + kPaddingBytes);
        inputs[k] = block;
    }
    if (fgetc(in) != EOF) fail("IN is longer than its header says");
    fclose(in);
    for (uint64_t k = 0; k < outputCount; ++k) {
        uint8_t* block = bufferAt(blockBytes + kPaddingBytes, (size_t)((k * 5 + 3) % 16));
        memset(block + blockBytes, kGuardByte, kPaddingBytes);
        outputs[k] = block;
    }

    RunFunction run;
    memcpy(&run, &code, sizeof run);
    run(inputs, outputs, (size_t)steps);
    for (uint64_t k = 0; k < outputCount; ++k) {
        const uint8_t* block = outputs[k];
        for (size_t i = blockBytes; i < blockBytes + kPaddingBytes; ++i) {
            if (block[i] != kGuardByte) fail("the code wrote past the end of an output");
        }
    }

    FILE* out = fopen(argv[2], "wb");
    if (out == NULL) fail("cannot create OUT");
    for (uint64_t k = 0; k < outputCount; ++k) {
        if (blockBytes != 0 && fwrite(outputs[k], 1, blockBytes, out) != blockBytes) fail("cannot write OUT");
    }
    if (fclose(out) != 0) fail("cannot write OUT");
    return 0;
}
