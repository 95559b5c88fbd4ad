#include "tools/run/ShardEnvironment.h"

#include <charconv>
#include <vector>

#include "tools/common/Command.h"

namespace rc::tools {

namespace {

// How a CI system numbers the parallel jobs of one run.
enum class Counting { FromOne, FromZero, SlurmRange };

// What a CI system sets for a parallel job: the job's number (whose presence
// marks the system) and the number of jobs.
struct CiSystem {
  const char* name;
  const char* index;
  const char* total;
  Counting counting;
};

constexpr CiSystem kSystems[] = {
    {"GitLab", "CI_NODE_INDEX", "CI_NODE_TOTAL", Counting::FromOne},
    {"Kubernetes", "JOB_COMPLETION_INDEX", "JOB_COMPLETIONS", Counting::FromZero},
    {"Slurm", "SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_COUNT", Counting::SlurmRange},
    {"Buildkite", "BUILDKITE_PARALLEL_JOB", "BUILDKITE_PARALLEL_JOB_COUNT", Counting::FromZero},
};

[[noreturn]] void fail(const std::string& why) { throw UsageError("check: --shard auto: " + why); }

// A variable holding a whole number from 0 up, `fallback` when it is not set.
std::size_t number(const EnvironmentLookup& lookup, const char* name, std::size_t fallback) {
  const char* value = lookup(name);
  if (!value) return fallback;
  std::string_view text(value);
  std::size_t v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || p != text.data() + text.size() || v > 1'000'000)
    fail(std::string(name) + "=\"" + std::string(text) + "\" is not a whole number from 0 to 1000000");
  return v;
}

std::string setting(const char* name, std::size_t value) { return std::string(name) + "=" + std::to_string(value); }

Shard checked(const CiSystem& s, std::size_t part, std::size_t parts, const std::string& given) {
  if (parts == 0) fail(std::string(s.name) + ": " + s.total + " is 0; a run needs at least one shard");
  if (part < 1 || part > parts)
    fail(std::string(s.name) + ": " + given + " is not one of " + std::to_string(parts) + " shards");
  return Shard{part, parts};
}

}  // namespace

DetectedShard shardFromEnvironment(const EnvironmentLookup& lookup) {
  std::vector<const CiSystem*> found;
  for (const CiSystem& s : kSystems)
    if (lookup(s.index)) found.push_back(&s);
  if (found.empty()) {
    std::string looked;
    for (const CiSystem& s : kSystems)
      looked += std::string(looked.empty() ? "" : ", ") + s.name + " (" + s.index + ", " + s.total + ")";
    fail("no CI system's shard variables are set; looked for " + looked + ". Give --shard K/N instead");
  }
  if (found.size() > 1)
    fail("the variables of both " + std::string(found[0]->name) + " (" + found[0]->index + ") and " + found[1]->name +
         " (" + found[1]->index + ") are set; give --shard K/N");

  const CiSystem& s = *found.front();
  auto required = [&](const char* name) {
    if (!lookup(name)) fail(std::string(s.name) + ": " + s.index + " is set but " + name + " is not");
    return number(lookup, name, 0);
  };
  std::size_t index = required(s.index);
  std::size_t total = required(s.total);
  std::string given = setting(s.index, index);
  if (s.counting == Counting::FromOne) return {checked(s, index, total, given), s.name};
  if (s.counting == Counting::SlurmRange) {
    // An array's task IDs run from its minimum in steps (--array=0-15:4 has
    // 0, 4, 8, 12); a shard is a task's place in that range.
    std::size_t min = number(lookup, "SLURM_ARRAY_TASK_MIN", 0);
    std::size_t step = number(lookup, "SLURM_ARRAY_TASK_STEP", 1);
    if (step == 0) fail("Slurm: SLURM_ARRAY_TASK_STEP is 0");
    // A list of IDs (--array=1,2,9) is no range: some shards would never
    // run, so every task refuses it, not only those whose ID is too high.
    const char* max = lookup("SLURM_ARRAY_TASK_MAX");
    if (max && number(lookup, "SLURM_ARRAY_TASK_MAX", 0) != min + (total - 1) * step)
      fail("Slurm: the array's task IDs (" + setting("SLURM_ARRAY_TASK_MIN", min) + ", SLURM_ARRAY_TASK_MAX=" + max +
           ", " + setting("SLURM_ARRAY_TASK_COUNT", total) + ", step " + std::to_string(step) +
           ") are not an evenly stepped range; give the array as a range (--array=1-4)");
    if (index < min || (index - min) % step != 0)
      fail("Slurm: " + given + " is not in the array's range from " + setting("SLURM_ARRAY_TASK_MIN", min) +
           " in steps of " + std::to_string(step) + " (an array of listed IDs cannot be sharded; use a range)");
    return {checked(s, (index - min) / step + 1, total, given), s.name};
  }
  return {checked(s, index + 1, total, given), s.name};
}

Shard shardOption(std::string_view text, const EnvironmentLookup& lookup, std::ostream& note) {
  if (text != "auto") return parseShardOption(text);
  DetectedShard found = shardFromEnvironment(lookup);
  note << "shard " << found.shard.part << "/" << found.shard.parts << " (from " << found.system << ")\n";
  return found.shard;
}

}  // namespace rc::tools
