#include "cli/zlb/ZlbTool.h"
#include "platform/FileSizeSignal.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    pagolux::IgnoreFileSizeSignal();
    std::vector<std::string> args(argv + 1, argv + argc);
    pagolux::ZlbToolOptions options;
    options.progress = ::isatty(STDOUT_FILENO) || ::isatty(STDERR_FILENO);
    return pagolux::RunZlbTool(args, std::cout, std::cerr, options);
}
