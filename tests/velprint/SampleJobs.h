// What the velprint tests share: reading a file whole, and the sample jobs in name order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vel::velprint {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::filesystem::path> SampleJobs() {
  std::vector<std::filesystem::path> samples;
  for (const auto& entry : std::filesystem::directory_iterator(VEL_SAMPLES_DIR)) {
    if (entry.path().extension() == ".vjob") {
      samples.push_back(entry.path());
    }
  }
  std::sort(samples.begin(), samples.end());
  return samples;
}

}  // namespace vel::velprint
