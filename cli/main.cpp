// kinetra-fit: fits the Hill rate law to the points of data files.
#include <exception>
#include <iostream>

#include "FitCommand.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    try {
        return kinetra::cli::runFitCommand(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "kinetra-fit: " << e.what() << '\n';
        return kinetra::cli::kExitEnded;
    }
}
