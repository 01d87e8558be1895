// capture_files.hpp - what the capture tests need to look at the tool's output:
// a scratch folder per test, PNG and raw files read back, frames and sound
// decoded from a video by the real ffmpeg.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/tools/tool_run.hpp"

namespace capture::testing {

namespace fs = std::filesystem;

// A fresh folder for one test, removed afterwards.
struct ScratchDir {
  fs::path path;
  explicit ScratchDir(const std::string& name)
      : path(fs::temp_directory_path() / ("capture-" + name + "-" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~ScratchDir() { fs::remove_all(path); }
  std::string file(const char* name) const { return (path / name).string(); }
  // Every entry, hidden ones (temporary files) included.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
    return names;
  }
};

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

inline RgbImage png_read(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  RgbImage out;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    ADD_FAILURE() << "not a PNG: " << path << ": " << image.message;
    return out;
  }
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
    ADD_FAILURE() << image.message;
    return out;
  }
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  return out;
}

inline std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Frame `index` of a video decoded to RGB by ffmpeg (the colours as the file
// declares them).
inline RgbImage video_frame(const std::string& video, int index, int width, int height, const std::string& scratch) {
  const auto r = tool_run("ffmpeg -v error -y -i '" + video + "' -vf 'select=eq(n\\," + std::to_string(index) +
                          ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" + scratch + "'");
  RgbImage out;
  EXPECT_EQ(r.exit_code, 0) << r.output;
  out.rgb = file_bytes(scratch);
  out.width = width;
  out.height = height;
  EXPECT_EQ(out.rgb.size(), static_cast<size_t>(width) * height * 3);
  return out;
}

// The video's sound decoded to interleaved stereo float at 44,100 Hz.
inline std::vector<float> video_sound(const std::string& video, const std::string& scratch) {
  const auto r = tool_run("ffmpeg -v error -y -i '" + video + "' -vn -f f32le -ac 2 -ar 44100 '" + scratch + "'");
  EXPECT_EQ(r.exit_code, 0) << r.output;
  const std::vector<uint8_t> bytes = file_bytes(scratch);
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  return samples;
}

// One value ffprobe reports for a stream ("v:0", "a:0") or, with stream "",
// for the container: `entry` is e.g. "nb_read_frames" or "duration".
inline std::string probe_value(const std::string& video, const std::string& stream, const std::string& entry) {
  const std::string select = stream.empty() ? "-show_entries format=" + entry
                                            : "-select_streams " + stream + " -show_entries stream=" + entry;
  const auto r = tool_run("ffprobe -v error -count_frames " + select + " -of default=nw=1:nk=1 '" + video + "'");
  EXPECT_EQ(r.exit_code, 0) << r.output;
  std::string value = r.output;
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}

}  // namespace capture::testing
