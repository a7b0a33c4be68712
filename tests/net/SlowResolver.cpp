// A name server that keeps the caller waiting, for the look-up tests: a
// name "N.slow.test" fails after N milliseconds; every other name goes to
// the system's resolver. Linked into a test program, this getaddrinfo
// stands in for the C library's.

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result)
{
    using Resolver = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto system = reinterpret_cast<Resolver>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    static const char kSlow[] = ".slow.test";
    const size_t length = node ? std::strlen(node) : 0;
    if (length > sizeof kSlow - 1 && std::strcmp(node + length - (sizeof kSlow - 1), kSlow) == 0) {
        ::usleep(useconds_t(std::atol(node)) * 1000);
        return EAI_NONAME;
    }
    return system(node, service, hints, result);
}
