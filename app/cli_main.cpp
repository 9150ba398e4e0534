#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tecris2nx::RealFileSystem fs;
  tecris2nx::CliEnvironment env{fs, tecris2nx::HostPatternLookupEnv(argc > 0 ? argv[0] : "")};
  return tecris2nx::RunCommandLine(args, std::cout, std::cerr, env);
}
