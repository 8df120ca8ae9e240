// init_ocr, ocr_release and ocr_close through the real plug-in library and
// the scripted engine: where the engine is found, what it is told, and what
// the editor sees when it cannot be used.

#include "engine_fixture.h"
#include "temp_directory.h"

#include "platform.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

std::string in_quotes(const std::string &text) { return "\"" + text + "\""; }

std::string log_script(const std::string &log, int init = 1) {
  return "init " + std::to_string(init) + "\nlog " + in_quotes(log) + "\n";
}

std::string sep(const std::string &directory) {
  return directory + platform::path_separator;
}

class InitOcr : public ::testing::Test {
protected:
  void SetUp() override { set_engine_variable(""); }
  void TearDown() override {
    set_engine_variable("");
    for (const std::string &dir : host_directories_)
      remove_path(dir);
    for (const std::string &file : host_files_)
      remove_path(file);
  }

  // A candidate directory near the test program; removed after the test.
  std::string host_candidate(const std::string &relative) {
    std::string dir = executable_directory() + relative;
    host_directories_.push_back(dir);
    return dir;
  }

  // Opens an interface, checks its identifier, and closes it again.
  void expect_init_error(const char *expected) {
    ocr_interface *ocr = call_init_ocr();
    ASSERT_NE(ocr, nullptr);
    ASSERT_NE(ocr->session, nullptr);
    if (expected)
      EXPECT_STREQ(ocr->error, expected);
    else
      EXPECT_EQ(ocr->error, nullptr) << ocr->error;
    ocr->release(ocr);
    EXPECT_EQ(ocr->error, nullptr);
    ocr->close(ocr);
  }

  TempDirectory temp_;
  std::string log_ = temp_ / "calls.log";
  // Files put into the host program's own directory; removed after the test.
  std::vector<std::string> host_files_;

private:
  std::vector<std::string> host_directories_;
};

TEST_F(InitOcr, EngineVariableWinsOverTheHostDirectories) {
  std::string named = temp_ / "named";
  install_engine(named, log_script(log_));
  std::string other_log = temp_ / "other.log";
  install_engine(host_candidate("DjVu"), "");
  install_engine(sep(host_candidate("DjVu")) + "Lectorin",
                 log_script(other_log));
  set_engine_variable(named);

  expect_init_error(nullptr);
  EXPECT_EQ(read_file(log_), "drs7_init ptr " +
                                 in_quotes(sep(sep(named) + "DRS")) +
                                 " ptr ptr 0\n" + "set_engine_switch 1 98 0\n" +
                                 "drs7_upset 1\n");
  EXPECT_EQ(read_file(other_log), "");
}

TEST_F(InitOcr, EngineBeneathTheHostWithDataInItsSubdirectory) {
  std::string engine_dir =
      sep(host_candidate("DjVu")) + "Lectorin" + platform::path_separator;
  install_engine(engine_dir, log_script(log_));
  set_engine_variable(temp_.path()); // no engine there: falls through

  expect_init_error(nullptr);
  EXPECT_EQ(read_file(log_).substr(0, read_file(log_).find('\n')),
            "drs7_init ptr " +
                in_quotes(engine_dir + "DRS" + platform::path_separator) +
                " ptr ptr 0");
  std::string path = search_path();
  std::string tail = ";" + engine_dir;
  ASSERT_GE(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail) << path;
}

TEST_F(InitOcr, EngineInTheHostDirectoryAndBesideIt) {
  // The host directory itself: only its engine library and data are added.
  std::string host = executable_directory();
  copy_file(built_engine_file(), host + platform::engine_library_file);
  write_file(host + platform::engine_data_file,
             "backend script\n" + log_script(log_));
  expect_init_error(nullptr);
  remove_path(host + platform::engine_library_file);
  remove_path(host + platform::engine_data_file);
  EXPECT_NE(
      read_file(log_).find("drs7_init ptr " + in_quotes(host) + " ptr ptr 0"),
      std::string::npos)
      << read_file(log_);

  // "../Lectorin/" beside it.
  std::string beside = host + ".." + platform::path_separator + "Lectorin" +
                       platform::path_separator;
  host_candidate(std::string("..") + platform::path_separator + "Lectorin");
  std::string beside_log = temp_ / "beside.log";
  install_engine(beside, log_script(beside_log));
  expect_init_error(nullptr);
  EXPECT_NE(read_file(beside_log)
                .find(in_quotes(beside + "DRS" + platform::path_separator)),
            std::string::npos)
      << read_file(beside_log);
}

