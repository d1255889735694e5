#include "command_line.h"

namespace host {

std::vector<std::string> commandLine(int argc, char** argv) {
  return {argv, argv + argc};
}

}  // namespace host
