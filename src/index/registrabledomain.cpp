#include "registrabledomain.h"

#include <arpa/inet.h>
#include <libpsl.h>

namespace linkindex {

namespace {

bool isAddress(const std::string &host)
{
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || host.find(':') != std::string::npos;
}

} // namespace

std::string registrableDomain(std::string_view host)
{
    const std::string name(host);
    // The list knows names only: it would read 127.0.0.1 as the domain "0.1".
    if (isAddress(name))
        return name;
    const char *found = psl_registrable_domain(psl_builtin(), name.c_str());
    return found ? std::string(found) : name;
}

} // namespace linkindex
