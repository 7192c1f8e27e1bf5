#pragma once
// The pluggable protocol behind pagolux://site/...: serves the package's members from memory
// to the browser control and to every other urlmon client of this process. Registered for
// this process only (the internet session's name space), never in the registry.

namespace pagolux {

class MemberSource;

namespace win_protocol {

// Registers the scheme with source behind it for the rest of the process; false on failure.
bool registerProtocol(MemberSource& source);

} // namespace win_protocol
} // namespace pagolux
