#pragma once
// Where the build put its programs and data files (PAGOLUX_BIN_DIR, set for every test by the
// test run), and the folder of the running test program, where the window looks for its
// ProtoExe.dat and iconcomp.dat.

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace pagolux::test {

// The build's program folder, with a trailing "/". Throws when the test run did not name it.
inline std::string binDir()
{
    const char* bin = std::getenv("PAGOLUX_BIN_DIR");
    if (bin == nullptr || *bin == '\0')
        throw std::runtime_error("PAGOLUX_BIN_DIR does not name the build's program folder");
    return std::string(bin) + "/";
}

// The folder of this test program, with a trailing "/".
inline std::string programFolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

// The file name of this test program (the placement file of its windows is named after it).
inline std::string programName()
{
    return std::filesystem::read_symlink("/proc/self/exe").filename().string();
}

// Copies the named files of the build's program folder (or of its sub-folder sub, such as
// "windows/") into the same place beside this test program, replacing what is there.
inline void copyBesideTestProgram(std::initializer_list<const char*> names, const std::string& sub = "")
{
    std::filesystem::create_directories(programFolder() + sub);
    for (const char* name : names)
        std::filesystem::copy_file(binDir() + sub + name, programFolder() + sub + name,
                                   std::filesystem::copy_options::overwrite_existing);
}

} // namespace pagolux::test
