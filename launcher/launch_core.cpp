//===- launch_core.cpp - What the launcher decides, without system calls --===//

#include "launch_core.h"

namespace launcher {
namespace {

constexpr const char *editor_file_name = "FolivaneA.exe";
constexpr const char *edition_marker_file_name = "scansnap.ini";
constexpr const char *config_file_name = "sssetup.ini";

// Where the character after the one at \p at begins. A lead byte at the very
// end has no second byte to take: stepping one byte keeps the scan inside.
std::size_t next_char(std::string_view text, std::size_t at,
                      LeadByteTest is_lead) {
  if (is_lead(static_cast<unsigned char>(text[at])) && at + 1 < text.size())
    return at + 2;
  return at + 1;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Length of the directory part of \p path, its last separator included: the
// file name begins there. In a double-byte code page a backslash byte may be
// the second half of a character, which is why the scan walks characters.
std::size_t directory_length(std::string_view path, LeadByteTest is_lead) {
  std::size_t length = 0;
  for (std::size_t at = 0; at < path.size();
       at = next_char(path, at, is_lead)) {
    char c = path[at];
    if (c == '\\' || c == '/' || c == ':')
      length = at + 1;
  }
  return length;
}

bool is_root_directory(std::string_view directory) {
  return directory == "\\" ||
         (directory.size() == 3 && directory[1] == ':' && directory[2] == '\\');
}

std::string beside(std::string_view module_path, const char *file_name,
                   LeadByteTest is_lead) {
  std::string path(
      module_path.substr(0, directory_length(module_path, is_lead)));
  return path + file_name;
}

} // namespace

Command classify_command(const std::vector<std::string> &args) {
  if (args.size() == 1 && args[0] == "/Install")
    return Command::install;
  if (args.size() == 1 && args[0] == "/Uninstall")
    return Command::uninstall;
  return Command::hand_over;
}

std::string find_command_rest(std::string_view raw, LeadByteTest is_lead) {
  if (raw.empty())
    return {};
  bool quoted = raw[0] == '"';
  std::size_t at = next_char(raw, 0, is_lead);
  while (at < raw.size() && (quoted ? raw[at] != '"' : !is_blank(raw[at])))
    at = next_char(raw, at, is_lead);
  if (at >= raw.size())
    return {};
  // The quote, space or tab found is one byte; the blanks after it are not
  // part of the rest either.
  ++at;
  while (at < raw.size() && is_blank(raw[at]))
    ++at;
  return std::string(raw.substr(at));
}

RegistryValues registry_values(std::string_view module_path,
                               LeadByteTest is_lead) {
  std::string directory(
      module_path.substr(0, directory_length(module_path, is_lead)));
  RegistryValues values;
  values.executable = std::string(module_path);
  values.config = directory + config_file_name;
  // The directory ends in the separator the scan found, so its last byte is
  // a whole character.
  if (!directory.empty() && directory.back() == '\\' &&
      !is_root_directory(directory))
    directory.pop_back();
  values.directory = directory;
  return values;
}

std::string editor_path(std::string_view module_path, LeadByteTest is_lead) {
  return beside(module_path, editor_file_name, is_lead);
}

std::string edition_marker_path(std::string_view module_path,
                                LeadByteTest is_lead) {
  return beside(module_path, edition_marker_file_name, is_lead);
}

const char *editor_window_class(bool edition_marker_present) {
  return edition_marker_present ? "VeltrixScrivelleMDIFrame"
                                : "VeltrixFolivaneMDIFrame";
}

std::string file_list_payload(const std::string &rest,
                              bool rest_is_existing_path,
                              const std::vector<std::string> &args) {
  // The editor splits the list at zero bytes. The unquoted rest keeps a file
  // name with spaces whole, which the argument vector would have cut apart.
  if (rest_is_existing_path)
    return rest + std::string(2, '\0');
  std::string bytes;
  for (const std::string &arg : args) {
    bytes += '"';
    bytes += arg;
    bytes += '"';
    bytes += '\0';
  }
  bytes += '\0';
  return bytes;
}

} // namespace launcher
