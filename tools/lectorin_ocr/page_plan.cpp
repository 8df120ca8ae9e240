//===- page_plan.cpp - The pages of a run and where each one goes ---------===//

#include "page_plan.h"

#include "platform.h"

#include <map>
#include <stdexcept>

namespace lectorin_ocr {

std::vector<PageJob> plan_pages(const std::vector<std::string> &files,
                                const std::string &output_directory,
                                const PageCounter &count_pages) {
  std::string directory = output_directory;
  if (!directory.empty() && directory.back() != '/' &&
      directory.back() != platform::path_separator)
    directory += platform::path_separator;
  std::vector<PageJob> jobs;
  for (const std::string &file : files) {
    PageJob job;
    job.file = file;
    try {
      job.page_count = count_pages(file);
    } catch (const std::exception &e) {
      job.page_count = 0;
      job.problem = e.what();
      jobs.push_back(job);
      continue;
    }
    for (int page = 0; page < job.page_count; ++page) {
      job.page = page;
      if (!output_directory.empty())
        job.output = directory + output_name(file, page, job.page_count);
      jobs.push_back(job);
    }
  }
  return jobs;
}

std::string output_name(const std::string &file, int page, int page_count) {
  std::size_t slash = file.find_last_of("/\\");
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0)
    name.erase(dot);
  if (page_count > 1)
    name += "-p" + std::to_string(page + 1);
  return name + ".xml";
}

std::string find_output_clash(const std::vector<PageJob> &jobs) {
  std::map<std::string, const PageJob *> writers;
  for (const PageJob &job : jobs) {
    if (job.output.empty())
      continue;
    auto placed = writers.emplace(job.output, &job);
    if (!placed.second)
      return page_label(*placed.first->second) + " and " + page_label(job) +
             " would both be written to " + job.output;
  }
  return "";
}

std::string page_label(const PageJob &job) {
  return job.page_count > 1
             ? job.file + ", page " + std::to_string(job.page + 1)
             : job.file;
}

} // namespace lectorin_ocr
