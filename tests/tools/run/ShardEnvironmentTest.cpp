#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tools/common/Command.h"
#include "tools/run/ShardEnvironment.h"

namespace rc::tools {
namespace {

using Env = std::map<std::string, std::string>;

DetectedShard detect(const Env& env) {
  return shardFromEnvironment([&](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  });
}

std::string error(const Env& env) {
  try {
    detect(env);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

void expectShard(const Env& env, std::size_t part, std::size_t parts, const char* system) {
  DetectedShard d = detect(env);
  EXPECT_EQ(d.shard.part, part);
  EXPECT_EQ(d.shard.parts, parts);
  EXPECT_EQ(d.system, system);
}

TEST(ShardEnvironment, EachSystemsNumberingBecomesOneBasedShards) {
  expectShard({{"CI_NODE_INDEX", "1"}, {"CI_NODE_TOTAL", "3"}}, 1, 3, "GitLab");
  expectShard({{"CI_NODE_INDEX", "3"}, {"CI_NODE_TOTAL", "3"}}, 3, 3, "GitLab");
  expectShard({{"JOB_COMPLETION_INDEX", "0"}, {"JOB_COMPLETIONS", "4"}}, 1, 4, "Kubernetes");
  expectShard({{"JOB_COMPLETION_INDEX", "3"}, {"JOB_COMPLETIONS", "4"}}, 4, 4, "Kubernetes");
  expectShard({{"BUILDKITE_PARALLEL_JOB", "0"}, {"BUILDKITE_PARALLEL_JOB_COUNT", "2"}}, 1, 2, "Buildkite");
  expectShard({{"BUILDKITE_PARALLEL_JOB", "1"}, {"BUILDKITE_PARALLEL_JOB_COUNT", "2"}}, 2, 2, "Buildkite");
}

TEST(ShardEnvironment, SlurmArraysCountFromTheirMinimumInTheirSteps) {
  expectShard({{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 1, 4, "Slurm");
  // --array=5-8
  expectShard({{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_COUNT", "4"}, {"SLURM_ARRAY_TASK_MIN", "5"}}, 1, 4,
              "Slurm");
  expectShard({{"SLURM_ARRAY_TASK_ID", "8"}, {"SLURM_ARRAY_TASK_COUNT", "4"}, {"SLURM_ARRAY_TASK_MIN", "5"}}, 4, 4,
              "Slurm");
  // --array=0-15:4 runs tasks 0, 4, 8 and 12.
  Env stepped{{"SLURM_ARRAY_TASK_ID", "12"}, {"SLURM_ARRAY_TASK_COUNT", "4"}, {"SLURM_ARRAY_TASK_MIN", "0"},
              {"SLURM_ARRAY_TASK_STEP", "4"}};
  expectShard(stepped, 4, 4, "Slurm");
  stepped["SLURM_ARRAY_TASK_ID"] = "6";
  EXPECT_NE(error(stepped).find("not in the array's range"), std::string::npos);
  // --array=1,2,9: a list, not a range; every task refuses it, as shard 3
  // would never run.
  EXPECT_NE(error({{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"},
                   {"SLURM_ARRAY_TASK_MAX", "9"}})
                .find("not an evenly stepped range"),
            std::string::npos);
  expectShard({{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"},
               {"SLURM_ARRAY_TASK_MAX", "3"}},
              2, 3, "Slurm");
  // Without SLURM_ARRAY_TASK_MAX, a task whose ID lies beyond the count is
  // still refused: task 9 would be shard 9 of 3.
  EXPECT_NE(error({{"SLURM_ARRAY_TASK_ID", "9"}, {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"}})
                .find("is not one of 3 shards"),
            std::string::npos);
}

TEST(ShardEnvironment, NoSystemIsAnErrorListingEveryVariableLookedFor) {
  std::string e = error({{"GITHUB_ACTIONS", "true"}});
  for (const char* name : {"GitLab", "CI_NODE_INDEX", "CI_NODE_TOTAL", "Kubernetes", "JOB_COMPLETION_INDEX",
                           "JOB_COMPLETIONS", "Slurm", "SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_COUNT", "Buildkite",
                           "BUILDKITE_PARALLEL_JOB", "BUILDKITE_PARALLEL_JOB_COUNT", "--shard K/N"})
    EXPECT_NE(e.find(name), std::string::npos) << name << " in " << e;
}

TEST(ShardEnvironment, MissingBadOrAmbiguousValuesAreErrorsNamingThem) {
  EXPECT_NE(error({{"JOB_COMPLETION_INDEX", "0"}}).find("JOB_COMPLETIONS is not"), std::string::npos);
  EXPECT_NE(error({{"CI_NODE_INDEX", "x"}, {"CI_NODE_TOTAL", "2"}}).find("CI_NODE_INDEX=\"x\""), std::string::npos);
  EXPECT_NE(error({{"CI_NODE_INDEX", "-1"}, {"CI_NODE_TOTAL", "2"}}).find("-1"), std::string::npos);
  EXPECT_NE(error({{"CI_NODE_INDEX", ""}, {"CI_NODE_TOTAL", "2"}}).find("not a whole number"), std::string::npos);
  EXPECT_NE(error({{"CI_NODE_INDEX", "99999999999999999999"}, {"CI_NODE_TOTAL", "2"}}).find("not a whole number"),
            std::string::npos);
  // GitLab counts from 1: 0 is no shard, nor is one beyond the total.
  EXPECT_NE(error({{"CI_NODE_INDEX", "0"}, {"CI_NODE_TOTAL", "2"}}).find("not one of 2 shards"), std::string::npos);
  EXPECT_NE(error({{"BUILDKITE_PARALLEL_JOB", "2"}, {"BUILDKITE_PARALLEL_JOB_COUNT", "2"}}).find("not one of 2"),
            std::string::npos);
  EXPECT_NE(error({{"JOB_COMPLETION_INDEX", "0"}, {"JOB_COMPLETIONS", "0"}}).find("at least one shard"),
            std::string::npos);
  std::string both = error({{"CI_NODE_INDEX", "1"}, {"CI_NODE_TOTAL", "2"}, {"SLURM_ARRAY_TASK_ID", "0"},
                            {"SLURM_ARRAY_TASK_COUNT", "2"}});
  EXPECT_NE(both.find("GitLab"), std::string::npos);
  EXPECT_NE(both.find("Slurm"), std::string::npos);
}

TEST(ShardEnvironment, ShardOptionTakesKOverNOrAuto) {
  std::ostringstream note;
  auto none = [](const char*) -> const char* { return nullptr; };
  Shard s = shardOption("2/5", none, note);
  EXPECT_EQ(s.part, 2u);
  EXPECT_EQ(note.str(), "");
  auto gitlab = [](const char* n) -> const char* {
    return std::string(n) == "CI_NODE_INDEX" ? "2" : std::string(n) == "CI_NODE_TOTAL" ? "5" : nullptr;
  };
  s = shardOption("auto", gitlab, note);
  EXPECT_EQ(s.part, 2u);
  EXPECT_EQ(s.parts, 5u);
  EXPECT_EQ(note.str(), "shard 2/5 (from GitLab)\n");
}

}  // namespace
}  // namespace rc::tools
