// `--shard auto`: the shard a CI job is, read from the variables its CI
// system sets for parallel jobs.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "tools/check/CheckOptions.h"

namespace rc::tools {

// Answers an environment variable's value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

struct DetectedShard {
  Shard shard;
  std::string system;  // "GitLab", "Kubernetes", "Slurm", "Buildkite"
};

// The shard from exactly one CI system's variables:
//   GitLab        CI_NODE_INDEX (from 1), CI_NODE_TOTAL
//   Kubernetes    JOB_COMPLETION_INDEX (from 0), JOB_COMPLETIONS (set in the
//                 Job's pod template to the Job's completion count)
//   Slurm         SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT,
//                 SLURM_ARRAY_TASK_MIN, SLURM_ARRAY_TASK_STEP and
//                 SLURM_ARRAY_TASK_MAX (an evenly stepped range of task IDs)
//   Buildkite     BUILDKITE_PARALLEL_JOB (from 0), BUILDKITE_PARALLEL_JOB_COUNT
// Throws UsageError naming every variable it looked for when none is set, the
// systems found when more than one is, and the variable and value that is
// missing, not a number or out of range.
DetectedShard shardFromEnvironment(const EnvironmentLookup& lookup);

// --shard: "K/N", or "auto" for the shard of the CI job the run is in (named
// on `note`).
Shard shardOption(std::string_view text, const EnvironmentLookup& lookup, std::ostream& note);

}  // namespace rc::tools
