#pragma once

#include <string>
#include <vector>

#include "support/process.h"

namespace quillbarrow {

// The quillbarrow tool run in a folder, with room for slow loads.
inline ProcessResult run_tool(std::vector<std::string> args, const std::string& folder) {
    args.insert(args.begin(), QB_TOOL_PATH);
    ProcessOptions options;
    options.working_directory = folder;
    options.timeout_seconds = 180;
    return run_process(args, options);
}

}  // namespace quillbarrow
