#pragma once

// The columns each results table shows, per source being browsed.

#include <QString>
#include <functional>
#include <vector>

#include "core/record.h"
#include "results/result_lists.h"

namespace orvane {

struct TableColumn {
  // What a header click hands to the model ("bSelected", "Name", "Size", ...).
  const char* identifier;
  const char* title;  // translated at display
  int width;
  std::function<QString(const PRRecord&)> text;
};

// The tick column "bSelected" comes first in every table.
std::vector<TableColumn> columnsFor(ResultTable table, BrowseSource source);

// The tables whose deleted rows are drawn in the deleted colour.
bool marksDeletedRows(ResultTable table);

}  // namespace orvane
