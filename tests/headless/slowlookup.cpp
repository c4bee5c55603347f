// Preloaded into `vrxcom record` by tests (LD_PRELOAD): the look-up of the name in
// VRX_SLOW_NAME hangs, as with a name server that does not answer, until the file named by
// VRX_SLOW_GATE appears (at most a minute), and then gives 127.0.0.1. The file
// VRX_SLOW_GATE.asked tells the test that the look-up has begun. Every other name is looked up
// as usual.
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    const char* slow = std::getenv("VRX_SLOW_NAME");
    const char* gate = std::getenv("VRX_SLOW_GATE");
    if (node && slow && gate && std::strcmp(node, slow) == 0) {
        char asked[4096];
        std::snprintf(asked, sizeof asked, "%s.asked", gate);
        const int fd = ::open(asked, O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) ::close(fd);
        for (int i = 0; i < 600 && ::access(gate, F_OK) != 0; ++i) {
            const timespec tenth{0, 100'000'000};
            ::nanosleep(&tenth, nullptr);
        }
        node = "127.0.0.1";
    }
    return real(node, service, hints, result);
}
