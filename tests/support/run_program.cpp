//===- run_program.cpp - Running a program of the build as a child --------===//
//
// The one place in the tests that knows how a child's exit status is coded.

#include "run_program.h"

#include "temp_directory.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>

namespace testing_support {

std::string shell_word(const std::string &text) {
  std::string word = "'";
  for (char c : text)
    word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

ProgramResult run_program(const std::string &program,
                          const std::vector<std::string> &arguments,
                          const std::string &scratch_directory) {
  std::string output = join_path(scratch_directory, "program.out");
  std::string errors = join_path(scratch_directory, "program.err");
  // Leak reports of sanitized children list the suppressions they used;
  // that list is not the program's output.
  std::string command =
      "LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0\" " +
      shell_word(program);
  for (const std::string &argument : arguments)
    command += " " + shell_word(argument);
  command += " </dev/null >" + shell_word(output) + " 2>" + shell_word(errors);
  int status = std::system(command.c_str());
  if (status == -1)
    throw std::runtime_error("cannot start the shell");
  ProgramResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = read_file(output);
  result.errors = read_file(errors);
  remove_path(output);
  remove_path(errors);
  return result;
}

} // namespace testing_support
