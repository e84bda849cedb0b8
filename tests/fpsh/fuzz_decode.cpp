// libFuzzer target of the shell's decoders: the first byte picks the record
// kind, the second the flag; the rest goes through the hex reader and, as raw
// bytes, straight to the decoder.
#include <cstdint>
#include <cstdio>

#include "shell.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    size_t kinds = 0;
    while (fpsh::kDecodeKinds[kinds] != nullptr) ++kinds;
    const std::string kind = fpsh::kDecodeKinds[data[0] % kinds];
    std::vector<uint8_t> bytes;
    std::string error;
    // A leading blank: never "@FILE".
    if (fpsh::read_hex({" " + std::string(reinterpret_cast<const char *>(data + 2), size - 2)}, bytes, error))
        fpsh::decode(kind, data[1], bytes, error);
    fpsh::decode(kind, data[1], std::vector<uint8_t>(data + 2, data + size), error);
    return 0;
}
