#include "tools/capture/output_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace capture {

namespace fs = std::filesystem;

PendingOutput::PendingOutput(std::string path) : path_(std::move(path)) {
  const fs::path p(path_);
  std::string name = ".";
  name += p.filename().string();
  name += ".part-";
  name += std::to_string(::getpid());
  temp_path_ = (p.parent_path() / name).string();
}

PendingOutput::~PendingOutput() {
  if (!committed_) std::remove(temp_path_.c_str());
}

bool PendingOutput::commit() {
  if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': %s\n", path_.c_str(), std::strerror(errno));
    return false;
  }
  committed_ = true;
  return true;
}

bool output_folder_writable(const std::string& path) {
  const fs::path p(path);
  if (p.filename().empty()) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': not a file name\n", path.c_str());
    return false;
  }
  fs::path folder = p.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': folder '%s' does not exist\n", path.c_str(),
                 folder.string().c_str());
    return false;
  }
  if (fs::is_directory(p, ec)) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': it is a folder\n", path.c_str());
    return false;
  }
  if (::access(folder.c_str(), W_OK) != 0) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace capture
