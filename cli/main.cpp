// nimbal: the library's command-line tool.
#include <iostream>

#include "Commands.h"
#include "PluginHost.h"

int main(int argc, char** argv) {
    CLI::App app{"nimbal: the Nimbal renderer utilities library on the command line", "nimbal"};
    app.set_version_flag("--version", "nimbal 0.1.0");
    app.require_subcommand(1);
    cli::addClassesCommand(app);
    cli::addParamsCommand(app);
    cli::addDemoCommand(app);
    cli::addPreviewCommand(app);
    cli::addProxyCommand(app);
    cli::addScatterCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const cli::Failure& f) {
        std::cerr << "nimbal: " << f.message << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "nimbal: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
