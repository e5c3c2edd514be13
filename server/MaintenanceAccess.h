#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalvuno::server {

// Who may change the catalog with the maintenance commands (hide, no-file):
// the client addresses named with --maintenance-from, nobody by default.
// Behind a reverse proxy every request comes from the proxy, so the client
// address it forwards (X-Forwarded-For) counts, but only from the proxies
// named with --trusted-proxy: anyone else can write that header.
class MaintenanceAccess
{
public:
    // "ADDRESS[,ADDRESS...]", IPv4 or IPv6 literals. False (and nothing
    // added) when one of them is not an address.
    bool addMaintainers(std::string_view list);
    bool addTrustedProxies(std::string_view list);

    // The address a request stands for: the peer's, or, when the peer is a
    // trusted proxy, the forwarded one nearest to it that is not itself one.
    // forwardedFor: the X-Forwarded-For values, comma-separated.
    std::string clientAddress(const std::string &peer, std::string_view forwardedFor) const;
    bool allows(const std::string &peer, std::string_view forwardedFor) const;

private:
    std::vector<std::string> m_maintainers;
    std::vector<std::string> m_trustedProxies;
};

// An address in one spelling ("::ffff:127.0.0.1" is 127.0.0.1); empty when
// the text is not an IP address.
std::string canonicalAddress(std::string_view text);

} // namespace kalvuno::server
