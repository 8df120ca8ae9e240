//===- launch_core.h - The launcher's decisions -----------------*- C++ -*-===//
//
// The launcher is started by the scanner software with the scanned files on
// its command line. Everything it decides is here, free of system calls, so it
// is tested in both builds: which command the arguments ask for, where the
// raw command line's rest begins, the registry strings, the editor's path and
// window class, and the exact bytes of the file list. launcher.cpp only feeds
// these functions what Windows reports and makes the calls.
//
// Text is in the system's ANSI code page, which may be a double-byte one: a
// byte that opens a two-byte character is never taken for a quote, a space or
// a backslash on its own, so every scan here takes a lead-byte test.
//
//   std::string rest = launcher::find_command_rest(GetCommandLineA(), is_lead);
//   std::string bytes = launcher::file_list_payload(rest, exists(rest), args);
//   // COPYDATASTRUCT{launcher::file_list_tag, bytes.size(), bytes.data()}
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_LAUNCHER_LAUNCH_CORE_H
#define LECTORIN_LAUNCHER_LAUNCH_CORE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

/// Whether a byte opens a two-byte character in the ANSI code page.
using LeadByteTest = bool (*)(unsigned char byte);

/// The key under HKEY_LOCAL_MACHINE that the scanner software reads.
constexpr const char *registry_key =
    "SOFTWARE\\PFU\\ScanSnap Extension\\RuriduzAvOrEz";
/// `dwData` of the one WM_COPYDATA message: marks it as a file list.
constexpr std::uint32_t file_list_tag = 0x1751;

/// What the arguments after the program name ask for.
enum class Command {
  install,   ///< exactly one argument, "/Install"
  uninstall, ///< exactly one argument, "/Uninstall"
  hand_over, ///< anything else: the arguments are file names (maybe none)
};

/// The command for \p args (the program name not included). The switches are
/// compared exactly: "/install" or "/Install" beside another word is a file.
Command classify_command(const std::vector<std::string> &args);

/// The text of the raw command line \p raw after the program name: after the
/// closing quote when the line starts with one, else after the first space or
/// tab that follows the first character, with the spaces and tabs after it
/// skipped. Empty when that quote, space or tab does not exist.
std::string find_command_rest(std::string_view raw, LeadByteTest is_lead);

/// The three REG_SZ values "/Install" writes: the key's default value, "Config"
/// and "Path".
struct RegistryValues {
  std::string executable; ///< the launcher's full path, unchanged
  std::string config;     ///< its directory, backslash kept, + "sssetup.ini"
  std::string directory;  ///< its directory without the trailing backslash
};

/// The registry values for a launcher at \p module_path. A directory that is
/// a root ("C:\") keeps its backslash in `directory`, since "C:" alone would
/// name the current directory of drive C.
RegistryValues registry_values(std::string_view module_path,
                               LeadByteTest is_lead);

/// The editor program beside a launcher at \p module_path.
std::string editor_path(std::string_view module_path, LeadByteTest is_lead);

/// The edition marker file beside a launcher at \p module_path.
std::string edition_marker_path(std::string_view module_path,
                                LeadByteTest is_lead);

/// The class of the editor's main window: the scanner edition's when the
/// marker file is present, else the ordinary edition's.
const char *editor_window_class(bool edition_marker_present);

/// The file list bytes, terminating zeros included; their count is `cbData`.
/// When \p rest_is_existing_path, \p rest unchanged and two zero bytes;
/// otherwise each of \p args as `"arg"` and a zero byte, then one more zero
/// byte (a single zero byte for no arguments).
std::string file_list_payload(const std::string &rest,
                              bool rest_is_existing_path,
                              const std::vector<std::string> &args);

} // namespace launcher

#endif // LECTORIN_LAUNCHER_LAUNCH_CORE_H
