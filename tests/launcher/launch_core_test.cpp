// The launcher's decisions: command line, registry strings, editor paths and
// the file list bytes.

#include "launch_core.h"

#include <gtest/gtest.h>

namespace {

using launcher::find_command_rest;

bool single_byte(unsigned char) { return false; }
// Lead bytes as in the Japanese code page; its second bytes include the
// backslash (0x5C) but never a quote, space or tab, so the tests that need a
// second byte equal to one of those use a made-up code page.
bool shift_jis_lead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string bytes(const char *text, std::size_t size) {
  return std::string(text, size);
}

TEST(ClassifyCommand, OnlyTheExactSwitchAloneIsACommand) {
  using launcher::Command;
  EXPECT_EQ(launcher::classify_command({"/Install"}), Command::install);
  EXPECT_EQ(launcher::classify_command({"/Uninstall"}), Command::uninstall);
  EXPECT_EQ(launcher::classify_command({}), Command::hand_over);
  EXPECT_EQ(launcher::classify_command({"/install"}), Command::hand_over);
  EXPECT_EQ(launcher::classify_command({"/UNINSTALL"}), Command::hand_over);
  EXPECT_EQ(launcher::classify_command({"/Install", "word"}),
            Command::hand_over);
  EXPECT_EQ(launcher::classify_command({"/Uninstall", "/Uninstall"}),
            Command::hand_over);
  EXPECT_EQ(launcher::classify_command({"/Install "}), Command::hand_over);
}

TEST(FindCommandRest, FollowsAQuotedProgramName) {
  EXPECT_EQ(find_command_rest(R"("C:\a b\launcher.exe" x y)", single_byte),
            "x y");
  EXPECT_EQ(find_command_rest(R"("C:\a b\launcher.exe" 	  C:\f a b.txt )",
                              single_byte),
            "C:\\f a b.txt ");
  EXPECT_EQ(find_command_rest(R"("launcher.exe""a.txt" "b")", single_byte),
            R"("a.txt" "b")");
  EXPECT_EQ(find_command_rest(R"("launcher.exe"x)", single_byte), "x");
  EXPECT_EQ(find_command_rest(R"("launcher.exe"   )", single_byte), "");
}

TEST(FindCommandRest, FollowsAnUnquotedProgramName) {
  EXPECT_EQ(find_command_rest("launcher.exe a b", single_byte), "a b");
  EXPECT_EQ(find_command_rest("launcher.exe\t\t a", single_byte), "a");
  // The search starts after the first character: a leading blank is the
  // program name's, not the separator.
  EXPECT_EQ(find_command_rest(" launcher.exe a", single_byte), "a");
  EXPECT_EQ(find_command_rest("l\"x\" a", single_byte), "a");
}

TEST(FindCommandRest, IsEmptyWithoutASeparator) {
  EXPECT_EQ(find_command_rest("", single_byte), "");
  EXPECT_EQ(find_command_rest("launcher.exe", single_byte), "");
  EXPECT_EQ(find_command_rest(R"("C:\a b\launcher.exe x y)", single_byte), "");
  EXPECT_EQ(find_command_rest("\"", single_byte), "");
}

TEST(FindCommandRest, NeverTakesTheSecondByteOfACharacter) {
  // Made-up code page: 0x81 opens a character whose second byte may be
  // anything.
  auto lead_81 = [](unsigned char byte) { return byte == 0x81; };
  EXPECT_EQ(find_command_rest("\"ab\x81\"cd\" rest", lead_81), "rest");
  EXPECT_EQ(find_command_rest("x\x81 y\x81\tz more", lead_81), "more");
  // A first character of two bytes is skipped whole.
  EXPECT_EQ(find_command_rest("\x81 name rest", lead_81), "rest");
  EXPECT_EQ(find_command_rest("\x81\"x\" rest", lead_81), "rest");
  // A lead byte that ends the line has no second byte: the scan stops there.
  EXPECT_EQ(find_command_rest("\"ab\x81", lead_81), "");
  EXPECT_EQ(find_command_rest("x\x81", lead_81), "");
  EXPECT_EQ(find_command_rest("\x81", lead_81), "");
  // Japanese: the name's characters end in a backslash byte.
  EXPECT_EQ(find_command_rest("\"C:\\\x95\\\\launcher.exe\" \x95\\.txt",
                              shift_jis_lead),
            "\x95\\.txt");
}

TEST(RegistryValues, NameTheLauncherItsConfigAndItsDirectory) {
  launcher::RegistryValues values = launcher::registry_values(
      R"(C:\Program Files\Scan\launcher.exe)", single_byte);
  EXPECT_EQ(values.executable, R"(C:\Program Files\Scan\launcher.exe)");
  EXPECT_EQ(values.config, R"(C:\Program Files\Scan\sssetup.ini)");
  EXPECT_EQ(values.directory, R"(C:\Program Files\Scan)");
}

TEST(RegistryValues, KeepTheBackslashOfARoot) {
  launcher::RegistryValues values =
      launcher::registry_values(R"(C:\launcher.exe)", single_byte);
  EXPECT_EQ(values.config, R"(C:\sssetup.ini)");
  EXPECT_EQ(values.directory, "C:\\");
  EXPECT_EQ(
      launcher::registry_values(R"(\launcher.exe)", single_byte).directory,
      "\\");
  EXPECT_EQ(
      launcher::registry_values(R"(\\host\share\launcher.exe)", single_byte)
          .directory,
      R"(\\host\share)");
}

TEST(RegistryValues, SplitDoubleByteNamesAtRealBackslashes) {
  // "C:\<0x95 0x5C>\launcher.exe": the 0x5C after 0x95 is half a character,
  // and the directory that ends in it keeps it.
  launcher::RegistryValues values =
      launcher::registry_values("C:\\\x95\\\\launcher.exe", shift_jis_lead);
  EXPECT_EQ(values.config, "C:\\\x95\\\\sssetup.ini");
  EXPECT_EQ(values.directory, "C:\\\x95\\");
  // "C:\<0x95 0x5C>x" is a file in C:\; read as single-byte text, 0x5C is a
  // backslash of its own.
  EXPECT_EQ(launcher::registry_values("C:\\\x95\\x", shift_jis_lead).config,
            "C:\\sssetup.ini");
  EXPECT_EQ(launcher::registry_values("C:\\\x95\\x", single_byte).config,
            "C:\\\x95\\sssetup.ini");
}

TEST(EditorFiles, SitBesideTheLauncher) {
  EXPECT_EQ(launcher::editor_path(R"(Z:\a b\launcher.exe)", single_byte),
            R"(Z:\a b\FolivaneA.exe)");
  EXPECT_EQ(
      launcher::edition_marker_path(R"(Z:\a b\launcher.exe)", single_byte),
      R"(Z:\a b\scansnap.ini)");
  EXPECT_EQ(launcher::editor_path("launcher.exe", single_byte),
            "FolivaneA.exe");
  // Long directories are not cut to a fixed buffer.
  std::string directory = "Z:\\" + std::string(300, 'd') + "\\";
  EXPECT_EQ(launcher::editor_path(directory + "launcher.exe", single_byte),
            directory + "FolivaneA.exe");
  EXPECT_EQ(
      launcher::registry_values(directory + "launcher.exe", single_byte).config,
      directory + "sssetup.ini");
}

TEST(EditorWindowClass, FollowsTheEditionMarker) {
  EXPECT_STREQ(launcher::editor_window_class(false), "VeltrixFolivaneMDIFrame");
  EXPECT_STREQ(launcher::editor_window_class(true), "VeltrixScrivelleMDIFrame");
}

TEST(FileListPayload, SendsAnExistingRestUnchanged) {
  std::string rest = R"(C:\scans\page one two.pdf)";
  std::string payload = launcher::file_list_payload(
      rest, true, {"C:\\scans\\page", "one", "two.pdf"});
  EXPECT_EQ(payload, rest + bytes("\0\0", 2));
  EXPECT_EQ(payload.size(), rest.size() + 2);
}

TEST(FileListPayload, QuotesEachArgumentOtherwise) {
  std::string payload = launcher::file_list_payload(
      R"("C:\a b.pdf" C:\c.pdf)", false, {R"(C:\a b.pdf)", R"(C:\c.pdf)"});
  std::string expected = bytes("\"C:\\a b.pdf\"\0\"C:\\c.pdf\"\0\0", 25);
  EXPECT_EQ(payload, expected);
  EXPECT_EQ(payload.size(), 1u + (10 + 3) + (8 + 3));
}

TEST(FileListPayload, KeepsEveryByteOfAnArgument) {
  EXPECT_EQ(launcher::file_list_payload("", false, {""}), bytes("\"\"\0\0", 4));
  EXPECT_EQ(launcher::file_list_payload("", false, {"\x95\\ \xE9"}),
            bytes("\"\x95\\ \xE9\"\0\0", 8));
  EXPECT_EQ(launcher::file_list_payload("", false, {}), bytes("\0", 1));
}

} // namespace