// Each host directory with an engine and its data beside the next one in
// line: the earlier candidate starts the session, the later one is not
// touched.
TEST_F(InitOcr, HostDirectoriesAreTriedInTheirOrder) {
  const std::string host = executable_directory();
  const std::string beneath =
      sep(host_candidate("DjVu")) + "Lectorin" + platform::path_separator;
  const std::string beside = sep(host_candidate(
      std::string("..") + platform::path_separator + "Lectorin"));
  const std::string beneath_log = temp_ / "beneath.log";
  const std::string host_log = temp_ / "host.log";
  const std::string beside_log = temp_ / "beside.log";
  install_engine(beneath, log_script(beneath_log));
  install_engine(beside, log_script(beside_log));
  host_files_ = {host + platform::engine_library_file,
                 host + platform::engine_data_file};
  copy_file(built_engine_file(), host_files_[0]);
  write_file(host_files_[1], "backend script\n" + log_script(host_log));

  expect_init_error(nullptr);
  EXPECT_NE(read_file(beneath_log)
                .find(in_quotes(beneath + "DRS" + platform::path_separator)),
            std::string::npos)
      << read_file(beneath_log);
  EXPECT_EQ(read_file(host_log), "");

  remove_path(beneath);
  expect_init_error(nullptr);
  EXPECT_NE(read_file(host_log).find("drs7_init ptr " + in_quotes(host)),
            std::string::npos)
      << read_file(host_log);
  EXPECT_EQ(read_file(beside_log), "");
}

TEST_F(InitOcr, DataInTheEngineDirectoryItselfIsPassedUnchanged) {
  std::string named = temp_ / "flat";
  install_engine(named, log_script(log_), DataPlace::engine_directory);
  set_engine_variable(named);
  expect_init_error(nullptr);
  EXPECT_NE(
      read_file(log_).find("drs7_init ptr " + in_quotes(named) + " ptr ptr 0"),
      std::string::npos)
      << read_file(log_);
}

TEST_F(InitOcr, NoEngineAnywhere) {
  set_engine_variable(temp_.path());
  std::string path_before = search_path();
  expect_init_error("IRIS.noEngine");
  EXPECT_EQ(search_path(), path_before);
}

// An editor that hands back no interface at all must not bring itself down.
TEST_F(InitOcr, ReleaseAndCloseOfNoInterfaceDoNothing) {
  set_engine_variable(temp_.path());
  ocr_interface *ocr = call_init_ocr();
  ocr->release(nullptr);
  ocr->close(nullptr);
  ocr->close(ocr);
}

TEST_F(InitOcr, EngineWithoutData) {
  std::string named = temp_ / "nodata";
  install_engine(named, "", DataPlace::none);
  set_engine_variable(named);
  std::string path_before = search_path();
  expect_init_error("IRIS.noLibs");
  EXPECT_EQ(search_path(), path_before);
}

// "./" steps and doubled separators lengthen a name without changing the
// directory it names.
std::string name_of_length(const std::string &base, const std::string &leaf,
                           std::size_t length) {
  std::string name = base + platform::path_separator;
  while (name.size() + 2 + leaf.size() <= length)
    name += std::string(".") + platform::path_separator;
  while (name.size() + leaf.size() < length)
    name += platform::path_separator;
  return name + leaf;
}

TEST_F(InitOcr, EngineDirectoryNamesOf293CharactersHaveNoData) {
  install_engine(temp_ / "long", log_script(log_));
  std::string longest_accepted = name_of_length(temp_.path(), "long", 292);
  ASSERT_EQ(longest_accepted.size(), 292u);
  set_engine_variable(longest_accepted);
  expect_init_error(nullptr);

  std::string too_long = name_of_length(temp_.path(), "long", 293);
  ASSERT_EQ(too_long.size(), 293u);
  set_engine_variable(too_long);
  expect_init_error("IRIS.noLibs");
}

