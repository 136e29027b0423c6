#pragma once

// The raw-recovery engine bblib.so, loaded at run time. Everything but the
// memory-card source works without it.

#include <string_view>

#include "engine/engine_abi.h"

namespace orvane {

class RawEngine {
 public:
  RawEngine() = default;
  ~RawEngine();
  RawEngine(const RawEngine&) = delete;
  RawEngine& operator=(const RawEngine&) = delete;

  // Loads the engine from $ORVANE_ENGINE, beside the executable, or the
  // installed library folder; false (after the log line "Can't open
  // librec.so:    <why>") when it cannot be loaded.
  bool initDll();
  const bb_export_table* engineTable() const { return table_; }
  // An engine table that lives in this process (tests, a linked-in engine);
  // replaces a loaded library's table.
  void useEngineTable(const bb_export_table* table) {
    unload();
    table_ = table;
  }
  // Asks a running engine scan to end; harmless when none runs.
  void stopScan() const;

 private:
  void unload();

  void* handle_ = nullptr;
  const bb_export_table* table_ = nullptr;
};

}  // namespace orvane
