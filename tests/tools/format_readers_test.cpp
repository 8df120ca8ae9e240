// lectorin-ocr's hOCR and ALTO as other programs read them, on real
// recognition: the shared scanned pages and a generated page with several
// paragraphs, recognised with character output.
//
// OCRmyPDF's hOCR transformer lays our words over the page image in a PDF
// and pdftotext reads them back: they must be our words in our order. The
// ALTO must validate against the ALTO 4.4 schema with xmllint, offline: the
// schema imports the XLink schema from the web, so a catalog maps that
// location to the few XLink attributes written here.

#include "run_program.h"
#include "temp_directory.h"
#include "word_accuracy.h"

#include "page_generator.h"
#include "sample_texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const char xlink_schema[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xsd:schema xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"\n"
    "    targetNamespace=\"http://www.w3.org/1999/xlink\"\n"
    "    attributeFormDefault=\"qualified\">\n"
    " <xsd:attributeGroup name=\"simpleLink\">\n"
    "  <xsd:attribute name=\"type\" type=\"xsd:string\" fixed=\"simple\"/>\n"
    "  <xsd:attribute name=\"href\" type=\"xsd:anyURI\"/>\n"
    "  <xsd:attribute name=\"role\" type=\"xsd:anyURI\"/>\n"
    "  <xsd:attribute name=\"arcrole\" type=\"xsd:anyURI\"/>\n"
    "  <xsd:attribute name=\"title\" type=\"xsd:string\"/>\n"
    "  <xsd:attribute name=\"show\" type=\"xsd:string\"/>\n"
    "  <xsd:attribute name=\"actuate\" type=\"xsd:string\"/>\n"
    " </xsd:attributeGroup>\n"
    "</xsd:schema>\n";

struct Page {
  std::string image;
  std::string name; // the image's name without its extension
  int resolution;
};

// Runs a shell command line; true when it ends with status 0.
bool shell(const std::string &command, const std::string &scratch,
           ProgramResult &result) {
  result = run_program("sh", {"-c", command}, scratch);
  return result.exit_code == 0;
}

class FormatReaders : public ::testing::Test {
protected:
  // The pages are recognised once for every case, in each format.
  static void SetUpTestSuite() {
    temp_ = new TempDirectory;
    ProgramResult found;
    std::vector<std::string> missing;
    // Debian's interpreter, which has OCRmyPDF's modules, whatever else
    // comes first on the search path.
    if (!shell("/usr/bin/python3 -c 'import ocrmypdf.hocrtransform'",
               temp_->path(), found))
      missing.push_back("ocrmypdf");
    if (!shell("command -v pdftotext", temp_->path(), found))
      missing.push_back("poppler-utils");
    if (!shell("command -v xmllint", temp_->path(), found))
      missing.push_back("libxml2-utils");
    for (const std::string &package : missing)
      skip_reason_ += " " + package;
    if (!skip_reason_.empty()) {
      skip_reason_ = "missing (./test.sh installs them):" + skip_reason_;
      return;
    }

    pages_ = new std::vector<Page>;
    for (const char *name : {"eurotext", "phototest"}) {
      std::string image =
          std::string(LECTORIN_TESTDATA_DIR) + "/" + name + ".tif";
      if (std::filesystem::exists(image))
        pages_->push_back({image, name, name[0] == 'e' ? 300 : 200});
    }
    pagegen::PageSettings settings;
    settings.page.text = pagegen::sample_text("fr");
    settings.page.resolution = 300;
    pagegen::GeneratedPage generated = pagegen::generate_page(settings);
    pagegen::write_page(generated, *temp_ / "generated.png",
                        *temp_ / "generated.truth");
    pages_->push_back({*temp_ / "generated.png", "generated", 300});

    for (const char *format : {"hocr", "alto", "txt"}) {
      std::vector<std::string> arguments = {"--chars", "--format", format, "-o",
                                            *temp_ / format};
      for (const Page &page : *pages_)
        arguments.push_back(page.image);
      ProgramResult result =
          run_program(LECTORIN_OCR_FILE, arguments, temp_->path());
      if (result.exit_code == 2 &&
          result.errors.find("IRIS.noLibs") != std::string::npos) {
        skip_reason_ = "the build has no recognition engine";
        return;
      }
      if (result.exit_code != 0)
        failure_ += result.errors;
    }
  }

  static void TearDownTestSuite() {
    delete pages_;
    delete temp_;
  }

  void SetUp() override {
    if (!skip_reason_.empty())
      GTEST_SKIP() << skip_reason_;
    ASSERT_EQ(failure_, "");
    if (pages_->size() < 3)
      std::cout << "no scanned test pages in " << LECTORIN_TESTDATA_DIR
                << "; the generated page alone is read\n";
  }

  static std::string written(const char *format, const Page &page,
                             const char *extension) {
    return join_path(*temp_ / format, page.name + extension);
  }

  static TempDirectory *temp_;
  static std::vector<Page> *pages_;
  static std::string skip_reason_;
  static std::string failure_;
};

TempDirectory *FormatReaders::temp_ = nullptr;
std::vector<Page> *FormatReaders::pages_ = nullptr;
std::string FormatReaders::skip_reason_;
std::string FormatReaders::failure_;

TEST_F(FormatReaders, OcrmypdfLaysOurHocrWordsOverThePageInOurOrder) {
  for (const Page &page : *pages_) {
    std::string pdf = *temp_ / (page.name + ".pdf");
    ProgramResult result;
    ASSERT_TRUE(shell("/usr/bin/python3 -m ocrmypdf.hocrtransform -r " +
                          std::to_string(page.resolution) + " -i " +
                          shell_word(page.image) + " " +
                          shell_word(written("hocr", page, ".hocr")) + " " +
                          shell_word(pdf),
                      temp_->path(), result))
        << page.name << "\n"
        << result.errors;
    ASSERT_TRUE(shell("pdftotext -raw " + shell_word(pdf) + " -", temp_->path(),
                      result))
        << result.errors;
    std::vector<std::string> ours =
        words_of(read_file(written("txt", page, ".txt")));
    EXPECT_GT(ours.size(), 50u) << page.name;
    EXPECT_EQ(words_of(result.output), ours) << page.name;
  }
}

TEST_F(FormatReaders, AltoValidatesAgainstTheSchema) {
  write_file(*temp_ / "xlink.xsd", xlink_schema);
  write_file(*temp_ / "catalog.xml",
             "<?xml version=\"1.0\"?>\n"
             "<catalog xmlns=\"urn:oasis:names:tc:entity:xmlns:xml:catalog\">"
             "<uri name=\"http://www.loc.gov/standards/xlink/xlink.xsd\" "
             "uri=\"file://" +
                 (*temp_ / "xlink.xsd") + "\"/></catalog>\n");
  std::string schema =
      std::string(LECTORIN_TESTDATA_DIR) + "/alto/alto-4-4.xsd";
  if (!std::filesystem::exists(schema))
    GTEST_SKIP() << "no ALTO schema at " << schema;
  for (const Page &page : *pages_) {
    ProgramResult result;
    EXPECT_TRUE(
        shell("XML_CATALOG_FILES=" + shell_word(*temp_ / "catalog.xml") +
                  " xmllint --noout --nonet --schema " + shell_word(schema) +
                  " " + shell_word(written("alto", page, ".alto.xml")),
              temp_->path(), result))
        << page.name << "\n"
        << result.errors;
  }
}

} // namespace
