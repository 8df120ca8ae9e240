//===- run_program.h - Running a program of the build as a child -*- C++
//-*-===//
//
// Tests of command-line programs run them as the user does (through the
// shell on Linux, with a command line made by Windows's rules there), and
// look at what they printed and how they ended.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_RUN_PROGRAM_H
#define LECTORIN_TESTS_RUN_PROGRAM_H

#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
  int exit_code = -1; ///< -1 when the program did not end by itself
  std::string output; ///< standard output
  std::string errors; ///< standard error
};

/// Runs program with the arguments (UTF-8), each passed as one word, and
/// waits for it. Standard input is empty; standard output and error are caught
/// in files of the scratch directory. Throws when the shell cannot be started.
ProgramResult run_program(const std::string &program,
                          const std::vector<std::string> &arguments,
                          const std::string &scratch_directory);

#ifndef _WIN32
/// The text as one word for the POSIX shell.
std::string shell_word(const std::string &text);
#endif

} // namespace testing_support

#endif // LECTORIN_TESTS_RUN_PROGRAM_H
