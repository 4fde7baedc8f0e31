// ArchiveUploadQueue: where a download hands every record it stores, for the upload of
// the archive to the maker's weather network. The download calls Start() before it
// stores the first record, Put() with the 52 console bytes of each record it stored,
// and Close() once at the end, whatever the outcome. An implementation must never stop
// or fail the download: what it cannot send is dropped.
#pragma once

#include "link/console_record.h"

namespace sq {

class ArchiveUploadQueue {
 public:
  virtual ~ArchiveUploadQueue() = default;
  virtual void StartIPUpload() = 0;
  virtual void PutRecordForIPUpload(ConsoleRecordBytes record) = 0;
  virtual void CloseIPUpload() = 0;
};

}  // namespace sq
