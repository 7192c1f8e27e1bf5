#pragma once
// The pluggable protocol behind pagolux://site/...: serves the package's members from memory
// to the browser control and to every other urlmon client of this process, by the site's
// address rules (SiteAddressSpace). Registered for this process only (the internet session's
// name space), never in the registry.

namespace pagolux {

class MemberSource;
namespace viewer {
class SiteAddressSpace;
}

namespace win_protocol {

// Registers the scheme with source and its address space behind it for the rest of the
// process (both must outlive it); false on failure.
bool registerProtocol(MemberSource& source, const viewer::SiteAddressSpace& site);

} // namespace win_protocol
} // namespace pagolux
