#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "common/file_system.h"
#include "common/text.h"
#include "support/temp_dir.h"

namespace tecris2nx::testing {

/// The command line run in this process over a temporary folder, its two streams captured; the
/// pattern-data search never walks the drives.
class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() : env{fs, PatternLookupEnv{}} { env.lookup.walkDrives = false; }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunCommandLine(args, out, err, env);
  }

  std::string Path(const std::string& relative) const { return ToUtf8(tmp.TextOf(relative)); }

  TempDir tmp;
  RealFileSystem fs;
  CliEnvironment env;
  std::ostringstream out;
  std::ostringstream err;
};

}  // namespace tecris2nx::testing
