// Feeds arbitrary bytes to the project-file reader. Every input must either load or be
// rejected with a ProjectFileError; a loaded project must survive writing and reading back.

#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = "/fuzz/folder/project.pgx";
    Project project;
    try {
        project = ProjectFile::parse(bytes, path);
    } catch (const ProjectFileError&) {
        return 0;
    }
    // Each entry needs at least its 4-byte length in the file.
    if (project.entries.size() * 4 > size)
        std::abort();
    if (project.settings.width < BuildSettings::kMinExtent ||
        project.settings.width > BuildSettings::kMaxExtent ||
        project.settings.height < BuildSettings::kMinExtent ||
        project.settings.height > BuildSettings::kMaxExtent)
        std::abort();
    const std::string written = ProjectFile::serialize(project, path);
    if (ProjectFile::parse(written, path) != project)
        std::abort();
    return 0;
}
