// SPDX-License-Identifier: MIT
#include "files/linux/random_bytes.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <sys/random.h>
#include <unistd.h>

namespace mrfyc {

std::string RandomBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    if (size == 0 || ::getrandom(bytes.data(), size, GRND_NONBLOCK) == static_cast<ssize_t>(size))
        return bytes;
    // The count tells apart calls within one tick of a coarse clock.
    static std::atomic<std::uint64_t> calls = 0;
    timespec now = {};
    static_cast<void>(::clock_gettime(CLOCK_REALTIME, &now)); // a zero time seeds too
    std::uint64_t state = static_cast<std::uint64_t>(now.tv_nsec) ^
                          (static_cast<std::uint64_t>(::getpid()) << 30) ^ (++calls << 52);
    for (char &byte : bytes) {
        // Of a linear congruential generator modulo 2^64 only the high bits are worth taking:
        // bit k repeats every 2^(k+1) steps, so the lowest byte would cycle every 256.
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = static_cast<char>(state >> 56);
    }
    return bytes;
}

} // namespace mrfyc
