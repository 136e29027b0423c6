#pragma once

// Internal to the results model: the storage behind PRResultViewController.

#include <array>
#include <vector>

#include "core/record.h"
#include "results/result_lists.h"
#include "results/result_view_controller.h"

namespace orvane {

struct PRResultViewController::Lists {
  std::array<std::vector<RecordPtr>, kResultListCount> records;
  std::array<std::vector<RecordPtr>, kResultTableCount> display;
  // the next record's place in the order of arrival
  std::uint32_t nextPostingIndex = 0;

  std::vector<RecordPtr>& of(ResultList list) { return records[static_cast<std::size_t>(list)]; }
  std::vector<RecordPtr>& shown(ResultTable table) {
    return display[static_cast<std::size_t>(table)];
  }
};

}  // namespace orvane
