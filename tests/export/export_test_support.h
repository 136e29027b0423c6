#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/content_ref.h"
#include "export/recovery_run.h"
#include "fixtures/scratch_folder.h"
#include "rawscan/engine_file_copier.h"
#include "results/results_test_support.h"

namespace orvane::testing {

using Names = std::vector<std::string>;

inline Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

using fixtures::namesIn;
using fixtures::treeOf;
using Files = std::map<std::string, std::string>;

// The files of a folder by name, each with its bytes.
inline Files filesIn(const std::filesystem::path& folder) {
  Files files;
  for (const auto& name : namesIn(folder)) files[name] = fixtures::readFileText(folder / name);
  return files;
}

// Content that lies in a source of its own, as one run.
inline ContentRef contentRef(std::vector<std::uint8_t> bytes) {
  const std::uint64_t size = bytes.size();
  return ContentRef(std::make_shared<BytesContentSource>(std::move(bytes), "test content"),
                    {ContentRun{0, size}});
}

// A BlackBerry contact with every field set, each to a value of its own.
inline PRBlackBerryContactNode everyFieldContact() {
  PRBlackBerryContactNode contact;
  contact.contactName = "Smith John ";
  contact.titleName = "Eng";
  contact.companyName = "Acme";
  contact.homeCall = "1 ";
  contact.workCall = "2 ";
  contact.mobilCall = "3 ";
  contact.email = "e@x";
  contact.address = "Main St ";
  contact.city = "Town";
  contact.provice = "Prov";
  contact.country = "Land";
  contact.postZcode = "12345";
  contact.webSite = "w.com";
  contact.pinNumber = "PIN";
  contact.brithday = "B";
  contact.note = "N";
  return contact;
}

// A controller and its results model fed by posted records, and an export
// run into a fresh folder of a scratch folder.
class ExportTest : public ::testing::Test, public ResultsBench {
 protected:
  template <class Node>
  std::shared_ptr<Node> post(const char* event, std::shared_ptr<Node> node = nullptr) {
    return ResultsBench::post(event, node ? node : std::make_shared<Node>());
  }

  RecoveryReport run(const RecoveryRun::Progress& progress = {}) {
    RecoveryRun recovery(results, &copier);
    return recovery.recoverFilesThread(out(), progress);
  }

  std::filesystem::path out() const { return scratch / "Orvane 2014-05-06 - 17.03.09"; }

  RawEngine rawEngine;
  // found files are copied by the engine from the disk it scanned last
  EngineFileCopier copier{rawEngine, ""};
  fixtures::ScratchFolder scratch;
};

}  // namespace orvane::testing
