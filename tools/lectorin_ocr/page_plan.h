//===- page_plan.h - The pages of a run and where each one goes -*- C++ -*-===//
//
// Every page of every file named on the command line, in order, with the
// file its text is written to and the file of its overlay picture. A file
// that cannot be read still takes one place, so that it is reported where it
// stands and, on standard output, leaves its empty place.
//
// In xml each page is a document of its own; in the other formats the pages
// of one image file share a document (and so an output file), and on
// standard output all pages of the run do.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_PLAN_H
#define LECTORIN_TOOLS_PAGE_PLAN_H

#include "output_format.h"

#include <functional>
#include <string>
#include <vector>

namespace lectorin_ocr {

struct PageJob {
  std::string file;
  int file_index = 0;  ///< the file's place on the command line
  int page = 0;        ///< from 0
  int page_count = 1;  ///< pages in the file; 0 when it cannot be read
  int number = 1;      ///< the page's place in its document, from 1
  std::string problem; ///< why the file cannot be read
  std::string output;  ///< the text's file, or empty for standard output
  std::string overlay; ///< the overlay picture's file, or empty for none
};

/// Where a run writes.
struct OutputPlan {
  std::string directory; ///< empty: standard output
  Format format = Format::xml;
  std::string overlay_directory; ///< empty: no overlay pictures
};

/// Counts a file's pages; throws std::runtime_error with the reason.
using PageCounter = std::function<int(const std::string &file)>;

/// The jobs for the files, in order.
std::vector<PageJob> plan_pages(const std::vector<std::string> &files,
                                const OutputPlan &plan,
                                const PageCounter &count_pages);

/// "NAME" + extension for the only page of a file, "NAME-pN" + extension
/// (N from 1) for page N of several; NAME is the file's name without its
/// directory and its last extension (a name that starts with its only dot
/// keeps it).
std::string output_name(const std::string &file, int page, int page_count,
                        const std::string &extension);

/// A sentence naming two pages that would write the same file, or a page
/// whose text or overlay would be written over one of the images; empty
/// when every page writes files of its own.
std::string find_output_clash(const std::vector<PageJob> &jobs);

/// How messages name a page: the file alone when it holds one page,
/// "FILE, page N" otherwise.
std::string page_label(const PageJob &job);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_PLAN_H
