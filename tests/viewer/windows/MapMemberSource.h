#pragma once
// Members kept in memory for the Windows viewer's request tests: read() whole (counted, as the
// web view's pages must be answered through streams) or streamed.

#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pagolux::test {

class MapMemberSource : public MemberSource {
  public:
    std::map<std::string, std::string> members;
    int wholeReads = 0;

    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        ++wholeReads;
        const auto it = members.find(key);
        if (it == members.end())
            return std::nullopt;
        return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    }
    std::optional<std::int64_t> size(const std::string& key) override
    {
        const auto it = members.find(key);
        if (it == members.end())
            return std::nullopt;
        return static_cast<std::int64_t>(it->second.size());
    }
    std::unique_ptr<TStream> stream(const std::string& key) override
    {
        const auto it = members.find(key);
        if (it == members.end())
            return nullptr;
        return std::make_unique<TMemoryStream>(
            std::vector<std::uint8_t>(it->second.begin(), it->second.end()));
    }
};

} // namespace pagolux::test
