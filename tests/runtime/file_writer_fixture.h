#pragma once

// A fresh folder per test for the file writer's tests, and the writer as
// the programs call it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "runtime/file_path.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"

namespace kestrilo {

namespace fs = std::filesystem;

struct Outcome {
  bool written = false;
  std::string why;
};

class WriteToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
      const fs::path folder = fs::temp_directory_path() /
                              ("kestrilo-runtime-" + std::to_string(random()));
      if (fs::create_directory(folder)) dir_ = folder;
    }
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Paths as the program holds them: UTF-8, and GBK for WriteToFile.
  std::string Utf8PathOf(const std::string& name) const {
    const std::u8string utf8 = (dir_ / PathFromUtf8(name)).u8string();
    return std::string(utf8.begin(), utf8.end());
  }
  Text PathOf(const std::string& name) const { return GbkFromUtf8(Utf8PathOf(name)); }

  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / PathFromUtf8(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  void Create(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / PathFromUtf8(name), std::ios::binary) << content;
  }

  Outcome Write(const std::string& name, const std::string& content) const {
    const Bytes bytes(content.begin(), content.end());
    Outcome outcome;
    outcome.written =
        WriteToPath(Utf8PathOf(name), std::span<const Bytes>(&bytes, 1), &outcome.why);
    return outcome;
  }

  // Catches a temporary file left behind as well as a file written in the wrong place.
  std::set<std::string> Listing(const std::string& folder = ".") const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / PathFromUtf8(folder))) {
      const std::u8string name = entry.path().filename().u8string();
      names.insert(std::string(name.begin(), name.end()));
    }
    return names;
  }

  fs::path dir_;
};

}  // namespace kestrilo
