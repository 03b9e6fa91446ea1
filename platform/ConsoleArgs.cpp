#include "platform/Console.h"

namespace plat {

std::vector<std::string> ConsoleArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace plat
