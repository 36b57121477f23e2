// A temporary folder of this run of a test program alone: runs from several
// worktrees at once share the system's temporary folder, so a fixed name
// there lets one run delete or overwrite the files of another.
#pragma once
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace run_folder {

// Made on first use, removed with everything in it when the program ends.
inline const std::filesystem::path& path() {
  struct Folder {
    std::filesystem::path dir;
    Folder() {
      // The process id tells runs apart; the clock, a run from one that
      // ended before and had the same id.
      auto stamp = std::chrono::steady_clock::now().time_since_epoch().count() % 1000000;
      dir = std::filesystem::temp_directory_path() /
            ("orv" + std::to_string(getpid()) + "_" + std::to_string(stamp));
      std::filesystem::remove_all(dir);
      std::filesystem::create_directories(dir);
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    }
  };
  static Folder folder;
  return folder.dir;
}

// A sub-folder of the run's folder, emptied: a test starts from nothing.
// Only what is in it goes: Windows keeps a folder that is some process's
// current one (a file dialog makes it so).
inline std::filesystem::path fresh(const std::string& name) {
  std::filesystem::path dir = path() / name;
  std::filesystem::create_directories(dir);
  for (const auto& entry : std::filesystem::directory_iterator(dir)) std::filesystem::remove_all(entry.path());
  return dir;
}

// A file name in the run's folder.
inline std::string file(const std::string& name) { return (path() / name).string(); }

}  // namespace run_folder
