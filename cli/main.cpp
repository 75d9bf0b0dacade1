// kinetra-fit: fits the Hill rate law to the points of data files.
#include <exception>
#include <iostream>
#include <unistd.h>

#include "FitCommand.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    try {
        kinetra::cli::CommandEnvironment env;
        env.batch.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
        env.batch.outputIsTerminal = ::isatty(STDOUT_FILENO) == 1;
        return kinetra::cli::runFitCommand(argc, argv, std::cout, std::cerr, env);
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "kinetra-fit: " << e.what() << '\n';
        return kinetra::cli::kExitEnded;
    }
}
