#include "MaintenanceAccess.h"

#include <algorithm>
#include <arpa/inet.h>

namespace kalvuno::server {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitCommas(std::string_view list)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t comma = list.find(',');
        parts.push_back(trimmed(list.substr(0, comma)));
        if (comma == std::string_view::npos)
            return parts;
        list.remove_prefix(comma + 1);
    }
}

bool addAll(std::string_view list, std::vector<std::string> &to)
{
    std::vector<std::string> found;
    for (std::string_view part : splitCommas(list)) {
        std::string address = canonicalAddress(part);
        if (address.empty())
            return false;
        found.push_back(std::move(address));
    }
    to.insert(to.end(), found.begin(), found.end());
    return true;
}

bool contains(const std::vector<std::string> &list, const std::string &address)
{
    return !address.empty() && std::find(list.begin(), list.end(), address) != list.end();
}

} // namespace

std::string canonicalAddress(std::string_view text)
{
    const std::string s(trimmed(text));
    char out[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1)
        return inet_ntop(AF_INET, &v4, out, sizeof out) ? out : "";
    in6_addr v6{};
    if (inet_pton(AF_INET6, s.c_str(), &v6) != 1)
        return {};
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::copy_n(v6.s6_addr + 12, 4, reinterpret_cast<unsigned char *>(&v4.s_addr));
        return inet_ntop(AF_INET, &v4, out, sizeof out) ? out : "";
    }
    return inet_ntop(AF_INET6, &v6, out, sizeof out) ? out : "";
}

bool MaintenanceAccess::addMaintainers(std::string_view list) { return addAll(list, m_maintainers); }

bool MaintenanceAccess::addTrustedProxies(std::string_view list) { return addAll(list, m_trustedProxies); }

std::string MaintenanceAccess::clientAddress(const std::string &peer, std::string_view forwardedFor) const
{
    std::string address = canonicalAddress(peer);
    if (!contains(m_trustedProxies, address) || trimmed(forwardedFor).empty())
        return address;
    // Each proxy appends the address it was reached from: walk back from the
    // end through our own proxies; the first other address is the client.
    const std::vector<std::string_view> hops = splitCommas(forwardedFor);
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        address = canonicalAddress(*hop);
        if (!contains(m_trustedProxies, address))
            return address; // empty when a proxy forwarded garbage: nobody
    }
    return address;
}

bool MaintenanceAccess::allows(const std::string &peer, std::string_view forwardedFor) const
{
    return contains(m_maintainers, clientAddress(peer, forwardedFor));
}

} // namespace kalvuno::server