TEST_F(InitOcr, EngineThatRefusesToStart) {
  std::string named = temp_ / "refusing";
  install_engine(named, log_script(log_, 0));
  set_engine_variable(named);
  expect_init_error("IRIS.cantload");
  // The switch is set and the session ended even with handle 0.
  EXPECT_EQ(read_file(log_), "drs7_init ptr " +
                                 in_quotes(sep(sep(named) + "DRS")) +
                                 " ptr ptr 0\n" + "set_engine_switch 0 98 0\n" +
                                 "drs7_upset 0\n");
}

TEST_F(InitOcr, EveryInterfaceAppendsTheEngineDirectoryAgain) {
  std::string named = temp_ / "twice";
  install_engine(named, log_script(log_));
  set_engine_variable(named);
  ocr_interface *first = call_init_ocr();
  ocr_interface *second = call_init_ocr();
  std::string path = search_path();
  std::string twice = ";" + named + ";" + named;
  EXPECT_EQ(path.substr(path.size() - twice.size()), twice);
  EXPECT_EQ(first->error, nullptr);
  EXPECT_EQ(second->error, nullptr);
  first->close(first);
  second->close(second);
}

} // namespace

namespace {

// A library that is found but does not load must come back as an identifier,
// and the interface must still close. Needs a process in which the engine was
// never loaded.
TEST(FreshProcessEngineLoad, EngineFoundButNotLoadable) {
  TempDirectory temp;
  std::string named = temp / "broken";
  std::string log = temp / "calls.log";
  install_engine(named, log_script(log));
  write_file(join_path(named, platform::engine_library_file), "not a library");
  set_engine_variable(named);

  ocr_interface *ocr = call_init_ocr();
  ASSERT_NE(ocr, nullptr);
  EXPECT_STREQ(ocr->error, "IRIS.cantload");
  EXPECT_EQ(ocr->session->engine, 0);
  ocr->release(ocr);
  ocr->close(ocr);
  EXPECT_EQ(read_file(log), "") << "no engine function may be called";

  // Once the directory holds a real engine, the next interface binds it.
  copy_file(built_engine_file(),
            join_path(named, platform::engine_library_file));
  ocr = call_init_ocr();
  EXPECT_EQ(ocr->error, nullptr);
  ocr->close(ocr);
  EXPECT_NE(read_file(log).find("set_engine_switch 1 98 0"), std::string::npos);
  set_engine_variable("");
}

} // namespace

namespace {

// An interface whose engine was never found has no engine to end: closing it
// must not reach for a library that was never loaded. Needs a process in
// which no engine was ever bound.
TEST(FreshProcessNeverBound, InterfacesWithoutAnEngineCloseWithoutIt) {
  TempDirectory temp;
  set_engine_variable(temp.path());
  ocr_interface *ocr = call_init_ocr();
  ASSERT_STREQ(ocr->error, "IRIS.noEngine");
  ocr->close(ocr);

  std::string named = temp / "nodata";
  install_engine(named, "", DataPlace::none);
  set_engine_variable(named);
  ocr = call_init_ocr();
  ASSERT_STREQ(ocr->error, "IRIS.noLibs");
  ocr->close(ocr);
  set_engine_variable("");
}

// The engine that was found is the one loaded, by its full name: a library
// of the same name earlier on the search path does not stand in for it, and
// a ';' in the directory's name does not cut it. The search path still
// gains the directory. Needs a process in which no engine was bound.
TEST(FreshProcessEngineByItsName, TheEngineFoundIsTheEngineLoaded) {
  TempDirectory temp;
  std::string decoy = temp / "decoy";
  make_directories(decoy);
  write_file(join_path(decoy, platform::engine_library_file), "not a library");
  std::string named = temp / "en;gine";
  std::string log = temp / "calls.log";
  install_engine(named, log_script(log));
  platform::set_environment(platform::search_path_variable, decoy);
  set_engine_variable(named);

  ocr_interface *ocr = call_init_ocr();
  EXPECT_EQ(ocr->error, nullptr) << ocr->error;
  ocr->close(ocr);
  EXPECT_EQ(read_file(log).rfind("drs7_init ", 0), 0u) << read_file(log);
  EXPECT_EQ(search_path(), decoy + ";" + named);
  set_engine_variable("");
}

} // namespace
