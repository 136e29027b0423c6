#include "rawscan/raw_engine.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef ORVANE_LIBDIR_NAME
#define ORVANE_LIBDIR_NAME "lib"
#endif
#ifndef ORVANE_INSTALLED_ENGINE
#define ORVANE_INSTALLED_ENGINE "/usr/local/lib/orvane/bblib.so"
#endif

namespace orvane {

namespace {

std::filesystem::path executableFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

// Where the engine may be: named by the environment, beside the executable
// (the build tree), or in the installed library folder.
std::vector<std::filesystem::path> engineCandidates() {
  std::vector<std::filesystem::path> candidates;
  if (const char* named = std::getenv("ORVANE_ENGINE"); named != nullptr && *named != '\0') {
    candidates.emplace_back(named);
  }
  if (const auto folder = executableFolder(); !folder.empty()) {
    candidates.push_back(folder / "bblib.so");
    // installed under another prefix than the one configured: bin/../lib
    candidates.push_back(folder.parent_path() / ORVANE_LIBDIR_NAME / "orvane" / "bblib.so");
  }
  candidates.emplace_back(ORVANE_INSTALLED_ENGINE);
  return candidates;
}

void logLoadFailure() {
  const char* why = ::dlerror();
  std::fprintf(stderr, "Can't open librec.so:    %s\n", why != nullptr ? why : "");
}

}  // namespace

RawEngine::~RawEngine() { unload(); }

bool RawEngine::initDll() {
  unload();
  const auto candidates = engineCandidates();
  std::filesystem::path chosen = candidates.front();
  for (const auto& candidate : candidates) {
    std::error_code error;
    if (std::filesystem::exists(candidate, error)) {
      chosen = candidate;
      break;
    }
  }
  handle_ = ::dlopen(chosen.c_str(), RTLD_LAZY);
  if (handle_ == nullptr) {
    logLoadFailure();
    return false;
  }
  table_ = static_cast<const bb_export_table*>(::dlsym(handle_, "exportFunction"));
  if (table_ == nullptr) {
    logLoadFailure();
    unload();
    return false;
  }
  return true;
}

void RawEngine::stopScan() const {
  if (table_ != nullptr && table_->stopScan != nullptr) table_->stopScan();
}

void RawEngine::unload() {
  table_ = nullptr;
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace orvane
