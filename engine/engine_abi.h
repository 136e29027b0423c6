#pragma once

/* The C interface between the application and the raw-recovery engine
 * bblib.so. The engine exports one table of function pointers under the
 * symbol `exportFunction`; callers test the table and the slot before every
 * call, and slots the application does not use stay null. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct list_disk_struct list_disk_struct;
typedef struct list_part_struct list_part_struct;

/* One stretch of a found file on the device. */
typedef struct bb_file_run {
  uint64_t start; /* byte offset on the device */
  uint64_t length;
} bb_file_run;

/* The stretches of a found file joined from fragments, in order; their
 * lengths add up to the file's length. */
struct _RecordList {
  uint32_t run_count;
  uint32_t reserved;
  const bb_file_run* runs;
};

/* One found file, as the engine reports it. The callback copies what it
 * keeps: the record lives only during the call. */
typedef struct _rec_file_ele {
  uint64_t file_start; /* byte offset on the device */
  uint32_t file_len;   /* bytes */
  uint32_t file_name_len;
  char* pFileName;                  /* proposed name with extension, file_name_len bytes */
  struct _RecordList* journal_file; /* the fragments of a joined file; null for one piece */
} _rec_file_ele;

/* Scan progress; the application reads `done` and `total` only. */
typedef struct _progressParm_t {
  uint64_t first;
  uint64_t second;
  uint64_t done;
  uint64_t total;
  int32_t state;
} _progressParm_t;

typedef void (*bb_record_callback)(void* record);

/* The partition index that stands for the whole disk in a scan call. */
#define BB_WHOLE_DISK 255
/* Capacity of the target path buffer of a recovery call, with its NUL. */
#define BB_RECOVER_PATH_CAPACITY 400

typedef struct bb_export_table {
  int (*beginDiskList)(void);                                 /* 0 */
  list_disk_struct* (*nextDisk)(void);                        /* 1 */
  const char* (*diskDeviceName)(list_disk_struct* disk);      /* 2 */
  uint64_t (*diskSizeBytes)(list_disk_struct* disk);          /* 3 */
  void* unused4;                                              /* 4 */
  int (*beginPartitionList)(list_disk_struct* disk);          /* 5 */
  list_part_struct* (*nextPartition)(void);                   /* 6 */
  void* unused7;                                              /* 7 */
  int32_t (*partitionNumber)(list_part_struct* part);         /* 8 */
  void* unused9;                                              /* 9 */
  void* unused10;                                             /* 10 */
  const char* (*partitionFileSystem)(list_part_struct* part); /* 11 */
  void* unused12;                                             /* 12 */
  void* unused13;                                             /* 13 */
  int (*scan)(const char* deviceName, int32_t partitionIndex, bb_record_callback found,
              _rec_file_ele* fileStorage, bb_record_callback progress,
              _progressParm_t* progressStorage);                                   /* 14 */
  void (*stopScan)(void);                                                          /* 15 */
  int (*readFoundFile)(list_disk_struct* disk, void* buffer, _rec_file_ele* file); /* 16 */
  void* unused17[8];                                                               /* 17 to 24 */
  int (*recoverFile)(const char* targetPath, list_disk_struct* disk, _rec_file_ele* file); /* 25 */
  /* 26: adds a disk image file to the disk listing, after the real disks */
  int (*addDiskImage)(const char* imagePath);
  void* reserved[5]; /* 27 to 31 */
} bb_export_table;

#ifdef __cplusplus
}
#endif
