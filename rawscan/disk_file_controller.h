#pragma once

// The model of the disk and partition chooser: the engine's disks in the
// process-wide disk table, their volume names, and the tree of rows the
// chooser shows (a row per disk, its partitions under it).

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rawscan/disk_info_node.h"
#include "rawscan/raw_engine.h"
#include "rawscan/volume_names.h"

namespace orvane {

class PRDiskFileController {
 public:
  // Answers the volume-name lister's output for one device.
  using VolumeLister = std::function<std::optional<std::string>(const std::string& deviceName)>;
  // Whether the first disk the engine lists is the machine's own disk (or
  // the engine's stand-in for it), which is not offered.
  using SystemDiskTest =
      std::function<bool(const std::string& deviceName, std::uint64_t sizeBytes)>;

  explicit PRDiskFileController(const RawEngine& engine, VolumeLister lister = runVolumeLister,
                                SystemDiskTest isSystemDisk = isMachineDisk);

  // What showing the chooser does: list the disks, read their volume
  // names, build the tree.
  void reload();

  // Adds a disk image file to the engine's listing, after the machine's
  // disks, from the next reload on: 0 when added, -1 when the engine cannot
  // read it or cannot list images. `imagePath` should be absolute: the
  // listing names the image by it.
  int addDiskImage(const std::string& imagePath);

  // Fills the disk table from the engine: 1 when the listing ran, 0 when
  // the engine cannot list disks.
  int initDisk();
  // Reads the volume names of every listed disk.
  void initVolumeName();
  // The volume names of one disk, from the lister.
  VolumeNames getDiskInfo_aux(const std::string& diskName) const;
  // A partition's volume name, or "NO NAME".
  std::string getPartName(list_part_struct* part, const std::string& diskName) const;
  // Rebuilds the tree from the disk table.
  void addDeepDeviceList();

  // "%.2fB", "%.2fK", "%.2fM", "%.2fG", "%.2fT" in steps of 1000, from the
  // whole 64-bit size, divided in single precision.
  static std::string size_to_unit(std::uint64_t sizeBytes);

  // The rows at the top of the tree, in the engine's order.
  const std::vector<DiskRow>& content() const { return content_; }

  // A row was selected: it becomes the row to scan.
  void outlineViewSelectionDidChange(const DiskRow& row);
  DiskRow currentScanNode;

  // The disk being listed and its row while the tree is built.
  std::string diskName;
  DiskRow rootNode;
  list_disk_struct* pSys_Disk = nullptr;
  list_part_struct* pSys_Part = nullptr;

  // Entry 0 is the system's own disk when it holds "/" or has no size (the
  // engine's stand-in when "/" is on no disk of this machine).
  static bool isMachineDisk(const std::string& deviceName, std::uint64_t sizeBytes);

 private:
  const bb_export_table* engine() const { return engine_.engineTable(); }
  DiskRow diskRow(list_disk_struct* disk) const;
  void addPartitionRows(list_disk_struct* disk, PRDiskInfoNode& row);

  const RawEngine& engine_;
  VolumeLister lister_;
  SystemDiskTest isSystemDisk_;
  // Keyed by the whole device name: two disks never share their names.
  std::map<std::string, VolumeNames> volumeNames_;
  std::vector<DiskRow> content_;
};

}  // namespace orvane
