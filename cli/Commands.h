// The subcommands of the `nimbal` tool.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

void addClassesCommand(CLI::App& app);
void addParamsCommand(CLI::App& app);
void addDemoCommand(CLI::App& app);
void addPreviewCommand(CLI::App& app);
void addProxyCommand(CLI::App& app);
void addScatterCommand(CLI::App& app);

}  // namespace cli
