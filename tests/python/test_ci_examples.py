"""The CI examples in examples/ci: each file parses, and its documented
commands, run here with the environment its CI system sets for each
parallel job, split the suite into shards that cover every document once
and merge into one report."""
import json
import os
import pathlib
import re
import shutil
import subprocess

import pytest
import yaml

ROOT = pathlib.Path(__file__).resolve().parents[2]
CI = ROOT / "examples" / "ci"
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))
# Variables a CI runner may carry that would take the place of the ones set here.
SHARD_VARIABLES = ("CI_NODE_INDEX", "CI_NODE_TOTAL", "JOB_COMPLETION_INDEX", "JOB_COMPLETIONS",
                   "SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_MIN", "SLURM_ARRAY_TASK_MAX",
                   "SLURM_ARRAY_TASK_STEP", "BUILDKITE_PARALLEL_JOB", "BUILDKITE_PARALLEL_JOB_COUNT")


@pytest.fixture
def workspace(models, tmp_path):
    """A job's working folder: the suite (with its baselines made) and `ravelcrest` on PATH."""
    work = tmp_path / "job"
    work.mkdir()
    shutil.copytree(models, work / "suite")
    # The suite's own file leaves open times out: the shards run one after
    # another on a machine that may be loaded, which moves them.
    (work / "suite" / "ravelcrest.toml").write_text("time-floor = 60\n")
    made = subprocess.run([BIN, "check", work / "suite", "--results", tmp_path / "baselines"],
                          capture_output=True, text=True, timeout=300)
    assert made.returncode == 0, made.stdout + made.stderr
    tools = tmp_path / "bin"
    tools.mkdir()
    (tools / "ravelcrest").symlink_to(BIN)
    env = {k: v for k, v in os.environ.items() if k not in SHARD_VARIABLES}
    env["PATH"] = f"{tools}:{env['PATH']}"
    env["HOME"] = str(tmp_path)
    return work, env


def shell(command, cwd, env):
    result = subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=cwd, env=env,
                            capture_output=True, text=True, timeout=300)
    assert result.returncode == 0, f"{command}\n{result.stdout}\n{result.stderr}"
    return result


def assert_shards_cover_the_suite(shard_files, total, merged):
    seen = []
    every = None
    for k, path in enumerate(shard_files, start=1):
        data = json.loads(path.read_text())
        assert data["shard"] == f"{k}/{total}", (path, data["shard"])
        seen += [d["document"] for d in data["documents"]]
        every = data["documentCount"]
    assert len(shard_files) == total
    assert sorted(seen) == sorted(set(seen)), "a document is in two shards"
    assert len(seen) == every > total
    joined = json.loads(merged.read_text())
    assert sorted(d["document"] for d in joined["documents"]) == sorted(seen)
    assert joined["summary"]["failed"] == 0 and joined["summary"]["warned"] == 0


def test_github_actions_matrix(workspace):
    work, env = workspace
    flow = yaml.safe_load((CI / "github-actions.yml").read_text())
    shards = flow["jobs"]["check"]["strategy"]["matrix"]["shard"]
    step = next(s for s in flow["jobs"]["check"]["steps"] if "--shard" in s.get("run", ""))
    for shard in shards:
        command = step["run"].replace("${{ matrix.shard }}", str(shard))
        command = command.replace("${{ strategy.job-total }}", str(len(shards)))
        assert "${{" not in command
        shell(command, work, env)
    merge = next(s for s in flow["jobs"]["merge"]["steps"] if "ravelcrest merge" in s.get("run", ""))
    assert flow["jobs"]["merge"]["needs"] == "check"
    shell(merge["run"], work, env)
    assert_shards_cover_the_suite([work / f"shard-{k}.json" for k in shards], len(shards), work / "results.json")
    assert (work / "report.html").exists() and (work / "results.xml").exists()


def test_gitlab_parallel_jobs(workspace):
    work, env = workspace
    pipeline = yaml.safe_load((CI / "gitlab-ci.yml").read_text())
    total = pipeline["check"]["parallel"]
    for index in range(1, total + 1):
        for line in pipeline["check"]["script"]:
            shell(line, work, {**env, "CI_NODE_INDEX": str(index), "CI_NODE_TOTAL": str(total)})
    for line in pipeline["merge"]["script"]:
        shell(line, work, env)
    assert_shards_cover_the_suite([work / f"shard-{k}.json" for k in range(1, total + 1)], total,
                                  work / "results.json")


def local_command(container, mounts):
    """The container's command with its volumes' mount paths moved to local folders."""
    command = " ".join(container["args"])
    assert container["command"] == ["sh", "-c"]
    for mount in container["volumeMounts"]:
        path = re.escape(mount["mountPath"])
        command = re.sub(rf"(?<![\w/]){path}(?=/|\s|$)", str(mounts[mount["name"]]), command)
    return command


def field(manifest, name):
    """The first value named `name` in a manifest, depth first."""
    if isinstance(manifest, dict):
        if name in manifest:
            return manifest[name]
        values = manifest.values()
    else:
        values = manifest if isinstance(manifest, list) else []
    for value in values:
        found = field(value, name)
        if found is not None:
            return found
    return None


def test_kubernetes_indexed_job_and_merge(workspace, tmp_path):
    work, env = workspace
    check, merge = list(yaml.safe_load_all((CI / "kubernetes-job.yaml").read_text()))
    assert field(check, "completionMode") == "Indexed"
    total = field(check, "completions")
    container = field(check, "containers")[0]
    pod_env = {e["name"]: e["value"] for e in container["env"]}
    assert pod_env["JOB_COMPLETIONS"] == str(total)
    mounts = {"suite": work / "suite", "results": tmp_path / "results"}
    mounts["results"].mkdir()
    for index in range(total):
        shell(local_command(container, mounts), work, {**env, **pod_env, "JOB_COMPLETION_INDEX": str(index)})
    shell(local_command(field(merge, "containers")[0], mounts), work, env)
    assert_shards_cover_the_suite([mounts["results"] / f"shard-{k}.json" for k in range(total)], total,
                                  mounts["results"] / "results.json")


def test_slurm_array_and_merge(workspace, tmp_path):
    work, env = workspace
    script = (CI / "slurm-array.sh").read_text()
    first, last = map(int, re.search(r"^#SBATCH --array=(\d+)-(\d+)$", script, re.M).groups())
    results = tmp_path / "results"
    env = {**env, "SUITE": str(work / "suite"), "RESULTS": str(results)}
    ids = range(first, last + 1)
    for task in ids:
        shell(f"bash {CI / 'slurm-array.sh'}", work, {
            **env, "SLURM_ARRAY_TASK_ID": str(task), "SLURM_ARRAY_TASK_COUNT": str(len(ids)),
            "SLURM_ARRAY_TASK_MIN": str(first), "SLURM_ARRAY_TASK_MAX": str(last), "SLURM_ARRAY_TASK_STEP": "1",
            "SLURM_CPUS_PER_TASK": "1"})
    shell(f"bash {CI / 'slurm-merge.sh'}", work, env)
    assert_shards_cover_the_suite([results / f"shard-{k}.json" for k in ids], len(ids), results / "results.json")


def test_outside_any_ci_system_auto_names_what_it_looked_for(workspace):
    work, env = workspace
    run = subprocess.run([BIN, "check", "suite", "--shard", "auto", "--results", "r"], cwd=work, env=env,
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 2
    for name in ("CI_NODE_INDEX", "JOB_COMPLETION_INDEX", "SLURM_ARRAY_TASK_ID", "BUILDKITE_PARALLEL_JOB"):
        assert name in run.stderr
