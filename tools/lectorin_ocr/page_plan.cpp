//===- page_plan.cpp - The pages of a run and where each one goes ---------===//

#include "page_plan.h"

#include "picture_file.h"
#include "platform.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <system_error>

namespace lectorin_ocr {

namespace {

std::string with_separator(const std::string &directory) {
  if (!directory.empty() && directory.back() != '/' &&
      directory.back() != platform::path_separator)
    return directory + platform::path_separator;
  return directory;
}

// The same file whatever the spelling ("./a.png", "a.png"), as far as the
// file system tells; files that do not exist yet compare by their path.
std::string same_file_key(const std::string &path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  std::filesystem::path canonical =
      error ? absolute : std::filesystem::weakly_canonical(absolute, error);
  return error || canonical.empty() ? path : canonical.u8string();
}

} // namespace

std::vector<PageJob> plan_pages(const std::vector<std::string> &files,
                                const OutputPlan &plan,
                                const PageCounter &count_pages) {
  std::string directory = with_separator(plan.directory);
  std::string overlays = with_separator(plan.overlay_directory);
  bool per_page = file_per_page(plan.format);
  std::vector<PageJob> jobs;
  for (std::size_t index = 0; index < files.size(); ++index) {
    PageJob job;
    job.file = files[index];
    job.file_index = static_cast<int>(index);
    try {
      job.page_count = count_pages(job.file);
    } catch (const std::exception &e) {
      job.page_count = 0;
      job.problem = e.what();
      job.number = static_cast<int>(jobs.size()) + 1;
      jobs.push_back(job);
      continue;
    }
    for (int page = 0; page < job.page_count; ++page) {
      job.page = page;
      if (plan.directory.empty())
        job.number = static_cast<int>(jobs.size()) + 1;
      else if (per_page)
        job.output = directory + output_name(job.file, page, job.page_count,
                                             file_extension(plan.format));
      else {
        job.number = page + 1;
        job.output = directory +
                     output_name(job.file, 0, 1, file_extension(plan.format));
      }
      if (!plan.overlay_directory.empty())
        job.overlay = overlays + output_name(job.file, page, job.page_count,
                                             picture_file_extension);
      jobs.push_back(job);
    }
  }
  return jobs;
}

std::string output_name(const std::string &file, int page, int page_count,
                        const std::string &extension) {
  std::size_t slash = file.find_last_of("/\\");
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0)
    name.erase(dot);
  if (page_count > 1)
    name += "-p" + std::to_string(page + 1);
  return name + extension;
}

std::string find_output_clash(const std::vector<PageJob> &jobs) {
  std::map<std::string, std::string> images; // same-file key to the name
  for (const PageJob &job : jobs)
    images.emplace(same_file_key(job.file), job.file);
  // Pages of one file named once share their document's file.
  std::map<std::string, const PageJob *> writers;
  for (const PageJob &job : jobs) {
    for (const std::string *written : {&job.output, &job.overlay}) {
      if (written->empty())
        continue;
      auto image = images.find(same_file_key(*written));
      if (image != images.end())
        return page_label(job) + " would be written over the image " +
               image->second;
      auto placed = writers.emplace(*written, &job);
      const PageJob &other = *placed.first->second;
      bool shared =
          written == &job.output && other.file_index == job.file_index;
      if (!placed.second && !shared)
        return page_label(other) + " and " + page_label(job) +
               " would both be written to " + *written;
    }
  }
  return "";
}

std::string page_label(const PageJob &job) {
  return job.page_count > 1
             ? job.file + ", page " + std::to_string(job.page + 1)
             : job.file;
}

} // namespace lectorin_ocr
