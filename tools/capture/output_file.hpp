// output_file.hpp - an output file that appears only when it is complete.
//
// Writers write to temp_path() (a hidden name in the same folder, so the final
// rename stays on one file system) and call commit() when done; commit renames
// it over the final path. A PendingOutput destroyed without a commit removes
// the temporary file, so a failed or interrupted command leaves nothing behind.
#pragma once

#include <string>

namespace capture {

class PendingOutput {
 public:
  explicit PendingOutput(std::string path);
  ~PendingOutput();
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  const std::string& path() const { return path_; }
  const std::string& temp_path() const { return temp_path_; }

  // Renames the temporary file to the final path. Returns false (and prints a
  // message naming the path) if that fails.
  bool commit();

 private:
  std::string path_;
  std::string temp_path_;
  bool committed_ = false;
};

// True if a file can be created in the folder of `path` (checked before long
// work starts, so a bad path fails at once). Prints a message naming the path
// when it cannot.
bool output_folder_writable(const std::string& path);

}  // namespace capture
