//===- page_plan.h - The pages of a run and where each one goes -*- C++ -*-===//
//
// Every page of every file named on the command line, in order, with the
// file its XML is written to. A file that cannot be read still takes one
// place, so that it is reported where it stands and, on standard output,
// leaves its empty line.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_PLAN_H
#define LECTORIN_TOOLS_PAGE_PLAN_H

#include <functional>
#include <string>
#include <vector>

namespace lectorin_ocr {

struct PageJob {
  std::string file;
  int page = 0;        ///< from 0
  int page_count = 1;  ///< pages in the file; 0 when it cannot be read
  std::string problem; ///< why the file cannot be read
  std::string output;  ///< the XML file, or empty for standard output
};

/// Counts a file's pages; throws std::runtime_error with the reason.
using PageCounter = std::function<int(const std::string &file)>;

/// The jobs for the files, in order. With an output directory each page gets
/// output_name() in it; otherwise output stays empty.
std::vector<PageJob> plan_pages(const std::vector<std::string> &files,
                                const std::string &output_directory,
                                const PageCounter &count_pages);

/// "NAME.xml" for the only page of a file, "NAME-pN.xml" (N from 1) for page
/// N of several; NAME is the file's name without its directory and its last
/// extension (a name that starts with its only dot keeps it).
std::string output_name(const std::string &file, int page, int page_count);

/// A sentence naming two pages that would write the same output file, or
/// empty when every page has a file of its own.
std::string find_output_clash(const std::vector<PageJob> &jobs);

/// How messages name a page: the file alone when it holds one page,
/// "FILE, page N" otherwise.
std::string page_label(const PageJob &job);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_PLAN_H
