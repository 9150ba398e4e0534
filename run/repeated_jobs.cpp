#include "run/repeated_jobs.h"

#include <utility>

#include "run/ordered_batch.h"

namespace tecris2nx {

Text RepeatedJobs::Earlier(const Text& file, const Text& jobName) {
  if (jobName.empty()) return Text();
  for (auto& [job, last] : seen_) {
    if (SameJob(job, jobName)) return std::exchange(last, file);
  }
  seen_.emplace_back(jobName, file);
  return Text();
}

Text RepeatedJobNotice(const Text& jobName, const Text& earlierFile) {
  return U"識別子 " + jobName + U" は前のファイル " + earlierFile +
         U" と同じです。後のファイルの出力が前のものを置き換えます。";
}

Finding RepeatedJobFinding(const Text& jobName, const Text& earlierFile) {
  return {"T110",
          Severity::kWarning,
          0,
          0,
          0,
          0,
          0,
          0,
          RepeatedJobNotice(jobName, ShownName(earlierFile))};
}

}  // namespace tecris2nx
