#pragma once

#include <cstddef>
#include <exception>
#include <functional>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// What one file's conversion works with inside a batch.
class FileTurn {
 public:
  virtual ~FileTurn() = default;
  /// The file system to use: on a worker, writes are held back until the file's turn.
  virtual FileSystem& fs() = 0;
  /// Waits until every earlier file that names the same job has been written: a file reads back
  /// what an earlier one left in the job folder. Call once the job name is known, before the job
  /// folder is looked at; an empty name waits for nothing.
  virtual void ClaimJob(const Text& jobName) = 0;
};

/// True when two job names may name one folder: compared as a file system that ignores case would
/// (Windows; FAT and network shares mounted elsewhere), folding ASCII and full-width Latin
/// letters. Waiting once too often costs little; reading another file's half-written folder would
/// cost a wrong result.
bool SameJob(const Text& a, const Text& b);

/// The number of files converted at once when nothing else is asked: one per core, at most 8.
int DefaultWorkers();

/// Converts files `0 .. count-1` with `convert`, on `workers` threads when more than one, and
/// writes their files in index order, as one thread converting them in turn would: a file's writes
/// wait until every earlier file has finished, and the file at the head writes straight through.
/// After a file's writes, `finished(index, error)` runs on the calling thread, in index order;
/// `error` is what the file's conversion or one of its writes threw. `finished` returns false to
/// stop the batch: no later file then writes anything. An exception from `finished` stops the
/// batch the same way and is rethrown once every worker has ended.
void ConvertInOrder(std::size_t count, int workers, FileSystem& fs,
                    const std::function<void(std::size_t, FileTurn&)>& convert,
                    const std::function<bool(std::size_t, std::exception_ptr)>& finished);

}  // namespace tecris2nx
