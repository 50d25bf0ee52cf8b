// qorcli: the management command line. All of its work is done by libtarnek.
#include <exception>
#include <iostream>

#include <tarnek/tarnek.h>

#include "heap_reserve.h"

int main(int argc, char** argv) {
  Qorcli::ReserveHugePageHeap();
  try {
    Tarnek::AutoCli::CliDispatcher dispatcher;
    dispatcher.AddDefaultDirectories();
    dispatcher.HandleArgvInput(argc, argv);
  } catch (const std::exception& error) {
    // A path word that names nothing, or a formatter refusing its input, ends the line here.
    std::cout.flush();
    std::cerr << "Errors: " << std::endl << error.what() << std::endl;
    return 1;
  }
}
